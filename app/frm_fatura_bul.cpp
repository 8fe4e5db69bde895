#include "app/frm_fatura_bul.h"

#include "app/EArsivKomutlari.h"
#include "app/ErrorHandler.h"
#include "app/FormFields.h"
#include "invoice/InvoiceListModel.h"
#include "invoice/InvoiceTable.h"
#include "platform/Dialogs.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <string_view>

using namespace Qt::StringLiterals;

const QString Tfatura_bul::kSilMesaji = u"\r\nAKTİF FATURA SİLİNECEK.\r\n\r\nDEVAM EDİLSİN Mİ?"_s;

namespace
{

struct TSearchBox {
    const char16_t *Name;
    QRect Place;
    TLocateField Field;
};
// Each box sits above the list column it searches.
const TSearchBox kSearchBoxes[] = {
    { u"S1", { 8, 8, 77, 21 }, TLocateField::TARIH },
    { u"S2", { 87, 8, 174, 21 }, TLocateField::SAYIN1 },
    { u"S3", { 263, 8, 99, 21 }, TLocateField::VDAIRESI },
    { u"S4", { 364, 8, 99, 21 }, TLocateField::VNO },
};

struct TButton {
    const char16_t *Name;
    const char16_t *Caption;
    QRect Place;
};
const TButton kButtons[] = {
    { u"Button1", u"KAYDA GİT", { 8, 368, 75, 25 } },
    { u"Button2", u"YENİ SORGU", { 88, 368, 84, 25 } },
    { u"Button4", u"FATURA SİL", { 184, 368, 75, 25 } },
    { u"Button3", u"ÇIKIŞ", { 408, 368, 75, 25 } },
};

const int kColumnWidths[] = { 75, 175, 100, 100 };

} // namespace

Tfatura_bul::Tfatura_bul(IDialogs &dialogs, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , FDialogs(dialogs)
{
    setWindowTitle(u"FATURA BUL"_s);
    setModal(true);
    setFixedSize(491, 404);
    QFont f(u"MS Sans Serif"_s);
    f.setPixelSize(11);
    setFont(f);

    for (int i = 0; i < 4; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QString::fromUtf16(kSearchBoxes[i].Name));
        box->setGeometry(kSearchBoxes[i].Place);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(234, 231, 213));
        box->setPalette(pal);
        connect(box, &QLineEdit::textChanged, this, [this, i] { SearchChanged(i); });
        S[i] = box;
    }

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setGeometry(8, 32, 473, 321);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setShowGrid(true);
    DBGrid1->setWordWrap(false);
    DBGrid1->verticalHeader()->hide();
    DBGrid1->verticalHeader()->setDefaultSectionSize(17);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    {
        // The highlighted row stays visible while the focus is in a search box.
        QPalette pal = DBGrid1->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight,
            pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
            pal.color(QPalette::Active, QPalette::HighlightedText));
        DBGrid1->setPalette(pal);
    }
    DBGrid1->installEventFilter(this);
    DBGrid1->viewport()->installEventFilter(this);

    for (const TButton &b : kButtons) {
        auto *button = new QPushButton(QString::fromUtf16(b.Caption), this);
        button->setObjectName(QString::fromUtf16(b.Name));
        button->setGeometry(b.Place);
        button->setStyleSheet(DialogButtonStyle());
        // Enter in a search box must not press a button.
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setCursor(Qt::PointingHandCursor);
        if (b.Name == std::u16string_view(u"Button1"))
            Button1 = button;
        else if (b.Name == std::u16string_view(u"Button2"))
            Button2 = button;
        else if (b.Name == std::u16string_view(u"Button3"))
            Button3 = button;
        else
            Button4 = button;
    }
    connect(Button1, &QPushButton::clicked, this, &Tfatura_bul::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfatura_bul::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tfatura_bul::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Tfatura_bul::Button4Click);

    // S1..S4, the list, KAYDA GİT, YENİ SORGU, ÇIKIŞ, then FATURA SİL.
    const QList<QWidget *> order { S[0], S[1], S[2], S[3], DBGrid1, Button1, Button2, Button3,
        Button4 };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

Tfatura_bul::~Tfatura_bul() = default;

InvoiceTable *Tfatura_bul::Table() const
{
    return FTable;
}

