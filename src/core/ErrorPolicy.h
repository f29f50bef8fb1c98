#pragma once
// What an error does to the program, decided in one place. Errors are
// exceptions; an operation that catches one asks errorKind whether to end
// there, to pass it on, or to leave it to the exception handler.
//
//  - An exit unwinds every running operation; it is no error and is never
//    reported.
//  - An error of the device link ends the program: the window's exception
//    handler shows the port-error message (or, during start-up, offers another
//    port number).
//  - A programming error (std::logic_error: a misspelt control name, an
//    unbound call) is never taken for an ordinary failure of the operation
//    that met it: it goes on to the handler, which drops it with a line on
//    stderr.
//  - Every other error (a file that cannot be read or written, a row that
//    does not convert, a missing picture) ends the operation in which it
//    arose and nothing more.

#include <exception>
#include <stdexcept>

#include <QString>

namespace zovt {

// The base of the errors that end the program (the device link's errors).
class ProgramEndingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit ProgramEndingError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

enum class ErrorKind {
    Exit,          // the exit's unwind
    EndsProgram,   // a device-link error
    Programming,   // a fault of the program itself
    EndsOperation, // everything else
};

ErrorKind errorKind(const std::exception_ptr &error);

// The error ends only the operation in which it arose.
inline bool endsOperationOnly(const std::exception_ptr &error) { return errorKind(error) == ErrorKind::EndsOperation; }

// The message an error carries: what() of a standard exception, else
// "unknown error".
QString errorMessage(const std::exception_ptr &error);

// The one line on stderr for an error that is dropped or reported nowhere
// else: "zovt: <where>: <note>: <message>", the message cut to a bounded
// excerpt. note may be empty.
void logError(const char *where, const std::exception_ptr &error, const char *note);

} // namespace zovt
