#pragma once
// The general exception classes. Every failure of the system is an exception
// carrying a message; callers catch by class and show Message().

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// A file could not be opened or read as text. ErrorCode is the system's error
// number; a missing file reads "File not found", anything else "I/O error %d".
class EInOutError : public Exception {
public:
    EInOutError(int errorCode, std::string message)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    // Builds the message from an errno value.
    static EInOutError FromErrno(int err);
    int ErrorCode;
};

// A text could not be converted, e.g. "'x' is not a valid integer value".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file stream could not be opened: "Cannot open file "%s". %s".
class EFOpenError : public Exception {
public:
    EFOpenError(const std::string& fileName, const std::string& reason);
};
