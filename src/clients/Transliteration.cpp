#include "clients/Transliteration.h"

#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"


namespace zovt {

namespace {

struct Entry {
    char16_t from;
    const char16_t *to;
};

// Upper and lower case are separate entries; an empty text drops the letter.
constexpr Entry kMain[] = {
    {u'\u00C0', u"A"}, {u'\u00E0', u"a"},
    {u'\u00C5', u"AA"}, {u'\u00E5', u"aa"},
    {u'\u00C6', u"AE"}, {u'\u00E6', u"ae"},
    {u'\u00C8', u"E"}, {u'\u00E8', u"e"},
    {u'\u00CF', u"Ie"}, {u'\u00EF', u"ie"},
    {u'\u00D0', u"D"}, {u'\u00F0', u"d"},
    {u'\u00D8', u"OE"}, {u'\u00F8', u"oe"},
    {u'\u00DE', u"b"}, {u'\u00FE', u"b"},
    {u'\u0139', u"L"}, {u'\u013A', u"l"},
    {u'\u013D', u"L"}, {u'\u013E', u"l"},

    {u'\u0410', u"A"}, {u'\u0430', u"a"},
    {u'\u0411', u"B"}, {u'\u0431', u"b"},
    {u'\u0412', u"V"}, {u'\u0432', u"v"},
    {u'\u0413', u"G"}, {u'\u0433', u"g"},
    {u'\u0414', u"D"}, {u'\u0434', u"d"},
    {u'\u0415', u"Je"}, {u'\u0435', u"je"},
    {u'\u0416', u"\u017D"}, {u'\u0436', u"\u017E"},
    {u'\u0417', u"Z"}, {u'\u0437', u"z"},
    {u'\u0418', u"I"}, {u'\u0438', u"i"},
    {u'\u0419', u"J"}, {u'\u0439', u"j"},
    {u'\u041A', u"K"}, {u'\u043A', u"k"},
    {u'\u041B', u"L"}, {u'\u043B', u"l"},
    {u'\u041C', u"M"}, {u'\u043C', u"m"},
    {u'\u041D', u"N"}, {u'\u043D', u"n"},
    {u'\u041E', u"O"}, {u'\u043E', u"o"},
    {u'\u041F', u"P"}, {u'\u043F', u"p"},
    {u'\u0420', u"R"}, {u'\u0440', u"r"},
    {u'\u0421', u"S"}, {u'\u0441', u"s"},
    {u'\u0422', u"T"}, {u'\u0442', u"t"},
    {u'\u0423', u"U"}, {u'\u0443', u"u"},
    {u'\u0424', u"F"}, {u'\u0444', u"f"},
    {u'\u0425', u"Ch"}, {u'\u0445', u"ch"},
    {u'\u0426', u"C"}, {u'\u0446', u"c"},
    {u'\u0427', u"\u010C"}, {u'\u0447', u"\u010D"},
    {u'\u0428', u"\u0160"}, {u'\u0448', u"\u0161"},
    {u'\u0429', u"\u0160\u010D"}, {u'\u0449', u"\u0161\u010D"},
    {u'\u042A', u""}, {u'\u044A', u""},
    {u'\u042B', u"Y"}, {u'\u044B', u"y"},
    {u'\u042C', u""}, {u'\u044C', u""},
    {u'\u042D', u"E"}, {u'\u044D', u"e"},
    {u'\u042E', u"Ju"}, {u'\u044E', u"ju"},
    {u'\u042F', u"Ja"}, {u'\u044F', u"ja"},
    {u'\u0401', u"Jo"}, {u'\u0451', u"jo"},
};

constexpr Entry kDiaeresis[] = {
    {u'\u00C4', u"Ae"}, {u'\u00E4', u"ae"},
    {u'\u00CB', u"Ee"}, {u'\u00EB', u"ee"},
    {u'\u00D6', u"Oe"}, {u'\u00F6', u"oe"},
    {u'\u00DC', u"Ue"}, {u'\u00FC', u"ue"},
};

template <std::size_t N>
const Entry *find(const Entry (&table)[N], char16_t c)
{
    for (const Entry &e : table)
        if (e.from == c)
            return &e;
    return nullptr;
}

} // namespace

bool bezDiakritOption() { return files::exists(paths::NoDiacriticsFlag); }

QString bezdiakrPrepis(const QString &text, bool bezDiakrit)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const Entry *e = find(kMain, c);
        if (bezDiakrit) {
            if (const Entry *d = find(kDiaeresis, c))
                e = d;
        }
        if (e)
            out += QString::fromUtf16(e->to);
        else
            out += ch;
    }
    return out;
}

QString bezdiakrPrepis(const QString &text)
{
    // The option is read once per call; a name is far shorter than the time
    // anyone takes to create or delete the flag file.
    return bezdiakrPrepis(text, !text.isEmpty() && bezDiakritOption());
}

QString bezdiakr(const QString &text)
{
    return text::foldNonAscii(text, [](char32_t cp, QStringView, QString &out) {
        if (QChar::isSurrogate(cp)) {
            out += QLatin1Char('?');
            return;
        }
        // Canonical decomposition splits a letter from its marks; what is
        // left must be exactly one ASCII character, else the fold fails.
        const QString decomposed = QString::fromUcs4(&cp, 1).normalized(QString::NormalizationForm_D);
        QString base;
        for (const char32_t d : decomposed.toUcs4()) {
            if (!QChar::isMark(d))
                base += QString::fromUcs4(&d, 1);
        }
        if (base.size() == 1 && base.at(0).unicode() < 0x80)
            out += base;
        else
            out += QLatin1Char('?');
    });
}

} // namespace zovt
