#pragma once
// The find dialog: every stored invoice in a list bound to the main window's table, four
// search boxes that jump to the first invoice whose field begins with the text, and the
// choice of one invoice (or its deletion). The highlighted row is the table's current record.

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>

class IDialogs;
class InvoiceListModel;
class InvoiceTable;
class QLineEdit;
class QPushButton;
class QTableView;

class Tfatura_bul : public QDialog
{
    Q_OBJECT
public:
    static const QString kSilMesaji; // "\r\nAKTİF FATURA SİLİNECEK.\r\n\r\nDEVAM EDİLSİN Mİ?"

    explicit Tfatura_bul(IDialogs &dialogs, QWidget *parent = nullptr);
    ~Tfatura_bul() override;

    // The table the list shows; null while the table could not be opened (the dialog then
    // shows an empty list and its commands do nothing).
    void SetTable(InvoiceTable *table);
    InvoiceTable *Table() const;

    // True when the dialog was closed by choosing an invoice: the table's current record.
    bool GFaturaSecildi() const { return FSecildi; }

    // The commands behind the buttons (KAYDA GİT, YENİ SORGU, FATURA SİL, ÇIKIŞ).
    void Button1Click();
    void Button2Click();
    void Button4Click();
    void Button3Click();

    std::array<QLineEdit *, 4> S{}; // S1 to S4
    QTableView *DBGrid1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SearchChanged(int box);
    void ShowCurrentRow();
    void ViewRowChanged(int row);
    void DeleteCurrent();
    bool HasRecords();
    void Guard(const std::function<void()> &command);

    IDialogs &FDialogs;
    QPointer<InvoiceTable> FTable;
    InvoiceListModel *FModel = nullptr;
    bool FSecildi = false;
    bool FSyncing = false;
};
