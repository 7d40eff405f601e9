// CReportWriter: writes a plain-text report line by line into a file, or
// hands each finished line to a caller's function. Four indentation levels
// of 4 blanks, headings underlined with '-' or '=' (optionally centred on
// the width), label-value fields and four-column lines.
#pragma once

#include "cbuffer.h"
#include "counted_string.h"

#include <cstdio>

// Receives each finished line (without a line end) in callback mode.
using ReportLineFunction = void (*)(const char* line);

class CReportWriter {
public:
    // File mode: lines go to the file that Open opens.
    CReportWriter() = default;
    // Callback mode: lines go to fn.
    explicit CReportWriter(ReportLineFunction fn) : callback_(fn) {}
    CReportWriter(const CReportWriter&) = delete;
    CReportWriter& operator=(const CReportWriter&) = delete;
    // Closes the file.
    ~CReportWriter();

    // The width used for centring and for cutting callback field lines.
    void SetWidth(int width) { width_ = width; }
    // 1 when path can be opened for reading; always 0 in callback mode.
    int FileExists(const char* path) const;
    // Opens path for writing: 0, or 5 when it exists and overwrite is 0 or
    // it cannot be created. Callback mode: 0, nothing opened.
    int Open(const char* path, int overwrite);
    // Closes the file when one is open: 0, or -1 when the data could not be written.
    int Close();
    // One level deeper; 0 when already at 3, else 1.
    int Indent();
    // One level back; 0 when already at 0, else 1.
    int Outdent();
    // Writes the text as one line at the current indentation: 1, negative
    // when it could not be written, 0 when the line buffer cannot grow.
    int WriteLine(const char* text);
    // Writes n empty lines, stopping at the first negative result; the last result.
    int WriteBlankLines(int n);
    // A heading: underline 0 none, 1 '-', other '='; centred when centre is set.
    int WriteHeading(const char* text, int underline, int centre);
    // Writes the stored underline again; 0 when there is none.
    int RepeatUnderline();
    // A label-value line: the value at column max(label length, 18).
    int WriteField(const char* label, const char* value);
    // Four columns at 0, then from 18, 34 and 52 or directly after a longer text.
    int WriteColumns(const char* a, const char* b, const char* c, const char* d);
    // The 8.3 form of the file name of path into out (12 bytes).
    static void MakeShortName(const char* path, char* out);

private:
    // Grows the line buffer to at least n bytes; false when it cannot.
    bool Reserve(size_t n);
    // Hands the NUL-terminated line buffer on; cut at the width when cut is set.
    int Emit(size_t end, bool cut);
    // Field and column lines: texts at their columns, indented.
    int WriteAt(const char* const* texts, const size_t* columns, int count);

    CCountedString underline_;
    int indent_ = 0;
    ReportLineFunction callback_ = nullptr;
    int width_ = 80;
    CBuffer<char> line_;
    FILE* file_ = nullptr;
};
