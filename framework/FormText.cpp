// Lexer, parser and formatter of the form text.
#include "FormText.h"

#include <cctype>
#include <charconv>

namespace {

class TParser {
public:
    explicit TParser(std::string_view text) : FText(text) {}

    TFormObject Object()
    {
        SkipSpace();
        const std::string keyword = Word();
        if (keyword != "object" && keyword != "inherited")
            Fail("'object' expected");
        TFormObject object;
        object.Line = FLine;
        object.Name = Word();
        Expect(':');
        object.ClassName = Word();
        for (;;) {
            SkipSpace();
            const std::size_t mark = FPos;
            const int line = FLine;
            const std::string word = Word();
            if (word == "end")
                return object;
            if (word == "object" || word == "inherited") {
                FPos = mark;
                FLine = line;
                object.Children.push_back(Object());
                continue;
            }
            Expect('=');
            object.Properties.push_back({word, Value(), line});
        }
    }

    void End()
    {
        SkipSpace();
        if (FPos != FText.size())
            Fail("text after the last 'end'");
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw EFormError("form text line " + std::to_string(FLine) + ": " + what);
    }

    void SkipSpace()
    {
        while (FPos < FText.size()) {
            const char c = FText[FPos];
            if (c == '\n')
                ++FLine;
            if (!std::isspace(static_cast<unsigned char>(c)))
                break;
            ++FPos;
        }
    }

    char Peek()
    {
        SkipSpace();
        return FPos < FText.size() ? FText[FPos] : '\0';
    }

    void Expect(char c)
    {
        if (Peek() != c)
            Fail(std::string("'") + c + "' expected");
        ++FPos;
    }

    static bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

    std::string Word()
    {
        const char first = Peek();
        if (!std::isalpha(static_cast<unsigned char>(first)) && first != '_')
            Fail("a name expected");
        const std::size_t start = FPos;
        while (FPos < FText.size() && IsWordChar(FText[FPos]))
            ++FPos;
        return std::string(FText.substr(start, FPos - start));
    }

    std::int64_t Number()
    {
        bool negative = false;
        if (FText[FPos] == '-' || FText[FPos] == '+')
            negative = FText[FPos++] == '-';
        int base = 10;
        if (FPos < FText.size() && FText[FPos] == '$') {
            base = 16;
            ++FPos;
        }
        std::int64_t value = 0;
        const char* begin = FText.data() + FPos;
        const auto [end, error] = std::from_chars(begin, FText.data() + FText.size(), value, base);
        if (error != std::errc() || end == begin)
            Fail("a number expected");
        FPos += static_cast<std::size_t>(end - begin);
        return negative ? -value : value;
    }

    // 'quoted' pieces and #code characters, joined when they touch or across a '+'.
    std::string String()
    {
        std::string text;
        Peek();
        for (;;) {
            if (FText[FPos] == '\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == '\n')
                        Fail("unterminated string");
                    if (FText[FPos] == '\'') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                            text += '\'';
                            FPos += 2;
                            continue;
                        }
                        ++FPos;
                        break;
                    }
                    text += FText[FPos++];
                }
            } else {
                ++FPos;
                const std::int64_t code = Number();
                if (code < 0 || code > 255)
                    Fail("character code out of range");
                text += static_cast<char>(code);
            }
            if (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#'))
                continue;
            const std::size_t mark = FPos;
            const int line = FLine;
            if (Peek() != '+') {
                FPos = mark;
                FLine = line;
                return text;
            }
            ++FPos;
            if (Peek() != '\'' && Peek() != '#')
                Fail("a string expected after '+'");
        }
    }

    TValue Value()
    {
        const char c = Peek();
        if (c == '\'' || c == '#')
            return TValue::Str(String());
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '$')
            return TValue::Int(Number());
        if (c == '[') {
            ++FPos;
            std::vector<std::string> members;
            if (Peek() != ']') {
                members.push_back(Word());
                while (Peek() == ',') {
                    ++FPos;
                    members.push_back(Word());
                }
            }
            Expect(']');
            return TValue::SetOf(members);
        }
        if (c == '(') {
            ++FPos;
            std::vector<std::string> lines;
            while (Peek() != ')') {
                if (Peek() != '\'' && Peek() != '#')
                    Fail("a string expected in the list");
                lines.push_back(String());
            }
            ++FPos;
            return TValue::Lines(lines);
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const std::string word = Word();
            if (word == "True" || word == "False")
                return TValue::Bool(word == "True");
            return TValue::Ident(word);
        }
        Fail("a value expected");
    }

    std::string_view FText;
    std::size_t FPos = 0;
    int FLine = 1;
};

std::string Quote(const std::string& text)
{
    if (text.empty())
        return "''";
    std::string out;
    bool open = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32) {
            if (open)
                out += '\'';
            open = false;
            out += '#' + std::to_string(u);
            continue;
        }
        if (!open)
            out += '\'';
        open = true;
        out += c == '\'' ? std::string("''") : std::string(1, c);
    }
    if (open)
        out += '\'';
    return out;
}

std::string Format(const TValue& value, const std::string& indent)
{
    switch (value.Kind) {
    case TValue::TKind::Boolean: return value.Boolean ? "True" : "False";
    case TValue::TKind::Integer: return std::to_string(value.Integer);
    case TValue::TKind::String: return Quote(value.Text);
    case TValue::TKind::Identifier: return value.Text;
    case TValue::TKind::Set: {
        std::string out = "[";
        for (std::size_t i = 0; i < value.Items.size(); ++i)
            out += (i ? ", " : "") + value.Items[i];
        return out + "]";
    }
    case TValue::TKind::Strings: {
        std::string out = "(";
        for (const std::string& line : value.Items)
            out += "\n" + indent + "  " + Quote(line);
        return out + ")";
    }
    case TValue::TKind::None: break;
    }
    return "";
}

void FormatObject(const TFormObject& object, const std::string& indent, std::string& out)
{
    out += indent + "object " + object.Name + ": " + object.ClassName + "\n";
    for (const TFormProperty& property : object.Properties)
        out += indent + "  " + property.Name + " = " + Format(property.Value, indent + "  ") + "\n";
    for (const TFormObject& child : object.Children)
        FormatObject(child, indent + "  ", out);
    out += indent + "end\n";
}

}  // namespace

TFormObject ParseFormText(std::string_view text)
{
    TParser parser(text);
    TFormObject root = parser.Object();
    parser.End();
    return root;
}

std::string FormatFormText(const TFormObject& object)
{
    std::string out;
    FormatObject(object, "", out);
    return out;
}
