#pragma once
// The device port as the command code sees it: open, write texts, close.
// Production wraps the serial component; the schedule preview and tests use
// RecordingPort, which keeps every text with the (virtual) time it was written.

#include "device/PortError.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>

namespace zovt {

class Clock;

class PortLink {
public:
    virtual ~PortLink() = default;
    virtual void setPortNum(int n) = 0;
    virtual int portNum() const = 0;
    virtual void open() = 0;
    virtual void close() = 0; // closing a closed port returns at once
    virtual void write(const QByteArray &text) = 0;
    virtual bool active() const = 0;
    // Raises the port error when the device has gone while the port is
    // closed between cycles; an open port reports its own errors. Every port
    // answers it: a wrapper that forgot to pass it on would hide a device
    // that is gone until the next open.
    virtual void checkPresent() = 0;
    // While held, the device is looked up once and opened by every cycle
    // (a playback); otherwise each cycle looks it up anew.
    virtual void holdDevice(bool) {}
    // The device the port opened last, as a path another process can open
    // (empty when there is none, or the port is no device).
    virtual QString devicePath() const { return {}; }
};

class RecordingPort : public PortLink {
public:
    struct Write {
        qint64 ms;
        QByteArray text;
        bool operator==(const Write &o) const { return ms == o.ms && text == o.text; }
    };
    // closeDelayMs: time a close takes (the serial component sleeps 300 ms).
    explicit RecordingPort(Clock &clock, int closeDelayMs = 300);

    void setPortNum(int n) override { m_port = n; }
    int portNum() const override { return m_port; }
    void open() override;
    void close() override;
    void write(const QByteArray &text) override;
    bool active() const override { return m_open; }

    const QVector<Write> &writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }
    int openCount() const { return m_opens; }
    // Makes the next open fail with a serial-port error (a missing device).
    void setFailOpen(bool fail) { m_failOpen = fail; }
    // The device stops taking bytes: texts written from now on are lost, and
    // the next write or close raises the port error, as the serial component
    // does.
    void loseDevice() { m_lost = true; }
    // The device is gone altogether (unplugged, its simulator ended): the
    // next open fails, and so does a presence check while the port is closed.
    void removeDevice() { m_gone = true; }
    void checkPresent() override;
    // The device it stands for, as the real port would name it.
    void setDevicePath(const QString &path) { m_devicePath = path; }
    QString devicePath() const override { return m_devicePath; }
    // Called with every text written (live output of the preview tool).
    void setOnWrite(std::function<void(const Write &)> f) { m_onWrite = std::move(f); }

private:
    Clock &m_clock;
    int m_closeDelay;
    int m_port = 3;
    bool m_open = false;
    bool m_failOpen = false;
    bool m_lost = false;
    bool m_gone = false;
    bool m_unsent = false;
    int m_opens = 0;
    QVector<Write> m_writes;
    QString m_devicePath;
    std::function<void(const Write &)> m_onWrite;
};

} // namespace zovt
