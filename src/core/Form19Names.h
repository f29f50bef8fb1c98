#pragma once
// The names of the controls of the main window Form19, as their objectNames. The design
// table and the controllers spell them from here, so a name is typed once.

#include "core/ClientFieldNames.h"

namespace zovt::f19 {

inline constexpr char PanelZac[] = "PanelZac";
inline constexpr char ComLabel[] = "ComLabel";
inline constexpr char PortOpen[] = "PortOpen";
inline constexpr char COMconct[] = "COMconct";
inline constexpr char BtnInfo[] = "BtnInfo";
inline constexpr char WritedCom[] = "WritedCom";
inline constexpr char OpenPopis[] = "OpenPopis";
inline constexpr char Open[] = "Open";
inline constexpr char OpenZov[] = "OpenZov";
inline constexpr char OpenSBZ[] = "OpenSBZ";
inline constexpr char Panel4[] = "Panel4";
inline constexpr char JasLED_Pc[] = "JasLED_Pc";
inline constexpr char JasLED[] = "JasLED";
inline constexpr char JasLED_Pom[] = "JasLED_Pom";
inline constexpr char JasLED_Pc_Zn[] = "JasLED_Pc_Zn";
inline constexpr char VykonIR_Pc[] = "VykonIR_Pc";
inline constexpr char VykonIR[] = "VykonIR";
inline constexpr char VykonIR_Pom[] = "VykonIR_Pom";
inline constexpr char VykonIR_Pc_Zn[] = "VykonIR_Pc_Zn";
inline constexpr char ZpomalLED_Pc[] = "ZpomalLED_Pc";
inline constexpr char ZpomalLED[] = "ZpomalLED";
inline constexpr char ZpomalLED_Pom[] = "ZpomalLED_Pom";
inline constexpr char ZpomalLED_Pc_Zn[] = "ZpomalLED_Pc_Zn";
inline constexpr char InfoPopis[] = "InfoPopis";
inline constexpr char Panel6[] = "Panel6";
inline constexpr char InfoPopis2[] = "InfoPopis2";
inline constexpr char Colortype[] = "Colortype";
inline constexpr char Panel2[] = "Panel2";
inline constexpr char Wishes[] = "Wishes";
inline constexpr char Panel5[] = "Panel5";
inline constexpr char Orva_Tlac[] = "Orva_Tlac";
inline constexpr char OrvaTGener[] = "OrvaTGener";
inline constexpr char PopisP1[] = "PopisP1";
inline constexpr char PopisPT1[] = "PopisPT1";
inline constexpr char ClosePopis[] = "ClosePopis";
inline constexpr char PopisP2[] = "PopisP2";
inline constexpr char PopisPT2[] = "PopisPT2";
inline constexpr char ClosePopis2[] = "ClosePopis2";
inline constexpr char PanelJmeno[] = "PanelJmeno";
inline constexpr char PersonL[] = "PersonL";
inline constexpr char KlientOpen[] = "KlientOpen";
inline constexpr char Novy[] = "Novy";
inline constexpr char DeleteJm[] = "DeleteJm";

// The client's fields and their labels, named alike in both windows.
using namespace clientfield;

inline constexpr char Aktualni_misto[] = "Aktualni_misto";
inline constexpr char Poznamka3[] = "Poznamka3";
inline constexpr char PanelPlay[] = "PanelPlay";
inline constexpr char Play[] = "Play";
inline constexpr char PlayVse[] = "PlayVse";
inline constexpr char Wishes1[] = "Wishes1";
inline constexpr char Pause[] = "Pause";
inline constexpr char PausePrekryv[] = "PausePrekryv";
inline constexpr char StopVse[] = "StopVse";
inline constexpr char Stop[] = "Stop";
inline constexpr char StopPrekryv[] = "StopPrekryv";
inline constexpr char CasWrite[] = "CasWrite";
inline constexpr char PlayUkaz[] = "PlayUkaz";
inline constexpr char Kikratebar[] = "Kikratebar";
inline constexpr char Kolikrate[] = "Kolikrate";
inline constexpr char Panelprani[] = "Panelprani";
inline constexpr char Memory1[] = "Memory1";
inline constexpr char Memory2[] = "Memory2";
inline constexpr char Memory3[] = "Memory3";
inline constexpr char Memory4[] = "Memory4";
inline constexpr char Memory5[] = "Memory5";
inline constexpr char Memory6[] = "Memory6";
inline constexpr char InfoWish[] = "InfoWish";
inline constexpr char MemoryDel[] = "MemoryDel";
inline constexpr char OrvatrinPowerPcPanel[] = "OrvatrinPowerPcPanel";
inline constexpr char OrvatrinPowerPc[] = "OrvatrinPowerPc";
inline constexpr char TherapyL1Pan[] = "TherapyL1Pan";
inline constexpr char TherapyL1[] = "TherapyL1";
inline constexpr char CasWriteSUMA[] = "CasWriteSUMA";
inline constexpr char Zakladmemo[] = "Zakladmemo";
inline constexpr char ZovToolEdit[] = "ZovToolEdit";
inline constexpr char Konec[] = "Konec";
inline constexpr char Setting[] = "Setting";
inline constexpr char MemoPlayShow[] = "MemoPlayShow";
inline constexpr char ZovTWisch[] = "ZovTWisch";
inline constexpr char MemoWish[] = "MemoWish";
inline constexpr char Wishes1dole[] = "Wishes1dole";
inline constexpr char PanelSettig[] = "PanelSettig";
inline constexpr char CloseByStop[] = "CloseByStop";
inline constexpr char OpakVSEZ[] = "OpakVSEZ";
inline constexpr char VisDBZ[] = "VisDBZ";
inline constexpr char VerzeSwZovT[] = "VerzeSwZovT";
inline constexpr char C_Max[] = "C_Max";
inline constexpr char Panel8[] = "Panel8";
inline constexpr char LightNight[] = "LightNight";
inline constexpr char R_Night[] = "R_Night";
inline constexpr char LightStanBy[] = "LightStanBy";
inline constexpr char R_Stadby[] = "R_Stadby";
inline constexpr char LightPower[] = "LightPower";
inline constexpr char R_Power[] = "R_Power";
inline constexpr char PanelSettigCOM[] = "PanelSettigCOM";
inline constexpr char COM_Nr[] = "COM_Nr";
inline constexpr char Image8[] = "Image8";
inline constexpr char SettSave[] = "SettSave";
inline constexpr char CloseSett[] = "CloseSett";
inline constexpr char NacistMemo[] = "NacistMemo";
inline constexpr char MemoPlay[] = "MemoPlay";
inline constexpr char PRSAdresaAkt[] = "PRSAdresaAkt";
inline constexpr char PRSAdresaProt[] = "PRSAdresaProt";
inline constexpr char PRSAdresKlentaData[] = "PRSAdresKlentaData";
inline constexpr char PRSAdresaDBZ[] = "PRSAdresaDBZ";
inline constexpr char PRSAdresaPresmerovani[] = "PRSAdresaPresmerovani";
inline constexpr char PRSAdresaData[] = "PRSAdresaData";
inline constexpr char SouborProtokSuma[] = "SouborProtokSuma";
inline constexpr char SouborProtokSumaSUM[] = "SouborProtokSumaSUM";
inline constexpr char ProtokolSUMA[] = "ProtokolSUMA";
inline constexpr char Dododo[] = "Dododo";

} // namespace zovt::f19
