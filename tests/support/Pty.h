#pragma once
// A pseudo-terminal standing in for the generator device. The slave end is
// held open for the helper's whole life, so that the controller's closes never
// hang the line up and the line settings the controller leaves stay readable.
// The master end receives what the controller writes.

#include <QByteArray>
#include <QString>

#include <termios.h>

namespace zovt::test {

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isOpen() const { return m_master >= 0 && m_slave >= 0; }
    QString error() const { return m_error; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }

    // Points $WINEPREFIX/dosdevices/comN at the slave (creating dosdevices/
    // and replacing whatever was there); returns the link's path. The link is
    // removed again by the destructor.
    QString linkAsCom(int port);

    // Closes the master end: the device is gone, the slave now fails writes.
    void closeMaster();

    // Everything that has arrived so far, without waiting.
    QByteArray readAvailable();
    // Reads until n bytes have arrived or timeoutMs passed; returns what came.
    QByteArray read(int n, int timeoutMs);
    // Waits up to timeoutMs for anything to arrive; true if something is there.
    bool waitReadable(int timeoutMs);

    // The line settings of the terminal as the controller left them.
    termios settings() const;
    bool setSettings(const termios &t);
    // Whether the terminal is marked for exclusive use (TIOCEXCL).
    bool exclusive() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
    QString m_link;
};

} // namespace zovt::test
