#include "program/ProgramList.h"

#include "storage/DataFiles.h"
#include "storage/TextCodec.h"

#include <algorithm>

namespace zovt {

namespace {

bool isQQ(const QString &s)
{
    return s.size() >= 3 && s.at(1) == QLatin1Char('Q') && s.at(2) == QLatin1Char('Q');
}

void bracketsToSpaces(QString &s)
{
    const qsizetype open = s.indexOf(QLatin1Char('['));
    if (open >= 0)
        s[open] = QLatin1Char(' ');
    const qsizetype close = s.indexOf(QLatin1Char(']'));
    if (close >= 0)
        s[close] = QLatin1Char(' ');
}

} // namespace

bool isHeaderLine(QStringView line) { return line.contains(QLatin1Char('[')); }

bool isStopLine(QStringView line) { return line.contains(u"[STOP]"); }

QString listEntryText(const QString &header)
{
    QString s = isQQ(header) ? QString(QChar(0x25D8)) + QLatin1Char(' ') + header.mid(3) : header;
    bracketsToSpaces(s);
    return s;
}

QString headerDisplayText(const QString &header, const QString &SoborJm, bool &OrvatrinPower)
{
    QString s = header;
    bracketsToSpaces(s);
    if (SoborJm == QLatin1String("Orvatrin") || SoborJm == QLatin1String("orvatrin")) {
        OrvatrinPower = true;
    } else if (isQQ(s)) {
        OrvatrinPower = true;
        s = QLatin1Char(' ') + s.mid(3);
    } else {
        OrvatrinPower = false;
    }
    return s;
}

QString soborJmFromPath(const QString &path)
{
    const qsizetype dot = path.indexOf(QLatin1Char('.'));
    const QString rest = dot >= 0 ? path.left(dot) : path;
    return rest.mid(rest.lastIndexOf(QLatin1Char('\\')) + 1);
}

bool zOrvaTFromPath(const QString &path, const QString &PRSAdresaPresmerovani)
{
    const qsizetype first = path.indexOf(QLatin1Char('\\'));
    QString folder;
    if (first >= 0) {
        const qsizetype second = path.indexOf(QLatin1Char('\\'), first + 1);
        folder = second >= 0 ? path.mid(first + 1, second - first - 1) : path.mid(first + 1);
    }
    // The drive is not compared: the therapy database's folder counts on any.
    const QString top = QStringLiteral("C:\\") + folder;
    return top == QLatin1String("C:\\OrvaTherapy") || top + QLatin1Char('\\') == PRSAdresaPresmerovani;
}

ProgramFile::ProgramFile(QStringList lines) : m_lines(std::move(lines))
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (isHeaderLine(m_lines.at(i)))
            m_headers.append(i);
    }
}

ProgramFile ProgramFile::read(const ChunkReader &chunks, const std::function<void()> &beforeDecoding)
{
    qsizetype lineFeeds = 0;
    chunks([&lineFeeds](QByteArrayView chunk) { lineFeeds += qsizetype(std::count(chunk.begin(), chunk.end(), '\n')); });
    if (beforeDecoding)
        beforeDecoding();
    text::LineDecoder decoder(text::linesForLineFeeds(lineFeeds));
    chunks([&decoder](QByteArrayView chunk) { decoder.feed(chunk); });
    return fromDecoded(decoder.finish());
}

ProgramFile ProgramFile::fromBytes(const QByteArray &bytes) { return fromDecoded(text::decode(bytes)); }

ProgramFile ProgramFile::fromDecoded(text::Decoded decoded)
{
    ProgramFile file(std::move(decoded.lines));
    file.m_encoding = decoded.encoding;
    return file;
}

QStringList ProgramFile::listEntries() const
{
    QStringList out;
    out.reserve(m_headers.size());
    for (qsizetype at : m_headers) {
        const QString &line = m_lines.at(at);
        if (!isStopLine(line))
            out.append(listEntryText(line));
    }
    return out;
}

ProgramFile::Program ProgramFile::program(qint32 k) const
{
    Program p;
    if (k < 0 || k >= m_headers.size())
        return p;
    const qsizetype from = m_headers.at(k);
    const qsizetype to = k + 1 < m_headers.size() ? m_headers.at(k + 1) : m_lines.size();
    p.memoPlay = m_lines.mid(from, to - from);
    p.rows = static_cast<qint32>(to - from - 1);
    return p;
}

int findListEntry(const QStringList &entries, int where, const QString &text)
{
    const auto unmarked = [](QStringView t) {
        while (t.startsWith(QLatin1Char('#')))
            t = t.mid(1);
        return t;
    };
    const QStringView wanted = unmarked(text);
    if (where >= 0 && where < entries.size() && unmarked(entries.at(where)) == wanted)
        return where;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (unmarked(entries.at(i)) == wanted)
            return int(i);
    }
    return -1;
}

} // namespace zovt
