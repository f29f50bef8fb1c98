#include "device/PortPath.h"

#include "storage/WinPath.h"
#include "storage/WineRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sys/stat.h>

namespace zovt::portpath {

QString simulatorStateDirectory()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/zovt"));
}

namespace {

QString g_deviceRoot; // empty: /dev

// lstat, not exists(): a node is there even when it is a dangling link.
bool present(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

void setDeviceRoot(const QString &dir)
{
    g_deviceRoot = dir;
    while (g_deviceRoot.size() > 1 && g_deviceRoot.endsWith(QLatin1Char('/')))
        g_deviceRoot.chop(1);
}

QString deviceRoot() { return g_deviceRoot.isEmpty() ? QStringLiteral("/dev") : g_deviceRoot; }

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

QVector<int> pinnedPorts()
{
    QVector<int> out;
    // The registry file is parsed once; each look-up is a hash probe.
    for (int n = 1; n <= kMaxPorts; ++n)
        if (!registryDevice(n).isEmpty())
            out << n;
    return out;
}

QVector<Resolution> wineOrder(const QString &devRoot, const QVector<int> &pinned)
{
    QVector<Resolution> out;
    int next = 1;
    const auto skipPinned = [&] {
        while (next <= kMaxPorts && pinned.contains(next))
            ++next;
    };
    for (const char *family : {"ttyS", "ttyUSB", "ttyACM"}) {
        for (int i = 0; i < kMaxPorts; ++i) {
            const QString node = devRoot + QLatin1Char('/') + QLatin1String(family) + QString::number(i);
            if (!present(node))
                break;
            skipPinned();
            if (next > kMaxPorts)
                return out;
            out.append({next, node, Source::WineOrder});
            ++next;
        }
    }
    return out;
}

Resolution resolve(int portNum)
{
    const QString link = dosDeviceLink(portNum);
    if (!namesDevice(portNum))
        return {portNum, link, Source::None};
    // The registry is what the user asked for; the link may still be the one
    // Wine guessed before the pin, or one a previous session left.
    const QString pinned = registryDevice(portNum);
    if (!pinned.isEmpty())
        return {portNum, pinned, Source::Pin};
    // A dangling link still wins: the operator mapped this port to a device
    // that is gone (an unplugged adapter), which must read as "not found"
    // rather than silently reaching some other serial port.
    if (present(link))
        return {portNum, link, Source::Link};
    if (portNum <= kMaxPorts) {
        for (const Resolution &r : wineOrder(deviceRoot(), pinnedPorts()))
            if (r.port == portNum)
                return r;
    }
    return {portNum, link, Source::None};
}

QString devicePath(int portNum) { return resolve(portNum).path; }

QVector<Resolution> allPorts()
{
    const QVector<int> pins = pinnedPorts();
    const QVector<Resolution> order = wineOrder(deviceRoot(), pins);
    QVector<Resolution> out;
    for (int n = 1; n <= kMaxPorts; ++n) {
        const QString pinned = registryDevice(n);
        if (!pinned.isEmpty()) {
            out.append({n, pinned, Source::Pin});
            continue;
        }
        const QString link = dosDeviceLink(n);
        if (present(link)) {
            out.append({n, link, Source::Link});
            continue;
        }
        const auto it = std::find_if(order.begin(), order.end(), [n](const Resolution &r) { return r.port == n; });
        if (it != order.end())
            out.append(*it);
    }
    return out;
}

} // namespace zovt::portpath
