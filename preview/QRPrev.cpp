#include "preview/QRPrev.h"

#include "platform/Dialogs.h"
#include "platform/EmfPlayer.h"
#include "platform/Errors.h"
#include "platform/Printing.h"
#include "platform/Rounding.h"
#include "preview/PreviewIcons.h"
#include "preview/QRProgress.h"
#include "report/QRUnits.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QWheelEvent>

#include <algorithm>

using namespace Qt::StringLiterals;

// --- Process-wide state ------------------------------------------------------------------------

namespace
{

QString gStatusTitle;
TQRPreviewEnvironment gEnvironment;

// The engine's own texts are English at the source; under a Turkish locale the program
// installs their translation (levanta_tr.ts) and they are looked up as they are shown.
QString Tr(const char *text)
{
    return QCoreApplication::translate("QRPrev", text);
}

QString Caption()
{
    return Tr("Report Preview : ");
}

QString ErrorTitle()
{
    return gEnvironment.ErrorTitle.isEmpty() ? QCoreApplication::applicationName()
                                             : gEnvironment.ErrorTitle;
}

// Pages of the printer that can be fetched: all of a finished or loaded run, else those done.
int FinishedPages(const TQRPrinter *printer)
{
    if (!printer)
        return 0;
    return printer->Status() == mpFinished ? printer->PageCount() : printer->AvailablePages();
}

} // namespace

QString QRPreviewStatusTitle()
{
    return gStatusTitle;
}

const TQRPreviewEnvironment &QRPreviewEnvironment()
{
    return gEnvironment;
}

