#include "command_line.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "shell_context.h"

namespace {

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

// True for a code that puts a value into the line.
bool is_value(CodeKind kind) { return kind == CodeKind::Number || kind == CodeKind::Text; }

// Appends one character of a text as it must appear in the context.
void append_quoted(std::string& out, char c, ShellQuote q)
{
    if (q == ShellQuote::Double && std::strchr("$`\"\\", c) != nullptr)
        out += '\\';
    if (q != ShellQuote::Double && c == '\'')
        out += "'\\''";
    else
        out += c;
}

class Expansion {
public:
    Expansion(char* out, size_t limit) : out_(out), limit_(limit) {}

    // Writes a unit of the line or of an expansion when it fits with the
    // closers that the context after it would need; false otherwise.
    bool put(const std::string& unit, size_t closers)
    {
        if (len_ + unit.size() + closers > limit_)
            return false;
        std::memcpy(out_ + len_, unit.data(), unit.size());
        len_ += unit.size();
        return true;
    }

    // Writes a text in the context q: unquoted it becomes one single-quoted
    // word. A text that does not fit is cut after its last whole character
    // (never inside an escape); false then, with wroteAny telling whether the
    // cut text was written.
    bool putText(const char* text, ShellQuote q, const std::string& prefix, size_t closers, bool& wroteAny)
    {
        wroteAny = true;
        const std::string open = q == ShellQuote::None ? "'" : "";
        const std::string close = open;
        std::string whole = prefix + open;
        whole.reserve(whole.size() + 2 * std::strlen(text) + close.size());
        for (const char* p = text; *p; ++p)
            append_quoted(whole, *p, q);
        whole += close;
        if (put(whole, closers))
            return true;
        // Cut: as many whole characters as fit beside the quotes.
        std::string cut = prefix + open;
        if (len_ + cut.size() + close.size() + closers > limit_) {
            wroteAny = false;
            return false;
        }
        const size_t room = limit_ - len_ - close.size() - closers;
        for (const char* p = text; *p; ++p) {
            const size_t before = cut.size();
            append_quoted(cut, *p, q);
            if (cut.size() > room) {
                cut.resize(before);
                break;
            }
        }
        put(cut + close, closers);
        return false;
    }

    // Ends the text: a backslash of the line left without its character is
    // dropped and every level still open is closed.
    size_t finish(const std::string& closers, bool dropEscape)
    {
        if (dropEscape && len_ > 0)
            --len_;
        std::memcpy(out_ + len_, closers.data(), closers.size());
        len_ += closers.size();
        out_[len_] = '\0';
        return len_;
    }

    // Characters that can still be written.
    size_t room() const { return limit_ - len_; }

private:
    char* out_;
    size_t limit_;
    size_t len_ = 0;
};

}  // namespace

ShellDoubt execute_line_doubt(const char* line, char* code)
{
    ShellScanner s;
    bool anyValue = false;
    for (const char* p = line; *p; ++p) {
        if (*p == '%' && p[1] != '\0') {
            const CodeKind kind = lookup(p[1], CommandValues{}).kind;
            if (is_value(kind)) {
                anyValue = true;
                if (code)
                    *code = p[1];
                if (s.doubt() != ShellDoubt::None)
                    return s.doubt();
                s.feedText();
                ++p;
                continue;
            }
            if (kind == CodeKind::Percent)
                ++p;  // %% gives a plain %
        }
        s.feed(*p);
    }
    return anyValue && s.hereDocument() ? ShellDoubt::HereDocument : ShellDoubt::None;
}

size_t expand_execute_line(const char* line, const CommandValues& values, char* out, size_t limit)
{
    if (execute_line_doubt(line) != ShellDoubt::None) {
        out[0] = '\0';
        return 0;
    }
    Expansion x(out, limit);
    ShellScanner s;
    for (const char* p = line; *p; ++p) {
        if (*p == '%' && p[1] != '\0') {
            const Code code = lookup(p[1], values);
            if (is_value(code.kind)) {
                ++p;
                bool fits = true, wroteAny = false;
                const size_t closers = s.closersSize();
                if (code.kind == CodeKind::Number) {
                    fits = x.put(std::to_string(code.number), closers);
                } else {
                    // A backslash of the line before a text is made a literal
                    // backslash, so that it cannot take the text's quoting apart.
                    fits = x.putText(code.text ? code.text : "", s.quote(), s.escapePending() ? "\\" : "",
                                     closers, wroteAny);
                }
                if (!fits)
                    return x.finish(s.closers(), s.escapePending() && !wroteAny);
                s.feedText();
                continue;
            }
            if (code.kind == CodeKind::Percent)
                ++p;  // written as the line's own %
            // % and any other character: the % is written, the character is
            // taken as the line's own next character.
        }
        // One character adds at most one closer; only near the end can it
        // fail to fit, and only then is the context before it kept.
        std::optional<ShellScanner> before;
        if (x.room() < s.closersSize() + 2)
            before = s;
        s.feed(*p);
        if (!x.put(std::string(1, *p), s.closersSize()))
            return x.finish(before->closers(), before->escapePending());
    }
    return x.finish(s.closers(), s.escapePending());
}
