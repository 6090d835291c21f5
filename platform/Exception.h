// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exceptions of the program. Every layer derives its own classes from Exception, which carries
// the message; messages are made from a format with one inserted word (Format below).
#include <cstdarg>
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// The framework's invalid-operation exception ("Canvas does not allow drawing", ...).
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// The framework's stream errors: a read or write that could not move the bytes asked for
// ("Stream read error", "Stream write error").
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// The framework's list error: an index outside a list ("List index out of bounds (%d)").
class EListError : public Exception {
public:
    using Exception::Exception;
};

// printf-style formatting of an exception message: Format("%s cannot be made", "Surface").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
