#include "report/QRUnits.h"

#include "platform/TextMetrics.h"
#include "report/QRError.h"

#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace
{

int &ScreenResolution()
{
    static int dpi = 96;
    return dpi;
}

QString Offset(qsizetype pos)
{
    return QString::number(pos);
}

} // namespace

void SetQRScreenResolution(int dpi)
{
    ScreenResolution() = dpi > 0 ? dpi : 96;
}

int QRScreenResolution()
{
    return ScreenResolution();
}

QSizeF QRMeasureCharCell(const TQRFont &font, int pixelsPerInch)
{
    if (font.PointSize() == 0)
        return QSizeF();
    return ScreenTextMetrics(pixelsPerInch)->CharCell(font.ToCanvasFont());
}

long double QRNativeToUnits(
    TQRUnit unit, long double native, int resolution, int zoom, long double cellNative)
{
    switch (unit) {
    case TQRUnit::MM:
        return native / 10.0L;
    case TQRUnit::Inches:
        return native / 254.0L;
    case TQRUnit::Pixels:
        return native / (254.0L / resolution) * zoom / 100.0L;
    case TQRUnit::Characters:
        return native / cellNative;
    case TQRUnit::Native:
        return native;
    }
    return native;
}

long double QRUnitsToNative(
    TQRUnit unit, long double value, int resolution, int zoom, long double cellNative)
{
    switch (unit) {
    case TQRUnit::MM:
        return value * 10.0L;
    case TQRUnit::Inches:
        return value * 254.0L;
    case TQRUnit::Pixels:
        return value * (254.0L / resolution) / zoom * 100.0L;
    case TQRUnit::Characters:
        return value * cellNative;
    case TQRUnit::Native:
        return value;
    }
    return value;
}

QString QRValuesToText(const std::vector<long double> &values)
{
    QString out = u"("_s;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += u", "_s;
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, values[i]);
        out += QString::fromLatin1(buf, r.ptr - buf);
    }
    out += u')';
    return out;
}

std::vector<long double> QRValuesFromText(QStringView text)
{
    // Values are plain ASCII; anything else is already an error at its own offset.
    std::vector<long double> values;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i].isSpace())
            ++i;
    };
    auto fail = [&](const QString &what) -> std::vector<long double> {
        throw EQRError(u"Invalid Values text at offset %1: %2"_s.arg(Offset(i), what));
    };
    skipBlanks();
    if (i >= n || text[i] != u'(')
        return fail(u"\"(\" expected"_s);
    ++i;
    skipBlanks();
    if (i < n && text[i] == u')') {
        ++i;
    } else {
        for (;;) {
            skipBlanks();
            const qsizetype start = i;
            std::string number;
            while (i < n && text[i].unicode() < 128
                && (text[i].isDigit() || text[i] == u'.' || text[i] == u'-' || text[i] == u'+'
                    || text[i] == u'e' || text[i] == u'E')) {
                number += static_cast<char>(text[i].unicode());
                ++i;
            }
            const char *b = number.data();
            const char *e = b + number.size();
            if (!number.empty() && *b == '+')
                ++b; // from_chars takes no plus sign
            long double v = 0;
            const auto r = std::from_chars(b, e, v, std::chars_format::general);
            if (number.empty() || r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) {
                i = start;
                return fail(u"number expected"_s);
            }
            values.push_back(v);
            skipBlanks();
            if (i < n && text[i] == u',') {
                ++i;
                continue;
            }
            if (i < n && text[i] == u')') {
                ++i;
                break;
            }
            return fail(u"\",\" or \")\" expected"_s);
        }
    }
    skipBlanks();
    if (i != n)
        return fail(u"unexpected text after \")\""_s);
    return values;
}

// --- TQRUnitBase ------------------------------------------------------------------------

TQRUnitBase::TQRUnitBase(const IQRUnitReport *report)
    : FResolution(QRScreenResolution())
    , FUnitReport(report)
{
}

long double TQRUnitBase::CharCellNative(bool horizontal) const
{
    static const TQRFont kNoReportFont { u"Arial"_s, 10 };
    static const TQRCharCellMetrics kFixedCell;
    const TQRFont &font = FUnitReport ? FUnitReport->UnitFont() : kNoReportFont;
    const TQRCharCellMetrics &measure
        = FUnitReport ? FUnitReport->UnitCharCellMetrics() : kFixedCell;
    TQRFont sized = font;
    sized.Size = font.PointSize();
    if (!measure && sized.Size > 0) {
        // The stored cell of designs kept in Characters: fixed figures per point size, in
        // extended precision, so that such designs keep their geometry.
        return (horizontal ? 80.0L : 145.3L) / sized.Size / 2.54L * 10.0L;
    }
    QSizeF px;
    if (sized.Size > 0)
        px = measure(sized, FResolution);
    const long double cell = horizontal ? px.width() : px.height();
    if (!std::isfinite(cell) || cell <= 0)
        throw EQRError(
            u"The report font \"%1\" (%2 points) cannot be measured for the Characters unit"_s
                .arg(font.Name)
                .arg(font.Size));
    return cell * 254.0L / FResolution;
}

long double TQRUnitBase::NativeToUnits(TQRUnit unit, bool horizontal, long double value) const
{
    const long double cell = unit == TQRUnit::Characters ? CharCellNative(horizontal) : 0;
    return QRNativeToUnits(unit, value, FResolution, FZoom, cell);
}

long double TQRUnitBase::UnitsToNative(TQRUnit unit, bool horizontal, long double value) const
{
    const long double cell = unit == TQRUnit::Characters ? CharCellNative(horizontal) : 0;
    return QRUnitsToNative(unit, value, FResolution, FZoom, cell);
}

long double TQRUnitBase::Value(int index) const
{
    CheckIndex(index);
    return NativeToUnits(Units(), IsHorizontal(index), NativeValue(index));
}

void TQRUnitBase::SetValue(int index, long double value)
{
    CheckIndex(index);
    SetNativeValue(index, UnitsToNative(Units(), IsHorizontal(index), value));
}

long double TQRUnitBase::NativeValue(int index) const
{
    CheckIndex(index);
    return WriteValues()[static_cast<std::size_t>(index)];
}

void TQRUnitBase::CheckIndex(int index) const
{
    if (index < 0 || index >= DimensionCount())
        throw EQRError(u"Dimension index %1 out of range"_s.arg(index));
}

void TQRUnitBase::CheckValues(const std::vector<long double> &values) const
{
    if (values.size() != static_cast<std::size_t>(DimensionCount()))
        throw EQRError(u"Invalid Values: %1 numbers expected, %2 found"_s.arg(DimensionCount())
                           .arg(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!std::isfinite(values[i]))
            throw EQRError(u"Invalid Values: number %1 is not finite"_s.arg(i + 1));
}

void TQRUnitBase::WhileUpdatingParent(const std::function<void()> &f)
{
    const bool was = FParentUpdating;
    FParentUpdating = true;
    try {
        f();
    } catch (...) {
        FParentUpdating = was;
        throw;
    }
    FParentUpdating = was;
}
