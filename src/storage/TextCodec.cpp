#include "storage/TextCodec.h"

#include "storage/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zovt::text {

QStringList splitLines(const QString &text)
{
    QStringList out;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out << text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        out << text.mid(start);
    return out;
}

QString fromAnsi(const QByteArray &bytes)
{
    QStringDecoder dec(codepage::codecName().constData());
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    return dec.decode(bytes);
}

QByteArray toAnsi(const QString &text)
{
    QStringEncoder enc(codepage::codecName().constData());
    if (!enc.isValid())
        return text.toLatin1();
    QByteArray out = enc.encode(text);
    if (!out.contains('\x1A'))
        return out;
    // The converter writes the substitute control 0x1A for a character the
    // code page lacks; the family's programs write "?" there, and a control
    // byte would end a line file early in some of them.
    out.clear();
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray one = enc.encode(QStringView(text).mid(i, n));
        out += one == "\x1A" && text.at(i) != QChar(0x1A) ? QByteArray("?") : one;
        i += n;
    }
    return out;
}

namespace {

// Only the file's first mark is its byte-order mark: the decoders are told to
// keep a U+FEFF at the start of what follows it, which is text. Stateless, so
// that bytes cut short at the end of the file read as U+FFFD instead of
// vanishing.
QString decodeUnicode(QStringConverter::Encoding encoding, const QByteArray &body)
{
    QStringDecoder dec(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    if (encoding == QStringConverter::Utf8)
        return dec.decode(body);
    // An odd byte at the end is half a unit, and a surrogate pair may lack its
    // second unit: either is a broken character, not nothing.
    const bool odd = body.size() % 2 != 0;
    QString text = dec.decode(QByteArrayView(body).first(body.size() - (odd ? 1 : 0)));
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.back() = QChar::ReplacementCharacter;
    if (odd)
        text += QChar::ReplacementCharacter;
    return text;
}

} // namespace

Decoded decode(const QByteArray &bytes)
{
    Decoded d;
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.encoding = Encoding::Utf8Bom;
        text = decodeUnicode(QStringConverter::Utf8, bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        d.encoding = Encoding::Utf16LE;
        text = decodeUnicode(QStringConverter::Utf16LE, bytes.mid(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        d.encoding = Encoding::Utf16BE;
        text = decodeUnicode(QStringConverter::Utf16BE, bytes.mid(2));
    } else {
        text = fromAnsi(bytes);
    }
    d.lines = splitLines(text);
    return d;
}

QByteArray encode(const QStringList &lines, Encoding encoding)
{
    QString text;
    for (const QString &l : lines) {
        text += l;
        text += QStringLiteral("\r\n");
    }
    switch (encoding) {
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE: {
        QStringEncoder enc(QStringEncoder::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(enc.encode(text));
    }
    case Encoding::Utf16BE: {
        QStringEncoder enc(QStringEncoder::Utf16BE);
        return QByteArray("\xFE\xFF") + QByteArray(enc.encode(text));
    }
    case Encoding::Ansi:
        break;
    }
    return toAnsi(text);
}

} // namespace zovt::text
