#include "clients/ClientNames.h"

#include "clients/ClientFile.h"
#include "storage/CodePageSafe.h"
#include "clients/Transliteration.h"
#include "storage/DataFiles.h"

#include <algorithm>

namespace zovt {

namespace {

const QLatin1Char kBlank(' ');
const QString kX = QStringLiteral("X");

// The first character, a surrogate pair counting as one.
QString firstCharacter(const QString &text)
{
    if (text.size() >= 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
        return text.left(2);
    return text.left(1);
}

bool forbiddenInFileName(QChar c)
{
    switch (c.unicode()) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return c.category() == QChar::Other_Control;
    }
}

} // namespace

QString trimTrailingBlanks(const QString &text)
{
    qsizetype n = text.size();
    while (n > 1 && text.at(n - 1) == kBlank)
        --n;
    return text.left(n);
}

QString normalisedName(const QString &name)
{
    if (name.isEmpty())
        return kX;
    const QString t = trimTrailingBlanks(name);
    return t == QString(kBlank) ? kX : t;
}

QString normalisedJmenoFix(const QString &fix)
{
    const QString f = firstCharacter(fix);
    return f == QString(kBlank) ? QString() : f;
}

void normaliseNames(ClientRecord &r)
{
    r.JmenoFix = normalisedJmenoFix(r.JmenoFix);
    r.Prijmeni = normalisedName(r.Prijmeni);
    r.Jmeno = normalisedName(r.Jmeno);
}

QString fileNameSafe(const QString &name)
{
    QString out = codePageSafe(name, QLatin1Char('_'));
    for (QChar &c : out)
        if (forbiddenInFileName(c))
            c = QLatin1Char('_');
    // Win32 strips trailing dots and blanks from a name, so one made of them
    // only is either ".." (the folder above) or nothing at all: a key "  "
    // would give a file "  .txt" no Windows program opens.
    const bool dotsAndBlanksOnly = !out.isEmpty()
        && std::all_of(out.cbegin(), out.cend(), [](QChar c) { return c == QLatin1Char('.') || c == kBlank; });
    return dotsAndBlanksOnly ? QStringLiteral("_") : out;
}

ClientIdentifiers newClientIdentifiers(const ClientRecord &r, bool bezDiakrit)
{
    const auto T = [bezDiakrit](const QString &x) {
        const QString p = bezdiakrPrepis(x, bezDiakrit);
        return bezDiakrit ? bezdiakr(p) : p;
    };
    QString F = firstCharacter(r.JmenoFix);
    if (bezDiakrit)
        F = bezdiakr(F);
    const QString &D = r.Datum_naroz_den;
    const QString &M = r.Datum_naroz_mesic;
    const QString &Y = r.Datum_naroz_rok;
    const QString names = T(r.Prijmeni) + kBlank + T(r.Jmeno) + kBlank + F + kBlank;

    ClientIdentifiers id;
    id.AdresaAkt = fileNameSafe(names + D + M + Y);
    id.PodadrJm = fileNameSafe(names + Y);
    const QString PrijmBD = bezdiakr(bezdiakrPrepis(r.Prijmeni.left(3), bezDiakrit));
    const QString JmenoBD = bezdiakr(bezdiakrPrepis(r.Jmeno.left(1), bezDiakrit));
    id.ExportFr = QStringLiteral("F") + PrijmBD + JmenoBD + F;
    id.SoubAdrdat = Y + M + D + QStringLiteral("ErrorSoubAdrdat");
    return id;
}

void formNewClientIdentifiers(ClientRecord &r, bool bezDiakrit)
{
    const ClientIdentifiers id = newClientIdentifiers(r, bezDiakrit);
    r.AdresaAkt = id.AdresaAkt;
    r.PodadrJm = id.PodadrJm;
    r.ExportFr = id.ExportFr;
    r.SoubAdrdat = id.SoubAdrdat;
}

QString keyWithoutDiacritics(const QString &key) { return fileNameSafe(bezdiakr(key)); }

QString preferKeyWithoutDiacritics(const QString &clientFolder, const QString &key)
{
    const QString plain = keyWithoutDiacritics(key);
    return files::fileExists(clientFilePath(clientFolder, plain)) ? plain : key;
}

} // namespace zovt
