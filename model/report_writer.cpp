#include "report_writer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxIndent = 3;
constexpr size_t kIndentBlanks = 4;
constexpr size_t kFieldLine = 101;        // field and column lines: at least this, plus the indent
constexpr size_t kValueColumn = 18;
constexpr size_t kColumns[] = {0, 18, 34, 52};
constexpr int kOpenFailed = 5;

size_t Length(const char* s) { return s ? std::strlen(s) : 0; }

}  // namespace

CReportWriter::~CReportWriter()
{
    Close();
}

int CReportWriter::FileExists(const char* path) const
{
    if (callback_)
        return 0;
    FILE* f = std::fopen(path, "r");
    if (!f)
        return 0;
    std::fclose(f);
    return 1;
}

int CReportWriter::Open(const char* path, int overwrite)
{
    if (callback_)
        return 0;
    Close();
    if (!overwrite && FileExists(path))
        return kOpenFailed;
    file_ = std::fopen(path, "w");
    return file_ ? 0 : kOpenFailed;
}

int CReportWriter::Close()
{
    if (!file_)
        return 0;
    const int r = std::fclose(file_);
    file_ = nullptr;
    return r == 0 ? 0 : -1;
}

int CReportWriter::Indent()
{
    if (indent_ >= kMaxIndent)
        return 0;
    ++indent_;
    return 1;
}

int CReportWriter::Outdent()
{
    if (indent_ <= 0)
        return 0;
    --indent_;
    return 1;
}

bool CReportWriter::Reserve(size_t n)
{
    if (n > UINT32_MAX)
        return false;
    return line_.Size() >= n || line_.SetSize(static_cast<uint32_t>(n)) == 1;
}

int CReportWriter::Emit(size_t end, bool cut)
{
    char* text = line_.At(0);
    if (callback_) {
        if (cut && width_ >= 0 && end > static_cast<size_t>(width_))
            text[width_] = '\0';
        callback_(text);
        return 1;
    }
    if (!file_)
        return -1;
    text[end] = '\n';
    text[end + 1] = '\0';
    return std::fputs(text, file_) < 0 ? -1 : 1;
}

int CReportWriter::WriteLine(const char* text)
{
    const size_t n = Length(text);
    const size_t at = kIndentBlanks * static_cast<size_t>(indent_);
    if (!Reserve(n + 4 + at))
        return 0;
    line_.Fill(' ');
    std::memcpy(line_.At(static_cast<uint32_t>(at)), text ? text : "", n);
    *line_.At(static_cast<uint32_t>(at + n)) = '\0';
    return Emit(at + n, false);
}

int CReportWriter::WriteBlankLines(int n)
{
    int r = 0;
    for (int i = 0; i < n; ++i) {
        r = WriteLine("");
        if (r < 0)
            break;
    }
    return r;
}

int CReportWriter::WriteHeading(const char* text, int underline, int centre)
{
    CCountedString heading(text);
    if (underline != 0)
        underline_ = CCountedString(heading.Length(), underline == 1 ? '-' : '=');
    if (centre) {
        underline_ = underline_.Centre(width_);
        heading = heading.Centre(width_);
    }
    int r = WriteLine(heading.Text());
    if (r > 0 && underline != 0)
        r = WriteLine(underline_.Text());
    return r;
}

int CReportWriter::RepeatUnderline()
{
    if (underline_.Length() == 0)
        return 0;
    return WriteLine(underline_.Text());
}

int CReportWriter::WriteAt(const char* const* texts, const size_t* columns, int count)
{
    // Each text starts at its column or directly after the text before it.
    size_t at[4] = {};
    size_t end = 0;
    for (int i = 0; i < count; ++i) {
        at[i] = std::max(columns[i], end);
        end = at[i] + Length(texts[i]);
    }
    const size_t shift = kIndentBlanks * static_cast<size_t>(indent_);
    if (!Reserve(std::max(kFieldLine, end + 2) + shift))
        return 0;
    line_.Fill(' ');
    for (int i = 0; i < count; ++i)
        std::memcpy(line_.At(static_cast<uint32_t>(at[i])), texts[i] ? texts[i] : "", Length(texts[i]));
    *line_.At(static_cast<uint32_t>(end)) = '\0';
    if (shift > 0) {
        line_.Shift(static_cast<int32_t>(shift));
        std::memset(line_.At(0), ' ', shift);
    }
    return Emit(end + shift, true);
}

int CReportWriter::WriteField(const char* label, const char* value)
{
    const char* texts[] = {label, value};
    const size_t columns[] = {0, kValueColumn};
    return WriteAt(texts, columns, 2);
}

int CReportWriter::WriteColumns(const char* a, const char* b, const char* c, const char* d)
{
    const char* texts[] = {a, b, c, d};
    return WriteAt(texts, kColumns, 4);
}

void CReportWriter::MakeShortName(const char* path, char* out)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == ':' || *p == '\\')
            name = p + 1;
    const char* dot = std::strchr(name, '.');
    const size_t base = dot ? static_cast<size_t>(dot - name) : std::strlen(name);
    const char* ext = dot ? dot + 1 : "";
    std::memset(out, ' ', 11);
    std::memcpy(out, name, std::min<size_t>(base, 8));
    std::memcpy(out + 8, ext, std::min<size_t>(std::strlen(ext), 3));
    out[11] = '\0';
}
