// Where a place of an execute line stands in the POSIX shell's grammar: the
// quoting that holds there, and whether a text put there could become shell
// syntax. The scanner follows nesting (command substitution in both forms,
// parameter and arithmetic expansion, quotes inside each, comments) and
// gives up for the rest of the line where shells differ or where it cannot
// follow the grammar with certainty.
#pragma once

#include <string>
#include <vector>

// The quoting that holds at a place of the line's outermost level.
enum class ShellQuote { None, Double, Single };

// Why a text could not be quoted with certainty at a place; None when it can.
enum class ShellDoubt {
    None,
    CommandSubstitution,
    Backquotes,
    ParameterExpansion,
    Arithmetic,
    Comment,
    AfterDollar,
    HereDocument,
    Unsure,
};

// Reads a shell command line one character at a time.
class ShellScanner {
public:
    ShellScanner();

    // Takes the line's next own character.
    void feed(char c);
    // Takes a quoted text standing at the current place, as part of a word.
    void feedText();
    // The quoting at the current place (meaningful while doubt() is None).
    ShellQuote quote() const;
    // Whether a text put at the current place could become syntax, and why.
    ShellDoubt doubt() const;
    // True while the last character was a backslash that escapes the next one.
    bool escapePending() const { return escape_; }
    // True once a here-document operator was read.
    bool hereDocument() const { return hereDoc_; }
    // The text that closes every level open at the current place, innermost first.
    std::string closers() const;
    // The length of closers().
    size_t closersSize() const;

private:
    enum class Level { Command, Double, Single, CommandSub, Backquote, Brace, Arith, Comment };
    struct Frame {
        Level level;
        int parens = 0;        // open parentheses inside a command substitution or arithmetic
        bool fresh = false;    // a command substitution whose first character is still to come
        bool closing = false;  // arithmetic after its first closing parenthesis
    };

    void feedCommand(Frame& f, char c);
    void feedArith(Frame& f, char c);
    void endWord(bool nested);
    void push(Level level) { stack_.push_back(Frame{level}); }

    std::vector<Frame> stack_;
    std::string word_;         // the plain word being read in a command context
    bool wordPlain_ = true;    // the word has no quoted part or text in it
    bool wordStart_ = true;    // the next character begins a word
    bool escape_ = false;
    bool dollar_ = false;      // the last character was a '$' that may begin an expansion
    bool less_ = false;        // the last character was an unquoted '<'
    bool hereDoc_ = false;
    bool lost_ = false;        // the grammar can no longer be followed with certainty
};

// Words for a doubt, as "inside backquotes".
const char* shell_doubt_text(ShellDoubt doubt);
