#pragma once
// The client's fields and their labels carry the same names on the main
// window's client panel and in the client editor, so that one table
// (clients/ClientFields.h) copies a client to and from either window. Both
// windows' name lists take these from here.

namespace zovt::clientfield {

inline constexpr char Jmeno[] = "Jmeno";
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

} // namespace zovt::clientfield
