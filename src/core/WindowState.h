#pragma once
// Window-wide variables of the main window that are not controls. The
// controllers of the subsystems share one instance; controls (including the
// hidden ones used as state) live on the ControlSurface.

#include "core/RowVars.h"

#include <QString>
#include <QtGlobal>

#include <random>

namespace zovt {

struct EngineVars {
    qint32 CasStop = 0;
    qint32 CasPLAY = 0;
    qint32 FrqCOMHM = 0;
    qint32 FrqCOMDM = 0;
    qint32 SunCOM = 0;
    qint32 FrqCOMInt = 0;
    QString FrqCOM;
    qint32 MezeCount = 0;
    qint32 CasCelkFIX = 0;
    qint32 CasCelk = 0;
    qint32 CasCelkp = 0;
    QString PomString1;
};

struct WindowState {
    qint32 Languagem = 0;
    qint32 ScaleFontTXT = 10;
    qint32 ScaleFontTXTSec = 8;
    bool Staruji = false;
    bool UlozitDoPamet = false;
    bool playopakTl = false;
    bool OrvatrinPower = false;
    bool Z_OrvaT = false;
    qint32 Pozadplay = -1;
    QString SoborJm = QStringLiteral("   ");
    QString SouborExport;
    qint32 PocetRadkfr = 0;
    qint32 timercas = 0;
    bool JasLED_Pc_Swich = true;
    bool VykonIR_Pc_Swich = true;
    bool ZpomalLED_Pc_Swich = true;
    bool Dododo = false;
    qint32 comPort = 3;
    // Windows path of the program file in NacistMemo, as ProgramController
    // loaded it; empty when the list came from elsewhere (a wish).
    QString loadedProgramFile;
    // Preset file name and initial folder of the program file dialog.
    QString openDialogFileName;
    QString openDialogFolder;

    // The program's pseudo-random generator, seeded from the clock at start-up.
    std::mt19937 rng{0};

    RowVars row;
    EngineVars engine;
};

} // namespace zovt
