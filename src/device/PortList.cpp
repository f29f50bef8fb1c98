#include "device/PortList.h"

#include "device/UucpLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <pwd.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace zovt::portlist {

namespace {

QString g_sysRoot; // empty: /sys

// Small sysfs and proc attributes: one line, bounded.
QString readAttribute(const QString &path)
{
    QFile f(path);
    const QFileInfo fi(path);
    if (!fi.isFile() || !f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.read(256)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString uartName(int type)
{
    // The names setserial gives the kernel's PORT_ numbers.
    static const char *const names[] = {"unknown", "8250",   "16450",  "16550",  "16550A", "Cirrus", "16650",
                                        "16650V2", "16750",  "16950",  "16954",  "16654",  "16850",  "RSA",
                                        "NS16550A"};
    if (type >= 0 && type < int(sizeof names / sizeof *names))
        return QString::fromLatin1(names[type]);
    return QStringLiteral("type %1").arg(type);
}

// The UART type from sysfs, else TIOCGSERIAL; -1 when neither tells.
int uartType(const QString &device, const QString &base)
{
    const QString fromSys = readAttribute(sysRoot() + QStringLiteral("/class/tty/") + base + QStringLiteral("/type"));
    bool ok = false;
    const int t = fromSys.toInt(&ok);
    if (ok)
        return t;
    struct stat st;
    const QByteArray native = QFile::encodeName(device);
    if (::stat(native.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return -1;
    const int fd = ::open(native.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EIO ? 0 : -1; // a UART that is not there refuses every open
    serial_struct ss{};
    const int rc = ::ioctl(fd, TIOCGSERIAL, &ss);
    ::close(fd);
    return rc == 0 ? ss.type : -1;
}

// The USB device above a tty in sysfs: the first ancestor with idVendor.
QString usbDescription(const QString &base)
{
    const QString link = sysRoot() + QStringLiteral("/class/tty/") + base + QStringLiteral("/device");
    QString dir = QFileInfo(link).canonicalFilePath();
    const QString root = QFileInfo(sysRoot()).canonicalFilePath();
    for (int depth = 0; depth < 8 && !dir.isEmpty() && dir != root && dir != QLatin1String("/"); ++depth) {
        const QString vendor = readAttribute(dir + QStringLiteral("/idVendor"));
        if (!vendor.isEmpty()) {
            QString d = QStringLiteral("USB: %1:%2").arg(vendor, readAttribute(dir + QStringLiteral("/idProduct")));
            const QString maker = readAttribute(dir + QStringLiteral("/manufacturer"));
            const QString product = readAttribute(dir + QStringLiteral("/product"));
            if (!maker.isEmpty())
                d += QLatin1Char(' ') + maker;
            if (!product.isEmpty())
                d += QLatin1Char(' ') + product;
            const QString serial = readAttribute(dir + QStringLiteral("/serial"));
            if (!serial.isEmpty())
                d += QStringLiteral(", serial ") + serial;
            return d;
        }
        dir = QFileInfo(dir).path();
    }
    return QString();
}

bool isPseudoTerminal(const QString &device)
{
    if (device.startsWith(QLatin1String("/dev/pts/")))
        return true;
    struct stat st;
    // Unix98 pty slaves have majors 136 to 143.
    return ::stat(QFile::encodeName(device).constData(), &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136
        && major(st.st_rdev) <= 143;
}

// The name the operator would type for their own account.
QString userName()
{
    const passwd *pw = ::getpwuid(::geteuid());
    return pw && pw->pw_name && *pw->pw_name ? QString::fromLocal8Bit(pw->pw_name) : QStringLiteral("$USER");
}

QString processName(long pid) { return readAttribute(QStringLiteral("/proc/%1/comm").arg(pid)); }

QString portText(const PortInfo &i) { return QStringLiteral("COM%1 (%2)").arg(i.where.port).arg(i.device.isEmpty() ? i.where.path : i.device); }

int errnoOf(const QString &errorText)
{
    static const QRegularExpression re(QStringLiteral("\\(Error (\\d+),"));
    const auto m = re.match(errorText);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

void setSysRoot(const QString &dir) { g_sysRoot = dir; }

QString sysRoot() { return g_sysRoot.isEmpty() ? QStringLiteral("/sys") : g_sysRoot; }

QString sourceText(portpath::Source source)
{
    switch (source) {
    case portpath::Source::Pin:
        return QStringLiteral("pin");
    case portpath::Source::Link:
        return QStringLiteral("link");
    case portpath::Source::WineOrder:
        return QStringLiteral("Wine's order");
    case portpath::Source::None:
        break;
    }
    return QStringLiteral("none");
}

PortInfo describe(const portpath::Resolution &where)
{
    PortInfo info;
    info.where = where;
    // A loop has no canonical path yet still lstats as a link, which would
    // read as a device that is there.
    struct stat st;
    if (::stat(QFile::encodeName(where.path).constData(), &st) != 0 && errno == ELOOP) {
        info.kind = PortInfo::Kind::LinkLoop;
        info.what = QStringLiteral("its links lead round in a loop");
        return info;
    }
    info.device = QFileInfo(where.path).canonicalFilePath();
    if (info.device.isEmpty())
        return info;
    const QString base = QFileInfo(info.device).fileName();
    if (isPseudoTerminal(info.device)) {
        info.kind = PortInfo::Kind::PseudoTerminal;
        info.what = QStringLiteral("pseudo-terminal (a device simulator)");
    } else if (const QString usb = usbDescription(base); !usb.isEmpty()) {
        info.kind = PortInfo::Kind::Usb;
        info.what = usb;
    } else if (base.startsWith(QLatin1String("ttyUSB")) || base.startsWith(QLatin1String("ttyACM"))) {
        info.kind = PortInfo::Kind::Usb;
        info.what = QStringLiteral("USB: adapter");
    } else if (const int type = base.startsWith(QLatin1String("ttyS")) ? uartType(info.device, base) : -1; type >= 0) {
        info.kind = type == 0 ? PortInfo::Kind::UartNoHardware : PortInfo::Kind::Uart;
        info.what = type == 0 ? QStringLiteral("UART: unknown (no hardware)") : QStringLiteral("UART: ") + uartName(type);
    } else {
        info.kind = PortInfo::Kind::Other;
        const QFileInfo fi(info.device);
        info.what = fi.isFile() || fi.isDir() ? QStringLiteral("not a device") : QStringLiteral("serial device");
    }

    info.access = PortInfo::Access::Free;
    const UucpLock::Verdict lock = UucpLock::find(info.device, std::time(nullptr));
    if (lock.kind == UucpLock::Verdict::Kind::Held && lock.pid != long(::getpid())) {
        info.access = PortInfo::Access::Held;
        info.holderPid = lock.pid;
        info.holderName = processName(lock.pid);
    } else if (lock.kind == UucpLock::Verdict::Kind::Invalid) {
        info.access = PortInfo::Access::BadLock;
        info.lockText = lock.text();
    } else if (::access(QFile::encodeName(info.device).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        info.access = PortInfo::Access::Denied;
    }
    return info;
}

QString line(const PortInfo &i)
{
    QString out = QStringLiteral("COM%1").arg(i.where.port).leftJustified(6) + i.where.path;
    if (!i.device.isEmpty() && i.device != i.where.path)
        out += QStringLiteral(" -> ") + i.device;
    out += QStringLiteral(", ") + (i.kind == PortInfo::Kind::Missing ? QStringLiteral("missing") : i.what);
    out += QStringLiteral(", number: ") + sourceText(i.where.source);
    switch (i.access) {
    case PortInfo::Access::Free:
        out += QStringLiteral(", free");
        break;
    case PortInfo::Access::Held:
        // The words the reason for a failed open uses, so that the two read alike.
        out += QStringLiteral(", held by process %1").arg(i.holderPid);
        if (!i.holderName.isEmpty())
            out += QStringLiteral(" (%1)").arg(i.holderName);
        break;
    case PortInfo::Access::BadLock:
        out += QStringLiteral(", ") + i.lockText;
        break;
    case PortInfo::Access::Denied:
        out += QStringLiteral(", no access for this user");
        break;
    case PortInfo::Access::Missing:
        break;
    }
    return out;
}

QStringList lines()
{
    QStringList out;
    for (const auto &r : portpath::allPorts())
        out << line(describe(r));
    return out;
}

bool heldByAnotherController(const PortInfo &info)
{
    return info.access == PortInfo::Access::Held && !info.holderName.isEmpty()
        && info.holderName == processName(long(::getpid()));
}

QString explainFailure(int portNum, const QString &errorText)
{
    const PortInfo info = describe(portpath::resolve(portNum));
    QStringList present;
    QString adapters;
    for (const auto &r : portpath::allPorts()) {
        if (r.port == portNum)
            continue;
        const PortInfo other = describe(r);
        // An on-board port with no hardware behind it is no place to look.
        if (other.kind == PortInfo::Kind::Missing || other.kind == PortInfo::Kind::LinkLoop
            || other.kind == PortInfo::Kind::UartNoHardware)
            continue;
        present << portText(other);
        if (other.kind == PortInfo::Kind::Usb && adapters.isEmpty())
            adapters = portText(other);
    }
    const QString listHint = QStringLiteral(" (zovt-generator --list-ports tells them apart)");
    const QString withoutDevice = QStringLiteral(", or try the controller without one: zovt-generator --simulator starts "
                                                 "the device simulator zovt-devsim at COM%1 first").arg(portNum);
    const QString simulatorToo = QStringLiteral("; without a generator, zovt-generator --simulator starts the device "
                                                "simulator zovt-devsim at COM%1 first").arg(portNum);
    const QString elsewhere = !adapters.isEmpty() ? QStringLiteral("; a USB adapter is at ") + adapters
                            : !present.isEmpty() ? QStringLiteral("; serial ports here: ") + present.join(QStringLiteral(", ")) + listHint + simulatorToo
                                                 : QStringLiteral("; no other serial port is present: plug the generator in") + withoutDevice;

    if (info.kind == PortInfo::Kind::Missing) {
        if (present.isEmpty())
            return QStringLiteral("COM%1 (%2): no such device, and no serial port is present: plug the generator in%3")
                .arg(portNum)
                .arg(info.where.path, withoutDevice);
        return QStringLiteral("COM%1 (%2): no such device; serial ports here: %3%4%5")
            .arg(portNum)
            .arg(info.where.path, present.join(QStringLiteral(", ")), listHint, simulatorToo);
    }
    if (info.kind == PortInfo::Kind::LinkLoop)
        return QStringLiteral("%1: %2; point %3 at the serial device").arg(portText(info), info.what, info.where.path);
    if (info.access == PortInfo::Access::BadLock)
        return QStringLiteral("%1: %2; remove it once no program uses the port, and start again").arg(portText(info), info.lockText);
    if (info.access == PortInfo::Access::Held) {
        const QString who = info.holderName.isEmpty() ? QStringLiteral("process %1").arg(info.holderPid)
                                                       : QStringLiteral("process %1 (%2)").arg(info.holderPid).arg(info.holderName);
        if (heldByAnotherController(info))
            return QStringLiteral("%1 is held by another copy of this controller, %2: close that copy, or end it, and start again")
                .arg(portText(info), who);
        return QStringLiteral("%1 is held by %2: close that program and start again").arg(portText(info), who);
    }
    if (info.access == PortInfo::Access::Denied)
        return QStringLiteral("%1: permission denied; serial ports belong to the dialout group: "
                              "sudo usermod -aG dialout %2, then log out and in again")
            .arg(portText(info), userName());
    const int err = errnoOf(errorText);
    if (info.kind == PortInfo::Kind::UartNoHardware || (err == EIO && info.kind == PortInfo::Kind::Uart))
        return QStringLiteral("%1 is an on-board serial port with no hardware behind it%2").arg(portText(info), elsewhere);
    if (err == EBUSY)
        return QStringLiteral("%1 is in exclusive use by another program: close it and start again").arg(portText(info));
    if (err == ENOTTY || info.what == QLatin1String("not a device"))
        return QStringLiteral("%1 is not a serial device%2").arg(portText(info), elsewhere);
    return QString();
}

} // namespace zovt::portlist
