#pragma once
// The print settings of fatura_ayar.ini in memory, without widgets: the window loads them,
// puts them into its controls, and hands them back from its controls to save.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

inline constexpr QStringView kSettingsFileName = u"fatura_ayar.ini";
inline constexpr QStringView kSectionGenel = u"GENEL";
inline constexpr QStringView kSectionFatureAyar = u"FATURE_AYAR";

inline constexpr QStringView kKeyKDVDahil1 = u"KDVDahil1";
inline constexpr QStringView kKeyTutarsabit = u"tutarsabit";
inline constexpr QStringView kKeyGDisplayFormat = u"GDisplayFormat";
inline constexpr QStringView kKeyKDVOrani = u"KDVOrani";
inline constexpr QStringView kKeySayfaTipi = u"sayfaTipi";
inline constexpr QStringView kKeyDrpOutputBin = u"drpOutputBin";
inline constexpr QStringView kKeySayfaYonelimi = u"sayfa_yonelimi";
inline constexpr QStringView kKeyRaporSayfasi = u"RAPOR_SAYFASI";
inline constexpr QStringView kKeyKdvYuzde = u"KDV_YUZDE";
// The e-Arşiv section: the paper limit the program reads (never writes) and the folder of
// the last export, which it remembers.
inline constexpr QStringView kSectionEArsiv = u"EARSIV";
inline constexpr QStringView kKeyKagitLimiti = u"KagitLimiti";
inline constexpr QStringView kKeyKagitSonu = u"KagitSonu";
inline constexpr QStringView kKeyEArsivKlasor = u"Klasor";

inline constexpr QStringView kDefaultDisplayFormat = u"#,###.00";
inline constexpr int kDefaultKDVOrani = 18;
inline constexpr int kMaxKDVOrani = 999; // the rate box's own range
// A paper invoice may not exceed this, VAT included (kuruş), for simple-method and
// operating-account taxpayers; from kDefaultKagitSonu on none may be printed.
inline constexpr long long kDefaultKagitLimitiKurus = 300000;
inline constexpr QStringView kDefaultKagitSonu = u"2027-01-01";
// A currency value holds four decimals: a money format that shows more clips prices.
inline constexpr int kMaxMoneyDecimals = 4;
inline constexpr QStringView kDefaultLabelPosition = u"0 | 0";
inline constexpr QStringView kDefaultPagePosition = u"10 | 10"; // RAPOR_SAYFASI, KDV_YUZDE

// Entries of the three page set-up lists; a list position indexes these.
inline constexpr std::array<QStringView, 2> kSayfaTipiItems
    = { u"A4 210 x 297 mm", u"A5 210 x 148 mm" };
inline constexpr std::array<QStringView, 3> kDrpOutputBinItems
    = { u"Otomatik", u"Elle Besleme", u"Sürekli Form" };
inline constexpr std::array<QStringView, 2> kSayfaYonelimiItems
    = { u"Sayfa Dikey", u"Sayfa Yatay" };

// One tick box of the layout page: its name and its hint, the settings key.
struct TLayoutEntry {
    QStringView CheckBox;
    QStringView Key;
};

inline constexpr int kPositionCount = 44;

// The tick boxes in the order the layout page creates them (A6 before A5): the save writes
// the keys in this order. Taken from the invoice's field catalogue.
const std::array<TLayoutEntry, kPositionCount> &LayoutEntries();
inline const std::array<TLayoutEntry, kPositionCount> &kLayoutEntries = LayoutEntries();

// Index into kLayoutEntries of a settings key (letter case ignored); -1 when there is none.
int LayoutIndexOfKey(QStringView key);

// ---- position texts ----------------------------------------------------------------------

struct TPosition {
    int Vertical = 0; // distance down from the top
    int Horizontal = 0; // distance in from the left
    bool operator==(const TPosition &) const = default;
};

// The two parts of a position text, split at its last "|" (no bar: the first part is
// empty) and trimmed of spaces and control characters.
struct TPositionParts {
    QString First;
    QString Second;
};
TPositionParts SplitPosition(QStringView text);

