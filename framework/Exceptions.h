// The exception classes the program raises: a message string, and a system code for file errors.
#pragma once

#include <exception>
#include <string>

// The general error: carries the text that the user is shown.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}

    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Memory ran out; its text is fixed.
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

// A file operation failed with a system error code; the text is the one the code maps to.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode) : Exception(TextForCode(errorCode)), FErrorCode(errorCode) {}

    int ErrorCode() const noexcept { return FErrorCode; }

    // "File not found" for 2 and so on, "Disk full" also for the system's full-disk codes 39 and
    // 112; "I/O error N" for a code without a text of its own.
    static std::string TextForCode(int errorCode);

private:
    int FErrorCode;
};
