#pragma once
// Quoting untrusted input in messages. A message that quotes a file's content
// must stay short and printable: a one-line file of many megabytes would
// otherwise become a line of as many megabytes on stderr or in a dialog, and a
// NUL would cut a C-string copy of the message short.

#include <QString>
#include <QStringView>

namespace zovt {

// At most maxChars characters of 'text' made visible, followed by "…" when
// text was left off. Control characters U+0000 to U+001F and U+007F show as
// their control pictures (U+2400 to U+241F and U+2421: "␀", "␉", "␊", "␍");
// every other character that prints nothing or can reorder the text (C1
// controls, format characters such as U+200B or U+202E, line and paragraph
// separators, lone surrogates, non-characters) shows as "<U+XXXX>". A
// character is never split, so the output is at most maxChars + 1 characters
// long.
QString excerpt(QStringView text, int maxChars = 60);

// The length to quote a path with: paths can come from files other programs
// wrote, and any real path is shorter.
inline constexpr int kPathExcerptChars = 260;
// The most of any one message that is shown or printed: the last guard for a
// text that quoted its input whole.
inline constexpr int kMessageChars = 600;

} // namespace zovt
