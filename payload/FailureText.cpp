// The failure text of the install step.
#include "FailureText.h"

#include <new>

const char* const UnknownFailureText = "I/O error";

std::string FailureText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        // An empty text would read as success to whoever tests it.
        const std::string text = e.what();
        return text.empty() ? UnknownFailureText : text;
    } catch (...) {
        return UnknownFailureText;
    }
}
