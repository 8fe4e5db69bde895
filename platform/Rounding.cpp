#include "platform/Rounding.h"

#include "platform/DecimalDigits_p.h"

long double RoundHalfAwayDecimals(long double v, int decimals)
{
    if (!std::isfinite(v))
        return v;
    TDecimalDigits d = DecimalImage(v);
    RoundToPlaces(d, decimals);
    return DecimalValue(d);
}
