#pragma once
// The invoice form without widgets: numeric fields that hold their text and format and
// parse it with the same functions as the window's numeric edit.

#include "invoice/NumericField.h"
#include "invoice/Totals.h"
#include "platform/Locale.h"

#include <QString>
#include <array>

class TInMemoryField : public INumericField
{
public:
    TInMemoryField(QString pattern, const TFormatSettings &fs)
        : Pattern(std::move(pattern))
        , FFormat(fs)
    {
    }

    long double Value() override;
    void SetValue(long double value) override;

    QString Text; // what the field shows
    QString Pattern; // its display pattern

private:
    TFormatSettings FFormat;
};

class TInMemoryForm
{
public:
    static QString QuantityFormat() { return kQuantityFormat.toString(); }

    explicit TInMemoryForm(
        const TFormatSettings &fs, const QString &moneyFormat = QStringLiteral("#,###.00"));

    std::array<TInMemoryField, TTotalsForm::kLines> M, F, T;
    TInMemoryField YEKUN, KDV, TOPLAM;
    QString YALNIZ;
    QString ORAN = QStringLiteral("18");
    bool KDVDahil = false;
    bool TutarSabit = false;

    // The totals' view of this form (points into it: keep the form alive and unmoved).
    TTotalsForm &Totals() { return FTotals; }
    const TFormatSettings &FormatSettings() const { return FFormat; }

    // Typing a text into a field and leaving it: the field shows it re-formatted, then the
    // exit action of that field runs, as on the window.
    void LeaveM(int line, const QString &typed);
    void LeaveF(int line, const QString &typed);
    void LeaveT(int line, const QString &typed);

private:
    void Retype(TInMemoryField &field, const QString &typed);

    TFormatSettings FFormat;
    TTotalsForm FTotals;
};
