#include "app/FormResmi.h"

#include "platform/Errors.h"
#include "platform/Ini.h"
#include "printing/InvoiceReport.h"
#include "printing/PrintSettings.h"
#include "report/QRUnits.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

// A picture larger than this on its long side is drawn no sharper on a screen, only slower.
constexpr int kMaxSide = 3000;
// A PDF's first page is drawn with its long side this many pixels, an A4 page's at 150 dpi,
// whatever size the page claims: a poster-sized page costs no more than a form.
constexpr int kPdfLongSide = 1754;
// Smaller than this on a side is no scan of a form (pdftoppm gives 1 x 1 when it gives up).
constexpr int kMinSide = 32;
constexpr int kPdfTimeoutMs = 60000;

bool PlainFileName(const QString &name)
{
    return !name.isEmpty() && QFileInfo(name).fileName() == name && name != u".."_s
        && !name.contains(u'\\');
}

// Whether a JPEG's segments run from its start marker to its end marker. Qt's reader fills
// a cut-off picture with grey and calls it a success.
bool JpegComplete(const QByteArray &b)
{
    const auto at = [&b](qsizetype i) { return static_cast<unsigned char>(b[i]); };
    const qsizetype n = b.size();
    if (n < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 1 < n) {
        if (at(i) != 0xFF)
            return false;
        const unsigned char m = at(i + 1);
        if (m == 0xD9)
            return true;
        if (m == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= n)
            return false;
        const int length = (at(i + 2) << 8) | at(i + 3);
        if (length < 2)
            return false;
        i += 2 + length;
        if (m != 0xDA)
            continue;
        // Coded data after a scan header, up to the next marker that is not a stuffed
        // zero or a restart.
        while (i + 1 < n) {
            if (at(i) == 0xFF) {
                const unsigned char next = at(i + 1);
                if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                    i += 2;
                    continue;
                }
                if (next != 0xFF)
                    break;
            }
            ++i;
        }
    }
    return false;
}

// The file's bytes once they decode whole into a picture of a sensible size; `shown` is
// the user's name for the file in every message.
QByteArray ReadPicture(const QString &path, const QString &shown, QString *format)
{
    const QString name = QDir::toNativeSeparators(shown);
    QImageReader reader(path);
    *format = QString::fromLatin1(reader.format()).toLower();
    const QImage image = reader.read();
    if (image.isNull())
        throw EPlatformError(u"\"%1\" bir resim olarak okunamadı (%2). PNG, JPEG ya da PDF "
                             u"dosyası seçin."_s.arg(name, reader.errorString()));
    if (image.width() < kMinSide || image.height() < kMinSide)
        throw EPlatformError(u"\"%1\" bir form resmi olamayacak kadar küçük (%2 × %3 nokta). "
                             u"Formun taramasını seçin."_s.arg(name)
                                 .arg(image.width())
                                 .arg(image.height()));
    const auto bytes = ReadFileBytes(path, qint64(256) << 20);
    if (!bytes)
        throw EPlatformError(u"\"%1\" okunamadı."_s.arg(name));
    if ((*format == u"jpeg"_s || *format == u"jpg"_s) && !JpegComplete(*bytes))
        throw EPlatformError(u"\"%1\" eksik bir JPEG dosyası: sonu kesilmiş. Resmi yeniden "
                             u"kaydedin ya da taramayı yeniden yapın."_s.arg(name));
    return *bytes;
}

// The first page of a PDF as PNG bytes, drawn by poppler's pdftoppm; empty when cancelled.
QByteArray RenderPdf(const QString &path, const std::atomic<bool> *cancel)
{
    const QString name = QDir::toNativeSeparators(path);
    QTemporaryDir dir;
    if (!dir.isValid())
        throw EPlatformError(u"\"%1\" çevrilemedi: geçici klasör açılamadı."_s.arg(name));
    QProcess p;
    p.start(u"pdftoppm"_s,
        { u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-scale-to"_s, QString::number(kPdfLongSide),
            u"-png"_s, u"-singlefile"_s, path, dir.filePath(u"form"_s) });
    if (!p.waitForStarted())
        throw EPlatformError(u"PDF'in ilk sayfasını resme çevirecek pdftoppm programı "
                             u"bulunamadı (poppler-utils paketi). Paketi kurun ya da formun "
                             u"PNG veya JPEG taramasını seçin."_s);
    QElapsedTimer waited;
    waited.start();
    while (!p.waitForFinished(50) && p.state() != QProcess::NotRunning) {
        const bool cancelled = cancel && cancel->load();
        if (cancelled || waited.elapsed() > kPdfTimeoutMs) {
            p.kill();
            p.waitForFinished();
            if (cancelled)
                return {};
            throw EPlatformError(
                u"\"%1\": PDF'in ilk sayfası bir dakikada resme çevrilemedi."_s.arg(name));
        }
    }
    if (cancel && cancel->load())
        return {};
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw EPlatformError(
            u"\"%1\" PDF olarak okunamadı: %2"_s.arg(QDir::toNativeSeparators(path),
                QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
    QString format;
    return ReadPicture(dir.filePath(u"form.png"_s), path, &format);
}

} // namespace

TFormResmiAyari FORM_RESMI_OKU(const QString &settingsPath)
{
    const TIniFile ini(settingsPath);
    TFormResmiAyari a;
    const QString name = ini.ReadString(kSectionForm, kKeyResim, QString()).trimmed();
    if (PlainFileName(name))
        a.Resim = name;
    const int opaklik = ini.ReadInteger(kSectionForm, kKeyOpaklik, kDefaultOpaklik);
    a.Opaklik = opaklik >= 0 && opaklik <= 100 ? opaklik : kDefaultOpaklik;
    return a;
}

void FORM_RESMI_YAZ(const QString &settingsPath, const TFormResmiAyari &ayar)
{
    TIniFile ini(settingsPath);
    ini.WriteString(kSectionForm, kKeyResim, ayar.Resim);
    ini.WriteInteger(kSectionForm, kKeyOpaklik, ayar.Opaklik);
}

QString FORM_RESMI_AL(
    const QString &source, const QString &programFolder, const std::atomic<bool> *cancel)
{
    if (!QFileInfo(source).isFile())
        throw EPlatformError(u"\"%1\" bulunamadı."_s.arg(QDir::toNativeSeparators(source)));
    QByteArray bytes;
    QString extension;
    if (QFileInfo(source).suffix().compare(u"pdf"_s, Qt::CaseInsensitive) == 0) {
        bytes = RenderPdf(source, cancel);
        if (bytes.isEmpty())
            return {};
        extension = u"png"_s;
    } else {
        QString format;
        bytes = ReadPicture(source, source, &format);
        if (format == u"jpeg"_s || format == u"jpg"_s)
            extension = u"jpg"_s;
        else if (format == u"png"_s)
            extension = u"png"_s;
        else
            throw EPlatformError(u"\"%1\" bir %2 resmi; form için PNG, JPEG ya da PDF seçin."_s.arg(
                QDir::toNativeSeparators(source), format.toUpper()));
    }
    const QString name = u"form_resmi."_s + extension;
    // Written whole or not at all: a full disk leaves the former picture in place.
    WriteFileAtomically(QDir(programFolder).filePath(name), bytes);
    return name;
}

QImage FORM_RESMI_YUKLE(const QString &programFolder, const QString &name)
{
    if (!PlainFileName(name))
        return {};
    QImageReader reader(QDir(programFolder).filePath(name));
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kMaxSide)
        reader.setScaledSize(size.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio));
    return reader.read();
}

