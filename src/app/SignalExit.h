#pragma once
// A logout, a shutdown or a kill ends the program the way closing its window
// does: a running playback ends with its end texts and its protocol, the
// marker goes, the port is released. The signal handler itself only writes
// the signal's number into a pipe; the event loop (nested waits included)
// reads it and runs the closing path. Further SIGTERM and SIGHUP are
// ignored then (a logout sends both, a shutdown repeats them); a second
// SIGINT (Ctrl+C) ends the process at once.

#include <functional>

class QObject;

namespace zovt::signalexit {

// Installs the handlers of SIGTERM, SIGINT and SIGHUP. Signals arriving from
// now on are kept until watch() takes them. False when the pipe cannot be made
// (the signals keep their default action then).
bool install();

// From the event loop of 'context''s thread, calls 'end' with the first
// signal's number.
void watch(QObject *context, std::function<void(int signal)> end);

} // namespace zovt::signalexit
