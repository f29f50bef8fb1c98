#include "device/CommandMeaning.h"

#include <limits>

namespace zovt {

namespace {

const char *const kStandbyColours[] = {"blue", "green", "yellow"};
const char *const kRunColours[] = {"violet", "blue", "green", "yellow", "orange", "red"};

QString newFirmwareCommand(int code)
{
    const auto bright = [](bool on) { return on ? QStringLiteral("brightness on") : QStringLiteral("brightness off"); };
    if (code >= 10 && code <= 12)
        return QStringLiteral("night lighting %1").arg(QLatin1String(kStandbyColours[code - 10]));
    if (code == 13)
        return QStringLiteral("end of playback");
    if (code >= 20 && code <= 22)
        return QStringLiteral("stand-by lighting %1, %2").arg(QLatin1String(kStandbyColours[code - 20]), bright(true));
    if (code >= 25 && code <= 27)
        return QStringLiteral("stand-by lighting %1, %2").arg(QLatin1String(kStandbyColours[code - 25]), bright(false));
    if (code >= 30 && code <= 35)
        return QStringLiteral("run lighting, constant light %1, %2").arg(QLatin1String(kRunColours[code - 30]), bright(true));
    if (code >= 40 && code <= 45)
        return QStringLiteral("run lighting, constant light %1, %2").arg(QLatin1String(kRunColours[code - 40]), bright(false));
    if (code >= 50 && code <= 53) {
        const bool brightOn = code <= 51;
        const bool slowOn = code % 2 == 0;
        return QStringLiteral("run lighting, colour blending, %1, slow-down %2")
            .arg(bright(brightOn), slowOn ? QStringLiteral("on") : QStringLiteral("off"));
    }
    if (code == 98)
        return QStringLiteral("maximum (service)");
    return QString();
}

QString oldFirmwareCommand(int code)
{
    switch (code) {
    case 12: return QStringLiteral("stand-by");
    case 22: return QStringLiteral("lighting on");
    case 33: return QStringLiteral("night");
    case 44: return QStringLiteral("constant light");
    case 55: return QStringLiteral("colour blending");
    case 66: return QStringLiteral("brightness on");
    case 77: return QStringLiteral("brightness off");
    case 88: return QStringLiteral("slow-down on");
    case 99: return QStringLiteral("slow-down off");
    case 98: return QStringLiteral("maximum (service)");
    default: return QString();
    }
}

QString firmwareName(bool newFirmware) { return newFirmware ? QStringLiteral("new firmware") : QStringLiteral("old firmware"); }

QString commandOf(const QByteArray &text, bool newFirmware)
{
    // Commands are exactly two digits; "012" or "+12" is not "12".
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.size() != 2 || !digit(text[0]) || !digit(text[1]))
        return QString();
    const int code = (text[0] - '0') * 10 + (text[1] - '0');
    return newFirmware ? newFirmwareCommand(code) : oldFirmwareCommand(code);
}

} // namespace

QString valueAsHertz(qint64 value)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    return QStringLiteral("%1%2.%3 Hz")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

CommandInfo describeCommand(const QByteArray &text, bool newFirmware)
{
    if (text.isEmpty())
        return {CommandKind::Invalid, QStringLiteral("empty text")};

    const QString own = commandOf(text, newFirmware);
    if (!own.isEmpty())
        return {CommandKind::Command, firmwareName(newFirmware) + QStringLiteral(": ") + own};
    const QString other = commandOf(text, !newFirmware);
    if (!other.isEmpty())
        return {CommandKind::OtherFirmware, QStringLiteral("not a command of the %1 (%2: %3)")
                                                .arg(firmwareName(newFirmware), firmwareName(!newFirmware), other)};

    // The controller writes values as the plain decimal text of a 32-bit
    // integer: an optional minus, digits, no leading zeros.
    const bool negative = text.startsWith('-');
    const QByteArray digits = negative ? text.mid(1) : text;
    bool allDigits = !digits.isEmpty();
    for (char c : digits)
        allDigits = allDigits && c >= '0' && c <= '9';
    if (!allDigits)
        return {CommandKind::Invalid, QStringLiteral("unknown text")};
    if ((digits.size() > 1 && digits.startsWith('0')) || (negative && digits == "0"))
        return {CommandKind::Invalid, QStringLiteral("malformed number (leading zero)")};
    bool ok = false;
    const qint64 v = digits.size() <= 11 ? text.toLongLong(&ok) : 0;
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return {CommandKind::Invalid, QStringLiteral("malformed number (beyond 32 bits)")};
    if (v < 100)
        return {CommandKind::LowValue, valueAsHertz(v) + QStringLiteral(" (below 100, never sent as a frequency)")};
    return {CommandKind::Value, valueAsHertz(v)};
}

QString commandMeaning(const QByteArray &text, bool newFirmware) { return describeCommand(text, newFirmware).meaning; }

} // namespace zovt
