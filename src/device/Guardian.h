#pragma once
// The guardian: a small process of the controller's own that makes the device
// safe when the controller dies in the middle of a playback (killed, crashed,
// aborted), which would otherwise leave the generator emitting its last
// frequency for good.
//
// The controller forks it first thing in main(), before anything exists that
// it could inherit (no thread, no lock file, no open device), and keeps one
// end of a pipe (a stream socket pair). The guardian keeps nothing but the
// other end and reads line messages from it:
//
//   arm <device path>\t<gap ms>:<text>\t<gap ms>:<text>...
//   disarm
//   bye
//
// arm names the device and a playback's end texts, each with the time that
// passes before it; a later arm replaces them. Every text must be a command of
// either firmware (device/Commands.h): a message naming anything else is
// refused as a whole and changes nothing. When the pipe ends (the controller
// has gone, however) without bye while armed, the guardian takes the device's
// UUCP lock by the controller's rules (its controller's own lock counts as
// stale; a lock of another live process means the device is left alone),
// opens the device as the serial component does, writes the texts with their
// gaps, closes, releases the lock and ends. After bye, or while disarmed, it
// just ends. Every wait after the pipe has ended is bounded, so the guardian
// never outlives its controller by more than the end texts take.

#include "device/EndGuard.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <sys/types.h>

namespace zovt {

class Guardian : public EndGuard {
public:
    // What one arm message may carry.
    static constexpr int kMaxTexts = 16;
    static constexpr int kMaxGapMs = 10000;
    static constexpr int kMaxLineBytes = 4096;
    // How long the device may stay busy after the controller's death: on a
    // pseudo-terminal the exclusive-use mark of the dead controller stays until
    // whoever holds the other side clears it.
    static constexpr int kBusyRetryMs = 5000;
    // The device knows a text's end only by the pause after it: the first
    // text waits at least this long after the controller's death, twice the
    // shortest pause the controller ever leaves, so that it cannot run into
    // a text the controller wrote just before it died.
    static constexpr int kQuietMs = 200;
    // Bounds of one text's write and of the final drain of the device.
    static constexpr int kWriteLimitMs = 1000;
    static constexpr int kDrainLimitMs = 1000;

    Guardian() = default;
    // Closes the pipe without bye: an armed guardian then sends the end texts.
    ~Guardian() override;
    Guardian(const Guardian &) = delete;
    Guardian &operator=(const Guardian &) = delete;

    // Forks the guardian. False when it cannot run; that is said once on
    // stderr, under the program's name, and the controller runs without it.
    bool start(const char *program);
    bool running() const { return m_fd >= 0; }
    pid_t pid() const { return m_pid; }

    // Never block and never raise: a guardian that is slow to read gets the
    // message as soon as it can take it, one that has gone gets nothing.
    void arm(const QString &devicePath, const QVector<EndText> &texts) override;
    void disarm() override;
    // The orderly end of the controller: bye, then the pipe closes and the
    // guardian ends without touching the device (it is reaped when it ends
    // within a moment, so that no zombie outlives an exec of the controller).
    void farewell();

    // ---- The guardian's side ------------------------------------------------
    struct Message {
        enum class Kind { Arm, Disarm, Bye, Refused };
        Kind kind = Kind::Refused;
        QByteArray devicePath; // the path's bytes, as the file system has them
        QVector<EndText> texts;
    };
    // The arm line (without its line feed); empty when the path or a text
    // cannot be put into a line (a tab or line feed in it).
    static QByteArray armMessage(const QString &devicePath, const QVector<EndText> &texts);
    static Message parse(const QByteArray &line);
    // A command of the old or the new firmware, and nothing else.
    static bool isCommand(const QByteArray &text);
    // The guardian's loop on fd until the pipe ends; then the end texts, when
    // armed. controllerPid: the process whose lock counts as stale.
    static void serve(int fd, pid_t controllerPid);
    // Takes the device and writes the texts; false when it was left alone
    // (held by another live process, not to be opened) or a write failed.
    static bool sendEnd(const QByteArray &devicePath, const QVector<EndText> &texts);

private:
    void send(const QByteArray &line);
    // Hands pending bytes to the pipe, waiting up to waitMs for room; false
    // when some remain.
    bool flush(int waitMs);
    void lost(int err);

    const char *m_program = "zovt";
    int m_fd = -1;
    pid_t m_pid = -1;
    QByteArray m_pending; // bytes of messages the pipe has not taken yet
};

} // namespace zovt
