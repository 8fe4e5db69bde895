#pragma once
// The small interface the totals arithmetic works on. Each SetValue rounds through the
// field's display pattern exactly as the window's numeric edit does, and Value parses the
// shown text back, so the arithmetic sees the rounded values the user sees.

#include <QStringView>

// The form's display patterns, named once: quantities drop trailing decimals; amounts where
// the form's layout gives the pattern (the money fields otherwise follow GDisplayFormat).
inline constexpr QStringView kQuantityFormat = u",0.##;-,0.##";
inline constexpr QStringView kMoneyLayoutFormat = u",0.00;-,0.00";

class INumericField
{
public:
    virtual ~INumericField() = default;
    // Reading an empty field gives 0 and leaves the formatted 0 in it, hence not const.
    virtual long double Value() = 0;
    virtual void SetValue(long double value) = 0;
};
