#pragma once
// The AYARLAR command that moves the invoices of "fatura.DB" onto the server that section
// [VERITABANI] of fatura_ayar.ini chooses: with the user's consent, into the server's empty
// table, keeping every REC_ID. The file stays as it was.

#include <QString>

class IDialogs;
class QWidget;

// Asks, copies and reports; errors are thrown (EStorageError, with the server's text) for
// the caller's command handler to show.
void FATURALARI_SUNUCUYA_TASI(
    IDialogs &dialogs, QWidget *owner, const QString &folder, const QString &iniPath);
