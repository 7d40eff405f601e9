#include "command_line.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The shell's quoting context at a place of the execute line.
enum class Quote { None, Double, Single };

// What a % code stands for.
enum class CodeKind { Percent, Number, Text, Other };

struct Code {
    CodeKind kind = CodeKind::Other;
    unsigned number = 0;
    const char* text = nullptr;
};

Code lookup(char c, const CommandValues& v)
{
    switch (c) {
    case '%': return {CodeKind::Percent};
    case 'C': return {CodeKind::Number, v.controller};
    case 'I':
    case 'N': return {CodeKind::Number, v.eventNumber};
    case 'E': return {CodeKind::Text, 0, v.eventText};
    case 'H': return {CodeKind::Text, 0, v.hostName};
    case 'S': return {CodeKind::Text, 0, v.severityName};
    case 'T': return {CodeKind::Text, 0, v.timeText};
    default: return {};
    }
}

// One character of a text as it must appear in the context.
std::string quoted_char(char c, Quote q)
{
    if (q == Quote::Double && std::strchr("$`\"\\", c) != nullptr)
        return std::string{'\\', c};
    if (q != Quote::Double && c == '\'')
        return "'\\''";
    return std::string(1, c);
}

class Expansion {
public:
    Expansion(char* out, size_t limit) : out_(out), limit_(limit) {}

    // Writes a unit of the line or of an expansion when it fits with the
    // closing quote that the context after it would need; false otherwise.
    bool put(const std::string& unit, Quote after)
    {
        if (len_ + unit.size() + closer(after) > limit_)
            return false;
        std::memcpy(out_ + len_, unit.data(), unit.size());
        len_ += unit.size();
        return true;
    }

    // Writes a text in the context q: unquoted it becomes one single-quoted
    // word. A text that does not fit is cut after its last whole character;
    // false then, with wroteAny telling whether the cut text was written.
    bool putText(const char* text, Quote q, const std::string& prefix, bool& wroteAny)
    {
        wroteAny = true;
        const std::string open = q == Quote::None ? "'" : "";
        const std::string close = open;
        std::string whole = prefix + open;
        for (const char* p = text; *p; ++p)
            whole += quoted_char(*p, q);
        whole += close;
        if (put(whole, q))
            return true;
        // Cut: as many whole characters as fit beside the quotes.
        std::string cut = prefix + open;
        if (len_ + cut.size() + close.size() + closer(q) > limit_) {
            wroteAny = false;
            return false;
        }
        for (const char* p = text; *p; ++p) {
            const std::string c = quoted_char(*p, q);
            if (len_ + cut.size() + c.size() + close.size() + closer(q) > limit_)
                break;
            cut += c;
        }
        put(cut + close, q);
        return false;
    }

    // Ends the text: a backslash of the line left without its character is
    // dropped and an open quote of the line is closed.
    size_t finish(Quote q, bool escapePending)
    {
        if (escapePending && len_ > 0)
            --len_;
        if (q != Quote::None)
            out_[len_++] = q == Quote::Double ? '"' : '\'';
        out_[len_] = '\0';
        return len_;
    }

private:
    static size_t closer(Quote q) { return q == Quote::None ? 0 : 1; }

    char* out_;
    size_t limit_;
    size_t len_ = 0;
};

// The context after character c of the line, and whether c begins an escape.
Quote next_quote(Quote q, char c, bool& escape)
{
    escape = false;
    switch (q) {
    case Quote::None:
        if (c == '\\')
            escape = true;
        return c == '\'' ? Quote::Single : c == '"' ? Quote::Double : q;
    case Quote::Double:
        if (c == '\\')
            escape = true;
        return c == '"' ? Quote::None : q;
    case Quote::Single:
        return c == '\'' ? Quote::None : q;
    }
    return q;
}

}  // namespace

size_t expand_execute_line(const char* line, const CommandValues& values, char* out, size_t limit)
{
    Expansion x(out, limit);
    Quote q = Quote::None;
    bool escaped = false;  // the line's last character was a backslash that escapes the next one
    for (const char* p = line; *p; ++p) {
        if (*p == '%' && p[1] != '\0') {
            const Code code = lookup(p[1], values);
            if (code.kind != CodeKind::Other) {
                ++p;
                bool fits = true, wroteAny = false;
                if (code.kind == CodeKind::Percent) {
                    fits = x.put("%", q);
                } else if (code.kind == CodeKind::Number) {
                    fits = x.put(std::to_string(code.number), q);
                } else {
                    // A backslash of the line before a text is made a literal
                    // backslash, so that it cannot take the text's quoting apart.
                    fits = x.putText(code.text ? code.text : "", q, escaped ? "\\" : "", wroteAny);
                }
                if (!fits)
                    return x.finish(q, escaped && !wroteAny);
                escaped = false;
                continue;
            }
            // % and any other character: the % is written, the character is
            // taken as the line's own next character.
        }
        bool startsEscape = false;
        const Quote after = escaped ? q : next_quote(q, *p, startsEscape);
        if (!x.put(std::string(1, *p), after))
            return x.finish(q, escaped);
        q = after;
        escaped = startsEscape;
    }
    return x.finish(q, escaped);
}
