#include "app/frm_ayar_sayfasi.h"

#include "app/ErrorHandler.h"
#include "app/FormResmi.h"
#include "app/HizalamaDialog.h"
#include "app/MoveToServer.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "preview/PreviewIcons.h"
#include "printing/AlignmentSheetReport.h"
#include "printing/InvoiceReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <qdrawutil.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <thread>

using namespace Qt::StringLiterals;

namespace
{

const QString kSaveAdvice = u"Ayarlar fatura_ayar.ini dosyasına yazılamadı; dosya olduğu gibi "
                            u"kaldı, sayfadaki konumlar program kapanana dek geçerli. Program "
                            u"klasörüne yazma izni verip yeniden kaydedin."_s;

const QColor kToolBarColour(224, 220, 194);
const QColor kBoxColour(228, 224, 201);
const QColor kCaptionColour(192, 172, 135);
const QColor kMoneyCaptionColour(88, 184, 126);
const QColor kListColour(236, 236, 230);
const QColor kCaptionBlue(0, 0, 255);

// ---- the glyphs --------------------------------------------------------------------------

QPainterPath PagePath(qreal left, qreal top, qreal right, qreal bottom, qreal fold)
{
    QPainterPath p;
    p.moveTo(left, top);
    p.lineTo(right - fold, top);
    p.lineTo(right, top + fold);
    p.lineTo(right, bottom);
    p.lineTo(left, bottom);
    p.closeSubpath();
    return p;
}

void DrawPage(QPainter &p, qreal left, qreal top, qreal right, qreal bottom, qreal fold)
{
    const QColor outline(96, 96, 96);
    p.setPen(QPen(outline, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(PagePath(left, top, right, bottom, fold));
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    p.setBrush(QColor(220, 220, 220));
    p.drawPath(corner);
}

// An arrow pointing up, filled; the others are this one turned about the centre.
QPainterPath UpArrow()
{
    QPainterPath p;
    p.moveTo(8, 1.5);
    p.lineTo(14.5, 8);
    p.lineTo(10.5, 8);
    p.lineTo(10.5, 14.5);
    p.lineTo(5.5, 14.5);
    p.lineTo(5.5, 8);
    p.lineTo(1.5, 8);
    p.closeSubpath();
    return p;
}

// Draws a glyph into the 16-by-16 design square.
void DrawGlyph(QPainter &p, TGlyph glyph)
{
    switch (glyph) {
    case TGlyph::Onay: {
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.2, 12.5);
        tick.lineTo(13.5, 3.5);
        p.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case TGlyph::BosSayfa:
        DrawPage(p, 3.5, 1.5, 12.5, 14.5, 3);
        break;
    case TGlyph::Disket: {
        p.setPen(QPen(QColor(16, 32, 96), 1.0));
        p.setBrush(QColor(40, 72, 160));
        QPainterPath body;
        body.moveTo(1.5, 1.5);
        body.lineTo(12.5, 1.5);
        body.lineTo(14.5, 3.5);
        body.lineTo(14.5, 14.5);
        body.lineTo(1.5, 14.5);
        body.closeSubpath();
        p.drawPath(body);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 204, 212)); // the metal shutter
        p.drawRect(QRectF(4, 2, 7.5, 4.5));
        p.setBrush(QColor(40, 72, 160));
        p.drawRect(QRectF(8.5, 2.8, 1.8, 3));
        p.setBrush(Qt::white); // the label
        p.drawRect(QRectF(3.5, 8.5, 9, 5.5));
        p.setPen(QPen(QColor(150, 150, 170), 0.8));
        p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
        p.drawLine(QPointF(5, 12.3), QPointF(11, 12.3));
        break;
    }
    case TGlyph::OrnekRapor: {
        DrawPage(p, 1.5, 0.5, 11.5, 14.5, 3);
        p.setPen(QPen(QColor(120, 120, 120), 0.9));
        for (qreal y : { 5.0, 7.0, 9.0 })
            p.drawLine(QPointF(3.5, y), QPointF(8.5, y));
        p.setPen(QPen(QColor(64, 48, 24), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12.3, 12.3), QPointF(15, 15));
        p.setPen(QPen(QColor(32, 32, 32), 1.2));
        p.setBrush(QColor(190, 220, 255, 220));
        p.drawEllipse(QPointF(10, 10), 3.3, 3.3);
        break;
    }
    case TGlyph::Yukari:
    case TGlyph::Asagi:
    case TGlyph::Sol:
    case TGlyph::Sag: {
        const qreal angle = glyph == TGlyph::Yukari ? 0
            : glyph == TGlyph::Sag                  ? 90
            : glyph == TGlyph::Asagi                ? 180
                                                    : 270;
        QTransform turn;
        turn.translate(8, 8);
        turn.rotate(angle);
        turn.translate(-8, -8);
        p.setPen(QPen(QColor(0, 0, 96), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(QColor(32, 96, 208));
        p.drawPath(turn.map(UpArrow()));
        break;
    }
    }
}

// A tick box that toggles on a click anywhere in it, not only on its mark and text: the
// captions are short, the boxes as wide as the values they stand for.
class TKutu : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// The tool bar: a raised inner and a lowered outer bevel.
class TToolBarPanel : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), kToolBarColour);
        qDrawShadePanel(&p, rect(), palette(), /*sunken*/ true, 1);
        qDrawShadePanel(&p, rect().adjusted(1, 1, -1, -1), palette(), /*sunken*/ false, 1);
    }
};

