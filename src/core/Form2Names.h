#pragma once
// The names of the controls of the client editor Form2, as their objectNames. The design
// table and the controllers spell them from here, so a name is typed once.

namespace zovt::f2 {

inline constexpr char PersonL[] = "PersonL";
inline constexpr char Jmeno[] = "Jmeno";
inline constexpr char PersonL2[] = "PersonL2";
inline constexpr char Prijmeni[] = "Prijmeni";
inline constexpr char JmenoFix[] = "JmenoFix";
inline constexpr char Datum_popis[] = "Datum_popis";
inline constexpr char Datum_den_popis[] = "Datum_den_popis";
inline constexpr char Datum_naroz_den[] = "Datum_naroz_den";
inline constexpr char Datum_mesic_popis[] = "Datum_mesic_popis";
inline constexpr char Datum_naroz_mesic[] = "Datum_naroz_mesic";
inline constexpr char Datum_rok_popis[] = "Datum_rok_popis";
inline constexpr char Datum_naroz_rok[] = "Datum_naroz_rok";
inline constexpr char Bydliste_popis[] = "Bydliste_popis";
inline constexpr char Bydliste1[] = "Bydliste1";
inline constexpr char Bydliste2[] = "Bydliste2";
inline constexpr char Poznamka_popis[] = "Poznamka_popis";
inline constexpr char Poznamka1[] = "Poznamka1";
inline constexpr char Poznamka2[] = "Poznamka2";
inline constexpr char Telefon_popis[] = "Telefon_popis";
inline constexpr char Telefon[] = "Telefon";
inline constexpr char Email_Popis[] = "Email_Popis";
inline constexpr char Email[] = "Email";
inline constexpr char Save[] = "Save";
inline constexpr char Zvire[] = "Zvire";
inline constexpr char Novy[] = "Novy";
inline constexpr char Edit[] = "Edit";
inline constexpr char Import[] = "Import";
inline constexpr char Konec[] = "Konec";
inline constexpr char Editedit[] = "Editedit";
inline constexpr char AdresaAkt[] = "AdresaAkt";
inline constexpr char PodadrJm[] = "PodadrJm";
inline constexpr char ExportFr[] = "ExportFr";
inline constexpr char SoubAdrdat[] = "SoubAdrdat";

// The order Enter walks the fields, ending at Save; the window's Tab order
// follows it too.
inline constexpr const char *TabOrder[] = {
    Jmeno, Prijmeni, JmenoFix, Datum_naroz_den, Datum_naroz_mesic, Datum_naroz_rok, Bydliste1,
    Bydliste2, Poznamka1, Poznamka2, Telefon, Email, Save,
};

} // namespace zovt::f2
