#include "platform/Printing.h"

namespace
{
IPrinting *CurrentPrinting = nullptr;
} // namespace

IPrinting *Printing()
{
    return CurrentPrinting;
}

void SetPrinting(IPrinting *printing)
{
    CurrentPrinting = printing;
}
