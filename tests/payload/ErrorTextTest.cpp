// The texts a failed install appends to its message: the file-error table, and the text of an
// error of any type.
#include "../../framework/Exceptions.h"
#include "../../payload/FailureText.h"
#include "../../payload/InflateBuffer.h"

#include <doctest.h>

#include <new>
#include <stdexcept>

namespace {

template <typename TError>
std::string FailureTextOf(TError error)
{
    return FailureText(std::make_exception_ptr(error));
}

}  // namespace

TEST_SUITE("EInOutError") {

TEST_CASE("each file-error code has its text, a full disk among them, and any other the I/O error format")
{
    const struct {
        int Code;
        const char* Text;
    } rows[] = {
        {2, "File not found"},
        {3, "Invalid filename"},
        {4, "Too many open files"},
        {5, "File access denied"},
        {100, "Read beyond end of file"},
        {101, "Disk full"},
        {106, "Invalid numeric input"},
        {112, "Disk full"},  // the system's "not enough space on the disk"
        {39, "Disk full"},   // the system's "handle disk full"
        {0, "I/O error 0"},
        {1, "I/O error 1"},
        {6, "I/O error 6"},
        {38, "I/O error 38"},
        {40, "I/O error 40"},
        {99, "I/O error 99"},
        {102, "I/O error 102"},
        {111, "I/O error 111"},
        {113, "I/O error 113"},
        {206, "I/O error 206"},
        {-1, "I/O error -1"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.Code);
        const EInOutError error(row.Code);
        CHECK(std::string(error.what()) == row.Text);
        CHECK(error.ErrorCode() == row.Code);
    }
}

}  // TEST_SUITE

TEST_SUITE("FailureText") {

TEST_CASE("a failure of any type has a text, never an empty one")
{
    CHECK(FailureTextOf(Exception("Setup Data not found.")) == "Setup Data not found.");
    CHECK(FailureTextOf(EDecompressionError()) == "error");
    CHECK(FailureTextOf(EInOutError(112)) == "Disk full");
    CHECK(FailureTextOf(std::runtime_error("a library's own text")) == "a library's own text");
    CHECK(FailureTextOf(EOutOfMemory()) == "Out of memory");
    CHECK(FailureTextOf(std::bad_alloc()) == "Out of memory");
    CHECK(FailureTextOf(std::bad_array_new_length()) == "Out of memory");
    CHECK(FailureTextOf(Exception("")) == "I/O error");
    CHECK(FailureTextOf(std::runtime_error("")) == "I/O error");
    CHECK(FailureTextOf(42) == "I/O error");
    CHECK(FailureTextOf(std::string("a string is no exception")) == "I/O error");
}

}  // TEST_SUITE
