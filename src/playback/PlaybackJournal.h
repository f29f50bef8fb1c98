#pragma once
// The journal of the playback in progress: enough to tell, after the
// controller ended without its closing path (a kill, a crash, a power cut),
// what was playing for whom and how far it got, so that the next start can
// add the interrupted playback to the client's protocol and offer to play the
// rest. It lives in the data folder from the playback's protocol start to its
// end steps; a journal found at start-up is the mark of an unexpected end.


#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zovt {

struct JournalRecord {
    QDateTime started;      // local time the playback began
    QDateTime updated;      // local time this record was written
    QString programFile;    // Windows path of the program file the list came from; empty for a wish
    int entry = -1;         // the program's entry in the list (Pozadplay)
    QString entryText;      // that entry as the list showed it before the playback marked it
    QString header;         // the program's header as displayed (MemoPlayShow line 0)
    QString clientFile;     // the client file loaded (PRSAdresaAkt); empty without a client
    QString clientName;     // the client's name as the panel showed it
    qint64 totalSeconds = 0;  // the program's whole time
    qint64 earlierSeconds = 0; // played before this session (the part a resumed playback skips)
    qint64 playedSeconds = 0;  // time played in this session up to this record
    int row = 0;            // row being played (1-based); 0 before the first row
    qint64 rowLeftMs = 0;   // what that row had left to play, in ms
    // The protocol was begun: where it goes, and the lines the playback's
    // record starts with (the client header when the file is new, then the
    // date line), as the protocol start made them.
    QString protocolFile;
    QStringList clientHeader;
    QString protocolStartLine;

    bool resumable() const { return !programFile.isEmpty() && entry >= 0 && row >= 1; }
    // What the program still had to play.
    qint64 restSeconds() const { return totalSeconds - earlierSeconds - playedSeconds; }
};

namespace journal {

// "key=value" lines in UTF-8 with CR LF; a value never holds a line break.
QByteArray encode(const JournalRecord &r);
// nullopt for anything that is not a whole record.
std::optional<JournalRecord> decode(const QByteArray &bytes);

// The three lines that record an interrupted playback in its protocol: the
// date line of its start, the time actually played with the header and the
// mark, and the separator.
QStringList interruptedLines(const JournalRecord &r, const QString &mark);

// Adds the interrupted playback to the client's protocol file (a new file
// starts with the client header). Throws FileError; nothing is written when
// the record has no protocol.
void recordInterrupted(const JournalRecord &r, const QString &mark);

} // namespace journal

class Clock;

// Keeps the journal of the running playback in the data folder: written at
// its start, at every row's first write and at most once a minute within a
// row, removed once the playback has run its end steps. Never a reason for
// a playback to stop: a journal that cannot be written is said once on
// stderr.
class JournalWriter {
public:
    explicit JournalWriter(Clock &clock) : m_clock(clock) {}

    void begin(const JournalRecord &r);
    // rowStart: the row's first value was just written (recorded at once);
    // otherwise the record is brought up to date and falls due when a minute
    // has passed since the last one written.
    void progress(int row, qint64 rowLeftMs, qint64 playedSeconds, bool rowStart);
    // Writes a record that fell due. Called where no value is waiting to go
    // to the device (right after a write, or on a tick that writes nothing),
    // so that the record's fsync never stands between a timer's wake and the
    // value due then.
    void writeDue();
    void end();
    bool active() const { return m_active; }
    const JournalRecord &record() const { return m_record; }

    // The local date and time (injectable: the clock has no calendar).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    static constexpr qint64 kEveryMs = 60000;

private:
    void write();

    Clock &m_clock;
    JournalRecord m_record;
    bool m_active = false;
    bool m_failedOnce = false;
    bool m_due = false;   // a minute passed since m_lastMs; progress sets it
    qint64 m_lastMs = 0;  // clock ms of the last record written
};

} // namespace zovt
