#pragma once
// States that the main window keeps in its controls, named: the controllers
// ask these instead of comparing captions and flags of their own.

#include "core/ControlSurface.h"
#include "core/Form19Names.h"

#include <QString>

namespace zovt::f19 {

// The caption of Pause: "||" while a program plays on (pressing holds it),
// ">" while it is held (pressing resumes it).
inline const QString PauseCaptionRunning = QStringLiteral("||");
inline const QString PauseCaptionHeld = QStringLiteral(">");

// A playback runs (held or not) exactly while Stop is enabled.
inline bool playbackRuns(const ControlSurface &ui) { return ui.isEnabled(Stop); }
// The running playback is held by Pause.
inline bool playbackHeld(const ControlSurface &ui) { return ui.text(Pause) == PauseCaptionHeld; }
// Pause shows its running caption: a press would hold the program.
inline bool pauseWouldHold(const ControlSurface &ui) { return ui.text(Pause) == PauseCaptionRunning; }

// The controls a playback takes from the operator and gives back when it
// ends. Play and PlayVse are taken too but not given back: they wait for the
// operator to select a program again, which lays out MemoPlay and its total
// anew.
inline constexpr const char *LockedWhilePlaying[] = {Open, ZovToolEdit, OpenZov, OpenSBZ, Konec, Colortype,
                                                     Orva_Tlac, Wishes, KlientOpen, Novy, DeleteJm};
inline void lockWhilePlaying(ControlSurface &ui, bool locked)
{
    for (const char *name : LockedWhilePlaying)
        ui.setEnabled(QString::fromLatin1(name), !locked);
}

// The lighting selection groups of the settings panel, in the order of their
// lines in the settings file, with the number of their items. The design
// table builds the groups from this, and a selection read back or sent to
// the device is checked against it.
struct LightingGroup {
    const char *name;
    int items;
};
inline constexpr LightingGroup LightingGroups[] = {{R_Night, 3}, {R_Stadby, 3}, {R_Power, 6}};
// The items of a lighting group; 0 for a name that is none.
inline int lightingItems(const QString &group)
{
    for (const LightingGroup &g : LightingGroups)
        if (group == QLatin1String(g.name))
            return g.items;
    return 0;
}

} // namespace zovt::f19
