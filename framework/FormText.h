// The text syntax of form descriptions ("object frm_Main: Tfrm_Main ... end"): parsed into a tree
// of objects and properties, and formatted back.
#pragma once

#include "Properties.h"

#include <string>
#include <string_view>
#include <vector>

// A malformed form description or a property it cannot set; the text names the place.
class EFormError : public Exception {
public:
    using Exception::Exception;
};

struct TFormProperty {
    std::string Name{};  // may be dotted: Font.Name
    TValue Value{};      // True and False are read as Booleans, other bare words as identifiers
    int Line = 0;
};

struct TFormObject {
    std::string Name{};
    std::string ClassName{};
    int Line = 0;
    std::vector<TFormProperty> Properties{};
    std::vector<TFormObject> Children{};
};

// Raises EFormError "line N: ..." for text that does not follow the syntax.
TFormObject ParseFormText(std::string_view text);
std::string FormatFormText(const TFormObject& object);
