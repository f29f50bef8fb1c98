#pragma once
// Names of a client as they are saved, and the identifiers formed from them:
// the client key (the client file's name), the client's folder name, the
// export name and the result-data name.

#include "clients/ClientRecord.h"

#include <QString>

namespace zovt {

// Trailing blanks removed, the first character always staying (" " stays " ").
QString trimTrailingBlanks(const QString &text);

// A surname or first name as saved: never empty ("X" instead), no trailing
// blanks, not a single blank ("X" instead); leading blanks stay.
QString normalisedName(const QString &name);
// The distinguishing character as saved: the first character only; a single
// blank becomes empty.
QString normalisedJmenoFix(const QString &fix);
// Normalises JmenoFix, Prijmeni and Jmeno in place (every save does this
// before anything is written; the editor shows the results).
void normaliseNames(ClientRecord &r);

// A client key or folder name is always a plain file name in its folder: the
// characters \ / : * ? " < > |, control characters and characters the code
// page cannot hold (the key travels in 8-bit files) become "_", and a name of
// dots and blanks only (".." above all, or "  ") becomes "_".
QString fileNameSafe(const QString &name);

struct ClientIdentifiers {
    QString AdresaAkt;
    QString PodadrJm;
    QString ExportFr;
    QString SoubAdrdat;

    bool operator==(const ClientIdentifiers &) const = default;
};

// The identifiers of a new client from its (normalised) names and its date
// texts as they stand. bezDiakrit: the option file "datBezDiakrit.dat" exists.
ClientIdentifiers newClientIdentifiers(const ClientRecord &r, bool bezDiakrit);
// Stores them in r.
void formNewClientIdentifiers(ClientRecord &r, bool bezDiakrit);

// The key without diacritic marks that a client stored under a plain name
// keeps using.
QString keyWithoutDiacritics(const QString &key);
// keyWithoutDiacritics(key) when the client folder (ending in "\") holds that
// file, else key unchanged.
QString preferKeyWithoutDiacritics(const QString &clientFolder, const QString &key);

} // namespace zovt
