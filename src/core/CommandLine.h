#pragma once
// The command line every executable of the product shares: --help, --version,
// its own long options and its operands, and the usual answer to a mistake
// (one line on stderr, exit status 2). It runs before any application object
// exists, so --help and --version work without a display or a Wine prefix.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace zovt::cli {

struct Option {
    QString name;       // long name without the dashes: "port" for --port
    QString valueName;  // empty: a switch; else the placeholder of its value ("N")
    QString help;       // one line
};

struct Program {
    QString name;        // "zovt-schedule"
    QString synopsis;    // what follows the name in the usage line: "[OPTION...] FILE [ENTRY...]"
    QString usage;       // one paragraph on what the program does
    QList<Option> options;
    QString epilog;      // optional: environment, exit status, ...
    int maxOperands = 0; // -1: any number
    // A Qt GUI program leaves Qt's own single-dash options (-platform xcb,
    // -style fusion, ...) to QApplication.
    bool qtOptions = false;
};

struct Arguments {
    // Set when the program should end at once with this status: after --help
    // or --version (0) or a mistake on the command line (2).
    std::optional<int> exitCode;
    QString out;  // what goes to stdout
    QString err;  // what goes to stderr
    QStringList operands;
    // Every option given, in order, with its value (empty for a switch).
    QList<QPair<QString, QString>> given;

    bool isSet(const QString &name) const;
    // The last value given for the option, or fallback.
    QString value(const QString &name, const QString &fallback = {}) const;
    QStringList values(const QString &name) const;
};

// The version of the build as the window's title shows it, "1.6.04".
QString version();

// The --help text.
QString helpText(const Program &program);

// Parses args (without the program's own name). Prints nothing.
Arguments parse(const Program &program, const QStringList &args);

// Parses argv, prints the help, the version or the error, and leaves Qt's
// options in argv for the application object. When the result's exitCode is
// set, main() returns it.
Arguments parse(const Program &program, int argc, char **argv);

} // namespace zovt::cli
