#include "storage/DataFiles.h"

#include "core/Excerpt.h"
#include "storage/WinPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zovt::files {

namespace {

QString native(const QString &winPath) { return winpath::toNative(winPath); }

// What Windows says of a name it cannot hold; such a file is never there.
const QString kInvalidName = QStringLiteral("The filename, directory name, or volume label syntax is incorrect");

[[noreturn]] void failReadingWinPath(const QString &winPath, const QString &why)
{
    throw ReadError(QStringLiteral("%1: %2").arg(excerpt(winPath, kPathExcerptChars), why).toStdString());
}

} // namespace

bool exists(const QString &winPath) { return QFileInfo::exists(native(winPath)); }
bool fileExists(const QString &winPath) { return QFileInfo(native(winPath)).isFile(); }
bool dirExists(const QString &winPath) { return QFileInfo(native(winPath)).isDir(); }

void remove(const QString &winPath) noexcept
{
    if (const QString n = native(winPath); !n.isEmpty())
        QFile::remove(n);
}

bool makeDir(const QString &winPath) noexcept
{
    QString n = native(winPath);
    if (n.isEmpty())
        return false;
    while (n.size() > 1 && n.endsWith(QLatin1Char('/')))
        n.chop(1);
    if (QFileInfo(n).isDir())
        return true;
    return QDir().mkdir(n);
}

namespace {

// A file on a drive that leads nowhere is missing for a reason worth naming.
void refuseUnmappedDrive(const QString &winPath)
{
    if (const QString why = winpath::driveProblem(winPath); !why.isEmpty())
        throw ReadError(readErrorText(winPath, why).toStdString());
}

} // namespace

QByteArray readAll(const QString &winPath, qint64 limit)
{
    if (native(winPath).isEmpty())
        failReadingWinPath(winPath, kInvalidName);
    refuseUnmappedDrive(winPath);
    return readNative(native(winPath), limit, winPath);
}

void readChunks(const QString &winPath, const std::function<void(QByteArrayView)> &chunk, qint64 limit)
{
    if (native(winPath).isEmpty())
        failReadingWinPath(winPath, kInvalidName);
    refuseUnmappedDrive(winPath);
    readNativeChunks(native(winPath), limit, winPath, chunk);
}

void writeAll(const QString &winPath, const QByteArray &bytes)
{
    if (native(winPath).isEmpty())
        throw WriteError(QStringLiteral("Cannot create file \"%1\". %2")
                             .arg(excerpt(winPath, kPathExcerptChars), kInvalidName)
                             .toStdString());
    writeNative(native(winPath), bytes, winPath);
}

void copyFile(const QString &fromWinPath, const QString &toWinPath) { writeAll(toWinPath, readAll(fromWinPath)); }

void createFlag(const QString &winPath) { writeAll(winPath, QByteArray()); }

void setFlag(const QString &winPath, bool on)
{
    if (on)
        createFlag(winPath);
    else
        remove(winPath);
}

qint32 readInteger(const QString &winPath)
{
    const QByteArray b = readAll(winPath, cap::Setting);
    if (b.size() < 4)
        failReadingWinPath(winPath, QStringLiteral("Read beyond end of file"));
    const auto u = [&](int i) { return quint32(quint8(b[i])); };
    return qint32(u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24));
}

void writeInteger(const QString &winPath, qint32 value)
{
    const quint32 v = quint32(value);
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    writeAll(winPath, b);
}

quint8 readByte(const QString &winPath)
{
    const QByteArray b = readAll(winPath, cap::Setting);
    if (b.isEmpty())
        failReadingWinPath(winPath, QStringLiteral("Read beyond end of file"));
    return quint8(b[0]);
}

void writeByte(const QString &winPath, quint8 value) { writeAll(winPath, QByteArray(1, char(value))); }

QStringList readLines(const QString &winPath)
{
    return text::splitLines(text::fromAnsi(readAll(winPath, cap::Setting)));
}

QString readFirstLine(const QString &winPath)
{
    const QStringList l = readLines(winPath);
    return l.isEmpty() ? QString() : l.first();
}

qint32 parseLineInteger(const QString &text, const QString &what)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto blank = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    };
    while (i < n && blank(text.at(i)))
        ++i;
    if (i == n)
        return 0;
    qsizetype end = i;
    while (end < n && !blank(text.at(end)))
        ++end;
    const QString token = text.mid(i, end - i);
    bool ok = false;
    qint64 v = 0;
    qsizetype d = 0;
    bool neg = false;
    if (token.startsWith(QLatin1Char('+')) || token.startsWith(QLatin1Char('-'))) {
        neg = token.at(0) == QLatin1Char('-');
        d = 1;
    }
    ok = d < token.size();
    for (qsizetype k = d; ok && k < token.size(); ++k) {
        const QChar c = token.at(k);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ok = false;
            break;
        }
        v = v * 10 + (c.unicode() - '0');
        if (v > qint64(2147483648LL))
            ok = false;
    }
    if (ok && neg)
        v = -v;
    if (!ok || v > 2147483647LL || v < -2147483648LL)
        throw ReadError(
            QStringLiteral("'%1' is not a valid integer value (%2)").arg(excerpt(token), excerpt(what, kPathExcerptChars)).toStdString());
    return qint32(v);
}

qint32 readLineInteger(const QString &winPath)
{
    return parseLineInteger(text::fromAnsi(readAll(winPath, cap::Setting)), winPath);
}

void writeLines(const QString &winPath, const QStringList &lines)
{
    writeAll(winPath, text::encode(lines, text::Encoding::Ansi));
}

Memo readMemo(const QString &winPath)
{
    const text::Decoded d = text::decode(readAll(winPath, cap::Document));
    return Memo{d.lines, d.encoding};
}

void writeMemo(const QString &winPath, const Memo &memo)
{
    writeAll(winPath, text::encode(memo.lines, memo.encoding));
}

} // namespace zovt::files