// ---- the tables of the page --------------------------------------------------------------

struct TButtonRow {
    QToolButton *TAyarSayfasi::*Member;
    const char16_t *Name;
    int Left, Width;
    std::optional<TGlyph> Glyph;
    const char16_t *Caption;
    const char16_t *Hint;
    int Tag; // the arrows' direction, 0 for the others
};
const TButtonRow kButtons[] = {
    { &TAyarSayfasi::SpeedButton1, u"SpeedButton1", 5, 25, TGlyph::Onay, u"", u"Tümünü Onayla", 0 },
    { &TAyarSayfasi::SpeedButton2, u"SpeedButton2", 33, 25, TGlyph::BosSayfa, u"",
        u"Seçimleri Temizle", 0 },
    { &TAyarSayfasi::SpeedButton3, u"SpeedButton3", 62, 25, TGlyph::Disket, u"", u"Ayarları Kaydet",
        0 },
    { &TAyarSayfasi::SpeedButton6, u"SpeedButton6", 102, 147, TGlyph::OrnekRapor,
        u"Örnek Rapor Göster", u"Ayarlara Dayanılarak Örnek Bir Rapor Hazırlar.", 0 },
    { &TAyarSayfasi::UST, u"UST", 304, 21, TGlyph::Yukari, u"", u"Seçilenleri yukarı kaydır",
        int(TKonumYonu::UST) },
    { &TAyarSayfasi::ALT, u"ALT", 326, 21, TGlyph::Asagi, u"", u"Seçilenleri aşağı kaydır",
        int(TKonumYonu::ALT) },
    { &TAyarSayfasi::SOL, u"SOL", 348, 21, TGlyph::Sol, u"", u"Seçilenleri sola kaydır",
        int(TKonumYonu::SOL) },
    { &TAyarSayfasi::SAG, u"SAG", 370, 21, TGlyph::Sag, u"", u"Seçilenleri sağa kaydır",
        int(TKonumYonu::SAG) },
    { &TAyarSayfasi::SpeedButton4, u"SpeedButton4", 404, 57, std::nullopt, u"Geri Dön", u"", 0 },
};
constexpr int kButtonTop = 3;
constexpr int kAAOLeft = 403;
constexpr int kButtonHeight = 25;
constexpr char kTagProperty[] = "Tag";

