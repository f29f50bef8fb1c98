#include "playback/Protocol.h"

#include "clients/ClientFields.h"

#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/WindowState.h"
#include "device/Waits.h"
#include "i18n/Catalogue.h"
#include "program/Totals.h"
#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "core/Form19Names.h"

#include <exception>

namespace zovt {

namespace protocol {

namespace {
constexpr int kSeparatorLength = 43;
constexpr int kBirthCaption = 150;
} // namespace

QString separator() { return QString(kSeparatorLength, QLatin1Char('_')); }

QStringList clientHeader(const ClientRecord &c, const QString &birthCaption)
{
    const QChar blank = QLatin1Char(' ');
    const QChar dot = QLatin1Char('.');
    return {
        c.Jmeno + blank + c.Prijmeni + blank + c.JmenoFix,
        birthCaption + c.Datum_naroz_den + dot + c.Datum_naroz_mesic + dot + c.Datum_naroz_rok,
        c.Bydliste1 + blank + c.Bydliste2,
        c.Poznamka1 + blank + c.Poznamka2,
        c.Telefon,
        c.Email,
        separator(),
    };
}

QString startLine(const QDateTime &when, const regional::Formats &formats)
{
    return QStringLiteral("ZovT Gener:  ") + regional::dateTimeText(when, formats);
}

QString programLine(qint64 totalSeconds, const QString &headerDisplay)
{
    return CasPrevod(totalSeconds) + QLatin1Char(' ') + headerDisplay;
}

} // namespace protocol

namespace {

// The copy of the client's file is there as soon as the copy returns; the
// wait only covers a file system that shows it late.
constexpr int kWorkCopyWaitSteps = 3;
} // namespace

ProtocolController::ProtocolController(AppContext &ctx) : m_ctx(ctx) {}

QString ProtocolController::workCopy() const
{
    const QString path = m_ctx.ui.text(f19::SouborProtokSumaSUM);
    return path.isEmpty() ? paths::ProtocolWorkCopy : path;
}

void ProtocolController::report(const char *where, const QString &what)
{
    m_ctx.clock.reportError(where, std::make_exception_ptr(FileError(what.toStdString())));
}

bool ProtocolController::loadClientFile(const QString &clientFile, const QString &work)
{
    files::remove(work);
    try {
        files::copyFile(clientFile, work);
    } catch (const FileError &) {
        m_ctx.clock.reportError("protocolStart", std::current_exception());
    }
    for (int i = 0; i < kWorkCopyWaitSteps && !files::fileExists(work); ++i)
        m_ctx.waits.TimenZapsat1();
    if (!files::fileExists(work))
        return false;
    try {
        const files::Memo memo = files::readMemo(work);
        m_ctx.ui.setLines(f19::ProtokolSUMA, memo.lines);
        m_encoding = memo.encoding;
        return true;
    } catch (const FileError &) {
        m_ctx.clock.reportError("protocolStart", std::current_exception());
        return false;
    }
}

void ProtocolController::start()
{
    ControlSurface &ui = m_ctx.ui;
    m_started = false;
    m_keepClientFile = false;
    m_encoding = text::Encoding::Ansi;
    const QString clientFile = ui.text(f19::PRSAdresaProt);
    if (!files::fileExists(paths::ProtocolFlag) || clientFile.isEmpty())
        return;

    m_started = true;
    // A client loaded while the program plays (a save in the client editor)
    // gets its own protocol from its next playback; this one goes back to
    // the file it came from.
    m_clientFile = clientFile;
    m_workCopy = workCopy();
    ui.clear(f19::ProtokolSUMA);
    const QString birth = Catalogue::mainWindow().FATisk(protocol::kBirthCaption, m_ctx.state.Languagem);
    m_clientHeader = protocol::clientHeader(shownClient(m_ctx.ui), birth);
    bool loaded = false;
    if (files::fileExists(clientFile)) {
        loaded = loadClientFile(clientFile, m_workCopy);
        // A history that could not be read in is not to be replaced by a
        // protocol that starts afresh.
        m_keepClientFile = !loaded;
    }
    if (!loaded)
        ui.setLines(f19::ProtokolSUMA, m_clientHeader);
    m_startLine = protocol::startLine(now(), formats ? *formats : regional::current());
    ui.appendLine(f19::ProtokolSUMA, m_startLine);
    const QString header = ui.lineCount(f19::MemoPlayShow) > 0 ? ui.line(f19::MemoPlayShow, 0) : QString();
    ui.appendLine(f19::ProtokolSUMA, protocol::programLine(m_ctx.state.engine.CasCelkp, header));
}

void ProtocolController::describe(JournalRecord &r) const
{
    if (!m_started)
        return;
    r.protocolFile = m_clientFile;
    r.clientHeader = m_clientHeader;
    r.protocolStartLine = m_startLine;
}

void ProtocolController::end()
{
    if (!m_started)
        return;
    m_started = false;
    ControlSurface &ui = m_ctx.ui;
    ui.appendLine(f19::ProtokolSUMA, protocol::separator());
    const QString &work = m_workCopy;
    const QString &clientFile = m_clientFile;
    try {
        files::writeAll(work, text::encode(ui.lines(f19::ProtokolSUMA), m_encoding));
    } catch (const FileError &) {
        // Only a working copy saved whole may take the client file's place.
        m_ctx.clock.reportError("protocolEnd", std::current_exception());
        return;
    }
    m_ctx.waits.TimenZapsat1();
    if (m_keepClientFile) {
        report("protocolEnd", QStringLiteral("%1: could not be read at the start of the playback; left as it was, "
                                             "the playback's protocol is in %2")
                                  .arg(clientFile, work));
        return;
    }
    try {
        files::copyFile(work, clientFile);
    } catch (const FileError &) {
        m_ctx.clock.reportError("protocolEnd", std::current_exception());
    }
}

} // namespace zovt
