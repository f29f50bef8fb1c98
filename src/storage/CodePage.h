#pragma once
// The 8-bit code page of the text files. The companion programs run under
// Wine read and write their text in the prefix's ANSI code page, which Wine
// records in system.reg (System\CurrentControlSet\Control\Nls\CodePage, value
// ACP); the controller uses the same one so that both read the same characters
// back. Without a prefix registry, or when the recorded code page has no codec
// here, the text stays Windows-1250 and stderr says so once.

#include <QByteArray>
#include <QString>

#include <optional>

namespace zovt::codepage {

inline constexpr int kFallbackCodePage = 1250;

struct Choice {
    int codePage = kFallbackCodePage;
    QByteArray codecName = "windows-1250";
    QString note; // why the fallback was taken; empty when the prefix's code page is used
};

// The codec name Qt knows a Windows code page by ("windows-1252"; "UTF-8"
// for 65001), or empty when Qt cannot both encode and decode it.
QByteArray codecFor(int codePage);

// The choice for a prefix registry text; no text means no registry file.
// 'where' names the file in the note.
Choice chooseFrom(const std::optional<QByteArray> &systemReg, const QString &where);

// The choice for the prefix in force ($WINEPREFIX/system.reg).
Choice choose();

// The code page used for every 8-bit text file of this process: chosen on
// first use (its note then goes to stderr), kept until reset().
Choice current();
QByteArray codecName();
// Forgets the choice; the next use chooses again (a test that changes the prefix).
void reset();

// Empty when 'codecName' reads and writes text faithfully, else a message
// saying why the program cannot run with it.
QString problem(const QByteArray &codecName);

// Chooses the code page and checks its codec: empty when text files can be
// read and written, else the message to stop the program with.
QString ensureUsable();

} // namespace zovt::codepage