// Tick boxes A<First> .. A<Last>: one column, each box Step below the one before.
struct TBoxGroup {
    int First, Last;
    int Left, Top, Step, Width;
};
constexpr int kItemTop = 174;
constexpr int kRowStep = 17;
constexpr TBoxGroup kBoxGroups[] = {
    { 1, 1, 104, 43, 0, 65 }, // TARIH
    { 2, 4, 104, 64, kRowStep, 348 }, // SAYIN1..3
    { 5, 5, 104, 123, 0, 140 }, // VERGIDAIRESI
    { 6, 6, 336, 123, 0, 116 }, // VERGIHESAPNO
    { 7, 14, 16, kItemTop, kRowStep, 63 }, // M1..M8
    { 15, 22, 83, kItemTop, kRowStep, 202 }, // C1..C8
    { 23, 30, 288, kItemTop, kRowStep, 80 }, // F1..F8
    { 31, 38, 371, kItemTop, kRowStep, 80 }, // T1..T8
    { 39, 41, 371, 311, kRowStep, 80 }, // YEKUN, KDV, TOPLAM
    { 42, 42, 110, 333, 0, 86 }, // YALNIZ
    { 43, 43, 110, 351, 0, 86 }, // RAPOR_SAYFASI
    { 44, 44, 110, 370, 0, 86 }, // KDV_YUZDE
};
constexpr int kBoxHeight = 15;

QRect BoxGeometry(int number)
{
    for (const TBoxGroup &g : kBoxGroups)
        if (number >= g.First && number <= g.Last)
            return QRect(g.Left, g.Top + g.Step * (number - g.First), g.Width, kBoxHeight);
    return {};
}

struct TCaptionRow {
    const char16_t *Text;
    int Left, Top;
    int Width; // 0: as wide as the text
    bool Centred;
    QColor Colour;
};
const TCaptionRow kCaptions[] = {
    { u"FATURA TARİHİ", 16, 44, 0, false, kCaptionColour },
    { u"SAYIN", 16, 65, 0, false, kCaptionColour },
    { u"VERGİ DAİRESİ", 16, 124, 0, false, kCaptionColour },
    { u"VER. HESAP NO", 248, 124, 0, false, kCaptionColour },
    // The column heads span their column of tick boxes.
    { u"MİKTARI", 16, 156, 63, true, kCaptionColour },
    { u"CİNSİ", 83, 156, 202, false, kCaptionColour },
    { u"FİYATI", 288, 156, 80, true, kMoneyCaptionColour },
    { u"TUTARI", 371, 156, 80, true, kMoneyCaptionColour },
    { u"YEKÜN", 288, 311, 0, false, kCaptionColour },
    { u"K.D.V. %", 288, 328, 0, false, kCaptionColour },
    { u"TOPLAM", 288, 345, 0, false, kCaptionColour },
    { u"YALNIZ", 18, 332, 0, false, kCaptionColour },
    { u"RAPOR SAYFASI ", 16, 353, 0, false, kCaptionColour },
    { u"KDV %", 16, 372, 0, false, kCaptionColour },
    // The lists' captions stand left of their lists.
    { u"Sayfa Tipi", 16, 428, 0, false, kCaptionColour },
    { u"Besleme Türü", 199, 428, 0, false, kCaptionColour },
};
constexpr int kCaptionHeight = 13;

// The note stands above the row of lists, which its designed place (174, 428) would cover.
constexpr QRect kNoteGeometry(174, 402, 254, 16);

struct TListRow {
    QComboBox *TAyarSayfasi::*Member;
    int TPrintSettings::*Selection;
    const char16_t *Name;
    int Left, Width;
    const QStringView *Items;
    int Count;
};
// The two right lists are a little wider than drawn for the old 8-point face, so that
// "Elle Besleme" and "Sayfa Dikey" show whole beside the drop-down arrow.
const TListRow kLists[] = {
    { &TAyarSayfasi::sayfaTipi, &TPrintSettings::sayfaTipi, u"sayfaTipi", 83, 113,
        kSayfaTipiItems.data(), int(kSayfaTipiItems.size()) },
    { &TAyarSayfasi::drpOutputBin, &TPrintSettings::drpOutputBin, u"drpOutputBin", 270, 95,
        kDrpOutputBinItems.data(), int(kDrpOutputBinItems.size()) },
    { &TAyarSayfasi::sayfa_yonelimi, &TPrintSettings::sayfa_yonelimi, u"sayfa_yonelimi", 368, 90,
        kSayfaYonelimiItems.data(), int(kSayfaYonelimiItems.size()) },
};
constexpr int kListTop = 425;
constexpr int kListHeight = 21;

void SetBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A caption shows its text as it stands: "&" is no mnemonic here.
QString Shown(const QString &text)
{
    return QString(text).replace(u'&', u"&&"_s);
}

} // namespace

