#include "storage/CodePageSafe.h"

#include "storage/TextCodec.h"

#include <QSet>

namespace zovt {

namespace {

QSet<char32_t> buildRepertoire()
{
    QSet<char32_t> set;
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString c = text::fromAnsi(byte);
        // Only characters that come back as the same byte count: a byte the
        // code page leaves undefined must not let its stand-in through.
        if (c.size() == 1 && text::toAnsi(c) == byte)
            set.insert(c.at(0).unicode());
    }
    return set;
}

} // namespace

bool inCodePage(char32_t cp)
{
    static const QSet<char32_t> repertoire = buildRepertoire();
    return repertoire.contains(cp);
}

QString codePageSafe(const QString &text, QChar replacement)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            ++i;
            out += replacement;
        } else if (inCodePage(ch.unicode())) {
            out += ch;
        } else {
            out += replacement;
        }
    }
    return out;
}

} // namespace zovt
