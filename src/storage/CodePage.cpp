#include "storage/CodePage.h"

#include "storage/TextCodec.h"
#include "storage/WineLocale.h"
#include "storage/WineRegistry.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstdio>

namespace zovt::codepage {

namespace {

const QString kNlsKey = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");

QMutex g_mutex;
std::optional<Choice> g_current;

} // namespace

QByteArray codecFor(int codePage)
{
    if (codePage <= 0)
        return {};
    // Qt reaches the Windows code pages through ICU, by their "windows-N" names.
    const QByteArray name = codePage == 65001 ? QByteArray("UTF-8") : "windows-" + QByteArray::number(codePage);
    if (!QStringEncoder(name.constData()).isValid() || !QStringDecoder(name.constData()).isValid())
        return {};
    return name;
}

QString localeName() { return winelocale::unixName(winelocale::Category::CType); }

int codePageForLocale(const QString &unixLocale) { return winelocale::localeFor(unixLocale).ansiCodePage; }

Choice chooseFrom(const QString &unixLocale, const std::optional<QByteArray> &systemReg, const QString &where)
{
    Choice c;
    const int wanted = codePageForLocale(unixLocale);
    const QByteArray codec = codecFor(wanted);
    if (codec.isEmpty()) {
        c.note = QStringLiteral("code page %1 of the locale %2 cannot be encoded here; 8-bit text files are read "
                                "and written as Windows-%3")
                     .arg(wanted)
                     .arg(unixLocale)
                     .arg(kFallbackCodePage);
        return c;
    }
    c.codePage = wanted;
    c.codecName = codec;
    if (!systemReg)
        return c;
    const std::optional<QString> acp = winereg::Registry::parse(*systemReg).string(kNlsKey, QStringLiteral("ACP"));
    if (acp && !acp->trimmed().isEmpty() && acp->trimmed() != QString::number(wanted))
        c.note = QStringLiteral("code page %1 of the locale %2 is used, as Wine programs use it; %3 records %4, "
                                "which they do not use")
                     .arg(wanted)
                     .arg(unixLocale, where, acp->trimmed());
    return c;
}

Choice choose()
{
    const QString path = winereg::systemRegPath();
    return chooseFrom(localeName(), winereg::readRegistryFile(path), path);
}

Choice current()
{
    QMutexLocker lock(&g_mutex);
    if (!g_current) {
        g_current = choose();
        if (!g_current->note.isEmpty())
            std::fprintf(stderr, "zovt: %s\n", qPrintable(g_current->note));
    }
    return *g_current;
}

QByteArray codecName() { return current().codecName; }

void reset()
{
    QMutexLocker lock(&g_mutex);
    g_current.reset();
}

QString displayName(int codePage) { return QStringLiteral("Windows-%1").arg(codePage); }

namespace {

// The same test as the one the text files' writer makes of the code page in
// force, so that what is reported lost is what the files lose.
bool holdsIn(const QByteArray &codec, char32_t c)
{
    if (c < 0x80)
        return true;
    if (codec.isEmpty() || QChar::isSurrogate(c))
        return false;
    QStringEncoder enc(codec.constData());
    QStringDecoder dec(codec.constData());
    if (!enc.isValid() || !dec.isValid())
        return false;
    const QString one = QString::fromUcs4(&c, 1);
    const QByteArray bytes = enc.encode(one);
    // Some converters drop a character they cannot hold, others put the
    // substitute control 0x1A or a "?" in its place; only the character
    // itself coming back counts.
    if (enc.hasError() || bytes.isEmpty() || bytes == "\x1A")
        return false;
    return dec.decode(bytes) == one && !dec.hasError();
}

// Each non-ASCII character of a text once, in the order of its first
// appearance, as the code point the holding test takes.
QList<QPair<char32_t, QString>> distinctNonAscii(const QString &text)
{
    QList<QPair<char32_t, QString>> out;
    QSet<char32_t> seen;
    text::foldNonAscii(text, [&](char32_t c, QStringView character, QString &) {
        if (!seen.contains(c)) {
            seen.insert(c);
            out.append({c, character.toString()});
        }
    });
    return out;
}

} // namespace

QStringList lostCharacters(const QString &text, int codePage)
{
    const QByteArray codec = codecFor(codePage);
    QStringList lost;
    for (const auto &[c, character] : distinctNonAscii(text))
        if (!holdsIn(codec, c))
            lost.append(character);
    return lost;
}

int ansiCodePageHolding(const QString &text)
{
    const auto characters = distinctNonAscii(text);
    for (const int page : kAnsiCodePages) {
        const QByteArray codec = codecFor(page);
        if (std::all_of(characters.cbegin(), characters.cend(), [&](const auto &ch) { return holdsIn(codec, ch.first); }))
            return page;
    }
    return 0;
}

QString localeFor(int codePage)
{
    // Locales that glibc systems commonly offer, one per code page.
    switch (codePage) {
    case 1250: return QStringLiteral("cs_CZ.UTF-8");
    case 1251: return QStringLiteral("ru_RU.UTF-8");
    case 1252: return QStringLiteral("en_US.UTF-8");
    case 1253: return QStringLiteral("el_GR.UTF-8");
    case 1254: return QStringLiteral("tr_TR.UTF-8");
    case 1255: return QStringLiteral("he_IL.UTF-8");
    case 1256: return QStringLiteral("ar_EG.UTF-8");
    case 1257: return QStringLiteral("lt_LT.UTF-8");
    case 1258: return QStringLiteral("vi_VN.UTF-8");
    case 874: return QStringLiteral("th_TH.UTF-8");
    case 932: return QStringLiteral("ja_JP.UTF-8");
    case 936: return QStringLiteral("zh_CN.UTF-8");
    case 949: return QStringLiteral("ko_KR.UTF-8");
    case 950: return QStringLiteral("zh_TW.UTF-8");
    default: return QString();
    }
}

QString problem(const QByteArray &codecName)
{
    QStringEncoder enc(codecName.constData());
    QStringDecoder dec(codecName.constData());
    const QString missing = QStringLiteral(
                                "the text codec %1 is not available (Qt was built without ICU?); "
                                "8-bit text files would lose their accented letters (ř, ě, š)")
                                .arg(QString::fromLatin1(codecName));
    if (!enc.isValid() || !dec.isValid())
        return missing;
    // Windows-1250 is checked byte for byte: a codec that only pretends to be
    // it would damage the Czech texts as surely as a missing one.
    const bool czech = codecName.compare("windows-1250", Qt::CaseInsensitive) == 0;
    const QString probe = czech ? QStringLiteral("Ko\u0148 \u0159\u00ed\u010d\u00ed \u0161\u011b\u017e") : QStringLiteral("ZovT 0123456789");
    const QByteArray bytes = enc.encode(probe);
    const bool faithful = !enc.hasError() && dec.decode(bytes) == probe && !dec.hasError()
        && (!czech || bytes == QByteArray("Ko\xf2 \xf8\xed\xe8\xed \x9a\xec\x9e"));
    if (!faithful)
        return QStringLiteral("the text codec %1 does not read back what it writes; "
                              "8-bit text files would be damaged")
            .arg(QString::fromLatin1(codecName));
    return QString();
}

QString ensureUsable() { return problem(current().codecName); }

} // namespace zovt::codepage
