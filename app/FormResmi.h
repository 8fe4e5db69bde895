#pragma once
// The scanned blank form that the layout page and the invoice preview show behind the
// values, so that the user sees where the values land on the form without printing. The
// picture lives in the program folder and is named in fatura_ayar.ini; it is drawn by the
// preview on screen only, never into a page.
//
// The same layer lets the user move a value in the preview with the mouse: its position
// text follows as if the arrows had been used.

#include "report/QRPreviewOverlay.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <functional>

struct TPrintSettings;
class TInvoiceReport;

inline constexpr QStringView kSectionForm = u"FORM";
inline constexpr QStringView kKeyResim = u"Resim";
inline constexpr QStringView kKeyOpaklik = u"Opaklik";
inline constexpr int kDefaultOpaklik = 40; // per cent

struct TFormResmiAyari {
    QString Resim; // a file name in the program folder; empty: none
    int Opaklik = kDefaultOpaklik; // 0..100
    bool operator==(const TFormResmiAyari &) const = default;
};

// What the settings say; a name that is not a plain file name (a hand-edited path) and an
// opacity that is not 0..100 are taken as none and the default.
TFormResmiAyari FORM_RESMI_OKU(const QString &settingsPath);
void FORM_RESMI_YAZ(const QString &settingsPath, const TFormResmiAyari &ayar);

// Copies a PNG or JPEG, or the first page of a PDF drawn as PNG at a bounded size, into the
// program folder and gives the new file's name. The file is checked to decode whole into a
// picture of a sensible size first; a failure raises EPlatformError with a Turkish text
// naming the user's file and leaves the folder as it was. Runs on any thread; once `cancel`
// turns true the drawing of a PDF stops and nothing is copied (empty name).
QString FORM_RESMI_AL(
    const QString &source, const QString &programFolder, const std::atomic<bool> *cancel = nullptr);
// The picture, ready to draw; null when there is none or it cannot be read.
QImage FORM_RESMI_YUKLE(const QString &programFolder, const QString &name);
// Whether the named picture is there and reads as one, judged by its header alone.
bool FORM_RESMI_VAR(const QString &programFolder, const QString &name);

class TOnizlemeKatmani : public IQRPreviewOverlay
{
public:
    // moved(index) is told after the position of kLayoutEntries[index] changed.
    TOnizlemeKatmani(TInvoiceReport &rapor, TPrintSettings &settings,
        std::function<void(int layoutIndex)> moved);

    // The picture is decoded when a preview first shows it, not when the program starts: a
    // large scan takes a moment. An empty name: none.
    void SetResim(QString programFolder, QString name);
    void SetOpaklik(int percent) { FOpaklik = percent; }
    int Opaklik() const { return FOpaklik; }

    QImage Backdrop() const override;
    qreal BackdropOpacity() const override { return FOpaklik / 100.0; }
    int ItemAt(QPointF paperPoint) const override;
    QRectF ItemRect(int item) const override;
    void BeginMove(int item) override;
    QString MoveBy(int item, QPointF delta) override;

private:
    TInvoiceReport &FRapor;
    TPrintSettings &FSettings;
    std::function<void(int)> FMoved;
    QString FFolder, FName;
    mutable QImage FResim;
    mutable bool FResimOkundu = true;
    int FOpaklik = kDefaultOpaklik;
    QString FStart; // the position text when the drag began
};
