#pragma once
// What a text written to the generator device means, for people watching the
// link (the device simulator, the schedule preview). The device takes either
// a command of its firmware's vocabulary or the decimal device value of a
// frequency; the two firmware variants read some texts differently.

#include <QByteArray>
#include <QString>

namespace zovt {

enum class CommandKind {
    Command,       // a command of the chosen firmware
    OtherFirmware, // only the other firmware knows it
    Value,         // a frequency value (100 or more)
    LowValue,      // a number the controller never sends as a value (below 100)
    Invalid,       // not a text the controller produces
};

struct CommandInfo {
    CommandKind kind = CommandKind::Invalid;
    QString meaning;
};

CommandInfo describeCommand(const QByteArray &text, bool newFirmware);

// "old firmware: lighting on" for "22" on the old firmware, "10.00 Hz" for
// "1000". A value is shown in hertz only: the same value is 100 x sqrt(Hz)
// for MHz and GHz rows, which the text alone cannot tell apart.
QString commandMeaning(const QByteArray &text, bool newFirmware);

// A device value as hertz with two decimals ("1000" -> "10.00 Hz").
QString valueAsHertz(qint64 value);

} // namespace zovt
