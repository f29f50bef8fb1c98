#pragma once
// The serial component on a POSIX tty, reduced to what the controller uses:
// a port number, open, queued writes of plain texts, close.
//
// Open takes the device exclusively (TIOCEXCL plus a UUCP lock file, so that
// even root processes keep off a port in use; the lock may be kept from one
// open to the next, so that the port stays reserved between cycles), sets 9600 bit/s 8N1 raw with
// no flow control and drops DTR and RTS. A text goes straight to the device
// when nothing waits before it; what the device does not take at once goes
// into a 2048-byte queue that a writer thread empties into the device; a
// text that cannot be queued within 1000 ms raises "Output buffer is full...". Close lets the queue and
// the driver drain for a bounded time, undoes the exclusive mark, removes the
// lock, closes the device and then pauses 300 ms, the pause every port cycle
// pays. The line settings stay on the device after close, as a Windows driver
// keeps its DCB; nothing else the open did survives it.
//
// All calls come from one thread (the GUI thread). The writer thread never
// calls back: when the device stops taking bytes for good (an I/O error, a
// hang-up) the writer keeps the unsent bytes and stops, and the next
// WriteText or Close raises the port error. A device that is merely slow is
// waited for.

#include "device/PortError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

struct termios;

namespace zovt {

class UucpLock;

class TVaComm {
public:
    static constexpr int kBaudrate = 9600;
    static constexpr int kWriteSize = 2048;  // the write queue
    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kCloseDelayMs = 300;
    // How long Close waits at most for queued and driver-buffered bytes.
    static constexpr int kDrainLimitMs = 1000;

    TVaComm();
    ~TVaComm();
    TVaComm(const TVaComm &) = delete;
    TVaComm &operator=(const TVaComm &) = delete;

    // Refused with "Can't perform this operation while port is open" while open.
    void SetPortNum(int n);
    int PortNum() const { return m_portNum; }
    // The device path the current port number names, looked up now.
    QString DeviceName() const;
    // While held (a playback), the device found by the first Open is opened
    // again by every later one without looking it up anew, and the lock file
    // found ours then is trusted to stay so; otherwise every Open looks both
    // up, so that an adapter plugged in again is found at the next cycle.
    // Releasing while closed forgets the device found.
    void HoldDevice(bool hold);
    // The tty the last Open found, its links followed; empty before the
    // first Open and once a released device has been forgotten.
    QString OpenedDevice() const { return m_resolvedTarget; }

    void Open();
    // Open: drains (bounded), closes and pauses kCloseDelayMs; raises the
    // port error, with the port closed, when queued bytes could not be
    // written. Closed: returns at once.
    void Close();
    bool Active() const { return m_fd >= 0; }
    // Between cycles the port is closed, so nothing else would notice a
    // device that went away: raises "device not found" then, as Open would.
    // Looks at the device the last Open found (looked up only before the
    // first Open).
    void CheckPresent() const;

    // Queues exactly these bytes. Closed port: nothing happens, the result is
    // false (true for an empty text). Open: true, or EVaCommError when the
    // queue cannot take the text within kWriteTimeoutMs or the device failed
    // to take bytes queued before.
    bool WriteText(const QByteArray &text);
    bool WriteText(const QString &text); // converted to the ANSI code page
    bool WriteText(const char *text) { return WriteText(QByteArray(text)); }

    // Called after every text that reached the device straight from WriteText,
    // with the clock's last wake (lastWakeNs) and how late it came
    // (lastWakeLateNs), the moment write() was called
    // and the moment it returned, in ns of std::chrono::steady_clock; for the
    // timing tools (WriteTimings). One probe for the process; empty: none.
    static void setWriteProbe(
        std::function<void(qint64 wakeNs, qint64 wakeLateNs, qint64 calledNs, qint64 returnedNs)> probe);

    // The pause after closing. Defaults to a plain sleep of the calling thread
    // (no event processing, so nothing re-enters the caller meanwhile). The
    // program may route it through Clock::sleep; tests make it instant.
    void setCloseDelay(std::function<void(int ms)> delay);

    // Lock-file directories, searched in this order for a lock held by
    // another process; the lock is created in the first one that takes it.
    // Default: /run/lock, /var/lock, $XDG_RUNTIME_DIR, /tmp (duplicates and
    // missing entries dropped). An empty list restores the default.
    static void setLockDirectories(const QStringList &dirs);
    static QStringList lockDirectories();
    // "LCK..ttyS0" for /dev/ttyS0, "LCK..pts_3" for /dev/pts/3: the UUCP
    // name of the device a path resolves to.
    static QString lockName(const QString &devicePath);
    // The lock file this component holds (empty when none).
    QString lockFile() const;
    // Keeps the device's lock from one Open to the next, until the component
    // is destroyed, releaseLock() is called or another device is opened:
    // a controller reserves its port for its whole run, though it opens the
    // device only for each cycle. Off by default.
    void setKeepLock(bool keep);
    // Gives up a kept lock (while closed).
    void releaseLock() noexcept;

private:
    void checkClosed() const;
    // Opens target (the tty itself); errors name path (as the port number
    // resolved).
    void createHandle(const QString &path, const QString &target);
    void setLineSettings();
    void resolve();
    void resetWriter();
    void startWriter();
    void destroyHandle() noexcept;
    void drain();
    void stopWriter() noexcept;
    void writerLoop();
    void wakeWriter() noexcept;
    void throwIfWriteFailed();

    int m_portNum = 0;
    bool m_holdDevice = false;
    bool m_lockChecked = false; // the lock was found ours since the device was held
    QString m_resolved;       // the device the last Open found, as looked up
    QString m_resolvedTarget; // the same with its links followed
    int m_fd = -1;
    int m_wakeFd = -1; // eventfd that wakes the writer thread
    std::unique_ptr<UucpLock> m_uucp;
    bool m_keepLock = false;
    std::function<void(int)> m_closeDelay;

    // Shared with the writer thread, guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_changed; // queue shrank or the writer gave up
    QByteArray m_queue;
    bool m_stop = false;
    int m_writeError = 0; // errno of a write the device refused for good; 0: none
    std::thread m_writer;
};

// Puts into t what the component sets on its device: 9600 bit/s 8N1, raw,
// receiver on, modem lines ignored, no flow control, reads that never wait.
// Whoever else opens the device for the controller sets the same.
void applyLineSettings(struct termios &t);

// Problems of a tty's line settings compared with what the component sets
// (9600 8N1, raw, receiver on, modem lines ignored, no flow control), as
// short English phrases; empty when the settings are right.
QStringList lineSettingsProblems(const struct termios &t);

} // namespace zovt
