// INI text from outside: parse, read every key, write one and read it back. Checks that an
// unchanged document gives back its very bytes and that a write changes nothing else.
#include "platform/Errors.h"
#include "platform/Ini.h"
#include "printing/PrintSettings.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

#define CHECK(c)                                                                                   \
    do {                                                                                           \
        if (!(c))                                                                                  \
            std::abort();                                                                          \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const TIniDocument doc = TIniDocument::FromBytes(bytes);
    CHECK(doc.ToBytes() == bytes);

    struct TSeen {
        QString Section, Key, Value;
    };
    std::vector<TSeen> seen;
    const QStringList sections = doc.SectionNames();
    for (const QString &s : sections)
        for (const QString &k : doc.KeyNames(s)) {
            const std::optional<QString> v = doc.Value(s, k);
            CHECK(v.has_value());
            (void)IniStrToIntDef(*v, 0);
            // Every value may be a position text: a move by 0 only rewrites its form.
            const TPosition p = ParsePosition(*v);
            for (TKonumYonu d : { TKonumYonu::SAG, TKonumYonu::ALT })
                CHECK(ParsePosition(KONUM_KAYDIR(*v, 0, d)) == p);
            if (seen.size() < 64)
                seen.push_back({ s, k, *v });
        }

    const unsigned sel = size ? data[0] : 0;
    const QString section = (sel & 3) == 3 && !sections.isEmpty()
        ? sections.front()
        : QStringList { u"S"_s, u"FATURE_AYAR"_s, u"genel"_s }[(sel & 3) % 3];
    const QString key = (sel & 4) && !seen.empty() ? seen.front().Key : u"TARIH"_s;
    const QString value = QString::fromLatin1(bytes.right(12));

    TIniDocument changed = doc;
    if (!changed.SetValue(section, key, value)) {
        CHECK(changed.ToBytes() == bytes);
        return 0;
    }
    const TIniDocument back = TIniDocument::FromBytes(changed.ToBytes());
    // A 1254 text whose only non-UTF-8 bytes were on the rewritten line reads as UTF-8
    // afterwards; the checks below hold for the same encoding only.
    if (back.Encoding() == doc.Encoding()) {
        CHECK(back.Value(section, key) == value);
        for (const TSeen &s : seen)
            if (s.Key.compare(key, Qt::CaseInsensitive) != 0)
                CHECK(back.Value(s.Section, s.Key) == s.Value);
    }

    // The file round trip flushes to disk: every 256th input is enough for its few paths.
    static unsigned calls = 0;
    if (calls++ % 256 == 0) {
        static QTemporaryDir dir;
        const QString path = dir.filePath(u"f.ini"_s);
        try {
            WriteFileAtomically(path, bytes);
            TIniFile ini(path);
            ini.WriteString(section, key, value);
            if (ini.Load().Encoding() == doc.Encoding())
                CHECK(ini.ReadString(section, key, {}) == value);
        } catch (const EPlatformError &) {
        }
    }
    return 0;
}