void Tfatura_bul::SetTable(InvoiceTable *table)
{
    if (FModel) {
        QItemSelectionModel *selection = DBGrid1->selectionModel();
        DBGrid1->setModel(nullptr);
        delete selection;
        delete FModel;
        FModel = nullptr;
    }
    FTable = table;
    if (!table)
        return;
    FModel = new InvoiceListModel(table, this);
    // While rows come and go the view moves its own current row; that is no move of the
    // user's and must not move the table. The hold is connected before the view's own
    // handlers and the release after them, so that it spans all they do; afterwards the
    // table's row is shown again.
    auto hold = [this] { FSyncing = true; };
    auto release = [this] {
        FSyncing = false;
        ShowCurrentRow();
    };
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, hold);
    connect(FModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, hold);
    connect(FModel, &QAbstractItemModel::rowsAboutToBeInserted, this, hold);
    DBGrid1->setModel(FModel);
    connect(FModel, &QAbstractItemModel::modelReset, this, release);
    connect(FModel, &QAbstractItemModel::rowsRemoved, this, release);
    connect(FModel, &QAbstractItemModel::rowsInserted, this, release);
    for (int c = 0; c < 4; ++c)
        DBGrid1->setColumnWidth(c, kColumnWidths[c]);
    connect(FModel, &InvoiceListModel::CurrentRowChanged, this, &Tfatura_bul::ShowCurrentRow);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) { ViewRowChanged(current.row()); });
    ShowCurrentRow();
}

void Tfatura_bul::Guard(const std::function<void()> &command)
{
    // A store failure (a locked or damaged file) ends the one action, not the dialog.
    RunCommand(FDialogs, command);
}

bool Tfatura_bul::HasRecords()
{
    return FTable && FTable->Active() && FTable->RecordCount() > 0;
}

void Tfatura_bul::ShowCurrentRow()
{
    if (!FModel || FSyncing)
        return;
    const int row = FModel->CurrentRow();
    FSyncing = true;
    QItemSelectionModel *sel = DBGrid1->selectionModel();
    if (row < 0 || row >= FModel->rowCount()) {
        sel->clear();
    } else {
        const QModelIndex index = FModel->index(row, 0);
        sel->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        DBGrid1->scrollTo(index);
    }
    FSyncing = false;
}

void Tfatura_bul::ViewRowChanged(int row)
{
    // A row the user moves to in the list becomes the table's current record.
    if (FSyncing || !FTable || row < 0)
        return;
    FSyncing = true;
    Guard([&] { FTable->MoveToRow(row); });
    FSyncing = false;
}

void Tfatura_bul::SearchChanged(int box)
{
    if (!FTable || !FTable->Active())
        return;
    const QString text = S[box]->text();
    Guard([&] {
        if (text.isEmpty())
            FTable->First();
        else
            FTable->Locate(kSearchBoxes[box].Field, text);
    });
    ShowCurrentRow();
}

void Tfatura_bul::Button1Click()
{
    Guard([this] {
        if (!HasRecords())
            return;
        if (FTable->CurrentRecId() == 0)
            FTable->First();
        FSecildi = true;
        accept();
    });
}

void Tfatura_bul::Button2Click()
{
    for (QLineEdit *box : S)
        box->clear();
    S[0]->setFocus(Qt::OtherFocusReason);
}

void Tfatura_bul::Button4Click()
{
    Guard([this] {
        if (!HasRecords())
            return;
        if (!TEArsivKomutlari::SilinebilirMi(FDialogs, *FTable, FTable->CurrentRecId(), this))
            return;
        if (FDialogs.AskYesNo(nullptr, u"Uyarı"_s, kSilMesaji) != IDialogs::TAnswer::Yes)
            return;
        DeleteCurrent();
    });
}

void Tfatura_bul::Button3Click()
{
    FSecildi = false;
    QDialog::reject();
}

void Tfatura_bul::reject()
{
    // The close box, Alt+F4 and Esc count as ÇIKIŞ.
    Button3Click();
}

void Tfatura_bul::DeleteCurrent()
{
    if (FTable->CurrentRecId() == 0)
        return;
    FTable->Delete();
    ShowCurrentRow();
}

void Tfatura_bul::showEvent(QShowEvent *event)
{
    FSecildi = false;
    QDialog::showEvent(event);
    CentreOnScreen(this);
    ShowCurrentRow();
}

bool Tfatura_bul::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The row under the mouse is the one chosen, whatever the press before did.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        const QModelIndex index = DBGrid1->indexAt(at);
        if (index.isValid() && FTable)
            Guard([&] { FTable->MoveToRow(index.row()); });
        Button1Click();
        return true;
    }
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            Guard([this] {
                if (!HasRecords())
                    return;
                if (!TEArsivKomutlari::SilinebilirMi(
                        FDialogs, *FTable, FTable->CurrentRecId(), this))
                    return;
                if (FDialogs.AskOkCancel(nullptr, u"Confirm"_s, u"Delete record?"_s)
                    == IDialogs::TAnswer::Ok)
                    DeleteCurrent();
            });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
