#pragma once
// The error of the device port, beside the port abstraction (PortLink.h):
// callers catch it without knowing which port they talk to.

#include "core/ErrorPolicy.h"

#include <QString>

#include <string>

namespace zovt {

// Every failure of the port: the serial component's and a missing device's.
// It ends the program: the exception handler turns it into the port-error
// message.
class EVaCommError : public ProgramEndingError {
public:
    explicit EVaCommError(const std::string &message) : ProgramEndingError(message) {}
    explicit EVaCommError(const char *message) : ProgramEndingError(message) {}
    explicit EVaCommError(const QString &message) : ProgramEndingError(message) {}
};

} // namespace zovt
