#include "invoice/SearchKey.h"

#include <QChar>
#include <QString>

QByteArray SearchKeyOf(QStringView text)
{
    QString folded;
    folded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (cp == U'I' || cp == U'\u0130' || cp == U'\u0131')
            cp = U'i';
        else if (cp >= 0x80)
            cp = QChar::toCaseFolded(cp);
        else if (cp >= U'A' && cp <= U'Z')
            cp += U'a' - U'A';
        if (QChar::requiresSurrogates(cp)) {
            folded.append(QChar(QChar::highSurrogate(cp)));
            folded.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            folded.append(QChar(static_cast<char16_t>(cp)));
        }
    }
    return folded.toUtf8();
}

QByteArray KeyRangeEnd(const QByteArray &key)
{
    QByteArray end = key;
    while (!end.isEmpty() && static_cast<unsigned char>(end.back()) == 0xFF)
        end.chop(1);
    if (!end.isEmpty())
        end.back() = static_cast<char>(static_cast<unsigned char>(end.back()) + 1);
    return end;
}

QString CutToCodePoints(const QString &text, int width)
{
    if (text.size() <= width)
        return text; // fewer UTF-16 units than the width: fewer code points too
    qsizetype units = 0;
    for (int points = 0; points < width && units < text.size(); ++points) {
        if (text[units].isHighSurrogate() && units + 1 < text.size()
            && text[units + 1].isLowSurrogate())
            units += 2;
        else
            units += 1;
    }
    return text.left(units);
}
