#pragma once
// What stands behind each COM number on this machine, for
// "zovt-generator --list-ports" and for the one-line reason given when the
// port cannot be opened. Looks only: a USB adapter is never opened here
// (opening one raises DTR, which resets some boards); an on-board UART is
// opened for TIOCGSERIAL only when sysfs does not tell its type.

#include "device/PortPath.h"

#include <QString>
#include <QStringList>

namespace zovt::portlist {

// The sysfs tree read for UART types and USB descriptors (default /sys);
// tests point it at a fake tree. An empty path restores the default.
void setSysRoot(const QString &dir);
QString sysRoot();

struct PortInfo {
    portpath::Resolution where;
    QString device; // the node the path leads to (links followed); empty: missing
    enum class Kind { Missing, LinkLoop, Uart, UartNoHardware, Usb, PseudoTerminal, Other };
    Kind kind = Kind::Missing;
    QString what; // "UART: 16550A", "USB: 0403:6001 FTDI FT232R USB UART, serial A1", ...
    // BadLock: a lock file that is no valid lock keeps the port, as it
    // keeps the open.
    enum class Access { Free, Held, BadLock, Denied, Missing };
    Access access = Access::Missing;
    long holderPid = 0;
    QString holderName; // the holder's command name, when known
    QString lockText;   // BadLock: "lock file ... is not a valid lock: ..."
};

PortInfo describe(const portpath::Resolution &where);

// "Wine's order", "pin", "link".
QString sourceText(portpath::Source source);

// One line per port that names something, in COM order:
//   COM5  /dev/ttyUSB0, USB: 0403:6001 FTDI FT232R USB UART, serial A1, number: Wine's order, free
QString line(const PortInfo &info);
QStringList lines();

// One line saying why port portNum could not be opened and what helps;
// errorText is the port error's message (its errno, when it has one, tells
// busy and I/O failures apart). Empty when nothing more can be said.
QString explainFailure(int portNum, const QString &errorText = QString());

// True when the holder is another copy of this controller.
bool heldByAnotherController(const PortInfo &info);

} // namespace zovt::portlist
