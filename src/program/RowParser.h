#pragma once
// The program row: eight tab-separated fields read into the window-wide row
// variables, and the display line of a parsed row.

#include "core/RowVars.h"

#include <QString>
#include <QStringView>
#include <stdexcept>

namespace zovt {

class RowFields;

// A number or duration field that is not a decimal number. It ends the
// operation that called the parser, without a message.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Field k (1-based) of a row, with the splitting rule that repeats the last
// field when the row has fewer fields.
QString rowField(const QString &row, int k);

// Parses a row into v (only what the row supplies is overwritten). Throws
// ConvertError; variables already assigned from the row keep their values.
void Nactiradekdata(const QString &PomStringPrenos, RowVars &v);

// The display line of the row last parsed into v.
QString rowDisplayLine(const RowVars &v, bool OrvatrinPower);

// Reads an optionally signed decimal integer; throws ConvertError otherwise.
qint32 readDecimal(const QString &text);
qint32 readDecimal(QStringView text);

// How an empty duration field reads: the parser and the program total keep
// the value before it, the file total counts it as 0.
enum class EmptyDuration { KeepsValue, IsZero };

// Reads the duration fields 6, 7 and 8 of a row into CasH, CasM and CasS.
// Throws ConvertError at a field that is not a decimal integer (the fields
// before it keep their new values) and at a duration that playback cannot
// count: its milliseconds must fit 32 bits, so 596:31:23 is the longest row.
void readDuration(const RowFields &fields, RowVars &v, EmptyDuration empty);

// The value of a number field from its integer part and thousandths,
// thousandths / 1000 + integer part in extended precision, rounded once.
double rowNumberValue(qint32 whole, qint32 thousandths);

// The duration in seconds, CasH * 3600 + CasM * 60 + CasS in 32-bit
// arithmetic (wrapping, never undefined).
qint32 rowSeconds(qint32 CasH, qint32 CasM, qint32 CasS);
qint32 rowSeconds(const RowVars &v);

// "Hz", "kHz", "MHz", "GHz" for the hertz per unit; empty for anything else.
QString unitName(qint32 HzkHz);

} // namespace zovt
