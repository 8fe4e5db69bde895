#include "platform/Locale.h"

#include <gtest/gtest.h>

TEST(FormatSettings, TurkishSeparators)
{
    const TFormatSettings tr = TFormatSettings::Turkish();
    EXPECT_EQ(tr.DecimalSeparator, QChar(u','));
    EXPECT_EQ(tr.ThousandSeparator, QChar(u'.'));
    EXPECT_TRUE(tr.Metric);
    EXPECT_EQ(tr.AnsiCodePage, 1254);
}
