// The worst page the loader accepts, played to the preview: time and peak memory beside an
// ordinary invoice page. Each page is measured in a child process of its own (this program
// run again with the page's name), so that its peak memory is its own.
#include "bench/RatioReporter.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorder.h"
#include "platform/Locale.h"
#include "preview/QRPrev.h"
#include "report/QRPageList.h"
#include "report/QRStream.h"
#include "report/QRUnits.h"
#include "report/QuickRpt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace Qt::StringLiterals;

namespace
{

void Put32(QByteArray &b, qsizetype at, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + at);
}
void Append32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian<quint32>(v, c);
    b.append(c, 4);
}

// An A4 page of the recorder's with the given records in place of its end.
QByteArray PageWith(const QByteArray &records, quint32 count)
{
    TEmfRecorder rec(QSize(794, 1123), 96);
    QByteArray emf = rec.Finish();
    emf.chop(20); // EMR_EOF
    emf += records;
    Append32(emf, 14);
    Append32(emf, 20);
    Append32(emf, 0);
    Append32(emf, 16);
    Append32(emf, 20);
    Put32(emf, 48, quint32(emf.size()));
    Put32(emf, 52, qFromLittleEndian<quint32>(emf.constData() + 52) + count);
    return emf;
}

// Polylines zig-zagging across the whole page: every point is a real stroke.
QByteArray Polylines(int n, quint32 points)
{
    QByteArray r;
    for (int k = 0; k < n; ++k) {
        Append32(r, 87); // EMR_POLYLINE16
        Append32(r, 28 + 4 * points);
        for (quint32 v : { 0u, 0u, 794u, 1123u })
            Append32(r, v);
        Append32(r, points);
        for (quint32 i = 0; i < points; ++i) {
            const quint16 x = quint16((i * 37 + k) % 794), y = quint16((i * 53 + 7 * k) % 1123);
            Append32(r, quint32(x) | (quint32(y) << 16));
        }
    }
    return r;
}

// Lines one record each, the most records a page may hold.
QByteArray Lines(int n)
{
    QByteArray r;
    for (int i = 0; i < n; ++i) {
        Append32(r, 54); // EMR_LINETO
        Append32(r, 16);
        Append32(r, quint32((i * 37) % 794));
        Append32(r, quint32((i * 53) % 1123));
    }
    return r;
}

// Rectangles over the whole page, one record each.
QByteArray Fills(int n)
{
    QByteArray r;
    for (int i = 0; i < n; ++i) {
        Append32(r, 43); // EMR_RECTANGLE
        Append32(r, 24);
        for (quint32 v : { 0u, 0u, 794u, 1123u })
            Append32(r, v);
    }
    return r;
}

QByteArray Invoice()
{
    TEmfRecorder rec(QSize(794, 1123), 96);
    TCanvasFont f;
    f.Name = u"Arial"_s;
    f.PointSize = 10;
    f.CharSet = TURKISH_CHARSET_CODE;
    rec.SelectFont(f);
    TTextStyle left, right;
    right.Align = TTextAlign::Right;
    rec.FillRect(QRect(40, 40, 714, 2), Qt::black);
    for (int i = 0; i < 45; ++i)
        rec.TextOut(QPoint(i % 2 ? 740 : 60, 60 + i * 22),
            i % 2 ? u"%1.250,00"_s.arg(i) : u"Kalem %1 açıklaması, ölçü 30×40"_s.arg(i),
            i % 2 ? right : left);
    return rec.Finish();
}

QByteArray PageNamed(const QString &name)
{
    if (name == u"invoice"_s)
        return Invoice();
    if (name == u"points"_s) // the work limit spent on points, each record at its own limit
        return PageWith(Polylines(9, kEmfMaxPointsPerRecord), 9);
    if (name == u"records"_s) { // the records limit spent on lines
        const QByteArray empty = PageWith({}, 0);
        const quint32 n
            = kEmfMaxRecordsPerPage - qFromLittleEndian<quint32>(empty.constData() + 52);
        return PageWith(Lines(int(n)), n);
    }
    if (name == u"fills"_s) { // the work limit spent on rectangles over the whole page
        const auto n = quint32(kEmfMaxWorkPerPage / (kEmfAreaRecordWork + 1)) - 8;
        return PageWith(Fills(int(n)), n);
    }
    return {};
}

// The child: loads a saved report of the one page, opens the preview on it until the page is
// painted, and prints "<microseconds> <peak kB>".
int Child(const QString &name)
{
    SetQRScreenResolution(96);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"sayfa.QRP"_s);
    {
        TQRPageList list;
        list.SetStream(std::make_unique<TQRStream>(1 << 20));
        list.AddPage(PageNamed(name));
        list.Finish();
        list.SaveToFile(path);
    }
    TQuickRep report(TFormatSettings::Turkish());
    report.SetPrevInitialZoom(qrZoomToWidth);
    report.SetPrevShowThumbs(false);
    report.SetPrevShowSearch(false);
    report.SetPreviewBounds(0, 0, 1600, 1000);
    TQRPrinter printer(&report, false);
    QElapsedTimer timer;
    timer.start();
    printer.Load(path);
    auto *window = new TQRStandardPreview(nullptr, &printer);
    window->show();
    const QPixmap painted = window->QRPreview()->viewport()->grab();
    const long long us = timer.nsecsElapsed() / 1000;
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    std::printf("%lld %ld\n", us, u.ru_maxrss); // whole numbers: no locale's decimal comma
    delete window;
    return painted.isNull() ? 1 : 0;
}

struct TFigure {
    double Ms = 1e300;
    double PeakMB = 0;
};

TFigure Measure(const QString &self, const QString &name, int runs)
{
    TFigure f;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(self, { u"--page"_s, name });
        p.waitForFinished(120000);
        const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 2)
            continue;
        f.Ms = std::min(f.Ms, parts[0].toLongLong() / 1000.0);
        f.PeakMB = std::max(f.PeakMB, parts[1].toDouble() / 1024);
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitution(u"Tahoma"_s, u"Liberation Sans"_s);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"--page"_s)
        return Child(args[2]);

    const QString self = app.applicationFilePath();
    const TFigure invoice = Measure(self, u"invoice"_s, 3);
    for (const QString &worst : { u"points"_s, u"records"_s, u"fills"_s }) {
        const TFigure f = Measure(self, worst, worst == u"fills"_s ? 1 : 3);
        const std::string what = "worst accepted page (" + worst.toStdString() + ")";
        PrintFigure(what + ", loaded and played to the preview (target <= 2000 ms)", "ms", f.Ms,
            invoice.Ms, 2000);
        PrintFigure(what + ", peak memory of the process (target <= 200 MB)", "MB", f.PeakMB,
            invoice.PeakMB, 200);
    }
    return 0;
}
