// TStrings and its one published property.
#include "StringList.h"

const TClassInfo& TStrings::StaticClassInfo()
{
    static const TClassInfo info{
        .Name = "TStrings",
        .Parent = &TPersistent::StaticClassInfo(),
        .Properties = {StringsProperty<TStrings>("Strings", &TStrings::Lines, &TStrings::Assign)}};
    return info;
}

std::string TStrings::Text() const
{
    std::string text;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (i)
            text += "\r\n";
        text += FLines[i];
    }
    return text;
}

void TStrings::Assign(const std::vector<std::string>& lines)
{
    if (ChangeField(FLines, lines) && OnChange)
        OnChange(this);
}

void TStrings::SetText(const std::string& text)
{
    std::vector<std::string> lines;
    if (!text.empty()) {
        std::string line;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\r' || c == '\n') {
                lines.push_back(line);
                line.clear();
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
            } else {
                line += c;
            }
        }
        lines.push_back(line);
    }
    Assign(lines);
}

void TStrings::Add(const std::string& line)
{
    FLines.push_back(line);
    if (OnChange)
        OnChange(this);
}

void TStrings::Clear()
{
    if (FLines.empty())
        return;
    FLines.clear();
    if (OnChange)
        OnChange(this);
}
