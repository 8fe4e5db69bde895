// "e-Arşiv Nüshası...": the copy of a UBL-TR invoice file, ours or the integrator's signed
// one, shown in the preview, where it prints and saves as a PDF or a report file.
#include "app/ErrorHandler.h"
#include "app/frm_fatura_basimi.h"
#include "earsiv/UblReader.h"
#include "platform/Dialogs.h"
#include "printing/EArsivCopy.h"

using namespace Qt::StringLiterals;

void Tfatura_basimi::EArsivNushasi1Click()
{
    Guard([this] {
        const QString path = FDialogs.OpenFileName(this, u"e-Arşiv Nüshası"_s,
            FSonEArsivDosyasi.isEmpty() ? FProgramFolder : FSonEArsivDosyasi,
            u"UBL-TR fatura (*.xml *.XML);;Tüm dosyalar (*)"_s);
        if (path.isEmpty())
            return;
        // Read first: a file that is no invoice leaves the copy shown before as it was.
        const TEArsivInvoice invoice = ReadUblInvoiceFile(path);
        FSonEArsivDosyasi = path;
        FNusha = std::make_unique<TEArsivCopy>(FFormat);
        FNusha->NUSHA_HAZIRLA(invoice);
        FNusha->Report().OnPreviewError
            = [this](const std::exception &e) { ShowError(FDialogs, e); };
        FNusha->Report().Preview();
    });
}
