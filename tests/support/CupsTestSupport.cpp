#include "support/CupsTestSupport.h"

#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace
{
constexpr double MmPerPoint = 25.4 / 72;

double Attr(const QRegularExpressionMatch &m, const QString &name)
{
    return m.captured(name).toDouble() * MmPerPoint; // toDouble reads C notation always
}
} // namespace

std::vector<TQueuedPage> ReadQueuedPdf(const QString &path, bool landscapePage, QString *error)
{
    QProcess p;
    p.start(u"pdftotext"_s, { u"-bbox"_s, path, u"-"_s });
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = u"pdftotext failed: "_s + QString::fromUtf8(p.readAllStandardError())
            + p.errorString();
        return {};
    }
    static const QRegularExpression page(
        u"<page width=\"(?<w>[0-9.]+)\" height=\"(?<h>[0-9.]+)\">"_s);
    static const QRegularExpression word(
        u"<word xMin=\"(?<x0>[0-9.]+)\" yMin=\"(?<y0>[0-9.]+)\" "
        "xMax=\"(?<x1>[0-9.]+)\" yMax=\"(?<y1>[0-9.]+)\">(?<t>[^<]*)</word>"_s);
    std::vector<TQueuedPage> pages;
    double sheetLength = 0;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        if (const auto m = page.match(line); m.hasMatch()) {
            TQueuedPage q;
            const double w = Attr(m, u"w"_s), h = Attr(m, u"h"_s);
            sheetLength = h;
            q.Turned = (w > h) != landscapePage;
            q.Width = q.Turned ? h : w;
            q.Length = q.Turned ? w : h;
            pages.push_back(q);
        } else if (const auto m = word.match(line); m.hasMatch() && !pages.empty()) {
            TPlacedWord w;
            w.Text = m.captured(u"t"_s);
            // A landscape page lies on the upright sheet turned a quarter anticlockwise:
            // its top edge along the sheet's left edge, its left edge along the bottom.
            if (pages.back().Turned) {
                w.Left = sheetLength - Attr(m, u"y1"_s);
                w.Top = Attr(m, u"x0"_s);
            } else {
                w.Left = Attr(m, u"x0"_s);
                w.Top = Attr(m, u"y0"_s);
            }
            pages.back().Words.push_back(w);
        }
    }
    if (pages.empty())
        *error = u"no page in "_s + path;
    return pages;
}

const TPlacedWord *FindWord(const TQueuedPage &page, const QString &word)
{
    for (const TPlacedWord &w : page.Words)
        if (w.Text == word)
            return &w;
    ADD_FAILURE() << "word " << word.toStdString() << " is not on the page";
    return nullptr;
}
