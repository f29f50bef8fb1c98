#include "core/Excerpt.h"

#include <QChar>

namespace zovt {

namespace {

// Characters that show nothing, or move or hide what follows them.
bool invisible(char32_t c)
{
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Separator_Line
           || cat == QChar::Separator_Paragraph || cat == QChar::Other_Surrogate || cat == QChar::Other_NotAssigned
           || QChar::isNonCharacter(c);
}

QString spelled(char32_t c)
{
    return QStringLiteral("<U+%1>").arg(QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace

QString excerpt(QStringView text, int maxChars)
{
    if (maxChars < 1)
        maxChars = 1;
    QString out;
    out.reserve(qMin<qsizetype>(text.size(), maxChars) + 1);
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && out.size() < maxChars) {
        char32_t c = text.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            width = 2;
        }
        QString shown;
        if (c < 0x20)
            shown = QChar(char16_t(0x2400 + c));
        else if (c == 0x7F)
            shown = QChar(char16_t(0x2421));
        else if (invisible(c))
            shown = spelled(c);
        else
            shown = text.mid(i, width).toString();
        if (out.size() + shown.size() > maxChars)
            break;
        out += shown;
        i += width;
    }
    if (i < n)
        out += QChar(0x2026);
    return out;
}

} // namespace zovt
