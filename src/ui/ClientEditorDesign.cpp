#include "ui/ClientEditorDesign.h"

#include "ui/DesignRows.h"
#include "core/Form2Names.h"

namespace zovt::design {

namespace {

Form buildTable()
{
    using K = Kind;
    // Labels sit above the name and date fields and left of the address,
    // note and contact fields; the buttons run along the bottom.
    const QList<Row> rows = {
        ctl(K::Label, f2::PersonL, "", 12, 10, 176, 14).text("Jméno:"),
        ctl(K::Edit, f2::Jmeno, "", 12, 26, 176, 22),
        ctl(K::Label, f2::PersonL2, "", 196, 10, 228, 14).text("Příjmení:"),
        ctl(K::Edit, f2::Prijmeni, "", 196, 26, 188, 22),
        ctl(K::Edit, f2::JmenoFix, "", 390, 26, 34, 22),

        ctl(K::Label, f2::Datum_popis, "", 12, 80, 76, 14).text("Narození:"),
        ctl(K::Label, f2::Datum_den_popis, "", 96, 60, 40, 14).text("Den:"),
        ctl(K::Edit, f2::Datum_naroz_den, "", 96, 76, 40, 22).text("88"),
        ctl(K::Label, f2::Datum_mesic_popis, "", 142, 60, 40, 14).text("Měs.:"),
        ctl(K::Edit, f2::Datum_naroz_mesic, "", 142, 76, 40, 22).text("88"),
        ctl(K::Label, f2::Datum_rok_popis, "", 188, 60, 56, 14).text("Rok:"),
        ctl(K::Edit, f2::Datum_naroz_rok, "", 188, 76, 56, 22).text("8888"),

        ctl(K::Label, f2::Bydliste_popis, "", 12, 116, 76, 14).text("Adresa:"),
        ctl(K::Edit, f2::Bydliste1, "", 96, 112, 328, 22),
        ctl(K::Edit, f2::Bydliste2, "", 96, 138, 328, 22),
        ctl(K::Label, f2::Poznamka_popis, "", 12, 176, 76, 14).text("Poznámka:"),
        ctl(K::Edit, f2::Poznamka1, "", 96, 172, 328, 22),
        ctl(K::Edit, f2::Poznamka2, "", 96, 198, 328, 22),
        ctl(K::Label, f2::Telefon_popis, "", 12, 236, 76, 14).text("Telefon:"),
        ctl(K::Edit, f2::Telefon, "", 96, 232, 128, 22),
        ctl(K::Label, f2::Email_Popis, "", 232, 236, 50, 14).text("E-mail:"),
        ctl(K::Edit, f2::Email, "", 284, 232, 140, 22),

        ctl(K::Button, f2::Save, "", 12, 270, 96, 30).text("Uložit").disabled(),
        ctl(K::Button, f2::Zvire, "", 114, 270, 30, 30).text("A"),
        ctl(K::Button, f2::Novy, "", 150, 270, 90, 30).text("Nový"),
        ctl(K::Button, f2::Edit, "", 246, 270, 80, 30).text("Edit"),
        ctl(K::Button, f2::Import, "", 246, 270, 80, 30).text("Import").hidden(),
        ctl(K::Button, f2::Konec, "", 332, 270, 92, 30).text("Konec"),

        // Editor state kept with the window.
        state(f2::Editedit),
        state(f2::AdresaAkt),
        state(f2::PodadrJm),
        state(f2::ExportFr),
        state(f2::SoubAdrdat),
    };
    return toForm(rows);
}

} // namespace

const Form &clientEditorControls()
{
    static const Form table = buildTable();
    return table;
}

const QStringList &clientEditorTabOrder()
{
    static const QStringList order = [] {
        QStringList out;
        for (const char *n : f2::TabOrder)
            out.append(QString::fromLatin1(n));
        return out;
    }();
    return order;
}

const QStringList &clientEditorButtonOrder()
{
    static const QStringList order = names({f2::Zvire, f2::Novy, f2::Edit, f2::Konec});
    return order;
}

} // namespace zovt::design
