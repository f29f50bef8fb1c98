#pragma once
// Which tty a port number names. Wine's convention is followed, so that the
// controller and Windows programs run under the same prefix agree on COMn:
// 1. the device the user pinned in the prefix's registry
//    (HKLM\Software\Wine\Ports, value COMn, e.g. "/dev/ttyUSB0"), which Wine
//    itself turns into the dosdevices link at every session start;
// 2. $WINEPREFIX/dosdevices/comN when that entry exists (normally a symbolic
//    link to a tty, made by Wine or by hand);
// 3. otherwise, as a fallback, /dev/ttyS<N-1>.

#include <QString>

namespace zovt::portpath {

// $WINEPREFIX/dosdevices/comN (whether it exists or not). The number keeps
// its sign: port 0 gives ".../com0", port -2 gives ".../com-2".
QString dosDeviceLink(int portNum);

// The device pinned for COMn in the prefix's registry, or empty.
QString registryDevice(int portNum);

// The device path port portNum opens. Port numbers below 1 name no device;
// they give their dosdevices name, which the serial component never opens.
QString devicePath(int portNum);

// True when portNum can name a device at all (1 or more).
inline bool namesDevice(int portNum) { return portNum >= 1; }

} // namespace zovt::portpath
