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
// "1000". The same value is 100 x sqrt(Hz) for MHz and GHz rows, which the
// text alone cannot tell apart: a value that such a row can produce shows
// both readings, "1732.05 Hz or 3.000 MHz".
QString commandMeaning(const QByteArray &text, bool newFirmware);

// A device value as hertz with two decimals ("1000" -> "10.00 Hz").
QString valueAsHertz(qint64 value);
// A device value read as the square-root encoding ("173205" -> "3.000 MHz",
// "3162278" -> "1.000 GHz"); empty below what a MHz row with three decimals
// can send.
QString valueAsSquareRoot(qint64 value);

// The simulator's watch over an exclusive-use mark left on its terminal.
// A controller clears the mark as it closes the port, and may do so in the
// middle of a look; only a mark that stays on over two looks in a row, with
// nobody holding the port at either and no byte written between them, was
// left by a controller that is gone.
class AbandonedMark {
public:
    // One look: the mark is on; someone else holds the port; the mark was
    // still on after that was looked up; bytes arrived since the last look.
    // Returns whether the mark is to be released now.
    bool look(bool markOn, bool othersHold, bool stillOn, bool bytesArrived);

private:
    bool m_suspect = false;
};

} // namespace zovt
