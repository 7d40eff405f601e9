#include "str_printf.h"

#include <cstdio>

#include "console.h"

namespace tui {

namespace {

// Reads the arguments in order; a missing one reads as 0 or a null text.
class argReader {
public:
    explicit argReader(std::span<const fmtArg> args) : args_(args) {}
    const fmtArg* next() { return pos_ < args_.size() ? &args_[pos_++] : nullptr; }
    int nextInt()
    {
        const fmtArg* a = next();
        return a ? static_cast<int>(a->value()) : 0;
    }

private:
    std::span<const fmtArg> args_;
    size_t pos_ = 0;
};

// Digits of an integer conversion, as the C library prints them.
std::string integerText(char conv, const fmtArg* a)
{
    int64_t v = a ? a->value() : 0;
    bool wide = a && a->isWide();
    char buf[32];
    if (conv == 'd') {
        if (wide)
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
        else
            std::snprintf(buf, sizeof buf, "%d", static_cast<int>(static_cast<int32_t>(v)));
        return buf;
    }
    unsigned long long u = wide ? static_cast<unsigned long long>(v) : static_cast<uint32_t>(v);
    const char* f = conv == 'u' ? "%llu" : conv == 'o' ? "%llo" : conv == 'x' ? "%llx" : "%llX";
    std::snprintf(buf, sizeof buf, f, u);
    return buf;
}

}  // namespace

void formatOut(const putChar& put, const char* format, std::span<const fmtArg> args)
{
    if (!format)
        return;
    argReader in(args);
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            put(*p++);
            continue;
        }
        ++p;
        bool left = false;
        char pad = ' ';
        if (*p == '-') {
            left = true;
            ++p;
        }
        if (*p == '0') {
            pad = '0';
            ++p;
        }
        // Width and precision are 16-bit; '*' takes the next argument.
        auto number = [&](int16_t& v) {
            while (*p == '*' || (*p >= '0' && *p <= '9')) {
                int d = *p == '*' ? in.nextInt() : *p - '0';
                v = static_cast<int16_t>(v * 10 + d);
                ++p;
            }
        };
        int16_t width = 0;
        int16_t precision = 0;
        number(width);
        if (*p == '.') {
            ++p;
            number(precision);
        }
        if ((*p == 'l' || *p == 'L') && p[1])
            ++p;
        if (!*p)
            return;  // the format ends inside a conversion
        char conv = *p++;

        std::string text;
        const char* s = nullptr;
        size_t len = 0;
        switch (conv) {
        case 'd': case 'u': case 'o': case 'x': case 'X':
            text = integerText(conv, in.next());
            break;
        case 'c':
            text.assign(1, static_cast<char>(in.nextInt() & 0xFF));
            pad = ' ';
            break;
        case 's': {
            const fmtArg* a = in.next();
            size_t limit = precision > 0 ? static_cast<size_t>(precision) : 32767;
            if (a && a->text()) {
                s = a->text();
                len = std::min(a->length(), limit);
                for (size_t i = 0; i < len; ++i)
                    if (s[i] == '\0') {
                        len = i;
                        break;
                    }
            } else {
                s = "(null)";
                len = std::min<size_t>(6, limit);
            }
            pad = ' ';
            break;
        }
        case 'e': case 'f': case 'g':
            text = "?";
            pad = ' ';
            break;
        default:
            text.assign(1, conv);
            break;
        }
        if (!s) {
            s = text.data();
            len = text.size();
        }

        int fillCount = width - static_cast<int>(len);
        if (fillCount < 0)
            fillCount = 0;
        if (left) {
            for (size_t i = 0; i < len; ++i)
                put(s[i]);
            for (int i = 0; i < fillCount; ++i)
                put(' ');  // left-aligned text is padded with blanks, as printf does
        } else {
            if (pad == '0' && len > 0 && s[0] == '-') {
                put('-');
                ++s;
                --len;
            }
            for (int i = 0; i < fillCount; ++i)
                put(pad);
            for (size_t i = 0; i < len; ++i)
                put(s[i]);
        }
    }
}

char* strVPrintf(std::span<char> out, const char* format, std::span<const fmtArg> args)
{
    if (out.empty())
        return out.data();
    size_t pos = 0;
    const size_t room = out.size() - 1;
    formatOut(
        [&](char c) {
            if (pos < room)
                out[pos++] = c;
        },
        format, args);
    out[pos] = '\0';
    return out.data() + pos;
}

char* strVCatPrintf(std::span<char> out, const char* format, std::span<const fmtArg> args)
{
    if (out.empty())
        return out.data();
    const size_t used = strnlen(out.data(), out.size());
    if (used == out.size()) {
        out[used - 1] = '\0';  // an unterminated text is cut to fit
        return out.data() + used - 1;
    }
    return strVPrintf(out.subspan(used), format, args);
}

void conVPrintf(const char* format, std::span<const fmtArg> args)
{
    formatOut(
        [](char c) {
            if (c != '\t') {
                std::fputc(c, stdout);
                return;
            }
            int column = cursorPosition().x();
            for (int i = 8 - column % 8; i > 0; --i)
                std::fputc(' ', stdout);
        },
        format, args);
    std::fflush(stdout);
}

}  // namespace tui