// ---- the glyphs as icons ------------------------------------------------------------------

QIcon GlyphIcon(TGlyph glyph)
{
    return QRVectorIcon([glyph](QPainter &p, bool disabled) {
        if (disabled)
            p.setOpacity(0.35);
        DrawGlyph(p, glyph);
    });
}

// ---- TAyarSayfasi ------------------------------------------------------------------------

TAyarSayfasi::TAyarSayfasi(IDialogs &dialogs, TPrintSettings &settings, TInvoiceReport &rapor,
    QString settingsPath, QWidget *parent)
    : QWidget(parent)
    , FDialogs(dialogs)
    , FSettings(settings)
    , FRapor(rapor)
    , FSettingsPath(std::move(settingsPath))
{
    setObjectName(u"AYAR"_s);
    BuildToolBar();
    BuildCaptions();
    BuildBoxes();
    BuildLists();
    BuildTabOrder();
    BuildFormResmi();
    BuildHizalama();
    BuildMoveToServer();
    AYARLARI_GOSTER();
}

// The report and the settings go with the main window, before its child pages: the layer
// the report holds dies with it and is never called after the page.
TAyarSayfasi::~TAyarSayfasi() = default;

void TAyarSayfasi::BuildToolBar()
{
    FToolBar = new TToolBarPanel(this);
    FToolBar->setObjectName(u"Panel2"_s);
    FToolBar->setGeometry(0, 0, 463, 31);

    QFont bold = font();
    bold.setBold(true);
    for (const TButtonRow &row : kButtons) {
        auto *button = new QToolButton(FToolBar);
        button->setObjectName(QString::fromUtf16(row.Name));
        button->setGeometry(row.Left, kButtonTop, row.Width, kButtonHeight);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(bold);
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, kCaptionBlue);
        button->setPalette(palette);
        const QString caption = QString::fromUtf16(row.Caption);
        if (row.Glyph) {
            button->setIcon(GlyphIcon(*row.Glyph));
            button->setIconSize(QSize(16, 16));
        }
        button->setText(caption);
        button->setToolButtonStyle(!row.Glyph ? Qt::ToolButtonTextOnly
                : caption.isEmpty()           ? Qt::ToolButtonIconOnly
                                              : Qt::ToolButtonTextBesideIcon);
        button->setToolTip(QString::fromUtf16(row.Hint));
        button->setProperty(kTagProperty, row.Tag);
        this->*row.Member = button;
    }
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton6Click(); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { emit GeriDon(); });
    for (QToolButton *arrow : { UST, ALT, SOL, SAG })
        connect(arrow, &QToolButton::clicked, this, [this, arrow] { KAYDIRClick(arrow); });

    // A step is one pixel of the 96-dpi layout, not a millimetre.
    auto *stepCaption = new QLabel(u"Artırma/Azaltma Oranı (1 = 0,26 mm) :"_s, this);
    stepCaption->setObjectName(u"Label1"_s);
    stepCaption->setToolTip(u"Bir adım değerleri 0,26 mm (96 dpi'de bir nokta), sayfanın kenar "
                            u"boşluklarını (RAPOR_SAYFASI, KDV_YUZDE) 1 mm kaydırır."_s);
    stepCaption->adjustSize();
    // Designed at (267, 40); it ends just left of the step box, however wide the face draws it.
    stepCaption->move(std::min(267, kAAOLeft - 2 - stepCaption->width()), 40);

    AAO = new QSpinBox(this);
    AAO->setObjectName(u"AAO"_s);
    AAO->setGeometry(kAAOLeft, 35, 49, 22);
    AAO->setRange(0, 255);
    AAO->setValue(1);
    AAO->setFocusPolicy(Qt::ClickFocus);
    QPalette white = AAO->palette();
    white.setColor(QPalette::Base, Qt::white);
    AAO->setPalette(white);
}

