// Tax numbers: a table of valid and invalid numbers with the reason for each verdict.

#include "invoice/TaxNumber.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TaxNumber, ValidAndInvalidWithReasons)
{
    const struct {
        QString Number;
        bool Valid;
        const char *Why;
    } cases[] = {
        { u"1234567890"_s, true, "VKN whose check digit follows from the first nine" },
        { u"9876543217"_s, true, "another VKN computed by hand" },
        { u"0000000001"_s, true, "leading zeros are allowed in a VKN" },
        { u"1234567891"_s, false, "VKN with its last digit changed" },
        { u"9876543210"_s, false, "VKN with a wrong check digit" },
        { u"10000000146"_s, true, "TCKN with both check digits right" },
        { u"22222222220"_s, true, "TCKN of repeated digits that still checks" },
        { u"10000000145"_s, false, "TCKN with its 11th digit wrong" },
        { u"10000000156"_s, false, "TCKN with its 10th digit wrong" },
        { u"01234567890"_s, false, "a TCKN never starts with 0" },
        { u" 1234567890 "_s, true, "blanks around the number are not part of it" },
        { u""_s, true, "an empty field is not checked" },
        { u"12345"_s, true, "other lengths are not tax numbers we can check" },
        { u"12345-6789"_s, true, "text with other characters is not checked" },
    };
    for (const auto &c : cases) {
        const TTaxNumberCheck r = CheckTaxNumber(c.Number);
        EXPECT_EQ(r.Valid, c.Valid) << c.Why;
        EXPECT_EQ(r.Reason.isEmpty(), c.Valid) << c.Why;
    }
}
