#pragma once
// The client's values as the windows show them: each field's control with
// the ClientRecord member it holds. The client editor (both ways), the
// client panel and the protocol header all go through these tables, so a new
// field is one row. The panel and the editor name their fields alike
// (core/ClientFieldNames.h).

#include "clients/ClientRecord.h"
#include "core/ControlSurface.h"
#include "core/ClientFieldNames.h"
#include "core/Form2Names.h"

#include <cstddef>

namespace zovt {

struct ClientField {
    const char *control;
    QString ClientRecord::*member;
};

// The person's (or animal's) fields, in the order the editor fills them.
inline constexpr ClientField ClientFields[] = {
    {clientfield::Prijmeni, &ClientRecord::Prijmeni},
    {clientfield::Jmeno, &ClientRecord::Jmeno},
    {clientfield::Datum_naroz_den, &ClientRecord::Datum_naroz_den},
    {clientfield::Datum_naroz_mesic, &ClientRecord::Datum_naroz_mesic},
    {clientfield::Datum_naroz_rok, &ClientRecord::Datum_naroz_rok},
    {clientfield::Bydliste1, &ClientRecord::Bydliste1},
    {clientfield::Bydliste2, &ClientRecord::Bydliste2},
    {clientfield::Poznamka1, &ClientRecord::Poznamka1},
    {clientfield::Poznamka2, &ClientRecord::Poznamka2},
    {clientfield::JmenoFix, &ClientRecord::JmenoFix},
    {clientfield::Telefon, &ClientRecord::Telefon},
    {clientfield::Email, &ClientRecord::Email},
};

// The identifiers of the client that only the editor shows.
inline constexpr ClientField ClientIdentifierFields[] = {
    {f2::AdresaAkt, &ClientRecord::AdresaAkt},
    {f2::PodadrJm, &ClientRecord::PodadrJm},
    {f2::ExportFr, &ClientRecord::ExportFr},
    {f2::SoubAdrdat, &ClientRecord::SoubAdrdat},
};

// Reads the fields of a table from a window into r.
template <std::size_t N> void readClientFields(const ControlSurface &ui, const ClientField (&table)[N], ClientRecord &r)
{
    for (const ClientField &f : table)
        r.*f.member = ui.text(QString::fromLatin1(f.control));
}

// The client as the main window's client panel shows it (the protocol's
// header is made of it).
inline ClientRecord shownClient(const ControlSurface &ui)
{
    ClientRecord r;
    readClientFields(ui, ClientFields, r);
    return r;
}

} // namespace zovt