// A part as a whole number: optional sign and decimal digits, nothing else; anything else,
// an empty part and a number outside the int range count as 0.
int PositionPartValue(QStringView part);

TPosition ParsePosition(QStringView text);
// "10 | 10": each number in plain decimal, a minus sign when negative.
QString FormatPosition(int vertical, int horizontal);
inline QString FormatPosition(const TPosition &p)
{
    return FormatPosition(p.Vertical, p.Horizontal);
}

// The four arrow buttons of the layout page, valued as their tags.
enum class TKonumYonu { SOL = 1, SAG = 2, UST = 3, ALT = 4 };

// Moves a position text by step: up and down change the first number, left and right the
// second; the other part stays the trimmed text it was. The result is always written
// "first | second". A moved number stops at the ends of the int range, so that it still
// reads back as the number it shows.
QString KONUM_KAYDIR(QStringView text, int step, TKonumYonu direction);

// ---- the settings ------------------------------------------------------------------------

// A value of the file that the loader would not use: it took the default instead and left
// the file as it was. Texts in Turkish, for the warning the window shows.
struct TRefusedValue {
    QString Key;
    QString Value; // as written in the file
    QString Reason; // why it was refused
    QString Used; // what is used instead
};

// A default-constructed value holds what an empty file reads as.
struct TPrintSettings {
    TPrintSettings();

    // Position texts exactly as read, indexed like kLayoutEntries.
    std::array<QString, kPositionCount> Positions;
    // Selected list entries, counted from 0; -1 means no selection.
    int sayfaTipi = 0;
    int drpOutputBin = 0;
    int sayfa_yonelimi = 0;
    bool KDVDahil1 = false;
    bool tutarsabit = false;
    QString GDisplayFormat;
    // The rate the VAT rate box starts with.
    int KDVOrani = kDefaultKDVOrani;
    // The paper limit: above this total (kuruş) or on and after this day, e-Arşiv.
    long long KagitLimitiKurus = kDefaultKagitLimitiKurus;
    QDate KagitSonu;
    // What the loader refused, in the order it read them.
    std::vector<TRefusedValue> Refused;

    // The position text of a settings key; a null text for a key that is not a position.
    QString Position(QStringView key) const;
    // False for a key that is not a position.
    bool SetPosition(QStringView key, const QString &text);
};

// The settings file in a program folder (with or without a trailing separator).
QString PrintSettingsPath(const QString &programFolder);

// A stored list position as a selection: outside [0, count) is no selection (-1).
int ListSelection(int stored, int count);

// Creates the file from the default settings text (one line each) when it does not exist.
// Throws EPlatformError "Unable to write to %s" when it cannot be created.
void EnsurePrintSettingsFile(const QString &path, const QStringList &defaultLines = {});

// Why a money format cannot be used, in Turkish; empty when it can. Refused are a section
// without a digit placeholder, more decimals than a currency value holds, and a format whose
// texts do not read back as the value shown (an exponent, a negative section without a sign,
// a letter E among the literals), since every money field holds its value as its text.
// The empty pattern (the general format) is accepted.
QString MoneyFormatProblem(const QString &pattern);

// The one warning that names every refused value, or an empty text when there is none.
QString RefusalMessage(const std::vector<TRefusedValue> &refused);

// The loader's reading of the file (missing file or keys: defaults; refused values: defaults,
// listed in Refused). Throws EPlatformError when the file exists but cannot be read.
TPrintSettings LoadPrintSettings(const QString &path);

// "Ayarları Kaydet": every position in the tick boxes' creation order, then sayfaTipi,
// drpOutputBin and sayfa_yonelimi as integers, all in one rewrite of the file, so that
// either the whole layout lands or (with EPlatformError "Unable to write to %s") nothing.
void SavePrintLayout(const QString &path, const TPrintSettings &settings);

// An entry-mode toggle: writes KDVDahil1 or tutarsabit to GENEL as "1" or "0".
void WriteOptionFlag(const QString &path, QStringView key, bool set);
