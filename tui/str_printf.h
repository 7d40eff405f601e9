// The framework's own small printf: integers, characters and strings only,
// with type-safe arguments and a sized destination.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tui {

// One formatter argument: an integer (with its width) or a text.
class fmtArg {
public:
    template <std::integral T>
    fmtArg(T v) : isText_(false), wide_(sizeof(T) > 4), value_(static_cast<int64_t>(v))
    {
        if constexpr (std::is_unsigned_v<T> && sizeof(T) >= 8)
            value_ = static_cast<int64_t>(static_cast<uint64_t>(v));
    }
    fmtArg(const char* s) : isText_(true), text_(s), length_(s ? std::strlen(s) : 0) {}
    fmtArg(const std::string& s) : isText_(true), text_(s.c_str()), length_(s.size()) {}
    fmtArg(std::string_view s) : isText_(true), text_(s.data()), length_(s.size()) {}
    fmtArg(double) = delete;  // the formatter knows no floating point

    bool isText() const { return isText_; }
    bool isWide() const { return wide_; }
    int64_t value() const { return isText_ ? 0 : value_; }
    const char* text() const { return isText_ ? text_ : nullptr; }
    size_t length() const { return isText_ ? length_ : 0; }

private:
    bool isText_;
    bool wide_ = false;
    int64_t value_ = 0;
    const char* text_ = nullptr;
    size_t length_ = 0;
};

using putChar = std::function<void(char)>;

// Formats `format` over `args`, handing each output character to `put`.
void formatOut(const putChar& put, const char* format, std::span<const fmtArg> args);

// Formats into `out` (truncating, always NUL-terminated); returns the NUL.
char* strVPrintf(std::span<char> out, const char* format, std::span<const fmtArg> args);

// Formats onto the end of the text already in `out`; returns the NUL.
char* strVCatPrintf(std::span<char> out, const char* format, std::span<const fmtArg> args);

// Writes formatted text to standard output, a tab as blanks.
void conVPrintf(const char* format, std::span<const fmtArg> args);

// strVPrintf over a list of arguments.
template <class... A>
char* strPrintf(std::span<char> out, const char* format, const A&... args)
{
    const std::array<fmtArg, sizeof...(A)> list{fmtArg(args)...};
    return strVPrintf(out, format, list);
}

// strVCatPrintf over a list of arguments.
template <class... A>
char* strCatPrintf(std::span<char> out, const char* format, const A&... args)
{
    const std::array<fmtArg, sizeof...(A)> list{fmtArg(args)...};
    return strVCatPrintf(out, format, list);
}

// conVPrintf over a list of arguments.
template <class... A>
void conPrintf(const char* format, const A&... args)
{
    const std::array<fmtArg, sizeof...(A)> list{fmtArg(args)...};
    conVPrintf(format, list);
}

// The formatted text as a string (for callers that keep their texts).
template <class... A>
std::string formatText(const char* format, const A&... args)
{
    const std::array<fmtArg, sizeof...(A)> list{fmtArg(args)...};
    std::string s;
    formatOut([&s](char c) { s += c; }, format, list);
    return s;
}

}  // namespace tui
