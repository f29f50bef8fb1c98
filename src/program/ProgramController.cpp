#include "program/ProgramController.h"

#include "core/Clock.h"
#include "core/ErrorPolicy.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/Waits.h"
#include "program/RowParser.h"
#include "program/Totals.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <algorithm>

namespace zovt {

namespace {

const QString kTxtFilter = QStringLiteral("*.txt");

} // namespace

void showProgramTotal(ControlSurface &ui, WindowState &st, qint32 &counted)
{
    // The running text is shown once: nothing can look at CasWrite between
    // two rows, and a bad row leaves the text of the rows before it.
    qint32 shown = 0;
    counted = 0;
    const auto show = [&] {
        if (counted > 0)
            ui.setText(f19::CasWrite, runningTotalText(shown));
    };
    try {
        CasCelkSUM(ui.lines(f19::MemoPlay), st.PocetRadkfr, st.row, st.engine.CasCelk, [&](qint32 total) {
            shown = total;
            ++counted;
        });
    } catch (...) {
        show();
        throw;
    }
    show();
}

ProgramController::ProgramController(AppContext &ctx) : m_ctx(ctx) {}

void ProgramController::syncFromSurface()
{
    // Shared with what the surface holds after our own loads, so this is a
    // pointer comparison unless another operation replaced NacistMemo.
    QStringList current = m_ctx.ui.lines(f19::NacistMemo);
    if (!current.isSharedWith(m_file.lines()))
        m_file = ProgramFile(std::move(current));
}

const ProgramFile &ProgramController::programFile()
{
    syncFromSurface();
    return m_file;
}

void ProgramController::loadFile(const QString &winPath)
{
    // Reading is the step that can fail; every refusal is met while the
    // previous file still stands.
    bool previousGone = false;
    const auto letPreviousGo = [this, &previousGone] {
        previousGone = true;
        m_file = ProgramFile();
        m_ctx.ui.clear(f19::NacistMemo);
        m_ctx.state.loadedProgramFile.clear();
    };
    std::optional<ProgramFile> ahead = m_readAhead ? m_readAhead->take(winPath) : std::nullopt;
    m_readAhead.reset();
    if (ahead) {
        letPreviousGo();
        m_file = std::move(*ahead);
    } else {
        try {
            m_file = ProgramFile::read(
                [&winPath](const std::function<void(QByteArrayView)> &chunk) { files::readChunks(winPath, chunk); },
                letPreviousGo);
        } catch (...) {
            // Out of memory, or the file changed between the two readings: an
            // empty file and an empty list still agree.
            if (previousGone)
                m_ctx.ui.clear(f19::Zakladmemo);
            throw;
        }
    }
    m_ctx.ui.setLines(f19::NacistMemo, m_file.lines());
    m_ctx.state.loadedProgramFile = winPath;
}

void ProgramController::Open1()
{
    WindowState &st = m_ctx.state;
    Operations::run(m_ctx.ops.Nactiklient);

    if (files::fileExists(paths::ProgramHandOff)) {
        st.SouborExport = files::readFirstLine(paths::ProgramHandOff);
        if (files::fileExists(st.SouborExport))
            st.openDialogFileName = st.SouborExport;
        else
            files::remove(paths::ProgramHandOff);
        // A file that cannot be read, or a duration that stops the file's
        // total, ends the loading only: the operator still gets the buttons
        // to open another file, and start-up goes on to its stand-by lighting.
        try {
            Open();
        } catch (...) {
            const ErrorKind kind = errorKind(std::current_exception());
            if (kind == ErrorKind::Exit || kind == ErrorKind::EndsProgram)
                throw;
            m_ctx.clock.reportError("Open1", std::current_exception());
        }
    } else {
        st.openDialogFileName.clear();
    }

    m_ctx.ui.enable({f19::Open, f19::OpenZov, f19::OpenSBZ, f19::JasLED, f19::VykonIR, f19::ZpomalLED, f19::Wishes}, true);
}

void ProgramController::Open()
{
    if (m_ctx.waits.running(Waits::Timer3))
        return;
    WindowState &st = m_ctx.state;
    ControlSurface &ui = m_ctx.ui;

    const QString clientFolder = ui.text(f19::PRSAdresKlentaData);
    st.openDialogFolder = !clientFolder.isEmpty() && files::dirExists(clientFolder) ? clientFolder
                                                                                   : ui.text(f19::PRSAdresaPresmerovani);
    st.openDialogFileName.clear();

    std::optional<QString> chosen;
    if (files::fileExists(paths::ProgramHandOff)) {
        // Read anew: a companion may have handed over another program since
        // start-up. One that names a missing file goes, as in Open1, or no
        // Open would ever get past it.
        st.SouborExport = files::readFirstLine(paths::ProgramHandOff);
        if (files::fileExists(st.SouborExport))
            chosen = st.SouborExport;
        else
            files::remove(paths::ProgramHandOff);
    }
    if (!chosen)
        chosen = m_ctx.dialogs.openFile(
            {QStringLiteral("Orva Therapy"), st.openDialogFolder, kTxtFilter, st.openDialogFileName});

    if (chosen)
        takeFile(*chosen);

    st.openDialogFileName.clear();
    files::remove(paths::ProgramHandOff);
    VyplnZaklMemo();
}

void ProgramController::takeFile(const QString &winPath)
{
    loadFile(winPath);
    m_ctx.state.SoborJm = soborJmFromPath(winPath);
    m_ctx.state.Z_OrvaT = zOrvaTFromPath(winPath, m_ctx.ui.text(f19::PRSAdresaPresmerovani));
    m_ctx.ui.setIndex(f19::Colortype, 0);
}

void ProgramController::openProgramFile(const QString &winPath)
{
    takeFile(winPath);
    VyplnZaklMemo();
}

void ProgramController::openCompanionFile(const QString &title, const QString &folder)
{
    if (m_ctx.waits.running(Waits::Timer3))
        return;
    WindowState &st = m_ctx.state;

    st.openDialogFolder = files::dirExists(folder) ? folder : QStringLiteral("C:\\");
    st.openDialogFileName.clear();
    const std::optional<QString> chosen
        = m_ctx.dialogs.openFile({title, st.openDialogFolder, kTxtFilter, st.openDialogFileName});
    if (!chosen)
        return;

    loadFile(*chosen);
    st.Z_OrvaT = false;
    st.SoborJm = soborJmFromPath(*chosen);
    files::remove(paths::ProgramHandOff);
    VyplnZaklMemo();
    m_ctx.ui.setIndex(f19::Colortype, 0);
}

void ProgramController::OpenZov() { openCompanionFile(QStringLiteral("Zov Tool"), paths::ZovToolProgramDir); }

void ProgramController::OpenSBZ() { openCompanionFile(QStringLiteral("DBZ"), paths::ZovToolDbzDir); }

void ProgramController::VyplnZaklMemo()
{
    syncFromSurface();
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;

    ui.clear(f19::MemoPlay);
    ui.clear(f19::MemoPlayShow);
    ui.setText(f19::CasWrite, QString());
    ui.enable({f19::Stop, f19::StopVse, f19::Play, f19::PlayVse, f19::Pause}, false);

    ui.setLines(f19::Zakladmemo, m_file.listEntries());
    ui.setIndex(f19::Zakladmemo, -1);

    if (st.Z_OrvaT) {
        ui.show({f19::Orva_Tlac, f19::OrvaTGener, f19::Panel5}, false);
        ui.setChecked(f19::OrvaTGener, false);
    } else {
        ui.show({f19::Orva_Tlac, f19::OrvaTGener}, true);
    }

    // A total that fails must not leave the previous file's figure.
    ui.setText(f19::CasWriteSUMA, QString());
    const std::optional<FileTotal> &ahead = m_file.totalAhead();
    ui.setText(f19::CasWriteSUMA, ahead ? CasSUMASUM(*ahead, st.row) : CasSUMASUM(m_file.lines(), st.row));
}

void ProgramController::ZakladMemoCliknul()
{
    ControlSurface &ui = m_ctx.ui;
    WindowState &st = m_ctx.state;
    if (f19::playbackRuns(ui) || m_ctx.waits.running(Waits::Timer3)
        || m_ctx.waits.running(Waits::Timer4))
        return;
    syncFromSurface();

    st.Pozadplay = ui.index(f19::Zakladmemo);
    if (st.Pozadplay >= 0) {
        ui.enable({f19::Play, f19::PlayVse}, true);
        st.PocetRadkfr = 0;
        ui.clear(f19::MemoPlayShow);
        ProgramFile::Program p = m_file.program(st.Pozadplay);
        st.PocetRadkfr = p.rows;
        ui.setLines(f19::MemoPlay, p.memoPlay);
    }

    qint32 counted = 0;
    showProgramTotal(ui, st, counted);

    ui.clear(f19::MemoPlayShow);
    m_ctx.clock.processPending();

    const QStringList memoPlay = ui.lines(f19::MemoPlay);
    if (memoPlay.isEmpty())
        return;
    QStringList show;
    show.reserve(memoPlay.size());
    show.append(headerDisplayText(memoPlay.at(0), st.SoborJm, st.OrvatrinPower));
    if (ui.isChecked(f19::OrvaTGener))
        st.OrvatrinPower = true;
    try {
        for (qsizetype i = 1; i < memoPlay.size(); ++i) {
            Nactiradekdata(memoPlay.at(i), st.row);
            show.append(rowDisplayLine(st.row, st.OrvatrinPower));
        }
    } catch (...) {
        ui.setLines(f19::MemoPlayShow, show);
        throw;
    }
    ui.setLines(f19::MemoPlayShow, show);
}

} // namespace zovt