bool FORM_RESMI_VAR(const QString &programFolder, const QString &name)
{
    return PlainFileName(name) && QImageReader(QDir(programFolder).filePath(name)).canRead();
}

// ---- TOnizlemeKatmani --------------------------------------------------------------------

TOnizlemeKatmani::TOnizlemeKatmani(
    TInvoiceReport &rapor, TPrintSettings &settings, std::function<void(int)> moved)
    : FRapor(rapor)
    , FSettings(settings)
    , FMoved(std::move(moved))
{
}

void TOnizlemeKatmani::SetResim(QString programFolder, QString name)
{
    FFolder = std::move(programFolder);
    FName = std::move(name);
    FResim = {};
    FResimOkundu = FName.isEmpty();
}

QImage TOnizlemeKatmani::Backdrop() const
{
    if (!FResimOkundu) {
        FResim = FORM_RESMI_YUKLE(FFolder, FName);
        FResimOkundu = true;
    }
    return FResim;
}

QRectF TOnizlemeKatmani::ItemRect(int item) const
{
    if (item < 1 || item > 43)
        return {};
    // The title band stands at the page's margins; its labels at their places in it.
    TQRPage &page = FRapor.RAPORX().Page();
    TQRLabel &label = FRapor.QRLabel(item);
    const TQRPrintableSize &s = label.Size();
    return QRectF(double(page.NativeValue(TQRPage::LeftMarginIndex)
                      + s.NativeValue(TQRPrintableSize::LeftIndex)),
        double(
            page.NativeValue(TQRPage::TopMarginIndex) + s.NativeValue(TQRPrintableSize::TopIndex)),
        double(s.NativeValue(TQRPrintableSize::WidthIndex)),
        double(s.NativeValue(TQRPrintableSize::HeightIndex)));
}

int TOnizlemeKatmani::ItemAt(QPointF paperPoint) const
{
    // The last label drawn is on top; empty values show nothing and are not caught.
    for (int n = 43; n >= 1; --n)
        if (!FRapor.QRLabel(n).Caption().isEmpty() && ItemRect(n).contains(paperPoint))
            return n;
    return -1;
}

void TOnizlemeKatmani::BeginMove(int item)
{
    FStart = FSettings.Position(InvoiceLabelKey(item));
}

QString TOnizlemeKatmani::MoveBy(int item, QPointF delta)
{
    const QString key = InvoiceLabelKey(item);
    const int index = LayoutIndexOfKey(key);
    if (index < 0)
        return {};
    // Native units (0.1 mm) to the report pixels the position text counts in.
    const double pixelsPerNative = QRScreenResolution() / 254.0;
    const int dx = static_cast<int>(std::lround(delta.x() * pixelsPerNative));
    const int dy = static_cast<int>(std::lround(delta.y() * pixelsPerNative));
    // The arrows' own rule, so that the text reads as if they had been pressed.
    QString text = FStart;
    if (dx != 0)
        text = KONUM_KAYDIR(text, std::abs(dx), dx > 0 ? TKonumYonu::SAG : TKonumYonu::SOL);
    if (dy != 0)
        text = KONUM_KAYDIR(text, std::abs(dy), dy > 0 ? TKonumYonu::ALT : TKonumYonu::UST);
    FSettings.Positions[static_cast<size_t>(index)] = text;
    FRapor.KONUM_UYGULA(&FRapor.QRLabel(item), text, TKonumModu::Label);
    if (FMoved)
        FMoved(index);
    return key + u": "_s + text;
}
