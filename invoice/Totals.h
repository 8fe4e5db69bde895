#pragma once
// The arithmetic of the invoice form: line amounts, subtotal, VAT, total and the total in
// words. It works on the form's numeric fields through INumericField, so every value set
// is rounded to the field's display pattern and every value read is the rounded one, as
// the user sees it.

#include "invoice/NumericField.h"
#include "platform/Locale.h"
#include "platform/Rounding.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

struct TTotalsForm
{
    static constexpr int kLines = 8;

    // Quantity, unit price and amount of each line, index 0 for line 1.
    std::array<INumericField *, kLines> M{};
    std::array<INumericField *, kLines> F{};
    std::array<INumericField *, kLines> T{};
    INumericField *YEKUN = nullptr;
    INumericField *KDV = nullptr;
    INumericField *TOPLAM = nullptr;

    // The total in words goes to the text field YALNIZ.
    std::function<void(const QString &)> SetYalniz;
    // The VAT rate as its spin box shows it; read with ORAN_DEGERI.
    std::function<QString()> OranText;
    // The two entry modes: VAT-inclusive amounts, fixed amounts.
    std::function<bool()> KDVDahil;
    std::function<bool()> TutarSabit;
};

// The VAT rate of a text: a whole number, anything else counts as 0.
int ORAN_DEGERI(const QString &text);

// Cuts (does not round) a currency value to the given number of decimals, through its
// general-format text in the locale's notation.
Currency ONDALIK_KES(std::int16_t decimals, Currency value, const TFormatSettings &fs);

// Recomputes the line amounts (unless amounts are fixed), the subtotal, the VAT, the total
// and the total in words. Throws ELevantaError when the VAT is beyond the currency range.
void YEKUN_KDV_TOPLAM(TTotalsForm &form, const TFormatSettings &fs);

// Derives a line's unit price from its amount (VAT removed in VAT-inclusive entry), then
// recomputes the invoice; a zero quantity clears the price and the amount and stops.
void BIRIM_FIYAT_HESAPLA(TTotalsForm &form, INumericField &m, INumericField &f,
                         INumericField &t, const TFormatSettings &fs);
// The same for line index 0..7 of the form.
void BIRIM_FIYAT_HESAPLA(TTotalsForm &form, int line, const TFormatSettings &fs);

// The VAT-exclusive part of a VAT-inclusive amount at the given rate: amount / (1 + rate/100).
long double KDV_HARIC(long double amount, int oran);
