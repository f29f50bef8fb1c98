#include "device/CommandMeaning.h"

#include "device/Commands.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace zovt {

namespace {

const char *const kStandbyColours[] = {"blue", "green", "yellow"};
const char *const kRunColours[] = {"violet", "blue", "green", "yellow", "orange", "red"};

int code(const char *command) { return (command[0] - '0') * 10 + (command[1] - '0'); }

QString newFirmwareCommand(int c)
{
    const auto bright = [](bool on) { return on ? QStringLiteral("brightness on") : QStringLiteral("brightness off"); };
    const auto in = [c](int base, std::size_t items) { return c >= base && c < base + int(items); };
    const std::size_t standBy = std::size(kStandbyColours), run = std::size(kRunColours);
    if (in(cmd::NightLighting, standBy))
        return QStringLiteral("night lighting %1").arg(QLatin1String(kStandbyColours[c - cmd::NightLighting]));
    if (c == code(cmd::EndOfPlayback))
        return QStringLiteral("end of playback");
    if (in(cmd::StandByBright, standBy))
        return QStringLiteral("stand-by lighting %1, %2").arg(QLatin1String(kStandbyColours[c - cmd::StandByBright]), bright(true));
    if (in(cmd::StandByDim, standBy))
        return QStringLiteral("stand-by lighting %1, %2").arg(QLatin1String(kStandbyColours[c - cmd::StandByDim]), bright(false));
    if (in(cmd::RunLightBright, run))
        return QStringLiteral("run lighting, constant light %1, %2").arg(QLatin1String(kRunColours[c - cmd::RunLightBright]), bright(true));
    if (in(cmd::RunLightDim, run))
        return QStringLiteral("run lighting, constant light %1, %2").arg(QLatin1String(kRunColours[c - cmd::RunLightDim]), bright(false));
    if (c >= cmd::BlendBrightSlow && c <= cmd::BlendDimFast) {
        const bool brightOn = c == cmd::BlendBrightSlow || c == cmd::BlendBrightFast;
        const bool slowOn = c == cmd::BlendBrightSlow || c == cmd::BlendDimSlow;
        return QStringLiteral("run lighting, colour blending, %1, slow-down %2")
            .arg(bright(brightOn), slowOn ? QStringLiteral("on") : QStringLiteral("off"));
    }
    if (c == code(cmd::Maximum))
        return QStringLiteral("maximum (service)");
    return QString();
}

QString oldFirmwareCommand(int c)
{
    static const struct {
        const char *command;
        const char *meaning;
    } kOld[] = {
        {cmd::StandBy, "stand-by"},
        {cmd::LightingOn, "lighting on"},
        {cmd::Night, "night"},
        {cmd::ConstantLight, "constant light"},
        {cmd::ColourBlending, "colour blending"},
        {cmd::BrightnessOn, "brightness on"},
        {cmd::BrightnessOff, "brightness off"},
        {cmd::SlowDownOn, "slow-down on"},
        {cmd::SlowDownOff, "slow-down off"},
        {cmd::Maximum, "maximum (service)"},
    };
    for (const auto &o : kOld)
        if (code(o.command) == c)
            return QLatin1String(o.meaning);
    return QString();
}

QString firmwareName(bool newFirmware) { return newFirmware ? QStringLiteral("new firmware") : QStringLiteral("old firmware"); }

QString commandOf(const QByteArray &text, bool newFirmware)
{
    // Commands are exactly two digits; "012" or "+12" is not "12".
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.size() != 2 || !digit(text[0]) || !digit(text[1]))
        return QString();
    const int c = code(text.constData());
    return newFirmware ? newFirmwareCommand(c) : oldFirmwareCommand(c);
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

QString valueAsSquareRoot(qint64 value)
{
    // 100 x sqrt(1000 Hz), rounded: the smallest value of a 0.001 MHz row.
    constexpr qint64 kSmallestMHzValue = 3162;
    if (value < kSmallestMHzValue)
        return QString();
    const double root = double(value) / 100.0;
    const double hertz = root * root;
    if (hertz >= 1e9)
        return QStringLiteral("%1 GHz").arg(hertz / 1e9, 0, 'f', 3);
    return QStringLiteral("%1 MHz").arg(hertz / 1e6, 0, 'f', 3);
}

bool AbandonedMark::look(bool markOn, bool othersHold, bool stillOn, bool bytesArrived)
{
    const bool unheld = markOn && !othersHold && stillOn && !bytesArrived;
    const bool release = unheld && m_suspect;
    m_suspect = unheld && !release;
    return release;
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
    const QString root = valueAsSquareRoot(v);
    return {CommandKind::Value, root.isEmpty() ? valueAsHertz(v) : valueAsHertz(v) + QStringLiteral(" or ") + root};
}

QString commandMeaning(const QByteArray &text, bool newFirmware) { return describeCommand(text, newFirmware).meaning; }

} // namespace zovt
