#include "counted_string.h"

#include "model_alloc.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsTrimmedLeft(char c) { return c == ' ' || (c >= 9 && c <= 13); }

}  // namespace

bool CCountedString::Assign(const char* src, int n)
{
    char* fresh = nullptr;
    if (n > 0) {
        fresh = static_cast<char*>(ModelAlloc(static_cast<size_t>(n) + 1));
        if (!fresh) {
            ModelFree(text_);
            text_ = nullptr;
            length_ = 0;
            return false;
        }
        if (src)
            std::memcpy(fresh, src, static_cast<size_t>(n));
        else
            std::memset(fresh, ' ', static_cast<size_t>(n));
        fresh[n] = '\0';
    }
    ModelFree(text_);
    text_ = fresh;
    length_ = n > 0 ? n : 0;
    return true;
}

CCountedString::CCountedString(const char* text)
{
    if (text)
        Assign(text, static_cast<int>(std::strlen(text)));
}

CCountedString::CCountedString(int n, char ch)
{
    if (Assign(nullptr, n) && text_)
        std::memset(text_, ch, static_cast<size_t>(length_));
}

CCountedString::CCountedString(const char* text, int n)
{
    if (text && n > 0)
        Assign(text, static_cast<int>(strnlen(text, static_cast<size_t>(n))));
}

CCountedString::CCountedString(const CCountedString& other)
{
    Assign(other.text_, other.length_);
}

CCountedString::~CCountedString()
{
    ModelFree(text_);
}

CCountedString& CCountedString::operator=(const CCountedString& other)
{
    if (this != &other)
        Assign(other.text_, other.length_);
    return *this;
}

CCountedString& CCountedString::operator+=(const CCountedString& other)
{
    if (other.length_ == 0)
        return *this;
    const int total = length_ + other.length_;
    char* fresh = static_cast<char*>(ModelAlloc(static_cast<size_t>(total) + 1));
    if (!fresh)
        return *this;
    if (length_ > 0)
        std::memcpy(fresh, text_, static_cast<size_t>(length_));
    std::memcpy(fresh + length_, other.text_, static_cast<size_t>(other.length_));
    fresh[total] = '\0';
    ModelFree(text_);
    text_ = fresh;
    length_ = total;
    return *this;
}

CCountedString CCountedString::Centre(int n) const
{
    if (length_ >= n)
        return *this;
    CCountedString out(n, ' ');
    if (out.length_ == n && length_ > 0)
        std::memcpy(out.text_ + (n - length_) / 2, text_, static_cast<size_t>(length_));
    return out;
}

char* CCountedString::CharAt(int i)
{
    return i >= 0 && i < length_ ? text_ + i : nullptr;
}

void CCountedString::TrimLeft()
{
    int skip = 0;
    while (skip < length_ && IsTrimmedLeft(text_[skip]))
        ++skip;
    if (skip > 0) {
        std::memmove(text_, text_ + skip, static_cast<size_t>(length_ - skip) + 1);
        length_ -= skip;
    }
}

void CCountedString::TrimRight()
{
    while (length_ > 0 && IsTrimmedLeft(text_[length_ - 1]))
        text_[--length_] = '\0';
}

void CCountedString::CutComment()
{
    if (!text_)
        return;
    if (char* at = std::strstr(text_, "//")) {
        *at = '\0';
        length_ = static_cast<int>(at - text_);
    }
}

int CCountedString::Find(char ch) const
{
    for (int i = 0; i < length_; ++i)
        if (text_[i] == ch)
            return i;
    return -1;
}

CCountedString CCountedString::Left(int n, bool pad) const
{
    if (n <= 0)
        return CCountedString();
    CCountedString out(text_, n < length_ ? n : length_);
    if (pad && out.length_ < n) {
        CCountedString blanks(n - out.length_, ' ');
        out += blanks;
    }
    return out;
}

CCountedString CCountedString::Right(int n, bool pad) const
{
    if (n <= 0)
        return CCountedString();
    const int take = n < length_ ? n : length_;
    CCountedString out(text_ + (length_ - take), take);
    if (pad && out.length_ < n) {
        CCountedString padded(n - out.length_, ' ');
        padded += out;
        return padded;
    }
    return out;
}

int CCountedString::Compare(const CCountedString& other, bool upperOther) const
{
    if (length_ != other.length_)
        return length_ > other.length_ ? 1 : -1;
    for (int i = 0; i < length_; ++i) {
        char b = other.text_[i];
        if (upperOther && b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (text_[i] != b)
            return static_cast<unsigned char>(text_[i]) > static_cast<unsigned char>(b) ? 1 : -1;
    }
    return 0;
}

int CCountedString::Compare(const CCountedString& other) const
{
    return Compare(other, false);
}

int CCountedString::CompareNoCase(const CCountedString& other) const
{
    return Compare(other, true);
}

int CCountedString::CompareNumber(int number) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", number);
    return Compare(CCountedString(digits));
}
