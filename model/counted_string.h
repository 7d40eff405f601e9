// CCountedString: a text that carries its length and owns its bytes
// (length + 1, NUL-terminated). An allocation that fails leaves it empty.
#pragma once

class CCountedString {
public:
    // Empty: length 0, no text.
    CCountedString() = default;
    // A copy of text (nullptr: empty).
    explicit CCountedString(const char* text);
    // n copies of ch.
    CCountedString(int n, char ch);
    // The first n characters of text (fewer when it is shorter).
    CCountedString(const char* text, int n);
    CCountedString(const CCountedString& other);
    ~CCountedString();

    // Copies another string unless it is this one.
    CCountedString& operator=(const CCountedString& other);
    // Appends another string.
    CCountedString& operator+=(const CCountedString& other);

    // A copy centred in n characters; a text of n or more characters unchanged.
    CCountedString Centre(int n) const;
    // Pointer to character i, nullptr outside the text.
    char* CharAt(int i);
    // Removes leading blanks and the control characters 9-13.
    void TrimLeft();
    // Removes trailing white space.
    void TrimRight();
    // Cuts the text at its first "//".
    void CutComment();
    // The text's length.
    int Length() const { return length_; }
    // Index of the first ch, -1 when absent.
    int Find(char ch) const;
    // The first n characters; with pad, padded with blanks to n.
    CCountedString Left(int n, bool pad) const;
    // The last n characters; with pad, padded on the left with blanks to n.
    CCountedString Right(int n, bool pad) const;
    // The longer string is greater; at equal length the first differing
    // character decides: 1, 0 or -1.
    int Compare(const CCountedString& other) const;
    // As Compare, with the other text's letters a-z taken as A-Z.
    int CompareNoCase(const CCountedString& other) const;
    // As Compare against the number's decimal digits.
    int CompareNumber(int number) const;
    // The text; "" when empty.
    const char* Text() const { return text_ ? text_ : ""; }

private:
    // Replaces the text by n bytes of src (nullptr: n blanks); false when out of memory.
    bool Assign(const char* src, int n);
    int Compare(const CCountedString& other, bool upperOther) const;

    int length_ = 0;
    char* text_ = nullptr;
};