QTranslator *QRLoadEngineTexts(QCoreApplication &app, const QLocale &locale)
{
    if (locale.language() != QLocale::Turkish)
        return nullptr;
    auto *translator = new QTranslator(&app);
    if (!translator->load(u":/i18n/levanta_tr.qm"_s)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

void QRRegisterStandardPreview(
    IDialogs &dialogs, const QString &programFolder, const QString &errorTitle)
{
    gEnvironment = { &dialogs, programFolder, errorTitle };
    QRSetPreviewInterface([] { return std::make_unique<TQRStandardPreviewInterface>(); });
    QRSetProgressWindow(&QRCreateProgressWindow);
}

// --- TQRPreviewImage -----------------------------------------------------------------------------

TQRPreviewImage::TQRPreviewImage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"PreviewImage"_s);
    resize(100, 50);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TQRPreviewImage::SetPageNumber(int n)
{
    FMetafile.clear();
    FPageNumber = n;
    QString damage;
    if (FQRPrinter) {
        // A page that cannot be read is said to be damaged; the window stays usable.
        try {
            if (std::optional<TQRPagePicture> page = FQRPrinter->GetPage(n))
                FMetafile = std::move(*page);
        } catch (const std::exception &e) {
            FMetafile.clear();
            damage = ErrorText(e);
        }
    }
    SetDamage(damage);
    update();
}

void TQRPreviewImage::SetDamage(const QString &why)
{
    if (why == FDamage)
        return;
    FDamage = why;
    if (OnDamageChanged)
        OnDamageChanged();
}

QRect TQRPreviewImage::PaperRect(const QRect &rect)
{
    return QRect(rect.left() + 1, rect.top() + 1, rect.width() - 4, rect.height() - 4);
}

QString TQRPreviewImage::PaintPage(QPainter &painter, const QRect &rect, const QByteArray &metafile,
    const QImage &backdrop, qreal backdropOpacity)
{
    QString refused;
    const int L = rect.left(), T = rect.top(), w = rect.width(), h = rect.height();
    const QRect paper = PaperRect(rect);
    painter.fillRect(paper, Qt::white);
    painter.save();
    painter.setClipRect(paper, Qt::IntersectClip);
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    // The picture fills the paper inside the frame, so that 100 % is the page's own size.
    try {
        PlayEmf(painter, QRectF(paper), metafile);
    } catch (const std::exception &e) {
        // What came before the damaged record stays drawn.
        refused = ErrorText(e);
    }
    // The backdrop is multiplied in: the page's white (its bands paint white) lets the form
    // through, and the ink of the values stays dark on top of it.
    if (!backdrop.isNull() && backdropOpacity > 0) {
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.setOpacity(std::min<qreal>(backdropOpacity, 1));
        painter.drawImage(QRectF(paper), backdrop);
    }
    painter.restore();
    painter.setPen(QPen(Qt::black, 0));
    const QPoint frame[]
        = { { L, T }, { L, T + h - 3 }, { L + w - 3, T + h - 3 }, { L + w - 3, T }, { L, T } };
    painter.drawPolyline(frame, 5);
    painter.fillRect(QRect(L + w - 2, T + 2, 2, h - 2), Qt::black);
    painter.fillRect(QRect(L + 2, T + h - 2, w - 2, 2), Qt::black);
    return refused;
}

void TQRPreviewImage::paintEvent(QPaintEvent *)
{
    // Without a picture nothing is drawn: an unfinished page shows as empty background. A
    // damaged one says why over the page.
    if (!ImageOK() && FDamage.isEmpty())
        return;
    QPainter painter(this);
    if (ImageOK()) {
        const QString refused = FOverlay
            ? PaintPage(painter, rect(), FMetafile, ScaledBackdrop(), FOverlay->BackdropOpacity())
            : PaintPage(painter, rect(), FMetafile);
        SetDamage(refused);
    } else {
        PaintPage(painter, rect(), QByteArray());
    }
    if (!FDamage.isEmpty()) {
        const QRect paper = PaperRect(rect()).adjusted(8, 8, -8, -8);
        painter.setPen(QColor(192, 0, 0));
        painter.drawText(paper, Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
            Tr("Page %1 is damaged: %2").arg(FPageNumber).arg(FDamage));
    }
    if (!FOverlay)
        return;
    if (FDragItem >= 0) {
        // The box of the value being moved, so that the hand sees what it holds.
        painter.setPen(QPen(QColor(0, 96, 208), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(WidgetRect(FOverlay->ItemRect(FDragItem)));
    }
}

QImage TQRPreviewImage::ScaledBackdrop()
{
    // A scan is far larger than the paper on screen, and a drag repaints at every mouse move:
    // it is scaled once for each size, then only copied.
    const QImage source = FOverlay->Backdrop();
    if (source.isNull())
        return {};
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(PaperRect(rect()).size()) * ratio).toSize();
    if (source.cacheKey() != FBackdropKey || FScaledBackdrop.size() != pixels
        || FScaledBackdrop.devicePixelRatio() != ratio) {
        FScaledBackdrop = source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        FScaledBackdrop.setDevicePixelRatio(ratio);
        FBackdropKey = source.cacheKey();
    }
    return FScaledBackdrop;
}

void TQRPreviewImage::SetOverlay(std::shared_ptr<IQRPreviewOverlay> overlay)
{
    FOverlay = std::move(overlay);
    setMouseTracking(FOverlay != nullptr);
    update();
}

long double TQRPreviewImage::NativePerPixel() const
{
    const int paperWidth = PaperRect(rect()).width();
    if (!FQRPrinter || paperWidth <= 0)
        return 0;
    return FQRPrinter->PaperWidthValue() / paperWidth;
}

QPointF TQRPreviewImage::PaperPoint(QPointF widgetPoint) const
{
    const long double k = NativePerPixel();
    const QPointF origin = PaperRect(rect()).topLeft();
    return QPointF(
        double((widgetPoint.x() - origin.x()) * k), double((widgetPoint.y() - origin.y()) * k));
}

QRectF TQRPreviewImage::WidgetRect(const QRectF &paperRect) const
{
    const long double k = NativePerPixel();
    if (k <= 0)
        return {};
    const QPointF origin = PaperRect(rect()).topLeft();
    return QRectF(origin.x() + double(paperRect.left() / k),
        origin.y() + double(paperRect.top() / k), double(paperRect.width() / k),
        double(paperRect.height() / k));
}

void TQRPreviewImage::mousePressEvent(QMouseEvent *event)
{
    if (FOverlay && FDragEnabled && ImageOK() && event->button() == Qt::LeftButton) {
        const int item = FOverlay->ItemAt(PaperPoint(event->position()));
        if (item >= 0) {
            FDragItem = item;
            FDragStart = event->position();
            FDragDelta = {};
            FOverlay->BeginMove(item);
            setCursor(Qt::ClosedHandCursor);
            update();
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TQRPreviewImage::mouseMoveEvent(QMouseEvent *event)
{
    if (FDragItem < 0) {
        if (FOverlay && FDragEnabled && ImageOK()) {
            const bool over = FOverlay->ItemAt(PaperPoint(event->position())) >= 0;
            setCursor(over ? Qt::OpenHandCursor : Qt::ArrowCursor);
        }
        return QWidget::mouseMoveEvent(event);
    }
    const long double k = NativePerPixel();
    const QPointF delta = (event->position() - FDragStart) * double(k);
    if (delta == FDragDelta)
        return;
    FDragDelta = delta;
    FDragWhere = FOverlay->MoveBy(FDragItem, delta);
    if (OnItemMoved)
        OnItemMoved(FDragWhere, false);
    update();
    event->accept();
}

void TQRPreviewImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (FDragItem < 0)
        return QWidget::mouseReleaseEvent(event);
    FDragItem = -1;
    setCursor(Qt::OpenHandCursor);
    if (FDragDelta != QPointF() && OnItemMoved)
        OnItemMoved(FDragWhere, true);
    update();
    event->accept();
}

// --- TQRPreview ----------------------------------------------------------------------------------

TQRPreview::TQRPreview(QWidget *parent)
    : QAbstractScrollArea(parent)
    , FPreviewImage(new TQRPreviewImage(viewport()))
{
    setObjectName(u"QRPreview"_s);
    resize(250, 250);
    setFrameShape(QFrame::NoFrame);
    // Clicking the page does not take the focus (which would re-apply the zoom and scroll
    // back to the top); Tab does.
    setFocusPolicy(Qt::TabFocus);
    viewport()->setBackgroundRole(QPalette::Mid);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(HorzScrollStep);
    verticalScrollBar()->setSingleStep(VertScrollStep);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
}

TQRPreview::~TQRPreview() = default;

void TQRPreview::SetQRPrinter(TQRPrinter *printer)
{
    if (FQRPrinter && FQRPrinter != printer) {
        FQRPrinter->SetShowingPreview(false);
        if (FQRPrinter->Client() == this)
            FQRPrinter->SetClient(nullptr);
    }
    FQRPrinter = printer;
    FPreviewImage->SetQRPrinter(printer);
    if (printer) {
        printer->SetClient(this);
        printer->SetShowingPreview(true);
    }
    FPageNumber = 1;
    FPreviewImage->SetPageNumber(1);
    viewport()->update();
}

void TQRPreview::ReleaseQRPrinter()
{
    FQRPrinter = nullptr;
    FPreviewImage->SetQRPrinter(nullptr);
}

void TQRPreview::SetPageNumber(int n)
{
    if ((n == FPageNumber && FPreviewImage->ImageOK()) || n < 1 || !FQRPrinter
        || n > FQRPrinter->PageCount())
        return;
    FPageNumber = n;
    FPreviewImage->SetPageNumber(n);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TQRPreview::SetZoom(int zoom)
{
    if (!QRZoomAllowed(zoom))
        return;
    FZoomState = qrZoomOther;
    FZoom = zoom;
    UpdateZoom();
}

long double TQRPreview::PaperWidth() const
{
    return FQRPrinter ? FQRPrinter->PaperWidthValue() : 0;
}

long double TQRPreview::PaperLength() const
{
    return FQRPrinter ? FQRPrinter->PaperLengthValue() : 0;
}

void TQRPreview::ZoomToFit()
{
    SetZoom(QRZoomToFitValue(width(), height(), PaperWidth(), PaperLength(), QRScreenResolution()));
    UpdateZoom();
    FZoomState = qrZoomToFit;
}

void TQRPreview::ZoomToWidth()
{
    SetZoom(QRZoomToWidthValue(width(), PaperWidth(), QRScreenResolution()));
    UpdateZoom();
    FZoomState = qrZoomToWidth;
}

void TQRPreview::UpdateZoom()
{
    const QSize size = QRPreviewImageSize(PaperWidth(), PaperLength(), FZoom, QRScreenResolution());
    FPreviewImage->resize(size);
    FPreviewImage->SetZoom(FZoom);
    UpdateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    PlaceImage();
    FPreviewImage->update();
}

void TQRPreview::UpdateScrollBars()
{
    // The picture is centred in the area it is seen through; what sticks out scrolls.
    const QSize view = viewport()->size(), size = FPreviewImage->size();
    FImageOrigin = { QRPreviewImageOffset(view.width(), size.width()),
        QRPreviewImageOffset(view.height(), size.height()) };
    horizontalScrollBar()->setRange(0, std::max(0, FImageOrigin.x() + size.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, FImageOrigin.y() + size.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
}

void TQRPreview::PlaceImage()
{
    FPreviewImage->move(
        FImageOrigin - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void TQRPreview::scrollContentsBy(int, int)
{
    PlaceImage();
}

int TQRPreview::VertPosition() const
{
    return verticalScrollBar()->value();
}

void TQRPreview::SetVertPosition(int position)
{
    verticalScrollBar()->setValue(position);
}

int TQRPreview::VertMaximum() const
{
    return verticalScrollBar()->maximum();
}

void TQRPreview::UpdateImage()
{
    if (FPreviewImage->ImageOK() || FinishedPages(FQRPrinter) < FPageNumber)
        return;
    if (FReport && FReport->PrevInitialZoom() == qrZoomToWidth)
        ZoomToWidth();
    FPreviewImage->SetPageNumber(FPageNumber);
}

void TQRPreview::ApplyZoomMode()
{
    if (FZoomState == qrZoomToFit)
        ZoomToFit();
    else if (FZoomState == qrZoomToWidth)
        ZoomToWidth();
    UpdateZoom();
}

void TQRPreview::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ApplyZoomMode();
}

void TQRPreview::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    // Focus entering the view, not the window coming back to the front: that must not
    // throw the reader back to the top of the page.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        ApplyZoomMode();
}

void TQRPreview::customEvent(QEvent *event)
{
    const auto type = event->type();
    if (type != TQRPrinterEvent::Progress && type != TQRPrinterEvent::PagesAvailable)
        return QAbstractScrollArea::customEvent(event);
    const int value = static_cast<TQRPrinterEvent *>(event)->Value();
    if (type == TQRPrinterEvent::Progress) {
        if (OnProgressUpdate)
            OnProgressUpdate(this, value);
        return;
    }
    if (value == FPageNumber)
        UpdateImage();
    if (OnPageAvailable)
        OnPageAvailable(this, value);
}

// --- TQRStandardPreview --------------------------------------------------------------------------

namespace
{

// Hints as the tool bar shows them.
const QString kHintZoomFit = u"Ekrana Sığdır"_s;
const QString kHintZoomToWidth = u"Genişliği Sığdır"_s;
const QString kHintZoom100 = u"Rapor Görünümü %100"_s;
const QString kHintFirstPage = u"İlk Sayfa"_s;
const QString kHintPreviousPage = u"Önceki Sayfa"_s;
const QString kHintNextPage = u"Sonraki Sayfa"_s;
const QString kHintLastPage = u"Son Sayfa"_s;
const QString kHintGotoPage = u"Sayfaya Git"_s;
const QString kHintFind = u"Rapor İçinde Veri Ara"_s;
const QString kHintCopy = u"Rapor Kopyala"_s;
const QString kHintPrintSetup = u"Yazıcı Ayarları"_s;
const QString kHintPrint = u"Yazdır"_s;
const QString kHintLoad = u"Rapor Yükle"_s;
const QString kHintSave = u"Rapor Kaydet"_s;
const QString kHintSend = u"E-Posta Gönder"_s;
const QString kHintCancel = u"Yüklemeyi durdur"_s;

// The page's picture for other programs: its EMF bytes under the names Linux office
// programs read, and a PNG at twice the screen's resolution.
QMimeData *PageMimeData(const QByteArray &emf)
{
    auto *data = new QMimeData;
    data->setData(u"image/x-emf"_s, emf);
    data->setData(u"application/x-openoffice-emf;windows_formatname=\"Image EMF\""_s, emf);
    const TEmfInfo info = ReadEmfInfo(emf);
    const int dpi = QRScreenResolution() * 2;
    const QSizeF frame = info.FrameSizePixels();
    const QSize size(
        std::max(1, qRound(frame.width() * 2)), std::max(1, qRound(frame.height() * 2)));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        PlayEmf(painter, QRectF(QPointF(0, 0), QSizeF(size)), emf);
    }
    data->setImageData(image);
    return data;
}

} // namespace

TQRStandardPreview::TQRStandardPreview(QWidget *owner, TQRPrinter *printer)
    : QMainWindow(owner)
{
    setObjectName(u"QRStandardPreview"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    QRPDFFilter1 = std::make_unique<TQRPDFFilter>();
    QRPDFFilter1->SetCompressionOn(false);
    QRPDFFilter1->SetTextEncoding(TQRPDFTextEncoding::UTF8Encoding);
    QRPDFFilter1->SetCodepage(u"8859-9"_s);
    resize(770, 532);
    BuildToolBar();
    FRerunTimer = new QTimer(this);
    FRerunTimer->setSingleShot(true);
    FRerunTimer->setInterval(30);
    connect(FRerunTimer, &QTimer::timeout, this, [this] { RerunForMovedItem(); });

    Tabs = new QTabWidget;
    Tabs->setObjectName(u"Tabs"_s);
    Tabs->addTab(new QWidget, u"Thumbnails"_s);
    Tabs->addTab(new QWidget, Tr("Search results"));
    FQRPreview = new TQRPreview;
    Splitter = new QSplitter(Qt::Horizontal);
    Splitter->setHandleWidth(4);
    Splitter->setChildrenCollapsible(false);
    Splitter->addWidget(Tabs);
    Splitter->addWidget(FQRPreview);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({ 193, 573 });
    setCentralWidget(Splitter);

    auto *status = new QStatusBar;
    status->setObjectName(u"StatusBar"_s);
    const int widths[] = { 40, 120, 50 };
    const QString texts[] = { u"0%"_s, u"Page"_s, u" "_s };
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(texts[i]);
        StatusPanels[i]->setObjectName(u"StatusPanel"_s + QString::number(i));
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        if (i < 2)
            StatusPanels[i]->setFixedWidth(widths[i]);
        else
            StatusPanels[i]->setMinimumWidth(widths[i]);
        if (i == 0)
            StatusPanels[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        status->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }
    // A damaged page is named in the status bar as well as over the page.
    FQRPreview->PreviewImage()->OnDamageChanged = [this] { UpdateInfo(); };
    setStatusBar(status);

    FQRPreview->OnPageAvailable = [this](QObject *s, int n) { QRPreviewPageAvailable(s, n); };
    FQRPreview->OnProgressUpdate = [this](QObject *s, int p) { QRPreviewProgressUpdate(s, p); };
    FormCreate();

    // CreatePreview.
    ExitButton->setText(Tr("&Close"));
    ExitButton->setToolTip(Tr("Close Preview"));
    SpeedButton1->setToolTip(u"Set Display Zoom"_s);
    setWindowTitle(Caption());
    CancelButton->setEnabled(false);
    SpeedButton1->setEnabled(false);

    FQRPrinter = printer;
    FQRPreview->SetQRPrinter(printer);

    int zoom = 100;
    TCustomQuickRep *report = printer
        ? (printer->ParentReport() ? printer->ParentReport() : printer->Master())
        : nullptr;
    if (report) {
        FReport = report;
        FQRPreview->SetReport(report);
        setWindowFlag(Qt::WindowStaysOnTopHint, report->PrevFormStyle() == fsStayOnTop);
        ShowThumbs = report->PrevShowThumbs();
        ShowSearch = report->PrevShowSearch();
        InitZoom = report->PrevInitialZoom();
        zoom = report->Zoom();
        gStatusTitle = report->ReportTitle();
        printer->SetTitle(report->ReportTitle());
        FReportOrientation = report->Page().Orientation();
        switch (report->PreviewInitialState()) {
        case wsMaximized:
            setWindowState(Qt::WindowMaximized);
            break;
        case wsMinimized:
            setWindowState(Qt::WindowMinimized);
            break;
        case wsNormal:
            setGeometry(report->PreviewLeft(), report->PreviewTop(), report->PreviewWidth(),
                report->PreviewHeight());
            break;
        }
        StandPrevHandled(spOpen, QString());
        if (report->PreviewOverlay()) {
            FQRPreview->PreviewImage()->SetOverlay(report->PreviewOverlay());
            FQRPreview->PreviewImage()->OnItemMoved
                = [this](const QString &where, bool dropped) { ItemMoved(where, dropped); };
        }
    } else {
        setWindowState(Qt::WindowMaximized);
        ShowThumbs = ShowSearch = true;
        InitZoom = qrZoom100;
        if (printer)
            FReportOrientation = printer->Orientation();
    }

    if (printer) {
        printer->SetOrientation(FReportOrientation);
        if (!printer->Title().isEmpty())
            setWindowTitle(Caption() + printer->Title());
    }
    Tabs->setVisible(ShowThumbs || ShowSearch);
    SetButtonVisible(FindButton, ShowSearch);

    if (InitZoom == qrZoomToFit) {
        FQRPreview->ZoomToFit();
        ZoomFit->setChecked(true);
    } else if (InitZoom == qrZoomToWidth) {
        FQRPreview->ZoomToWidth();
        ZoomToWidth->setChecked(true);
    } else {
        FQRPreview->SetZoom(zoom);
        FQRPreview->UpdateZoom();
        Zoom100->setChecked(true);
    }
    if (printer && printer->Status() == mpFinished)
        QRPreviewPageAvailable(FQRPreview, printer->PageCount());

    qApp->installEventFilter(this);
}

TQRStandardPreview::~TQRStandardPreview()
{
    qApp->removeEventFilter(this);
}

void TQRStandardPreview::FormCreate()
{
    const QString folder = gEnvironment.ProgramFolder.isEmpty()
        ? QCoreApplication::applicationDirPath()
        : gEnvironment.ProgramFolder;
    SetButtonVisible(SendReport, QFileInfo::exists(QDir(folder).filePath(u"Mail.ini"_s)));
}

QToolButton *TQRStandardPreview::AddButton(
    const char *name, const QString &hint, int icon, void (TQRStandardPreview::*action)())
{
    auto *b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(QRPreviewIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setAutoRaise(true);
    b->setFixedSize(33, 26);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, action);
    ToolBar1->addWidget(b);
    return b;
}

void TQRStandardPreview::BuildToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(u"ToolBar1"_s);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setFixedHeight(30);
    ToolBar1->setContentsMargins(2, 2, 2, 2);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    setContextMenuPolicy(Qt::NoContextMenu);

    ZoomFit = AddButton("ZoomFit", kHintZoomFit, 0, &TQRStandardPreview::ZoomToFitClick);
    ZoomToWidth
        = AddButton("ZoomToWidth", kHintZoomToWidth, 2, &TQRStandardPreview::ZoomToWidthClick);
    Zoom100 = AddButton("Zoom100", kHintZoom100, 1, &TQRStandardPreview::ZoomTo100Click);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QToolButton *b : { ZoomFit, ZoomToWidth, Zoom100 }) {
        b->setCheckable(true);
        group->addButton(b);
    }

    // The zoom menu's button stays hidden, so the menu is not reachable; it is kept so that
    // a report that shows it works as designed.
    Zoommenu = new QMenu(this);
    Zoommenu->setObjectName(u"Zoommenu"_s);
    auto *zoomGroup = new QActionGroup(Zoommenu);
    for (int z = 50; z <= 200; z += 10) {
        QAction *a = Zoommenu->addAction(QString::number(z) + u"%"_s);
        a->setObjectName(u"N"_s + QString::number(z));
        a->setCheckable(true);
        zoomGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, z] { N50Click(z); });
    }
    SpeedButton1 = new QToolButton;
    SpeedButton1->setObjectName(u"SpeedButton1"_s);
    SpeedButton1->setIcon(QRZoomMenuGlyph());
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setMenu(Zoommenu);
    SpeedButton1->setPopupMode(QToolButton::InstantPopup);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(SpeedButton1)->setVisible(false);
    ToolBar1->addSeparator();

    FirstPage = AddButton("FirstPage", kHintFirstPage, 3, &TQRStandardPreview::FirstPageClick);
    PreviousPage
        = AddButton("PreviousPage", kHintPreviousPage, 4, &TQRStandardPreview::PrevPageClick);
    nextPage = AddButton("nextPage", kHintNextPage, 5, &TQRStandardPreview::NextPageClick);
    LastPage = AddButton("LastPage", kHintLastPage, 6, &TQRStandardPreview::LastPageClick);
    ToolBar1->addSeparator();
    GotoPageButton
        = AddButton("GotoPageButton", kHintGotoPage, 12, &TQRStandardPreview::GotoPageButtonClick);
    FindButton = AddButton("FindButton", kHintFind, 11, &TQRStandardPreview::FindButtonClick);
    ToolBar1->addSeparator();
    copybutton = AddButton("copybutton", kHintCopy, 14, &TQRStandardPreview::copybuttonClick);
    PrintSetup = AddButton("PrintSetup", kHintPrintSetup, 7, &TQRStandardPreview::PrintSetupClick);
    Print = AddButton("Print", kHintPrint, 8, &TQRStandardPreview::PrintClick);
    LoadReport = AddButton("LoadReport", kHintLoad, 9, &TQRStandardPreview::LoadClick);
    SaveReport = AddButton("SaveReport", kHintSave, 10, &TQRStandardPreview::SaveClick);
    SendReport = AddButton("SendReport", kHintSend, 18, &TQRStandardPreview::SendReportClick);
    ToolBar1->addSeparator();
    CancelButton
        = AddButton("CancelButton", kHintCancel, 13, &TQRStandardPreview::CancelButtonClick);

    ExitButton = new QPushButton;
    ExitButton->setObjectName(u"ExitButton"_s);
    ExitButton->setFlat(true);
    ExitButton->setFixedSize(67, 22);
    QFont bold(u"Tahoma"_s);
    bold.setBold(true);
    ExitButton->setFont(bold);
    ExitButton->setFocusPolicy(Qt::NoFocus);
    connect(ExitButton, &QPushButton::clicked, this, &TQRStandardPreview::ExitClick);
    ToolBar1->addWidget(ExitButton);
    SetRunButtonsEnabled(false);
}

void TQRStandardPreview::SetButtonVisible(QWidget *button, bool visible)
{
    // A control on a tool bar shows and hides through its tool-bar action.
    for (QAction *a : ToolBar1->actions())
        if (ToolBar1->widgetForAction(a) == button)
            a->setVisible(visible);
}

QString TQRStandardPreview::StatusPanel(int index) const
{
    return index >= 0 && index < 3 ? StatusPanels[index]->text() : QString();
}

QToolButton *TQRStandardPreview::Button(const QString &name) const
{
    return findChild<QToolButton *>(name);
}

int TQRStandardPreview::PageCount() const
{
    return FQRPrinter ? FQRPrinter->PageCount() : 0;
}

bool TQRStandardPreview::RunBusy() const
{
    return FQRPrinter && FQRPrinter->Status() == mpBusy;
}

bool TQRStandardPreview::StandPrevHandled(TStandPrevEventType type, const QString &name)
{
    bool handled = false;
    if (FReport && FReport->OnStandPrevEvent)
        FReport->OnStandPrevEvent(this, type, name, handled);
    return handled;
}

void TQRStandardPreview::Guarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const std::exception &error) {
        if (gEnvironment.Dialogs)
            gEnvironment.Dialogs->Error(nullptr, ErrorTitle(), ErrorText(error));
    }
}

void TQRStandardPreview::SetRunButtonsEnabled(bool enabled)
{
    for (QToolButton *b : { PrintSetup, Print, SaveReport, LoadReport, FindButton, GotoPageButton,
             FirstPage, nextPage, PreviousPage, LastPage, copybutton, SpeedButton1 })
        if (b)
            b->setEnabled(enabled);
}

void TQRStandardPreview::RerunForMovedItem()
{
    if (FReport)
        Guarded([this] { FReport->RerunPreview(); });
    FQRPreview->PreviewImage()->SetPageNumber(FQRPreview->PageNumber());
}

void TQRStandardPreview::ItemMoved(const QString &where, bool dropped)
{
    // A mouse sends moves faster than a run and a page load take: the box of the value
    // follows the hand at once, the page's picture catches up once a frame.
    if (dropped) {
        FRerunTimer->stop();
        RerunForMovedItem();
    } else if (!FRerunTimer->isActive()) {
        FRerunTimer->start();
    }
    const QString caption = Caption();
    QString title = caption;
    if (FQRPrinter && !FQRPrinter->Title().isEmpty())
        title += FQRPrinter->Title();
    // "Report Preview : " alone already ends in its separator.
    const QString separator = title == caption ? QString() : u" \u2014 "_s;
    setWindowTitle(where.isEmpty() ? title : title + separator + where);
    StatusPanels[2]->setText(where.isEmpty() ? gStatusTitle : where);
}

void TQRStandardPreview::UpdateInfo()
{
    StatusPanels[1]->setText(Tr("Page %1 of %2").arg(FQRPreview->PageNumber()).arg(PageCount()));
    const QString &damage = FQRPreview->PreviewImage()->Damage();
    StatusPanels[2]->setText(damage.isEmpty()
            ? gStatusTitle
            : Tr("Page %1 is damaged: %2").arg(FQRPreview->PageNumber()).arg(damage));
    StatusPanels[0]->setText(QString::number(FQRPreview->Zoom()) + u"%"_s);
}

void TQRStandardPreview::QRPreviewProgressUpdate(QObject *, int progress)
{
    if (progress >= LastProgress + 5) {
        StatusPanels[0]->setText(QString::number(progress) + u"%"_s);
        LastProgress = progress;
    }
    if (progress == 0 || progress == 100)
        StatusPanels[0]->clear();
}

void TQRStandardPreview::QRPreviewPageAvailable(QObject *, int)
{
    CancelButton->setEnabled(true);
    UpdateInfo();
    const bool finished = FQRPrinter && FQRPrinter->Status() == mpFinished;
    SetRunButtonsEnabled(finished);
    if (finished)
        CancelButton->setEnabled(false);
    if (FReport && FReport->PagesInPreview() != 0 && FReport->PagesInPreview() == PageCount())
        FReport->SetUserCancel(true);
}

void TQRStandardPreview::SelectPage(int n)
{
    try {
        FQRPreview->SetPageNumber(n);
        UpdateInfo();
    } catch (const std::exception &) {
        // Navigation never takes the window down.
    }
}

void TQRStandardPreview::ZoomToFitClick()
{
    FQRPreview->ZoomToFit();
    UpdateInfo();
}

void TQRStandardPreview::ZoomToWidthClick()
{
    FQRPreview->ZoomToWidth();
    UpdateInfo();
}

void TQRStandardPreview::ZoomTo100Click()
{
    FQRPreview->SetZoom(100);
    UpdateInfo();
}

void TQRStandardPreview::SpeedButton1Click()
{
    SpeedButton1->showMenu();
}

void TQRStandardPreview::N50Click(int zoom)
{
    FQRPreview->SetZoom(zoom);
    UpdateInfo();
}

void TQRStandardPreview::FirstPageClick()
{
    SelectPage(1);
}

void TQRStandardPreview::PrevPageClick()
{
    SelectPage(FQRPreview->PageNumber() - 1);
}

void TQRStandardPreview::NextPageClick()
{
    SelectPage(FQRPreview->PageNumber() + 1);
}

void TQRStandardPreview::LastPageClick()
{
    // While the run goes on the last page is still being drawn.
    const bool finished = FQRPrinter && FQRPrinter->Status() == mpFinished;
    SelectPage(finished ? PageCount() : PageCount() - 1);
}

void TQRStandardPreview::GotoPageButtonClick()
{
    if (!gEnvironment.Dialogs)
        return;
    QString value = QString::number(FQRPreview->PageNumber());
    gEnvironment.Dialogs->InputBox(
        this, Tr("Select a page from 1 to %1").arg(PageCount()), Tr("Enter page number"), value);
    SelectPage(QRGotoPageResult(value, PageCount()));
}

void TQRStandardPreview::FindButtonClick()
{
    // Text search is offered only with the side panel, which this program never shows.
}

void TQRStandardPreview::copybuttonClick()
{
    if (StandPrevHandled(spCopy, u"Copy"_s))
        return;
    Guarded([this] {
        if (!FQRPrinter)
            return;
        if (std::optional<TQRPagePicture> page = FQRPrinter->GetPage(FQRPreview->PageNumber()))
            QGuiApplication::clipboard()->setMimeData(PageMimeData(*page));
    });
}

void TQRStandardPreview::PrintSetupClick()
{
    if (StandPrevHandled(spPrintSetup, u"PrintSetup"_s))
        return;
    bool print = false;
    Guarded([this, &print] {
        if (!FQRPrinter)
            return;
        if (!FReport) {
            FQRPrinter->PrintSetup();
            return;
        }
        if (IPrinting *printing = Printing())
            printing->Refresh();
        FReport->PrinterSetup();
        if (FReport->Tag() == 1)
            return; // the user cancelled the dialog
        const TQuickRepPrinterSettings &user = FReport->UserPrinterSettings();
        TPrinterSettings &p = FQRPrinter->PrinterSettings();
        p.SetPrinterIndex(user.PrinterIndex());
        // Codes of the standard sources are trays; anything above is the driver's own.
        const bool customBin = user.CustomBinCode() >= 13;
        p.SetUseCustomBinCode(customBin);
        if (customBin)
            p.SetCustomBinCode(user.CustomBinCode());
        else
            p.SetOutputBin(user.OutputBin());
        p.SetCollate(user.Collate());
        p.SetColorOption(user.ColorOption());
        p.SetPrintQuality(user.PrintQuality());
        p.SetCopies(user.Copies());
        p.SetDuplex(user.Duplex());
        p.SetExtendedDuplex(user.ExtendedDuplex());
        p.SetFirstPage(user.FirstPage());
        p.SetLastPage(user.LastPage());
        if (!QRSavedReportLoaded()) {
            TQuickRepPrinterSettings &r = FReport->PrinterSettings();
            r.SetPrinterIndex(user.PrinterIndex());
            r.SetUseCustomBinCode(customBin);
            if (customBin)
                r.SetCustomBinCode(user.CustomBinCode());
            else
                r.SetOutputBin(user.OutputBin());
            r.SetCollate(user.Collate());
            r.SetColorOption(user.ColorOption());
            r.SetPrintQuality(user.PrintQuality());
            r.SetCopies(user.Copies());
            r.SetDuplex(user.Duplex());
            r.SetExtendedDuplex(user.ExtendedDuplex());
            r.SetFirstPage(user.FirstPage());
            r.SetLastPage(user.LastPage());
        }
        print = FReport->PrintAfterSetup();
    });
    if (print)
        PrintClick();
}

void TQRStandardPreview::PrintClick()
{
    if (StandPrevHandled(spPrint, u"Print"_s))
        return;
    Guarded([this] {
        auto *quick = dynamic_cast<TQuickRep *>(FReport);
        if (!QRSavedReportLoaded() && quick) {
            quick->Print();
            if (!FQRPreview->QRPrinter() && quick->QRPrinter()) {
                FQRPrinter = quick->QRPrinter();
                FQRPreview->SetQRPrinter(FQRPrinter);
            }
        } else if (FQRPrinter) {
            FQRPrinter->Print();
        }
    });
}

void TQRStandardPreview::LoadClick()
{
    if (StandPrevHandled(spLoad, u"Load"_s) || !gEnvironment.Dialogs || !FQRPrinter)
        return;
    IDialogs &dialogs = *gEnvironment.Dialogs;
    const QString name
        = dialogs.OpenFileName(this, Tr("Load report"), QString(), u"Velvana file (*.QRP)"_s);
    if (name.isEmpty())
        return;
    if (!QFileInfo::exists(name)) {
        dialogs.Information(this, ErrorTitle(), Tr("File does not exist"));
        return;
    }
    bool loaded = false;
    Guarded([&] {
        FQRPrinter->Load(name);
        loaded = true;
    });
    if (!loaded) {
        // The pages on show may have gone with the failed load; show what the printer holds.
        FQRPreview->PreviewImage()->SetPageNumber(FQRPreview->PageNumber());
        UpdateInfo();
        return;
    }
    gStatusTitle = QFileInfo(name).absoluteFilePath();
    // The loaded pages are not the report's run: moving a value would run it over them.
    FQRPreview->PreviewImage()->SetDragEnabled(false);
    FQRPreview->SetPageNumber(1);
    FQRPreview->PreviewImage()->SetPageNumber(1);
    FReportOrientation = FQRPrinter->Orientation();
    FQRPrinter->SetOrientation(FReportOrientation);
    if (FReport) {
        // Orientation first: a named paper lays its sides out in the page's orientation.
        FReport->Page().SetOrientation(FReportOrientation);
        FReport->Page().SetPaperSize(FQRPrinter->PaperSize());
    }
    FQRPreview->UpdateZoom();
    QRPreviewPageAvailable(FQRPreview, 1);
    QRSetSavedReportLoaded(true);
    Print->setEnabled(true);
}

void TQRStandardPreview::SaveClick()
{
    if (StandPrevHandled(spSave, u"Save"_s) || !gEnvironment.Dialogs || !FQRPrinter)
        return;
    IDialogs &dialogs = *gEnvironment.Dialogs;
    const TQRSaveType defaultType = FReport ? FReport->PreviewDefaultSaveType() : stQRP;
    const std::vector<TQRExportFilterClass> filters = TQRExportFilterLibrary::Filters();
    const std::vector<TQRFileType> types = QRSaveFileTypes(defaultType, filters);
    const QStringList entries = QRFileDialogFilter(types).split(u";;"_s);
    QString selected = entries.first();
    const QString chosen = dialogs.SaveFileName(this, Tr("Save report"),
        u"*"_s + QRDefaultSaveExtension(defaultType), entries.join(u";;"_s), &selected);
    if (chosen.isEmpty())
        return;
    const TQRSaveTarget target = QRSaveTargetFor(
        chosen, static_cast<int>(entries.indexOf(selected)) + 1, defaultType, filters);
    const TQRExportFilterClass *filter
        = target.Ext == u"QRP"_s ? nullptr : TQRExportFilterLibrary::ByExtension(target.Ext);
    if (target.Ext != u"QRP"_s && (!filter || !FReport))
        return; // no format of that name: nothing is saved
    // The dialog asked about the name as typed; an extension added here may name a file
    // that is there already.
    if (target.FileName != chosen && QFileInfo::exists(target.FileName)
        && dialogs.AskYesNo(this, Tr("Save report"),
               Tr("%1 already exists.").arg(QDir::toNativeSeparators(target.FileName)) + u"\r\n"_s
                   + Tr("Do you want to replace it?"))
            != IDialogs::TAnswer::Yes)
        return;
    Guarded([&] {
        if (!filter) {
            FQRPrinter->Save(target.FileName);
            return;
        }
        std::unique_ptr<TQRExportFilter> exporter = filter->Create(target.FileName);
        auto *pdf = dynamic_cast<TQRPDFDocumentFilter *>(exporter.get());
        if (pdf && !FReport->ExportCodepage().isEmpty())
            pdf->SetCodepage(FReport->ExportCodepage());
        FReport->ExportToFilter(exporter.get());
    });
}

void TQRStandardPreview::SendReportClick()
{
    // E-mail sending is offered only where a mail settings file exists; not built here.
}

void TQRStandardPreview::CancelButtonClick()
{
    if (StandPrevHandled(spCancel, u"Cancel"_s))
        return;
    if (FReport)
        FReport->SetUserCancel(true);
    else if (FQRPrinter)
        FQRPrinter->Cancel();
}

void TQRStandardPreview::ExitClick()
{
    close();
}

bool TQRStandardPreview::event(QEvent *event)
{
    // The printer tells a window still bound to it that it is going: forget it.
    if (event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == "qrPrinterGone"
        && property("qrPrinterGone").toBool()) {
        FQRPrinter = nullptr;
        FQRPreview->ReleaseQRPrinter();
        SetRunButtonsEnabled(false);
        CancelButton->setEnabled(false);
        FQRPreview->PreviewImage()->SetPageNumber(FQRPreview->PageNumber());
    }
    return QMainWindow::event(event);
}

void TQRStandardPreview::closeEvent(QCloseEvent *event)
{
    if (RunBusy()) {
        event->ignore();
        return;
    }
    if (!FClosed) {
        FClosed = true;
        StandPrevHandled(spClose, QString());
        // The printer goes with the report's answer to ClosePreview: forget it first, and
        // drop its notifications still on their way.
        TQRPrinter *printer = FQRPrinter;
        FQRPrinter = nullptr;
        if (printer && printer->Client() == FQRPreview)
            printer->SetClient(nullptr);
        FQRPreview->ReleaseQRPrinter();
        QCoreApplication::removePostedEvents(FQRPreview);
        if (printer)
            printer->ClosePreview();
    }
    event->accept();
}

void TQRStandardPreview::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FQRPreview->UpdateZoom();
}

