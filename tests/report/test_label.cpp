// How a label breaks its caption into lines and sizes itself: the wrapping is tested with a
// fixed measure (every character 10 pixels), the sizing on a real 96-dpi reference.

#include "ReportTestSupport.h"

#include "report/QRCtrls.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

int TenEach(const QString &s)
{
    return static_cast<int>(s.size()) * 10;
}

struct TWrapCase {
    const char *Why;
    QString Caption;
    int Limit;
    TQRWrapOptions Options;
    QStringList Expected;
};

const TQRWrapOptions Wrap { /*AutoSize*/ false, /*WordWrap*/ true, BreakOnSpaces };
const TQRWrapOptions NoWrap { /*AutoSize*/ false, /*WordWrap*/ false, BreakOnSpaces };
const TQRWrapOptions Auto { /*AutoSize*/ true, /*WordWrap*/ true, BreakOnSpaces };
const TQRWrapOptions Anywhere { /*AutoSize*/ false, /*WordWrap*/ true, BreakAnywhere };

} // namespace

TEST(LabelWrap, RulesByCase)
{
    const TWrapCase cases[] = {
        { "an empty caption is one empty line", u""_s, 100, Wrap, { u""_s } },
        { "AutoSize never wraps; CR LF starts a new line", u"uzun satir\r\nikinci"_s, 20, Auto,
            { u"uzun satir"_s, u"ikinci"_s } },
        { "line feeds alone are dropped", u"ab\ncd"_s, 100, Auto, { u"abcd"_s } },
        { "empty pieces between CRs give empty lines", u"a\r\r\nb"_s, 100, Wrap,
            { u"a"_s, u""_s, u"b"_s } },
        { "a wrapped line keeps the blank before the break", u"aaa bbb ccc"_s, 50, Wrap,
            { u"aaa "_s, u"bbb "_s, u"ccc"_s } },
        { "a hyphen ends its word and stays on its line", u"ab-cd ef"_s, 40, Wrap,
            { u"ab-"_s, u"cd "_s, u"ef"_s } },
        { "what fits exactly stays on the line", u"ab cd"_s, 50, Wrap, { u"ab cd"_s } },
        { "a word wider than the label keeps only the characters that fit", u"abcdefgh"_s, 45, Wrap,
            { u"abcd"_s, u""_s } },
        { "without word wrap the tail after the first break is never printed", u"aaa bbb ccc"_s, 50,
            NoWrap, { u"aaa "_s } },
        { "break anywhere cuts between characters", u"abcdef"_s, 25, Anywhere,
            { u"ab"_s, u"cd"_s, u"ef"_s } },
        { "break anywhere drops empty and blank pieces", u"ab\r\n\r\n  "_s, 100, Anywhere,
            { u"ab"_s } },
    };
    for (const TWrapCase &c : cases)
        EXPECT_EQ(QRFormatLines(c.Caption, c.Limit, c.Options, TenEach), c.Expected) << c.Why;
}

class LabelSizing : public ReportGeometryTest
{
protected:
    void SetUp() override
    {
        ReportGeometryTest::SetUp();
        report = std::make_unique<TQuickRep>(Metric);
        report->SetTextMetrics(ScreenTextMetrics(96));
        band = new TQRBand(report.get());
        label = new TQRLabel(band);
    }
    std::unique_ptr<TQuickRep> report;
    TQRBand *band = nullptr;
    TQRLabel *label = nullptr;
};

TEST_F(LabelSizing, AutoSizeFollowsTheCaptionAndKeepsTheEdgeItIsAlignedTo)
{
    label->SetBounds(200, 10, 50, 17);
    label->SetCaption(u"Kırtasiye Ltd. Şti."_s);
    const int width = report->TextWidth(label->Font(), u"Kırtasiye Ltd. Şti."_s);
    EXPECT_EQ(label->Width(), width);
    EXPECT_EQ(label->Left(), 200) << "left-aligned keeps its left edge";

    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption(u"Kısa"_s);
    EXPECT_EQ(label->Left() + label->Width(), right) << "right-aligned keeps its right edge";

    label->SetAlignment(taCenter);
    const int centre2 = 2 * label->Left() + label->Width();
    label->SetCaption(u"Kısa ve biraz daha uzun"_s);
    EXPECT_NEAR(2 * label->Left() + label->Width(), centre2, 1) << "centred keeps its middle";
}

TEST_F(LabelSizing, HeightIsRaisedToOneLineButNeverLowered)
{
    label->SetBounds(0, 0, 50, 2);
    label->SetCaption(u"x"_s);
    const int line = report->TextHeight(label->Font(), u"Wp"_s) + 1;
    EXPECT_EQ(label->Height(), line);
    label->SetBounds(0, 0, 50, 40);
    label->SetCaption(u"y"_s);
    EXPECT_EQ(label->Height(), 40);
}

TEST_F(LabelSizing, FixedWidthLabelWrapsAtItsWidthAndResolutionMatters)
{
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 60, 17);
    label->SetCaption(u"bir iki üç dört beş"_s);
    const QStringList at96 = label->FormattedLines();
    EXPECT_GT(at96.size(), 1);
    EXPECT_EQ(label->Width(), 60) << "a fixed label keeps its width";

    // The same label measured on a 192-dpi reference: twice the pixels per word, more lines.
    report->SetTextMetrics(ScreenTextMetrics(192));
    label->SetCaption(u"bir iki üç dört beş"_s);
    EXPECT_GT(label->FormattedLines().size(), at96.size());
}
