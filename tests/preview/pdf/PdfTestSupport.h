#pragma once
// Helpers of the PDF writer's tests: an export into memory with a fixed clock and a fixed
// 96-dpi run, a reader of the file's own structure (objects, offsets, lengths), and the
// outside checkers (qpdf, poppler) run on a written file.

#include "preview/QRPDFFilt.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace pdftest
{

// 20 May 2024, 14:03:05 as the page store's clock gives it.
inline double FixedNow()
{
    return QDate(1899, 12, 30).daysTo(QDate(2024, 5, 20)) + (14 * 3600 + 3 * 60 + 5) / 86400.0;
}

inline TQRFont Font(const QString &name = QStringLiteral("Arial"), int size = 10, bool bold = false,
    bool italic = false, int charSet = 1)
{
    TQRFont f;
    f.Name = name;
    f.Size = size;
    f.Bold = bold;
    f.Italic = italic;
    f.CharSet = charSet;
    return f;
}

// A4 portrait unless told otherwise; the run's calls go to the filter in between.
inline QByteArray Export(const std::function<void(TQRPDFDocumentFilter &)> &run,
    const QString &codepage = QStringLiteral("8859-9"), int paperWidth = 2100,
    int paperHeight = 2970)
{
    TQRPDFDocumentFilter filter(QStringLiteral("unused.pdf"));
    auto sink = std::make_unique<TQRMemorySink>();
    TQRMemorySink *memory = sink.get();
    filter.SetSink(std::move(sink));
    filter.SetClock(FixedNow);
    filter.SetPixelScale(TPDFPixelScale::Screen(96));
    filter.SetCodepage(codepage);
    filter.Start(paperWidth, paperHeight, Font());
    filter.NewPage();
    run(filter);
    filter.EndPage();
    filter.Finish();
    EXPECT_TRUE(memory->Committed());
    return memory->Bytes();
}

struct TParsed {
    std::map<int, qsizetype> Objects; // object number -> offset of "N 0 obj"
    std::vector<qsizetype> XRef; // offsets as the table gives them, object 1 on
    int Size = 0;
    qsizetype StartXRef = -1;
    QString Problems; // empty when every offset and length is right
};

// Reads the file as a reader would: the table at startxref, each entry pointing at its
// "N 0 obj" line, and each stream exactly /Length bytes long.
inline TParsed Parse(const QByteArray &pdf)
{
    TParsed p;
    auto problem = [&](const QString &s) { p.Problems += s + QStringLiteral("; "); };
    static const QRegularExpression obj(QStringLiteral("(?:^|\\r\\n)(\\d+) 0 obj\\r\\n"));
    const QString text = QString::fromLatin1(pdf);
    for (auto it = obj.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        p.Objects[m.captured(1).toInt()] = m.capturedStart(1);
    }
    const qsizetype sx = pdf.lastIndexOf("startxref\r\n");
    if (sx < 0)
        return problem(QStringLiteral("no startxref")), p;
    p.StartXRef = pdf.mid(sx + 11, pdf.indexOf("\r\n", sx + 11) - sx - 11).toLongLong();
    if (pdf.mid(p.StartXRef, 6) != "xref\r\n")
        problem(QStringLiteral("startxref does not point at xref"));
    const QList<QByteArray> lines = pdf.mid(p.StartXRef).split('\n');
    const int count = lines.value(1).trimmed().split(' ').value(1).toInt();
    p.Size = count;
    for (int i = 1; i < count; ++i) {
        const QByteArray e = lines.value(2 + i);
        if (e.size() != 19 || !e.endsWith(" 00000 n\r"))
            problem(QStringLiteral("xref entry %1 malformed").arg(i));
        const qsizetype off = e.left(10).toLongLong();
        p.XRef.push_back(off);
        if (!pdf.mid(off).startsWith(QByteArray::number(i) + " 0 obj\r\n"))
            problem(QStringLiteral("xref entry %1 misses its object").arg(i));
    }
    static const QRegularExpression stream(
        QStringLiteral("<< /Length (\\d+) >>\\r\\nstream\\r\\n"));
    for (auto it = stream.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const qsizetype start = m.capturedEnd(0), len = m.captured(1).toLongLong();
        if (pdf.mid(start + len, 11) != "\r\nendstream")
            problem(QStringLiteral("stream at %1 is not %2 bytes long").arg(start).arg(len));
    }
    return p;
}

// The bytes of the first content stream (between "stream" and "endstream").
inline QByteArray Content(const QByteArray &pdf, int page = 1)
{
    qsizetype at = -1;
    for (int i = 0; i < page; ++i)
        at = pdf.indexOf("\r\nstream\r\n", at + 1);
    const qsizetype end = pdf.indexOf("\r\nendstream", at);
    return pdf.mid(at + 10, end - at - 10);
}

struct TToolRun {
    int ExitCode = -1;
    QByteArray Out, Err;
};

inline TToolRun Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    TToolRun r;
    if (!p.waitForFinished(60000)) {
        r.Err = "did not finish: " + p.errorString().toUtf8();
        return r;
    }
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

} // namespace pdftest
