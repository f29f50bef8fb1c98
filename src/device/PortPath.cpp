#include "device/PortPath.h"

#include "storage/WinPath.h"
#include "storage/WineRegistry.h"

#include <QFileInfo>

namespace zovt::portpath {

QString dosDeviceLink(int portNum)
{
    return winpath::prefix() + QStringLiteral("/dosdevices/com") + QString::number(portNum);
}

QString registryDevice(int portNum)
{
    if (!namesDevice(portNum))
        return QString();
    const auto pinned = winereg::systemString(QStringLiteral("Software\\Wine\\Ports"), QStringLiteral("COM%1").arg(portNum));
    return pinned ? pinned->trimmed() : QString();
}

QString devicePath(int portNum)
{
    const QString link = dosDeviceLink(portNum);
    if (!namesDevice(portNum))
        return link;
    // The registry is what the user asked for; the link may still be the one
    // Wine guessed before the pin, or one a previous session left.
    const QString pinned = registryDevice(portNum);
    if (!pinned.isEmpty())
        return pinned;
    // A dangling link still wins: the operator mapped this port to a device
    // that is gone (an unplugged adapter), which must read as "not found"
    // rather than silently reaching some other serial port.
    const QFileInfo fi(link);
    if (fi.exists() || fi.isSymLink())
        return link;
    return QStringLiteral("/dev/ttyS") + QString::number(portNum - 1);
}

} // namespace zovt::portpath
