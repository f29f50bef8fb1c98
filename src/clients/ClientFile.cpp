#include "clients/ClientFile.h"

#include "clients/ClientNames.h"
#include "storage/CodePageSafe.h"
#include "clients/Transliteration.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "storage/RegionalFormats.h"

#include <algorithm>
#include <iterator>


namespace zovt {

QString clientFilePath(const QString &clientFolder, const QString &key)
{
    return clientFolder + key + QStringLiteral(".txt");
}

QString clientFolder()
{
    return files::exists(paths::ClientDirFile) ? files::readFirstLine(paths::ClientDirFile) : paths::DefaultClientDir;
}

QString shortDateText(const QDate &date)
{
    return regional::dateText(date, regional::current());
}

QString clientFileText(const ClientRecord &r, QString ClientRecord::*field, bool bezDiakrit)
{
    static constexpr QString ClientRecord::*kTransliterated[] = {
        &ClientRecord::Prijmeni,  &ClientRecord::Jmeno,     &ClientRecord::Bydliste1,
        &ClientRecord::Bydliste2, &ClientRecord::Poznamka1, &ClientRecord::Poznamka2,
    };
    const QString &text = r.*field;
    return std::find(std::begin(kTransliterated), std::end(kTransliterated), field) != std::end(kTransliterated)
        ? bezdiakrPrepis(text, bezDiakrit)
        : text;
}

QStringList clientFileLines(const ClientRecord &r, bool bezDiakrit)
{
    const auto t = [&r, bezDiakrit](QString ClientRecord::*field) { return clientFileText(r, field, bezDiakrit); };
    QStringList l;
    l.reserve(ClientFileLineCount);
    l << t(&ClientRecord::Prijmeni) << t(&ClientRecord::Jmeno)
      << t(&ClientRecord::Datum_naroz_den) + QLatin1Char('.') + t(&ClientRecord::Datum_naroz_mesic) + QLatin1Char('.')
            + t(&ClientRecord::Datum_naroz_rok)
      << t(&ClientRecord::Bydliste1) << t(&ClientRecord::Bydliste2) << t(&ClientRecord::Poznamka1)
      << t(&ClientRecord::Poznamka2) << (r.animal ? QStringLiteral("A") : QString()) << r.dateSaved
      << t(&ClientRecord::JmenoFix) << r.AdresaAkt << QString() << r.PodadrJm << r.ExportFr << r.SoubAdrdat
      << t(&ClientRecord::Telefon) << t(&ClientRecord::Email);
    while (l.size() < ClientFileLineCount)
        l << QString();
    for (QString &s : l)
        s = codePageSafe(s);
    return l;
}

ClientRecord clientFromLines(const QStringList &lines)
{
    const auto line = [&lines](int n) { return n <= lines.size() ? lines.at(n - 1) : QString(); };
    ClientRecord r;
    r.Prijmeni = line(1);
    r.Jmeno = line(2);
    const QString date = line(3);
    r.Datum_naroz_den = date.mid(0, 2);
    r.Datum_naroz_mesic = date.mid(3, 2);
    r.Datum_naroz_rok = date.mid(6, 4);
    r.Bydliste1 = line(4);
    r.Bydliste2 = line(5);
    r.Poznamka1 = line(6);
    r.Poznamka2 = line(7);
    r.animal = !line(8).isEmpty();
    r.dateSaved = line(9);
    r.JmenoFix = line(10);
    r.AdresaAkt = fileNameSafe(line(11));
    r.PodadrJm = fileNameSafe(line(13));
    r.ExportFr = line(14);
    r.SoubAdrdat = line(15);
    r.Telefon = line(16);
    r.Email = line(17);
    return r;
}

ClientRecord readClientFile(const QString &path)
{
    QStringList lines = files::readLines(path);
    if (lines.size() > ClientFileLinesRead)
        lines.resize(ClientFileLinesRead);
    return clientFromLines(lines);
}

void writeClientFile(const QString &path, const ClientRecord &r)
{
    // No delete beforehand: the whole-file write replaces the old client only
    // once the new one is complete.
    files::writeLines(path, clientFileLines(r, bezDiakritOption()));
}

QString prepareClientSave(ClientRecord &r, bool Editedit, const QString &clientFolder)
{
    normaliseNames(r);
    if (!Editedit)
        formNewClientIdentifiers(r, bezDiakritOption());
    r.AdresaAkt = preferKeyWithoutDiacritics(clientFolder, r.AdresaAkt);
    return clientFilePath(clientFolder, r.AdresaAkt);
}

bool clientFileToBeWritten(const QString &path, bool Editedit)
{
    return Editedit || !files::exists(path);
}

void writeClientHandOff(const QString &handOffFile, const QString &path)
{
    files::writeLines(handOffFile, {codePageSafe(path)});
}

void withdrawClientHandOff(const QString &handOffFile, const QString &path) noexcept
{
    try {
        if (files::fileExists(handOffFile) && files::readFirstLine(handOffFile) == codePageSafe(path))
            files::remove(handOffFile);
    } catch (...) {
    }
}

QString clientKeyOfFile(const QString &winPath)
{
    QString name = winPath.mid(qMax(winPath.lastIndexOf(QLatin1Char('\\')), winPath.lastIndexOf(QLatin1Char('/'))) + 1);
    if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        name.chop(4);
    return fileNameSafe(name);
}

std::optional<QString> takeClientHandOff()
{
    if (!files::exists(paths::ClientHandOff))
        return std::nullopt;
    const QString line = files::readFirstLine(paths::ClientHandOff);
    files::remove(paths::ClientHandOff);
    return line;
}

} // namespace zovt
