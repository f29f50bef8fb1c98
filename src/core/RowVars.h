#pragma once
// The window-wide row variables: the parser overwrites only what a row
// supplies, so they carry values from one parsed row to the next.

#include <QString>
#include <QtGlobal>

namespace zovt {

struct RowVars {
    QString FrJm;
    qint32 FrDw = 0, FrUp = 0, Sun = 0;    // integer parts
    qint32 FrDwD = 0, FrUpD = 0, SunD = 0; // thousandths
    double FrDwF = 0, FrUpF = 0, SunF = 0; // values in the row's unit
    qint32 HzkHz = 0;                      // hertz per unit, 0 until a known unit
    qint32 InfoMEZ = 0;                    // 1 single frequency, 2 band
    qint32 CasH = 0, CasM = 0, CasS = 0;   // duration parts
};

} // namespace zovt
