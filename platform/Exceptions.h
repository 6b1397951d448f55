#pragma once

#include <stdexcept>
#include <string>

// The program's exception family: every failure carries a message that can be shown as it is.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class EIntOverflow : public Exception {
public:
    EIntOverflow() : Exception("Integer overflow") {}
};

class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

class EDivByZero : public Exception {
public:
    EDivByZero() : Exception("Division by zero") {}
};

// An operating-system failure: the error number and the system's text for it.
class EOSError : public Exception {
public:
    EOSError(int code, const std::string& systemText);
    int ErrorCode() const { return Code; }

private:
    int Code;
};

// A failure of a file's input or output, with the file layer's text for it.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorNumber);
    int ErrorCode() const { return Code; }

private:
    int Code;
};
