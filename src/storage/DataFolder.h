#pragma once
// A data folder that works from the first start, wherever the program was
// started from: the package, a `cmake --install` to any prefix, or the build
// tree. The default pictures and the demo programs travel with the program;
// what the data folder lacks of them is laid in before the window needs it.

#include <QString>
#include <QStringList>

namespace zovt::datafolder {

// The folder of what the program brings along ("PicWorvat" with the default
// pictures, "examples" with the demo programs), found from the folder of the
// running executable: the installed share folder, else the build tree's copy.
// Empty when neither is there.
QString shippedDir(const QString &executableDir);

// The demo programs handed over on a first start.
inline const QString DemoProgram = QStringLiteral("C:\\OrvaTherapy\\Demo\\demo.txt");

struct Prepared {
    // The data folder did not exist before: a first start.
    bool firstStart = false;
    // The default pictures laid in, by file name; a picture that was there
    // (in any letter case) is never replaced.
    QStringList picturesAdded;
    // The Windows path of the demo programs handed over; empty when none were.
    QString demoHandedOver;
    // What could not be done, one line each, for stderr. Start-up goes on: a
    // picture still missing is then reported where it is shown.
    QStringList problems;
};

// Creates the data folder and its picture folder when missing, lays in each
// default picture of 'shipped' that is missing, and on a first start copies
// the demo programs to DemoProgram (unless a file is there) and hands them
// over in the program hand-off file, so that the first window lists them.
Prepared prepare(const QString &shipped);

// The stderr lines that tell a user what prepare() did; empty when nothing
// was done.
QStringList report(const Prepared &p);

} // namespace zovt::datafolder
