#pragma once
// The program folder and the protocol file of a loaded client, under the
// export root named in "0cestaEx.txt" (with the sub-folders "Program" and
// "Protocol" while "0podadr.txt" exists) or in the default protocol folder.
// The computation is pure; deriveClientPaths adds the file tests, the fresh
// read of the export root and the folder creations.

#include <QString>
#include <QStringList>

namespace zovt {

struct ExportOptions {
    bool exportRootFile = false; // "0cestaEx.txt" exists
    bool subFolders = false;     // "0podadr.txt" exists
};

// The program folder to test for existence: PRSAdresaPresmerovani (the
// export root as read at start-up, used unchanged) + PodadrJm + "\" and
// "Program\" with sub-folders. Empty without the export root file.
QString programFolderCandidate(const ExportOptions &o, const QString &PRSAdresaPresmerovani,
                               const QString &PodadrJm);

// The export root line as a folder: trailing blanks removed (the first
// character stays), "\" appended unless already there.
QString exportRootFolder(const QString &exportRootLine);

struct ProtocolPlan {
    QString SoubExporAdr;     // the normalised export root; empty without one
    QStringList folders;      // to create in this order, each one level
    QString SouborProtokSuma; // the protocol file
};

// exportRootLine: the first line of "0cestaEx.txt" read afresh (ignored
// without that file).
ProtocolPlan protocolPlan(const ExportOptions &o, const QString &exportRootLine, const QString &PodadrJm,
                          const QString &AdresaAkt);

struct ClientPaths {
    QString PRSAdresKlentaData; // the program folder when it exists, else empty
    QString SouborProtokSuma;   // the protocol file (also PRSAdresaProt)
    QString SoubExporAdr;
};

// The option files as they are now.
ExportOptions exportOptions();

// Everything a client load derives from lines 11 and 13: tests the program
// folder before any folder is made, then creates the protocol folders that
// are missing. A failed creation is not reported (the protocol write fails
// later). Throws ReadError only when "0cestaEx.txt" exists but cannot be read.
ClientPaths deriveClientPaths(const QString &PRSAdresaPresmerovani, const QString &PodadrJm,
                              const QString &AdresaAkt);

} // namespace zovt
