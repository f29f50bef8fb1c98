#pragma once
// Which tty a port number names. Wine's convention is followed, so that the
// controller and Windows programs run under the same prefix agree on COMn,
// with or without a Wine session having run:
// 1. the device the user pinned in the prefix's registry
//    (HKLM\Software\Wine\Ports, value COMn, e.g. "/dev/ttyUSB0"), which Wine
//    itself turns into the dosdevices link at every session start;
// 2. $WINEPREFIX/dosdevices/comN when that entry exists (normally a symbolic
//    link to a tty, made by Wine or by hand);
// 3. otherwise the device Wine would give that number: after the pinned
//    numbers, ttyS0, ttyS1, ... up to the first one missing, then ttyUSB0...,
//    then ttyACM0..., numbered consecutively from COM1, pinned numbers skipped.
// A number that none of these gives names its dosdevices entry, which does
// not exist: opening it reports the device as not found.

#include <QString>
#include <QVector>

namespace zovt::portpath {

// Where the device simulator keeps the stable paths of its ports, their
// locks and its log: $XDG_STATE_HOME/zovt, by default ~/.local/state/zovt.
QString simulatorStateDirectory();

// Wine numbers no more ports than this.
constexpr int kMaxPorts = 256;

// The folder holding the tty nodes Wine numbers (default /dev). Tests point
// it at a fake tree; an empty path restores the default.
void setDeviceRoot(const QString &dir);
QString deviceRoot();

// $WINEPREFIX/dosdevices/comN (whether it exists or not). The number keeps
// its sign: port 0 gives ".../com0", port -2 gives ".../com-2".
QString dosDeviceLink(int portNum);

// The device pinned for COMn in the prefix's registry, or empty.
QString registryDevice(int portNum);

// True when portNum can name a device at all (1 or more).
inline bool namesDevice(int portNum) { return portNum >= 1; }

enum class Source { None, Pin, Link, WineOrder };

struct Resolution {
    int port = 0;
    QString path;
    Source source = Source::None;
};

// Wine's own numbering of the tty nodes under devRoot: ttyS, ttyUSB, ttyACM
// families in this order, each from 0 up to its first missing node, numbered
// from COM1 upwards skipping the numbers in 'pinned'. Sorted by port.
QVector<Resolution> wineOrder(const QString &devRoot, const QVector<int> &pinned);

// The COM numbers pinned in the prefix's registry, ascending.
QVector<int> pinnedPorts();

// Where port portNum leads, and why. Port numbers below 1 name no device;
// they give their dosdevices name, which the serial component never opens.
Resolution resolve(int portNum);

// The device path port portNum opens (resolve(portNum).path).
QString devicePath(int portNum);

// Every port number that names something (pin, link or Wine's order), in
// ascending order; the devices need not exist.
QVector<Resolution> allPorts();

} // namespace zovt::portpath