void TQRStandardPreview::ScrollUp()
{
    const int step = TQRPreview::VertScrollStep;
    if (FQRPreview->VertPosition() - step > 0) {
        FQRPreview->SetVertPosition(FQRPreview->VertPosition() - step);
        return;
    }
    if (FQRPreview->PageNumber() > 1) {
        // Onto the previous page, near its bottom.
        SelectPage(FQRPreview->PageNumber() - 1);
        FQRPreview->SetVertPosition(FQRPreview->VertMaximum() - step);
    } else {
        FQRPreview->SetVertPosition(0);
    }
}

void TQRStandardPreview::ScrollDown()
{
    const int next = FQRPreview->VertPosition() + TQRPreview::VertScrollStep;
    if (next < FQRPreview->VertMaximum())
        FQRPreview->SetVertPosition(next);
    else
        SelectPage(FQRPreview->PageNumber() + 1);
}

bool TQRStandardPreview::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    const bool ctrlAlone = (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier;
    try {
        switch (key) {
        case Qt::Key_PageUp:
            ctrlAlone ? FirstPageClick() : PrevPageClick();
            break;
        case Qt::Key_PageDown:
            ctrlAlone ? LastPageClick() : NextPageClick();
            break;
        case Qt::Key_Home:
            FirstPageClick();
            break;
        case Qt::Key_End:
            LastPageClick();
            break;
        case Qt::Key_Up:
            ScrollUp();
            break;
        case Qt::Key_Down:
            ScrollDown();
            break;
        default:
            return false;
        }
    } catch (const std::exception &) {
        // Keys never take the window down.
    }
    return true;
}