void TAyarSayfasi::BuildCaptions()
{
    for (const TCaptionRow &row : kCaptions) {
        auto *caption = new QLabel(QString::fromUtf16(row.Text), this);
        // As wide as the text, without the label's own slack: the captions stand close to
        // the boxes they name.
        const int width = row.Width > 0
            ? row.Width
            : caption->fontMetrics().horizontalAdvance(caption->text()) + 2;
        caption->setGeometry(row.Left, row.Top, width, kCaptionHeight);
        caption->setAlignment(Qt::AlignVCenter | (row.Centred ? Qt::AlignHCenter : Qt::AlignLeft));
        SetBackground(caption, row.Colour);
    }
    auto *note = new QLabel(u" NOT: Üst-Alt Kenar Boşluk | Sağ - Sol Kenar Boşluk "_s, this);
    note->setObjectName(u"Label2"_s);
    note->setGeometry(kNoteGeometry);
    note->setAlignment(Qt::AlignCenter);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    note->setPalette(palette);
    SetBackground(note, QColor(0, 128, 0));
}

void TAyarSayfasi::BuildBoxes()
{
    for (int i = 0; i < kPositionCount; ++i) {
        const TLayoutEntry &entry = kLayoutEntries[i];
        auto *box = new TKutu(Shown(kDefaultLabelPosition.toString()), this);
        const QString name = entry.CheckBox.toString();
        box->setObjectName(name);
        box->setToolTip(entry.Key.toString());
        const int number = QStringView(name).mid(1).toInt();
        box->setGeometry(BoxGeometry(number));
        // A button paints its ground in the Button role unless told otherwise.
        box->setBackgroundRole(QPalette::Window);
        SetBackground(box, kBoxColour);
        FKutu[i] = box;
        FA[static_cast<size_t>(number - 1)] = box;
    }
}

void TAyarSayfasi::BuildLists()
{
    for (const TListRow &row : kLists) {
        auto *list = new QComboBox(this);
        list->setObjectName(QString::fromUtf16(row.Name));
        list->setGeometry(row.Left, kListTop, row.Width, kListHeight);
        for (int i = 0; i < row.Count; ++i)
            list->addItem(row.Items[i].toString());
        QPalette palette = list->palette();
        palette.setColor(QPalette::Base, kListColour);
        palette.setColor(QPalette::Button, kListColour);
        list->setPalette(palette);
        // The selection is the setting: a change is live at the next preview or print.
        int TPrintSettings::*selection = row.Selection;
        connect(list, &QComboBox::currentIndexChanged, this,
            [this, selection](int index) { FSettings.*selection = index; });
        this->*row.Member = list;
    }
}

