// The text that a failed install appends to its message, for an error of any type.
#pragma once

#include <exception>
#include <string>

// Shown for an error that carries no text, or is of a type that carries none.
extern const char* const UnknownFailureText;  // "I/O error"

// The error's own text; "Out of memory" when memory ran out; UnknownFailureText for an empty text
// or an error that is no std::exception. Never empty.
std::string FailureText(const std::exception_ptr& error);
