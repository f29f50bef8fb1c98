#pragma once
// Program time totals and the duration text used everywhere in playback.

#include "core/RowVars.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace zovt {

// "h:m:s" without leading zeros; 3725 gives "1:2:5", -5 gives "0:0:-5".
QString CasPrevod(qint64 seconds);

// Total of the selected program (MemoPlay lines 1..PocetRadkfr). Returns the
// total seconds (CasCelk); afterRow receives the running total after each row,
// whose text (CasWrite) is runningTotalText. Throws ConvertError at a bad
// duration field (the running total of the rows before it stays).
// The running total goes out as a number: only the last one is ever shown,
// and a million-row program would otherwise format a million texts.
using RunningTotal = std::function<void(qint32 CasCelk)>;
qint32 CasCelkSUM(const QStringList &MemoPlay, qint32 PocetRadkfr, RowVars &v, const RunningTotal &afterRow);
// The same with CasCelk kept in the caller's variable, which holds the running
// total also when a bad row ends the computation.
qint32 CasCelkSUM(const QStringList &MemoPlay, qint32 PocetRadkfr, RowVars &v, qint32 &CasCelk,
                  const RunningTotal &afterRow);
// The running text of a program's total: eight blanks, then CasPrevod.
QString runningTotalText(qint32 CasCelk);

// Text of the whole-file total (CasWriteSUMA); empty text for an empty file.
// Throws ConvertError at a bad duration field.
QString CasSUMASUM(const QStringList &NacistMemo, RowVars &v);

// The whole-file total worked out away from the window's row variables (on
// the worker that reads a handed-over file ahead): CasSUMASUM's text, and
// what CasSUMASUM leaves in the row variables, which is the duration of the
// last row, since every row sets all three parts.
struct FileTotal {
    QString text;
    std::optional<std::array<qint32, 3>> lastDuration; // CasH, CasM, CasS; none in a file of headers only
};
// Empty where CasSUMASUM throws: the window then works the total out itself
// and meets the error where it always does.
std::optional<FileTotal> fileTotalAhead(const QStringList &NacistMemo);
// What CasSUMASUM returns and leaves in v, from a total worked out ahead.
QString CasSUMASUM(const FileTotal &ahead, RowVars &v);

// The long time format used for totals: the system locale's, "H:mm:ss" in
// the C/POSIX locale.
QString longTimeFormat();
// A Qt time format without its time-zone parts ("t" outside quotes).
QString timeFormatWithoutZone(const QString &format);

// The whole-file total text for a total in days: "   N D + " and the time of
// day from one day on, else eight spaces and the time.
QString fileTotalText(double totalDays);

} // namespace zovt
