#include "preview/QRProgress.h"

#include "report/QuickRpt.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

TQRProgressForm::TQRProgressForm(
    TCustomQuickRep *report, TQRPrinter *printer, const QString &caption, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    , FReport(report)
    , FQRPrinter(printer)
    , FProgressBar(new QProgressBar(this))
    , FInfo(new QLabel(this))
    , FCancel(new QPushButton(QCoreApplication::translate("QRProgress", "Cancel"), this))
{
    setObjectName(u"QRProgressForm"_s);
    setWindowTitle(caption);
    setFixedSize(149, 97);
    FProgressBar->setObjectName(u"ProgressBar"_s);
    FProgressBar->setGeometry(16, 18, 114, 16);
    FProgressBar->setRange(0, 100);
    FProgressBar->setValue(0);
    FProgressBar->setTextVisible(false);
    FInfo->setObjectName(u"Info"_s);
    FInfo->setGeometry(0, 44, 145, 16);
    FInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    FCancel->setObjectName(u"CancelButton"_s);
    FCancel->setGeometry(36, 68, 75, 25);
    connect(FCancel, &QPushButton::clicked, this, &TQRProgressForm::CancelClick);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TQRProgressForm::UpdateProgress(int percent)
{
    if (percent % 5 != 0)
        return;
    FProgressBar->setValue(std::clamp(percent, 0, 100));
    FInfo->setText(QString::number(percent) + u"% "_s + u" Completed"_s);
}

void TQRProgressForm::CancelClick()
{
    if (FReport)
        FReport->SetUserCancel(true);
    if (FQRPrinter)
        FQRPrinter->Cancel();
}

void TQRProgressForm::Release()
{
    FReport = nullptr;
    FQRPrinter = nullptr;
}

void TQRProgressForm::customEvent(QEvent *event)
{
    if (event->type() == TQRPrinterEvent::Progress)
        UpdateProgress(static_cast<TQRPrinterEvent *>(event)->Value());
    else
        QDialog::customEvent(event);
}

namespace
{

class TQRProgressFormWindow : public TQRProgressWindow
{
public:
    TQRProgressFormWindow(TCustomQuickRep *report, TQRPrinter *printer, const QString &caption)
        : FForm(new TQRProgressForm(report, printer, caption))
    {
    }
    ~TQRProgressFormWindow() override
    {
        // The run is over; a click still queued must not reach its printer.
        FForm->Release();
        FForm->hide();
        FForm->deleteLater();
    }
    QObject *Client() override { return FForm; }
    void Show() override
    {
        FForm->show();
        FForm->raise();
    }
    void Hide() override { FForm->hide(); }

private:
    TQRProgressForm *FForm;
};

} // namespace

std::unique_ptr<TQRProgressWindow> QRCreateProgressWindow(
    TCustomQuickRep *report, TQRPrinter *printer, const QString &caption)
{
    return std::make_unique<TQRProgressFormWindow>(report, printer, caption);
}
