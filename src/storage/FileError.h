#pragma once
#include <stdexcept>
#include <string>

namespace zovt {

// A data file that exists but does not match its format, a missing picture, or
// a write that failed. Kept apart from serial-port errors: the exception
// handler drops these without a message.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ReadError : public FileError {
public:
    using FileError::FileError;
};

class WriteError : public FileError {
public:
    using FileError::FileError;
};

} // namespace zovt
