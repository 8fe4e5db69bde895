#include "platform/widgets/InputSlots.h"

#include <array>
#include <string_view>

namespace
{

// Lower-case letters and digits only, so that "Manual Feed", "manual-feed" and
// "ManualFeed" read alike.
std::string Folded(const QString &s)
{
    std::string out;
    for (const QChar c : s) {
        const char16_t u = c.toLower().unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            out.push_back(static_cast<char>(u));
    }
    return out;
}

// A word matches anywhere in the folded name; "^word" only at its start; a word ending in
// a digit never matches the start of a longer number ("tray1" is not "tray12").
bool Matches(const std::string &s, std::string_view word)
{
    const bool atStart = word.front() == '^';
    if (atStart)
        word.remove_prefix(1);
    for (std::size_t at = s.find(word); at != std::string::npos; at = s.find(word, at + 1)) {
        if (atStart && at != 0)
            return false;
        const std::size_t end = at + word.size();
        const bool digitEnd = word.back() >= '0' && word.back() <= '9';
        if (!digitEnd || end == s.size() || s[end] < '0' || s[end] > '9')
            return true;
    }
    return false;
}

struct TMeaning {
    int Code;
    std::string_view Words[6];
};

// Checked in order: the narrower meanings first, so that "ManualEnvelope" is the envelope
// manual feed and not the plain manual feed, and "EnvelopeFeeder" is not an automatic tray.
constexpr std::array<TMeaning, 12> Meanings { {
    { 6, { "envmanual", "manualenv", "envelopemanual", "manualenvelope" } },
    { 5, { "envelope", "^env" } },
    { 8, { "tractor", "continuous", "fanfold", "endless", "zfold" } },
    { 4, { "manual", "bypass", "multipurpose", "mptray", "handfeed" } },
    { 11, { "largecapacity", "highcapacity", "^lct", "^hcf", "^hci" } },
    { 9, { "smallformat" } },
    { 10, { "largeformat" } },
    { 14, { "cassette" } },
    { 7, { "auto", "default", "automatic" } },
    { 1, { "upper", "^top", "tray1", "onlyone", "^first", "^only" } },
    { 2, { "lower", "^bottom", "tray2" } },
    { 3, { "middle", "tray3" } },
} };

int CodeOfWords(const std::string &folded)
{
    if (folded.empty())
        return 0;
    for (const TMeaning &m : Meanings)
        for (const std::string_view w : m.Words)
            if (!w.empty() && Matches(folded, w))
                return m.Code;
    return 0;
}

} // namespace

int TrayCodeOfInputSlot(const TInputSlot &slot)
{
    if (const int code = CodeOfWords(Folded(slot.Choice)))
        return code;
    return CodeOfWords(Folded(slot.Text));
}

int FindInputSlot(const std::vector<TInputSlot> &choices, int trayCode)
{
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (TrayCodeOfInputSlot(choices[i]) == trayCode)
            return static_cast<int>(i);
    return -1;
}
