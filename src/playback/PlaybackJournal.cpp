#include "playback/PlaybackJournal.h"

#include "core/Clock.h"
#include "playback/Protocol.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/DataFiles.h"
#include "storage/TextCodec.h"

#include <QList>

#include <cstdio>

namespace zovt::journal {

namespace {

// A value is one line: whatever a file or a field brought in, no control
// character may split the record.
QString oneLine(QString v)
{
    for (QChar &c : v) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return v;
}

constexpr char kMagic[] = "ZovT playback journal 1";

} // namespace

QByteArray encode(const JournalRecord &r)
{
    QByteArray out = QByteArray(kMagic) + "\r\n";
    const auto put = [&out](const char *key, const QString &value) {
        out += key;
        out += '=';
        out += oneLine(value).toUtf8();
        out += "\r\n";
    };
    put("started", r.started.toString(Qt::ISODateWithMs));
    put("updated", r.updated.toString(Qt::ISODateWithMs));
    put("programFile", r.programFile);
    put("entry", QString::number(r.entry));
    put("entryText", r.entryText);
    put("header", r.header);
    put("clientFile", r.clientFile);
    put("clientName", r.clientName);
    put("totalSeconds", QString::number(r.totalSeconds));
    put("earlierSeconds", QString::number(r.earlierSeconds));
    put("playedSeconds", QString::number(r.playedSeconds));
    put("row", QString::number(r.row));
    put("rowLeftMs", QString::number(r.rowLeftMs));
    put("protocolFile", r.protocolFile);
    for (const QString &line : r.clientHeader)
        put("clientHeader", line);
    put("protocolStartLine", r.protocolStartLine);
    out += "end\r\n";
    return out;
}

std::optional<JournalRecord> decode(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    // A record cut short (a full disk, a torn copy) is no record.
    if (lines.isEmpty() || lines.first() != kMagic || !lines.contains("end"))
        return std::nullopt;
    JournalRecord r;
    bool ok = true;
    const auto number = [&ok](const QString &v) {
        bool good = false;
        const qint64 n = v.toLongLong(&good);
        ok = ok && good;
        return n;
    };
    for (qsizetype i = 1; i < lines.size() && lines.at(i) != "end"; ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArray key = line.left(eq);
        const QString v = QString::fromUtf8(line.mid(eq + 1));
        if (key == "started")
            r.started = QDateTime::fromString(v, Qt::ISODateWithMs);
        else if (key == "updated")
            r.updated = QDateTime::fromString(v, Qt::ISODateWithMs);
        else if (key == "programFile")
            r.programFile = v;
        else if (key == "entry")
            r.entry = int(number(v));
        else if (key == "entryText")
            r.entryText = v;
        else if (key == "header")
            r.header = v;
        else if (key == "clientFile")
            r.clientFile = v;
        else if (key == "clientName")
            r.clientName = v;
        else if (key == "totalSeconds")
            r.totalSeconds = number(v);
        else if (key == "earlierSeconds")
            r.earlierSeconds = number(v);
        else if (key == "playedSeconds")
            r.playedSeconds = number(v);
        else if (key == "row")
            r.row = int(number(v));
        else if (key == "rowLeftMs")
            r.rowLeftMs = number(v);
        else if (key == "protocolFile")
            r.protocolFile = v;
        else if (key == "clientHeader")
            r.clientHeader.append(v);
        else if (key == "protocolStartLine")
            r.protocolStartLine = v;
    }
    if (!ok || !r.started.isValid() || !r.updated.isValid() || r.playedSeconds < 0 || r.earlierSeconds < 0 || r.rowLeftMs < 0 || r.row < 0)
        return std::nullopt;
    return r;
}

QStringList interruptedLines(const JournalRecord &r, const QString &mark)
{
    QString line = protocol::programLine(r.playedSeconds, r.header);
    if (!line.endsWith(QLatin1Char(' ')))
        line += QLatin1Char(' ');
    return {r.protocolStartLine, line + mark, protocol::separator()};
}

void recordInterrupted(const JournalRecord &r, const QString &mark)
{
    if (r.protocolFile.isEmpty())
        return;
    files::Memo memo;
    if (files::fileExists(r.protocolFile))
        memo = files::readMemo(r.protocolFile);
    else
        memo.lines = r.clientHeader;
    memo.lines += interruptedLines(r, mark);
    files::writeMemo(r.protocolFile, memo);
}

} // namespace zovt::journal

namespace zovt {

void JournalWriter::begin(const JournalRecord &r)
{
    m_record = r;
    m_record.started = now();
    m_active = true;
    write();
}

void JournalWriter::progress(int row, qint64 rowLeftMs, qint64 playedSeconds, bool rowStart)
{
    if (!m_active)
        return;
    m_record.row = row;
    m_record.rowLeftMs = rowLeftMs;
    m_record.playedSeconds = playedSeconds;
    if (rowStart)
        write();
    else if (m_clock.nowMs() - m_lastMs >= kEveryMs)
        m_due = true;
}

void JournalWriter::writeDue()
{
    if (m_active && m_due)
        write();
}

void JournalWriter::end()
{
    if (!m_active)
        return;
    m_active = false;
    m_due = false;
    files::remove(paths::PlayJournal);
}

void JournalWriter::write()
{
    m_due = false;
    m_lastMs = m_clock.nowMs();
    m_record.updated = now();
    try {
        files::writeAll(paths::PlayJournal, journal::encode(m_record));
    } catch (const FileError &e) {
        if (!std::exchange(m_failedOnce, true))
            std::fprintf(stderr, "zovt: the playback journal cannot be kept: %s\n", e.what());
    }
}

} // namespace zovt
