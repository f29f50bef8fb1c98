#include "ui/ClientEditorDesign.h"

#include "ui/DesignRows.h"

namespace zovt::design {

namespace {

Form buildTable()
{
    using K = Kind;
    const QList<Row> rows = {
        ctl(K::Label, "PersonL", "", 12, 10, 200, 14).text("Jméno:"),
        ctl(K::Edit, "Jmeno", "", 12, 26, 196, 22),
        ctl(K::Label, "PersonL2", "", 216, 10, 200, 14).text("Příjmení:"),
        ctl(K::Edit, "Prijmeni", "", 216, 26, 170, 22),
        ctl(K::Edit, "JmenoFix", "", 392, 26, 32, 22),

        ctl(K::Label, "Datum_popis", "", 12, 60, 70, 14).text("Narození:"),
        ctl(K::Label, "Datum_den_popis", "", 88, 60, 40, 14).text("Den:"),
        ctl(K::Edit, "Datum_naroz_den", "", 88, 76, 36, 22).text("88"),
        ctl(K::Label, "Datum_mesic_popis", "", 132, 60, 40, 14).text("Měs.:"),
        ctl(K::Edit, "Datum_naroz_mesic", "", 132, 76, 36, 22).text("88"),
        ctl(K::Label, "Datum_rok_popis", "", 176, 60, 40, 14).text("Rok:"),
        ctl(K::Edit, "Datum_naroz_rok", "", 176, 76, 56, 22).text("8888"),

        ctl(K::Label, "Bydliste_popis", "", 12, 110, 80, 14).text("Adresa:"),
        ctl(K::Edit, "Bydliste1", "", 12, 126, 412, 22),
        ctl(K::Edit, "Bydliste2", "", 12, 150, 412, 22),
        ctl(K::Label, "Poznamka_popis", "", 12, 180, 80, 14).text("Poznámka:"),
        ctl(K::Edit, "Poznamka1", "", 12, 196, 412, 22),
        ctl(K::Edit, "Poznamka2", "", 12, 220, 412, 22),
        ctl(K::Label, "Telefon_popis", "", 12, 250, 80, 14).text("Telefon:"),
        ctl(K::Edit, "Telefon", "", 12, 266, 196, 22),
        ctl(K::Label, "Email_Popis", "", 216, 250, 80, 14).text("E-mail:"),
        ctl(K::Edit, "Email", "", 216, 266, 208, 22),

        ctl(K::Button, "Save", "", 12, 300, 90, 28).text("Uložit").disabled(),
        ctl(K::Button, "Zvire", "", 108, 300, 28, 28).text("A"),
        ctl(K::Button, "Novy", "", 142, 300, 90, 28).text("Nový"),
        ctl(K::Button, "Edit", "", 238, 300, 90, 28).text("Edit"),
        ctl(K::Button, "Konec", "", 334, 300, 90, 28).text("Konec"),
        ctl(K::Button, "Import", "", 238, 300, 90, 28).text("Import").hidden(),

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

} // namespace zovt::design
