#pragma once
// The small window that shows how far a print or an export has come, with a Cancel button
// that stops the run.

#include "report/QRPrntr.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class TCustomQuickRep;

class TQRProgressForm : public QDialog
{
    Q_OBJECT
public:
    // report and printer are not owned; either may be null.
    TQRProgressForm(TCustomQuickRep *report, TQRPrinter *printer, const QString &caption,
        QWidget *parent = nullptr);

    QProgressBar *ProgressBar() const { return FProgressBar; }
    QLabel *Info() const { return FInfo; }
    QPushButton *CancelButton() const { return FCancel; }

    // A progress notification: every fifth percent moves the bar and the text.
    void UpdateProgress(int percent);
    void CancelClick();
    // Forgets report and printer (their run has ended).
    void Release();

protected:
    void customEvent(QEvent *event) override;

private:
    TCustomQuickRep *FReport;
    TQRPrinter *FQRPrinter;
    QProgressBar *FProgressBar;
    QLabel *FInfo;
    QPushButton *FCancel;
};

// The window the engine shows during a print or an export ("Printing progress",
// "Export Progress"); registered by QRRegisterStandardPreview.
std::unique_ptr<TQRProgressWindow> QRCreateProgressWindow(
    TCustomQuickRep *report, TQRPrinter *printer, const QString &caption);
