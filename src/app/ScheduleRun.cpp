#include "app/ScheduleRun.h"

#include "app/Application.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/ErrorPolicy.h"
#include "core/Excerpt.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"
#include "core/WindowState.h"
#include "device/CommandMeaning.h"
#include "device/PortLink.h"
#include "playback/DeviceValue.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "ui/MainWindowDesign.h"

#include <memory>

namespace zovt {

namespace {


bool isValueText(const QByteArray &text)
{
    if (text.size() < 3)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The first row of the selected program that does not parse, or 0. A parse
// fails only on a field's own text, never on what earlier rows left.
int firstBadRow(const QStringList &memoPlay)
{
    RowVars scratch;
    for (qsizetype i = 1; i < memoPlay.size(); ++i) {
        try {
            Nactiradekdata(memoPlay.at(i), scratch);
        } catch (const ConvertError &) {
            return int(i);
        }
    }
    return 0;
}

// Passes everything to the port underneath and reports each text that
// reaches an open port.
class ObservingPort : public PortLink {
public:
    ObservingPort(PortLink &inner, std::function<void(const QByteArray &)> seen)
        : m_inner(inner), m_seen(std::move(seen))
    {
    }
    void setPortNum(int n) override { m_inner.setPortNum(n); }
    int portNum() const override { return m_inner.portNum(); }
    void open() override { m_inner.open(); }
    void close() override { m_inner.close(); }
    void write(const QByteArray &text) override
    {
        const bool open = m_inner.active();
        m_inner.write(text);
        if (open)
            m_seen(text);
    }
    bool active() const override { return m_inner.active(); }
    void checkPresent() override { m_inner.checkPresent(); }

private:
    PortLink &m_inner;
    std::function<void(const QByteArray &)> m_seen;
};

} // namespace



ScheduleResult runSchedule(const ScheduleOptions &options, const ScheduleSink &sink)
{
    ScheduleResult result;

    std::unique_ptr<VirtualClock> ownClock;
    if (!options.clock) {
        ownClock = std::make_unique<VirtualClock>();
        ownClock->setProcessQtEvents(false);
    }
    Clock &clock = options.clock ? *options.clock : *ownClock;
    std::unique_ptr<RecordingPort> ownPort;
    if (!options.port)
        ownPort = std::make_unique<RecordingPort>(clock);
    PortLink &innerPort = options.port ? *options.port : *ownPort;
    const qint64 origin = clock.nowMs();
    const auto now = [&] { return clock.nowMs() - origin; };

    MemorySurface ui{design::mainWindowControls()};
    std::function<void(const QByteArray &)> seen;
    ObservingPort port(innerPort, [&](const QByteArray &text) { seen(text); });
    ScriptedDialogs dialogs;
    // The whole application, wired as the window's: the preview cannot drift
    // from what a playback really does.
    Application app(clock, ui, port, dialogs);
    WindowState &st = app.state();
    ProgramController &programs = app.program();
    PlaybackController &playback = app.playback();
    // Nothing of the preview is ever resumed.
    playback.keepNoJournal();

    // The state start-up leaves with default settings.
    st.comPort = options.comPort;
    ui.setChecked(f19::VerzeSwZovT, options.newFirmware);
    ui.setText(f19::Pause, f19::PauseCaptionRunning);
    ui.setIndex(f19::Kikratebar, 1);
    playback.KikratebarChange();
    ui.setText(f19::PRSAdresaDBZ, paths::DefaultClientDir);
    ui.setText(f19::PRSAdresaPresmerovani, paths::DefaultExportRoot);
    ui.setEnabled(f19::Konec, true);

    const auto fileLine = [&](int entry0, int row) {
        const ProgramFile &f = programs.programFile();
        if (entry0 < 0 || entry0 >= f.headerCount())
            return 0;
        return int(f.headerLine(entry0)) + row + 1;
    };
    const auto report = [&](ScheduleProblem p) {
        p.ms = now();
        result.problems.append(p);
        if (sink.problem)
            sink.problem(p);
    };

    seen = [&](const QByteArray &text) {
        ScheduleWrite out{now(), text, QString()};
        if (isValueText(text)) {
            const qint64 v = text.toLongLong();
            out.meaning = deviceValueInUnit(v, st.row.HzkHz);
            out.hz = deviceValueHz(v, st.row.HzkHz);
            out.unit = st.row.HzkHz;
            if (out.meaning.isEmpty())
                out.meaning = commandMeaning(text, options.newFirmware) + QStringLiteral(" (no unit read yet)");
            if (ui.isChecked(f19::OrvaTGener))
                out.meaning = QStringLiteral("random value, read as ") + out.meaning;
        } else {
            out.meaning = commandMeaning(text, options.newFirmware);
        }
        if (options.keepEvents)
            result.writes.append(out);
        else if (ownPort)
            ownPort->clearWrites(); // nobody reads them back: a long run would hold every text
        if (sink.write)
            sink.write(out);
    };

    ScheduleProgram current;
    playback.playStarted = [&](int entry) {
        current = ScheduleProgram();
        current.entry = entry + 1;
        current.header = ui.line(f19::MemoPlay, 0);
        current.startMs = now();
        if (sink.programStarted)
            sink.programStarted(current);
    };
    playback.playEnded = [&](int) {
        current.endMs = now();
        current.totalSeconds = st.engine.CasCelkFIX;
        result.programs.append(current);
        if (sink.programEnded)
            sink.programEnded(current);
    };
    playback.engine().rowStarted = [&](int row) {
        const ScheduleRow r{current.entry, row, st.row.FrJm, now()};
        if (options.keepEvents)
            result.rows.append(r);
        if (sink.rowStarted)
            sink.rowStarted(r);
    };
    playback.faulted = [&](const PlaybackFault &f) {
        ScheduleProblem p;
        p.entry = f.entry + 1;
        p.row = f.row;
        p.line = fileLine(f.entry, f.row);
        p.reason = f.reason;
        p.consequence = QStringLiteral("the playback ends here");
        report(p);
    };
    // Errors of timer handlers: the next program of a play-all run whose
    // rows do not all parse ends the run before it is played.
    struct SinkReset {
        Clock &c;
        ~SinkReset() { c.setErrorSink(nullptr); }
    } sinkReset{clock};
    clock.setErrorSink([&](const char *, std::exception_ptr e) {
        ScheduleProblem p;
        p.entry = st.Pozadplay + 1;
        p.row = firstBadRow(ui.lines(f19::MemoPlay));
        p.line = fileLine(st.Pozadplay, p.row);
        p.reason = errorMessage(e);
        p.consequence = QStringLiteral("the play-all run ends before this program");
        report(p);
    });

    // Load the file as the "Orva Therapy" button does, from its dialog.
    try {
        dialogs.chooseFile(winpath::toWindows(options.file));
        programs.Open();
    } catch (const ConvertError &) {
        // The whole-file total stumbled over a row; the list is built.
    } catch (const std::exception &e) {
        result.error = QStringLiteral("cannot load %1: %2").arg(excerpt(options.file, kPathExcerptChars), QString::fromUtf8(e.what()));
        return result;
    }
    ui.setIndex(f19::Colortype, options.colortype);

    const int count = ui.lineCount(f19::Zakladmemo);
    QList<int> entries = options.entries;
    if (entries.isEmpty())
        entries << 1;
    for (int e : entries) {
        if (e < 1 || e > count) {
            result.error = count == 0 ? QStringLiteral("the file lists no programs")
                                      : QStringLiteral("entry %1 does not exist (the list has %2)").arg(e).arg(count);
            return result;
        }
    }

    const auto select = [&](int entry) {
        ui.setIndex(f19::Zakladmemo, entry - 1);
        try {
            programs.ZakladMemoCliknul();
        } catch (const ConvertError &) {
            // The display stops at the bad row; Play stays possible and the
            // playback reports the row.
        }
    };

    if (options.playAll) {
        select(entries.first());
        playback.PlayVse();
        clock.processUntil([&] { return !playback.TimerStrtVse().isActive(); });
    } else {
        for (int e : entries) {
            select(e);
            playback.Play();
        }
    }
    result.totalMs = now();
    return result;
}

} // namespace zovt
