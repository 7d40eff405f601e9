#include "command_line.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

// The characters that one character of a text takes in the context q.
size_t quoted_size(char c, ShellQuote q)
{
    if (q == ShellQuote::Double)
        return std::strchr("$`\"\\", c) != nullptr ? 2 : 1;
    return c == '\'' ? 4 : 1;
}

// Appends one character of a text as it must appear in the context q:
// unquoted texts stand inside '…' of their own.
void append_quoted(std::string& out, char c, ShellQuote q)
{
    if (q == ShellQuote::Double && std::strchr("$`\"\\", c) != nullptr)
        out += '\\';
    if (q != ShellQuote::Double && c == '\'')
        out += "'\\''";
    else
        out += c;
}

// A text's place in the fixed part of the expansion.
struct TextSlot {
    const char* text;
    size_t length;
    ShellQuote quote;
    size_t at;  // position in Plan::fixed
};

// The expansion without its texts, and where they go.
struct Plan {
    LineDoubt doubt;
    std::string fixed;
    std::vector<TextSlot> texts;
};

// Writes "" where the shell would join a value to the word before it: to a
// $NAME, or, before a '<' or '>', to the digits of a descriptor number.
void separate(Plan& plan, ShellScanner& s)
{
    plan.fixed += "\"\"";
    s.feed('"');
    s.feed('"');
}

Plan plan_line(const char* line, const CommandValues& values)
{
    Plan plan;
    ShellScanner s;
    char lastCode = '?';
    for (const char* p = line; *p; ++p) {
        if (*p == '%' && p[1] != '\0') {
            const Code code = lookup(p[1], values);
            if (code.kind == CodeKind::Number || code.kind == CodeKind::Text) {
                const bool number = code.kind == CodeKind::Number;
                lastCode = p[1];
                const ShellDoubt doubt = s.valueDoubt(number);
                if (doubt != ShellDoubt::None) {
                    plan.doubt = {doubt, p[1], doubt == ShellDoubt::Reparsed ? s.reparser() : ""};
                    return plan;
                }
                ++p;
                if (s.joinsName() && (number || s.quote() == ShellQuote::Double))
                    separate(plan, s);
                if (number) {
                    plan.fixed += std::to_string(code.number);
                } else {
                    // A backslash of the line before a text is made a literal
                    // backslash, so that it cannot take the text's quoting apart.
                    if (s.escapePending())
                        plan.fixed += '\\';
                    const char* quote = s.quote() == ShellQuote::None ? "'" : "";
                    plan.fixed += quote;
                    const char* text = code.text ? code.text : "";
                    plan.texts.push_back({text, std::strlen(text), s.quote(), plan.fixed.size()});
                    plan.fixed += quote;
                }
                s.feedValue(number);
                continue;
            }
            if (code.kind == CodeKind::Percent)
                ++p;  // written as the line's own %
            // % and any other character: the % is written, the character is
            // taken as the line's own next character.
        }
        if ((*p == '<' || *p == '>') && s.valueWouldBeDescriptor())
            separate(plan, s);
        s.feed(*p);
        plan.fixed += *p;
    }
    if (lastCode != '?' && s.hereDocument())
        plan.doubt = {ShellDoubt::HereDocument, lastCode, ""};
    return plan;
}

// How many characters of each text fit into room: every text is shortened
// to the same quoted size where it must be (short texts stay whole), and
// what is left goes to the texts a character at a time, in turn.
std::vector<size_t> fit_texts(const std::vector<TextSlot>& texts, size_t room)
{
    std::vector<std::vector<size_t>> costs(texts.size());
    size_t total = 0, widest = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        std::vector<size_t>& c = costs[i];
        c.assign(texts[i].length + 1, 0);
        for (size_t k = 0; k < texts[i].length; ++k)
            c[k + 1] = c[k] + quoted_size(texts[i].text[k], texts[i].quote);
        total += c.back();
        widest = std::max(widest, c.back());
    }
    std::vector<size_t> take(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        take[i] = texts[i].length;
    if (total <= room)
        return take;
    // The characters each text keeps within a quoted size of budget, and their sum.
    auto within = [&](size_t budget) {
        size_t used = 0;
        for (size_t i = 0; i < texts.size(); ++i) {
            take[i] = static_cast<size_t>(std::upper_bound(costs[i].begin(), costs[i].end(), budget) -
                                          costs[i].begin()) - 1;
            used += costs[i][take[i]];
        }
        return used;
    };
    size_t fits = 0, fails = widest;  // within(fits) <= room < within(fails)
    while (fails - fits > 1) {
        const size_t mid = fits + (fails - fits) / 2;
        (within(mid) <= room ? fits : fails) = mid;
    }
    size_t left = room - within(fits);
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t i = 0; i < texts.size(); ++i) {
            if (take[i] < texts[i].length && costs[i][take[i] + 1] - costs[i][take[i]] <= left) {
                left -= costs[i][take[i] + 1] - costs[i][take[i]];
                ++take[i];
                grew = true;
            }
        }
    }
    return take;
}

}  // namespace

LineDoubt execute_line_doubt(const char* line) { return plan_line(line, CommandValues{}).doubt; }

size_t execute_line_own_length(const char* line)
{
    CommandValues widest;
    widest.controller = std::numeric_limits<uint16_t>::max();
    widest.eventNumber = std::numeric_limits<uint16_t>::max();
    return plan_line(line, widest).fixed.size();
}

size_t expand_execute_line(const char* line, const CommandValues& values, char* out, size_t limit)
{
    const Plan plan = plan_line(line, values);
    if (plan.doubt.doubt != ShellDoubt::None || plan.fixed.size() > limit) {
        out[0] = '\0';
        return 0;
    }
    const std::vector<size_t> take = fit_texts(plan.texts, limit - plan.fixed.size());
    std::string result;
    size_t from = 0;
    for (size_t i = 0; i < plan.texts.size(); ++i) {
        const TextSlot& slot = plan.texts[i];
        result.append(plan.fixed, from, slot.at - from);
        for (size_t k = 0; k < take[i]; ++k)
            append_quoted(result, slot.text[k], slot.quote);
        from = slot.at;
    }
    result.append(plan.fixed, from, std::string::npos);
    std::memcpy(out, result.data(), result.size());
    out[result.size()] = '\0';
    return result.size();
}
