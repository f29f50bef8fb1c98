#pragma once
// How long the window could not answer, measured in a real run. With
// ZOVT_STALLS set in the environment (a number of ms, 250 when it is not a
// number) every gap over that many ms in which the event loop served no timer
// prints one line to stderr:
//   zovt-generator: event loop stalled MS ms, until NS
// NS on CLOCK_MONOTONIC as the start marks, and at the end the longest gap:
//   zovt-generator: longest stall MS ms
// A timer is served in nested loops and in processEvents as well, so a gap is
// a time the operator's clicks, repaints and the device's timers all waited.

class QObject;

namespace zovt::stallmeter {

// Starts measuring when the variable is set; the meter lives as long as owner.
void startIfWanted(QObject *owner);

} // namespace zovt::stallmeter
