#pragma once
// The names of the controls of the client editor Form2, as their objectNames. The design
// table and the controllers spell them from here, so a name is typed once.

#include "core/ClientFieldNames.h"

namespace zovt::f2 {

// The client's fields and their labels, named alike in both windows.
using namespace clientfield;

inline constexpr char PersonL[] = "PersonL";
inline constexpr char PersonL2[] = "PersonL2";
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
