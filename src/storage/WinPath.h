#pragma once
// The one place that knows how the fixed Windows paths shared with the
// companion programs live on this file system. It follows Wine: drive X: is
// $WINEPREFIX/dosdevices/x: (C: falls back to $WINEPREFIX/drive_c), and a path
// component that does not exist with its exact case matches an existing one
// case-insensitively, as Windows would.

#include <QString>

namespace zovt::winpath {

// $WINEPREFIX, else $HOME/.wine.
QString prefix();

// The native directory of a drive letter ('c', 'Z', ...).
QString driveDirectory(QChar letter);

// Windows path ("C:\WooZovDaz9\RunZovT.dat") to native path. Paths without a
// drive letter are taken as native paths with "\" turned into "/".
QString toNative(const QString &windowsPath);

// Native path (from a file dialog) to Windows form: "X:\..." under a drive's
// directory, else "Z:\" followed by the native path.
QString toWindows(const QString &nativePath);

// Creates the drive C: directory (and its parents) when it is missing.
void ensureDriveC();

} // namespace zovt::winpath
