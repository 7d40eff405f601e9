// CListBox: a scrolling list dialog built from a ListDef. Its lines are
// formatted from the record's line formats and kept by the dialog.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dialog_records.h"
#include "headline_roll.h"
#include "str_printf.h"

class CListBox {
public:
    // Takes the next dialog level and builds the list for `lineCount` lines
    // at the record's position (`useRecordPosition`) or by the cascade.
    CListBox(ListDef* def, int lineCount, int useRecordPosition);
    ~CListBox();
    CListBox(const CListBox&) = delete;
    CListBox& operator=(const CListBox&) = delete;

    // Opens the list; title, hint and head line null take the record's,
    // a line count of -1 the constructor's; 1 or 0.
    int Open(const char* title = nullptr, const char* hint = nullptr, const char* headLine = nullptr,
             int lineCount = -1);
    // Runs the modal loop from `startLine`; see DialogKeyLoop. With
    // `cursor` the terminal cursor stands on the current line.
    int Run(int startLine, const int* keys = nullptr, int* keyOut = nullptr, int preset = -2, int cursor = 0);
    // Formats line i with its format (the last one for every further line).
    template <class... A>
    int SetLine(int line, const A&... args)
    {
        const std::array<tui::fmtArg, sizeof...(A)> list{tui::fmtArg(args)...};
        return SetLineV(line, list);
    }
    // SetLine over an argument list.
    int SetLineV(int line, std::span<const tui::fmtArg> args);
    // Keeps a copy of the text as line i; 1 or 0.
    int SetLineText(int line, const char* text);
    // The current line (0 when not created).
    int CurrentLine() const;
    // Shows at the current line; hides.
    void Show();
    void Hide();
    // Whether the current line is highlighted; the frame's attribute.
    void SetShowSelection(int flag);
    void SetFrameAttr(uint8_t attr);
    // Frame attribute of a dialog out of its key loop.
    uint8_t InactiveFrameAttr() const { return colors_[8]; }
    // 1 when everything was built.
    int IsOk() const { return ok_; }
    // The text of a line as the list shows it (null: empty).
    const char* LineText(int line) const;

private:
    // Built and opened.
    bool Created() const { return ok_ && created_; }
    // Paints again when lines changed since the last paint.
    void RepaintIfStale();

    std::unique_ptr<tui::headlineRoll> roll_;
    ListDef* def_;
    std::vector<std::optional<std::string>> lines_;
    int lineCount_;
    int formatCount_ = 0;
    int ok_ = 0;
    int level_;
    int headCount_ = 0;
    bool created_ = false;
    bool stale_ = false;
    uint8_t colors_[9];
};
