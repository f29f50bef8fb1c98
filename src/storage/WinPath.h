#pragma once
// The one place that knows how the fixed Windows paths shared with the
// companion programs live on this file system. It follows Wine: drive X: is
// $WINEPREFIX/dosdevices/x: (C: falls back to $WINEPREFIX/drive_c), and a path
// component that does not exist with its exact case matches an existing one
// case-insensitively, as Windows would. Names are read as Windows reads them:
// trailing blanks and dots of a component do not count, and a component with a
// character no Windows name can hold names no file at all.

#include <QString>

namespace zovt::winpath {

// $WINEPREFIX, else $HOME/.wine (an empty WINEPREFIX counts as unset).
QString prefix();

// Empty when the prefix can be used; otherwise the one-line reason to refuse
// to start (Wine itself refuses a relative WINEPREFIX).
QString prefixProblem();

// The native directory of a drive letter ('c', 'Z', ...).
QString driveDirectory(QChar letter);

// Empty when the drive of a Windows path leads to a folder; else one
// sentence saying that it leads nowhere in this prefix. A path without a
// drive letter has no drive problem.
QString driveProblem(const QString &windowsPath);

// Windows path ("C:\WooZovDaz9\RunZovT.dat") to native path. Paths without a
// drive letter are taken as native paths with "\" turned into "/". A Windows
// path that cannot name a file (see validName) gives an empty text: a file
// that does not exist, that no reader finds and no writer can create.
QString toNative(const QString &windowsPath);

// A component as Windows reads it: without trailing blanks and dots.
QString windowsName(const QString &component);
// False for a component holding one of < > : " | ? * or a control character.
bool validName(const QString &component);

// Native path (from a file dialog) to Windows form: "X:\..." under a drive's
// directory, else "Z:\" followed by the native path.
QString toWindows(const QString &nativePath);

// Creates the drive C: directory (and its parents) when it is missing.
void ensureDriveC();

} // namespace zovt::winpath
