#include "device/PortPath.h"

#include "storage/WinPath.h"

#include <QFileInfo>

namespace zovt::portpath {

QString dosDeviceLink(int portNum)
{
    return winpath::prefix() + QStringLiteral("/dosdevices/com") + QString::number(portNum);
}

QString devicePath(int portNum)
{
    const QString link = dosDeviceLink(portNum);
    if (!namesDevice(portNum))
        return link;
    // A dangling link still wins: the operator mapped this port to a device
    // that is gone (an unplugged adapter), which must read as "not found"
    // rather than silently reaching some other serial port.
    const QFileInfo fi(link);
    if (fi.exists() || fi.isSymLink())
        return link;
    return QStringLiteral("/dev/ttyS") + QString::number(portNum - 1);
}

} // namespace zovt::portpath
