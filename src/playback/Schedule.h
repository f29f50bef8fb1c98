#pragma once
// The schedule preview: plays a program file as a freshly started controller
// with default settings would, through the same program, playback and device
// code, on a virtual clock and a recording port, and reports every text the
// device receives with its time and meaning. These are its results and
// options; app/ScheduleRun runs it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

namespace zovt {

class Clock;
class PortLink;

struct ScheduleOptions {
    QString file;          // native path of the program file
    QList<int> entries;    // 1-based list entries; none: the first
    bool playAll = false;  // play-all from the first entry instead
    bool newFirmware = false;
    int colortype = 0;     // Colortype item after loading
    int comPort = 3;       // port number, as without "COM_Nr.dat"
    // Where to play: by default a virtual clock and a recording port. A real
    // clock and a serial port play in real time (bench tests, measurements);
    // the clock's error sink is taken for the run and cleared afterwards.
    Clock *clock = nullptr;
    PortLink *port = nullptr;
    // Whether the result keeps every write and row. A caller that takes them
    // from the sink as they happen (the tool prints them, its picture reduces
    // them) leaves this off, so that a program of a million rows costs no
    // memory per row.
    bool keepEvents = true;
};

struct ScheduleWrite {
    qint64 ms = 0;
    QByteArray text;
    QString meaning;
    double hz = 0;          // the frequency a value stands for; 0 for a command
    qint32 unit = 0;        // hertz per unit of the row the value was read in (1 Hz, 1000 kHz, ...)
};

struct ScheduleRow {
    int entry = 0;          // 1-based list entry
    int row = 0;            // 1-based row of the program
    QString name;           // the row's name field
    qint64 startMs = 0;     // when its first value is written
};

struct ScheduleProgram {
    int entry = 0;          // 1-based
    QString header;         // the header line in the file
    qint32 totalSeconds = 0;
    qint64 startMs = 0;
    qint64 endMs = 0;
};

struct ScheduleProblem {
    qint64 ms = 0;          // when it happened
    int line = 0;           // 1-based line of the file; 0 when unknown
    int entry = 0;          // 1-based list entry
    int row = 0;            // row of the program; 0 when not at a row
    QString reason;         // the error
    QString consequence;    // what it does to the run
};

struct ScheduleResult {
    QVector<ScheduleWrite> writes;      // empty unless the options keep events
    QVector<ScheduleProgram> programs;
    QVector<ScheduleRow> rows;          // empty unless the options keep events
    QVector<ScheduleProblem> problems;
    qint64 totalMs = 0;
    QString error;          // the file could not be loaded or an entry does not exist
};

// "h:mm:ss.mmm".
QString scheduleTime(qint64 ms);

// Each event as it happens: what the preview prints, and the row starts
// its picture marks.
struct ScheduleSink {
    std::function<void(const ScheduleWrite &)> write;
    std::function<void(const ScheduleProgram &)> programStarted;
    std::function<void(const ScheduleRow &)> rowStarted;
    std::function<void(const ScheduleProgram &)> programEnded;
    std::function<void(const ScheduleProblem &)> problem;
};

// Makes dir a minimal Wine prefix: an empty drive C: and drive Z: on "/".
bool makeScratchPrefix(const QString &dir);

} // namespace zovt
