#pragma once
// One row of the invoice arithmetic: the entry modes, what the user types and leaves
// ("M1=3" types 3 into M1 and leaves it, "ORAN=8" sets the rate), then what the form shows.
// The in-memory form runs the whole table; the window runs a few rows through its wiring.

#include <cctype>
#include <ostream>
#include <utility>
#include <vector>

struct TTotalsScenario {
    const char *Why;
    bool KDVDahil;
    bool TutarSabit;
    std::vector<const char16_t *> Steps;
    std::vector<std::pair<const char16_t *, const char16_t *>> Expect;
};

// Test names carry the row's reason, in characters that every test runner accepts.
inline void PrintTo(const TTotalsScenario &row, std::ostream *os)
{
    for (const char *c = row.Why; *c; ++c)
        *os << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
}
