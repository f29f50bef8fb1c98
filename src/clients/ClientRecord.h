#pragma once
// The values of one client. Every value is text as typed or as read, dates
// included; the field names are those of the editor's and the panel's controls.

#include <QString>

namespace zovt {

struct ClientRecord {
    QString Prijmeni;          // surname; for an animal its species or genus
    QString Jmeno;             // first name; for an animal its name or feature
    QString JmenoFix;          // distinguishing character, empty or one character
    QString Datum_naroz_den;   // "01".."31" or the placeholder "88"
    QString Datum_naroz_mesic; // "01".."12" or "88"
    QString Datum_naroz_rok;   // "1900".."2099" or a placeholder
    QString Bydliste1;
    QString Bydliste2;
    QString Poznamka1;
    QString Poznamka2;
    QString Telefon;
    QString Email;
    bool animal = false;
    QString AdresaAkt;  // client key: the client file's name without folder and ".txt"
    QString PodadrJm;   // the client's folder name under the export root
    QString ExportFr;   // short export name
    QString SoubAdrdat; // name stem of the result-data file
    QString dateSaved;  // line 9 as written (never interpreted)

    bool operator==(const ClientRecord &) const = default;
};

// The birth-date placeholders of a client whose date was never entered.
inline const QString DatePlaceholder = QStringLiteral("88");
inline const QString YearPlaceholder = QStringLiteral("8888");

} // namespace zovt
