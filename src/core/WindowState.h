#pragma once
// Window-wide variables of the main window that are not controls. The
// controllers of the subsystems share one instance; controls (including the
// hidden ones used as state) live on the ControlSurface.

#include "core/RowVars.h"

#include <QString>
#include <QtGlobal>

#include <random>

namespace zovt {

// The playback engine's working values, named as the design names them (the
// glossary has the words). All are set by PlaybackEngine unless said.
struct EngineVars {
    // ms: how long the current row plays; from its duration, cut short for
    // the first row of a resumed playback.
    qint32 CasStop = 0;
    // ms: how much of the current row has been played; 0 at the row's start,
    // grows by the tick.
    qint32 CasPLAY = 0;
    // Device values (integer frequency in device units) of the row's upper,
    // or single, frequency and of its lower frequency; set when a row is
    // parsed.
    qint32 FrqCOMHM = 0;
    qint32 FrqCOMDM = 0;
    // Device value of the sweep step; its sign is the sweep's direction and
    // turns at either end of the band.
    qint32 SunCOM = 0;
    // Device value last written during a sweep; starts at FrqCOMHM.
    qint32 FrqCOMInt = 0;
    // The text sent for a single frequency (FrqCOMHM in decimal digits).
    QString FrqCOM;
    // Ticks since the row last wrote to the device: at the resend or sweep
    // interval it writes again and starts from 0.
    qint32 MezeCount = 0;
    // s: the whole program's time, as PlaybackController sums the rows at Play.
    qint32 CasCelkFIX = 0;
    // s: program time left at the current row's start (the whole at Play).
    qint32 CasCelk = 0;
    // s: program time left after the latest tick (what the countdown shows);
    // PlaybackController sets it at Play, the engine counts it down.
    qint32 CasCelkp = 0;
    // The display line of the playing row without its marker, to restore the
    // line when the marker moves on.
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
