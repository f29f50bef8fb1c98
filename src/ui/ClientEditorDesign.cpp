#include "ui/ClientEditorDesign.h"

#include "ui/DesignRows.h"

namespace zovt::design {

namespace {

Form buildTable()
{
    using K = Kind;
    // Labels sit above the name and date fields and left of the address,
    // note and contact fields; the buttons run along the bottom.
    const QList<Row> rows = {
        ctl(K::Label, "PersonL", "", 12, 10, 176, 14).text("Jméno:"),
        ctl(K::Edit, "Jmeno", "", 12, 26, 176, 22),
        ctl(K::Label, "PersonL2", "", 196, 10, 228, 14).text("Příjmení:"),
        ctl(K::Edit, "Prijmeni", "", 196, 26, 188, 22),
        ctl(K::Edit, "JmenoFix", "", 390, 26, 34, 22),

        ctl(K::Label, "Datum_popis", "", 12, 80, 76, 14).text("Narození:"),
        ctl(K::Label, "Datum_den_popis", "", 96, 60, 40, 14).text("Den:"),
        ctl(K::Edit, "Datum_naroz_den", "", 96, 76, 40, 22).text("88"),
        ctl(K::Label, "Datum_mesic_popis", "", 142, 60, 40, 14).text("Měs.:"),
        ctl(K::Edit, "Datum_naroz_mesic", "", 142, 76, 40, 22).text("88"),
        ctl(K::Label, "Datum_rok_popis", "", 188, 60, 56, 14).text("Rok:"),
        ctl(K::Edit, "Datum_naroz_rok", "", 188, 76, 56, 22).text("8888"),

        ctl(K::Label, "Bydliste_popis", "", 12, 116, 76, 14).text("Adresa:"),
        ctl(K::Edit, "Bydliste1", "", 96, 112, 328, 22),
        ctl(K::Edit, "Bydliste2", "", 96, 138, 328, 22),
        ctl(K::Label, "Poznamka_popis", "", 12, 176, 76, 14).text("Poznámka:"),
        ctl(K::Edit, "Poznamka1", "", 96, 172, 328, 22),
        ctl(K::Edit, "Poznamka2", "", 96, 198, 328, 22),
        ctl(K::Label, "Telefon_popis", "", 12, 236, 76, 14).text("Telefon:"),
        ctl(K::Edit, "Telefon", "", 96, 232, 128, 22),
        ctl(K::Label, "Email_Popis", "", 232, 236, 50, 14).text("E-mail:"),
        ctl(K::Edit, "Email", "", 284, 232, 140, 22),

        ctl(K::Button, "Save", "", 12, 270, 96, 30).text("Uložit").disabled(),
        ctl(K::Button, "Zvire", "", 114, 270, 30, 30).text("A"),
        ctl(K::Button, "Novy", "", 150, 270, 90, 30).text("Nový"),
        ctl(K::Button, "Edit", "", 246, 270, 80, 30).text("Edit"),
        ctl(K::Button, "Import", "", 246, 270, 80, 30).text("Import").hidden(),
        ctl(K::Button, "Konec", "", 332, 270, 92, 30).text("Konec"),

        // Editor state kept with the window.
        state("Editedit"),
        state("AdresaAkt"),
        state("PodadrJm"),
        state("ExportFr"),
        state("SoubAdrdat"),
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
    static const QStringList order = names({
        "Jmeno", "Prijmeni", "JmenoFix", "Datum_naroz_den", "Datum_naroz_mesic", "Datum_naroz_rok", "Bydliste1",
        "Bydliste2", "Poznamka1", "Poznamka2", "Telefon", "Email", "Save",
    });
    return order;
}

const QStringList &clientEditorButtonOrder()
{
    static const QStringList order = names({"Zvire", "Novy", "Edit", "Konec"});
    return order;
}

} // namespace zovt::design
