// TStrings: a list of text lines that a control publishes as a nested object (Memo1.Lines).
#pragma once

#include "Properties.h"

#include <string>
#include <vector>

// The lines of a multi-line control; the form text writes them as Lines.Strings = ('a' 'b').
// Every change is reported through OnChange, so that the owning control can update its window.
class TStrings : public TPersistent {
public:
    DECLARE_CLASS_INFO

    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    // Attributes
    int Count() const { return static_cast<int>(FLines.size()); }
    const std::string& operator[](int index) const { return FLines.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Lines() const { return FLines; }
    // The lines joined, each but the last followed by "\r\n".
    std::string Text() const;

    // Operations
    void Assign(const std::vector<std::string>& lines);
    // Splits text at "\r\n", "\n" or "\r".
    void SetText(const std::string& text);
    void Add(const std::string& line);
    void Clear();

    // Raised after every change that altered the lines.
    TNotifyEvent OnChange;

private:
    std::vector<std::string> FLines;
};