void TQRStandardPreview::QRPreviewMouseWheel(bool up)
{
    try {
        up ? ScrollUp() : ScrollDown();
    } catch (const std::exception &) {
    }
}

bool TQRStandardPreview::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees keys and wheel turns before whichever of its controls has them.
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::Wheel) && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        if (type == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            return FormKeyDown(key->key(), key->modifiers());
        }
        auto *wheel = static_cast<QWheelEvent *>(event);
        // A notch is 120; finer wheels and touch pads add up to whole notches.
        FWheelDelta += wheel->angleDelta().y();
        while (FWheelDelta >= 120) {
            FWheelDelta -= 120;
            QRPreviewMouseWheel(true);
        }
        while (FWheelDelta <= -120) {
            FWheelDelta += 120;
            QRPreviewMouseWheel(false);
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- TQRStandardPreviewInterface -----------------------------------------------------------------

QObject *TQRStandardPreviewInterface::Show(TQRPrinter *printer)
{
    auto *window = new TQRStandardPreview(nullptr, printer);
    window->show();
    window->UpdateInfo();
    return window;
}

void TQRStandardPreviewInterface::ShowModal(TQRPrinter *printer)
{
    QPointer<TQRStandardPreview> window = new TQRStandardPreview(nullptr, printer);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->UpdateInfo();
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (window)
        loop.exec();
}
