#include "clients/ClientPaths.h"

#include "clients/ClientNames.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"

namespace zovt {

namespace {

const QLatin1Char kBackslash('\\');
const QString kSuma = QStringLiteral(" SUMA.txt");

} // namespace

QString programFolderCandidate(const ExportOptions &o, const QString &PRSAdresaPresmerovani,
                               const QString &PodadrJm)
{
    if (!o.exportRootFile)
        return QString();
    QString folder = PRSAdresaPresmerovani + PodadrJm + kBackslash;
    if (o.subFolders)
        folder += QStringLiteral("Program\\");
    return folder;
}

QString exportRootFolder(const QString &exportRootLine)
{
    QString root = trimTrailingBlanks(exportRootLine);
    if (!root.endsWith(kBackslash))
        root += kBackslash;
    return root;
}

ProtocolPlan protocolPlan(const ExportOptions &o, const QString &exportRootLine, const QString &PodadrJm,
                          const QString &AdresaAkt)
{
    ProtocolPlan p;
    if (!o.exportRootFile) {
        p.folders << paths::OrvaProtocol;
        p.SouborProtokSuma = paths::OrvaProtocol + kBackslash + AdresaAkt + kSuma;
        return p;
    }
    p.SoubExporAdr = exportRootFolder(exportRootLine);
    const QString clientDir = p.SoubExporAdr + PodadrJm;
    p.folders << p.SoubExporAdr << clientDir;
    if (o.subFolders) {
        p.folders << clientDir + QStringLiteral("\\Protocol");
        p.SouborProtokSuma = clientDir + QStringLiteral("\\Protocol\\") + AdresaAkt + kSuma;
    } else {
        p.SouborProtokSuma = clientDir + kBackslash + AdresaAkt + kSuma;
    }
    return p;
}

ExportOptions exportOptions()
{
    return ExportOptions{files::exists(paths::ExportRootFile), files::exists(paths::SubFoldersFlag)};
}

ClientPaths deriveClientPaths(const QString &PRSAdresaPresmerovani, const QString &PodadrJm,
                              const QString &AdresaAkt)
{
    const ExportOptions o = exportOptions();
    ClientPaths c;
    const QString candidate = programFolderCandidate(o, PRSAdresaPresmerovani, PodadrJm);
    if (!candidate.isEmpty() && files::dirExists(candidate))
        c.PRSAdresKlentaData = candidate;

    const QString rootLine = o.exportRootFile ? files::readFirstLine(paths::ExportRootFile) : QString();
    const ProtocolPlan plan = protocolPlan(o, rootLine, PodadrJm, AdresaAkt);
    for (const QString &folder : plan.folders)
        if (!files::dirExists(folder))
            files::makeDir(folder);
    c.SouborProtokSuma = plan.SouborProtokSuma;
    c.SoubExporAdr = plan.SoubExporAdr;
    return c;
}

} // namespace zovt
