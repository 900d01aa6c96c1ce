#include "EditorData.h"

#include <limits>

namespace {

// Parses text of only ASCII digits of the base, refusing signs, blanks, prefixes and values above 32 bits.
quint32 parseUnsigned32(const QString& text, int base)
{
    if (text.isEmpty())
        return 0;
    quint64 value = 0;
    for (const QChar ch : text) {
        const char c = ch.toLatin1();
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (ch.unicode() > 0x7F || digit < 0 || digit >= base)
            return 0;
        value = value * base + digit;
        if (value > std::numeric_limits<quint32>::max())
            return 0;
    }
    return static_cast<quint32>(value);
}

} // namespace

QString EditorData::translateDwremoteparam2Sremoteparam(QString decimalForm)
{
    const QString justified = decimalForm.rightJustified(11, QLatin1Char('0'));
    const quint32 number = parseUnsigned32(justified.right(10), 10);
    return justified.left(1) + QString::number(number, 16).rightJustified(8, QLatin1Char('0'));
}

QString EditorData::translateSremoteparam2Dwremoteparam(QString hexForm)
{
    const quint32 number = getRemoteParamContentsFromSRemoteStringParam(hexForm);
    return hexForm.left(1) + QString::number(number).rightJustified(10, QLatin1Char('0'));
}

quint32 EditorData::getRemoteParamContentsFromSRemoteStringParam(QString hexForm)
{
    return parseUnsigned32(hexForm.right(8), 16);
}

int EditorData::getRemoteParamTypeFromSRemoteStringParam(QString hexForm)
{
    return static_cast<int>(parseUnsigned32(hexForm.left(1), 16));
}
