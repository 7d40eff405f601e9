// CInputBox: the console's one-line input dialog over a prompt box.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "dialog_records.h"
#include "prompt_box.h"

class CInputBox {
public:
    // Takes the next dialog level and builds the prompt box at the
    // record's position.
    explicit CInputBox(InputDef* def);
    ~CInputBox();
    CInputBox(const CInputBox&) = delete;
    CInputBox& operator=(const CInputBox&) = delete;

    // Fits the box on the screen (moving the record's x left for good when
    // needed) and creates it with the prompt (null: the record's), the
    // title and the mask character (0: the text shows); 1 or 0.
    int Open(const char* prompt, const char* title, uint8_t mask = 0);
    // Edits the text from the field's first column; the buffer changes only
    // when Enter ends the edit. The show result (0: nothing shown).
    int Edit(std::span<char> text);
    // The key that ended the last edit: 13 or 27.
    int LastKey() const;

private:
    std::unique_ptr<tui::promptBox> box_;
    InputDef* def_;
    const char* title_ = nullptr;
    int level_;
    int ok_ = 0;
    int created_ = 0;
};