void TAyarSayfasi::BuildTabOrder()
{
    // The tool bar's buttons take no focus, so the order goes on from A42 to A43.
    QList<QWidget *> order;
    for (int i = 0; i < kPositionCount; ++i)
        if (FKutu[i] != A(43) && FKutu[i] != A(44))
            order << FKutu[i];
    order << A(43) << drpOutputBin << sayfaTipi << A(44) << sayfa_yonelimi;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TAyarSayfasi::AYARLARI_GOSTER()
{
    for (int i = 0; i < kPositionCount; ++i)
        FKutu[i]->setText(Shown(FSettings.Positions[i]));
    for (const TListRow &row : kLists) {
        QComboBox *list = this->*row.Member;
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(ListSelection(FSettings.*row.Selection, row.Count));
    }
}

void TAyarSayfasi::showEvent(QShowEvent *event)
{
    // The settings are the controls' state; whatever changed them meanwhile shows here.
    AYARLARI_GOSTER();
    QWidget::showEvent(event);
}

QCheckBox *TAyarSayfasi::KutuOfKey(QStringView key) const
{
    const int i = LayoutIndexOfKey(key);
    return i < 0 ? nullptr : FKutu[i];
}

int TAyarSayfasi::Adim() const
{
    return PositionPartValue(AAO->cleanText());
}

void TAyarSayfasi::SpeedButton1Click()
{
    for (QCheckBox *box : FKutu)
        box->setChecked(true);
}

void TAyarSayfasi::SpeedButton2Click()
{
    for (QCheckBox *box : FKutu)
        box->setChecked(false);
}

void TAyarSayfasi::SpeedButton3Click()
{
    RunCommand(
        FDialogs, [this] { SavePrintLayout(FSettingsPath, FSettings); },
        [] { return kSaveAdvice; });
}

void TAyarSayfasi::KAYDIRClick(QToolButton *sender)
{
    const int tag = sender->property(kTagProperty).toInt();
    if (tag < int(TKonumYonu::SOL) || tag > int(TKonumYonu::ALT))
        return;
    const auto direction = static_cast<TKonumYonu>(tag);
    const int step = Adim();
    for (int i = 0; i < kPositionCount; ++i) {
        if (!FKutu[i]->isChecked())
            continue;
        FSettings.Positions[i] = KONUM_KAYDIR(FSettings.Positions[i], step, direction);
        FKutu[i]->setText(Shown(FSettings.Positions[i]));
    }
}

QString TAyarSayfasi::OrnekEtiket(int n)
{
    const TInvoiceField *f = InvoiceFieldOfLabel(n);
    return f ? f->SampleText() : QString();
}

void TAyarSayfasi::SpeedButton6Click()
{
    RunCommand(FDialogs, [this] {
        FRapor.SAYFA_HAZIRLA(FSettings);
        // The VAT-rate label keeps the caption of the last print.
        for (const TInvoiceField *f : InvoiceFields(TFieldOrder::Label))
            if (f->Kind != TFieldKind::Rate)
                FRapor.QRLabel(f->Label).SetCaption(f->SampleText());
        FRapor.RAPORX().Preview();
    });
}

// ---- the scanned form behind the values ---------------------------------------------------

namespace
{
const QString kFormTitle = u"Form Resmi"_s;
constexpr int kExtraRow1 = 452;
constexpr int kExtraRow2 = 480;
constexpr int kExtraHeight = 24;
} // namespace

void TAyarSayfasi::BuildFormResmi()
{
    FKatman = std::make_shared<TOnizlemeKatmani>(FRapor, FSettings, [this](int index) {
        FKutu[static_cast<size_t>(index)]->setText(Shown(FSettings.Positions[index]));
    });
    FRapor.RAPORX().SetPreviewOverlay(FKatman);

    FormResmiSec = new QPushButton(u"Form Resmi Seç..."_s, this);
    FormResmiSec->setObjectName(u"FormResmiSec"_s);
    FormResmiSec->setGeometry(16, kExtraRow1, 120, kExtraHeight);
    FormResmiSec->setToolTip(u"Boş formun taramasını (PNG, JPEG ya da PDF) örnek raporda ve "
                             u"önizlemede değerlerin arkasında gösterir; yazdırılmaz."_s);
    FormResmiKaldir = new QPushButton(u"Kaldır"_s, this);
    FormResmiKaldir->setObjectName(u"FormResmiKaldir"_s);
    FormResmiKaldir->setGeometry(140, kExtraRow1, 56, kExtraHeight);
    auto *caption = new QLabel(u"Görünürlük:"_s, this);
    caption->setGeometry(204, kExtraRow1 + 4, 70, 16);
    FormOpaklik = new QSpinBox(this);
    FormOpaklik->setObjectName(u"FormOpaklik"_s);
    FormOpaklik->setGeometry(276, kExtraRow1, 64, kExtraHeight);
    FormOpaklik->setRange(0, 100);
    FormOpaklik->setSingleStep(10);
    FormOpaklik->setSuffix(u" %"_s);
    FormResmiAdi = new QLabel(this);
    FormResmiAdi->setObjectName(u"FormResmiAdi"_s);
    FormResmiAdi->setGeometry(346, kExtraRow1 + 4, 112, 16);
    connect(FormResmiSec, &QPushButton::clicked, this, [this] { FormResmiSecClick(); });
    connect(FormResmiKaldir, &QPushButton::clicked, this, [this] { FormResmiKaldirClick(); });
    FORM_RESMI_GOSTER();
    connect(FormOpaklik, &QSpinBox::valueChanged, this, [this](int value) {
        FKatman->SetOpaklik(value);
        // Each step is written, but a folder that refuses it is said once, not at every step.
        try {
            FORM_RESMI_YAZ(FSettingsPath, TFormResmiAyari { FFormResmi, value });
            FOpaklikYazilamadi = false;
        } catch (const std::exception &error) {
            if (!FOpaklikYazilamadi)
                ShowError(FDialogs, error);
            FOpaklikYazilamadi = true;
        }
    });
}

void TAyarSayfasi::FORM_RESMI_GOSTER()
{
    const TFormResmiAyari ayar = FORM_RESMI_OKU(FSettingsPath);
    const QString folder = QFileInfo(FSettingsPath).absolutePath();
    // A named picture that has gone shows as none; the setting stays for the user to mend.
    FFormResmi = FORM_RESMI_VAR(folder, ayar.Resim) ? ayar.Resim : QString();
    FKatman->SetResim(folder, FFormResmi);
    FKatman->SetOpaklik(ayar.Opaklik);
    {
        const QSignalBlocker quiet(FormOpaklik);
        FormOpaklik->setValue(ayar.Opaklik);
    }
    if (!FFormResmi.isEmpty())
        FormResmiAdi->setText(FFormResmi);
    else if (!ayar.Resim.isEmpty())
        FormResmiAdi->setText(u"(resim bulunamadı: %1)"_s.arg(ayar.Resim));
    else
        FormResmiAdi->setText(u"(resim yok)"_s);
    FormResmiKaldir->setEnabled(!FFormResmi.isEmpty());
}

void TAyarSayfasi::FormResmiSecClick()
{
    const QString folder = QFileInfo(FSettingsPath).absolutePath();
    const QString source = FDialogs.OpenFileName(this, kFormTitle, QString(),
        u"Form resmi (*.png *.jpg *.jpeg *.pdf *.PNG *.JPG *.JPEG *.PDF)"_s);
    if (source.isEmpty())
        return;
    RunCommand(FDialogs, [&] {
        const QString old = FFormResmi;
        // A PDF is drawn by another program first, which can take a minute on a hostile
        // file: the work runs beside the window, which stays drawn and offers to stop it.
        std::atomic<bool> cancel { false };
        QString name;
        std::exception_ptr failure;
        QEventLoop loop;
        QProgressDialog progress(u"Form resmi hazırlanıyor..."_s, u"Vazgeç"_s, 0, 0, this);
        progress.setWindowTitle(kFormTitle);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        progress.setValue(0); // starts the clock after which the box shows
        connect(&progress, &QProgressDialog::canceled, &loop, [&cancel] { cancel = true; });
        std::thread worker([&] {
            try {
                name = FORM_RESMI_AL(source, folder, &cancel);
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
        progress.reset();
        if (failure)
            std::rethrow_exception(failure);
        if (name.isEmpty())
            return; // cancelled: nothing was copied
        FORM_RESMI_YAZ(FSettingsPath, TFormResmiAyari { name, FormOpaklik->value() });
        if (!old.isEmpty() && old != name)
            QFile::remove(QDir(folder).filePath(old));
        FORM_RESMI_GOSTER();
    });
}

void TAyarSayfasi::FormResmiKaldirClick()
{
    if (FFormResmi.isEmpty())
        return;
    RunCommand(FDialogs, [&] {
        const QString folder = QFileInfo(FSettingsPath).absolutePath();
        const QString old = FFormResmi;
        FORM_RESMI_YAZ(FSettingsPath, TFormResmiAyari { QString(), FormOpaklik->value() });
        QFile::remove(QDir(folder).filePath(old));
        FORM_RESMI_GOSTER();
    });
}

// ---- the alignment sheet ---------------------------------------------------------------------

namespace
{
const QString kHizalamaTitle = u"Hizalama Sayfası"_s;
QString Milimetre(int tenths)
{
    return FormatFloat(u"0.0"_s, tenths / 10.0L, TFormatSettings::Turkish());
}
} // namespace

void TAyarSayfasi::BuildHizalama()
{
    FHizalama = std::make_unique<TAlignmentSheetReport>(TFormatSettings::Turkish());
    HizalamaSayfasi = new QPushButton(u"Hizalama Sayfası Yazdır..."_s, this);
    HizalamaSayfasi->setObjectName(u"HizalamaSayfasi"_s);
    HizalamaSayfasi->setGeometry(16, kExtraRow2, 180, kExtraHeight);
    HizalamaSayfasi->setToolTip(u"Seçili kağıt, yön ve beslemeyle iki artı işaretli bir sayfa "
                                u"basar; ölçtüğünüz yerlerden bu yazıcı ve besleme için "
                                u"kaydırma düzeltmesini bulur."_s);
    connect(HizalamaSayfasi, &QPushButton::clicked, this, [this] { HizalamaClick(); });
}

bool TAyarSayfasi::HIZALAMA_SAYFASI_BAS()
{
    TQuickRep &sheet = FHizalama->Report();
    TQuickRep &rapor = FRapor.RAPORX();
    // The printer the invoice would go to, with the correction it would get there.
    sheet.PrinterSettings().SetPrinterIndex(rapor.PrinterSettings().PrinterIndex());
    sheet.PrinterSettings().SetUseStandardprinter(rapor.PrinterSettings().UseStandardprinter());
    FHizalamaHedefi = {};
    sheet.OnCalibration = [this](const QString &printer, int tray) -> std::optional<QPointF> {
        const auto c = ReadCalibration(FSettingsPath, printer, tray);
        FHizalamaHedefi = { printer, tray, c.value_or(TCalibration {}) };
        return c ? std::optional(QPointF(c->Horizontal, c->Vertical)) : std::nullopt;
    };
    FHizalama->HAZIRLA(FSettings);
    sheet.Print();
    return FHizalamaHedefi.Tray >= 0;
}

void TAyarSayfasi::HizalamaClick()
{
    RunCommand(FDialogs, [this] {
        if (!HIZALAMA_SAYFASI_BAS()) {
            FDialogs.Warning(this, kHizalamaTitle,
                u"Hizalama sayfası bir yazıcıya gönderilemedi: yazıcı yok ya da yazdırma "
                u"iptal edildi."_s);
            return;
        }
        THizalamaDialog dialog(FHizalama->Marks(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const TAlignmentResult r
            = HIZALAMA_COZ(FHizalama->Marks(), dialog.Olculer(), FHizalamaHedefi.Current);
        if (!r.Correction) {
            FDialogs.Warning(this, kHizalamaTitle, r.Reason);
            return;
        }
        // A scaling driver cannot be mended by a shift: the shift at the sheet's middle is
        // stored only when the user says so, since it moves every later print on this tray.
        if (r.ScaleWarning
            && FDialogs.AskYesNo(this, kHizalamaTitle,
                   r.Reason
                       + u"\n\nYine de sayfanın ortasındaki kayma bu besleme için düzeltme "
                         u"olarak kaydedilsin mi? (Hayır: hiçbir şey kaydedilmez)"_s)
                != IDialogs::TAnswer::Yes)
            return;
        WriteCalibration(
            FSettingsPath, FHizalamaHedefi.Printer, FHizalamaHedefi.Tray, *r.Correction);
        const QString stored
            = u"\"%1\" yazıcısının bu beslemesi için düzeltme kaydedildi: "
              u"yatay %2 mm, dikey %3 mm.\n\nDoğrulamak için hizalama "
              u"sayfası yeniden yazdırılsın mı?"_s.arg(FHizalamaHedefi.Printer,
                  Milimetre(r.Correction->Horizontal), Milimetre(r.Correction->Vertical));
        if (FDialogs.AskYesNo(this, kHizalamaTitle, stored) == IDialogs::TAnswer::Yes)
            HIZALAMA_SAYFASI_BAS();
    });
}

void TAyarSayfasi::BuildMoveToServer()
{
    SunucuyaTasi = new QPushButton(u"Faturaları Sunucuya Taşı..."_s, this);
    SunucuyaTasi->setObjectName(u"SunucuyaTasi"_s);
    SunucuyaTasi->setToolTip(u"fatura.DB içindeki faturaları fatura_ayar.ini dosyasının "
                             u"[VERITABANI] bölümünde seçilen sunucuya kopyalar."_s);
    SunucuyaTasi->setGeometry(204, kExtraRow2, 200, kExtraHeight);
    connect(SunucuyaTasi, &QPushButton::clicked, this, [this] { SunucuyaTasiClick(); });
}

void TAyarSayfasi::SunucuyaTasiClick()
{
    RunCommand(FDialogs, [this] {
        FATURALARI_SUNUCUYA_TASI(
            FDialogs, this, QFileInfo(FSettingsPath).absolutePath(), FSettingsPath);
    });
}
