// Where a place of an execute line stands in the POSIX shell's grammar: the
// quoting that holds there, and whether a value put there could become shell
// syntax, or be read as code again by the command that gets it. The scanner
// follows nesting (command substitution in both forms, parameter and
// arithmetic expansion, quotes inside each, comments), the words of the
// commands at the outermost level, and gives up for the rest of the line
// where shells differ or where it cannot follow the grammar with certainty.
#pragma once

#include <string>
#include <vector>

#include "reparsing_commands.h"

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
    AfterName,  // a number glued to a name inside an arithmetic expansion
    Reparsed,   // an argument that the command reads as code
};

// Reads a shell command line one character at a time.
class ShellScanner {
public:
    ShellScanner();

    // Takes the line's next own character.
    void feed(char c);
    // Takes a value standing at the current place, as part of a word: a
    // number (digits only) or a quoted text.
    void feedValue(bool number);
    // The quoting at the current place (meaningful while valueDoubt() is None).
    ShellQuote quote() const;
    // Whether a value of this kind put at the current place could become
    // syntax or be read as code, and why.
    ShellDoubt valueDoubt(bool number) const;
    // True while the last character was a backslash that escapes the next one.
    bool escapePending() const { return escape_; }
    // True once a here-document operator was read.
    bool hereDocument() const { return hereDoc_; }
    // True while a $NAME is read: a value right here would extend the name.
    bool joinsName() const { return name_; }
    // True when a '<' or '>' now would make the current word, digits with a
    // number value in them, a descriptor number.
    bool valueWouldBeDescriptor() const;
    // For Reparsed: the command that reads the place as code.
    const std::string& reparser() const { return words_.command(); }

private:
    enum class Level { Command, Double, Single, CommandSub, Backquote, Brace, Arith, Comment };
    enum class ArithToken { None, Name, Number };
    struct Frame {
        Level level;
        int parens = 0;        // open parentheses inside a command substitution or arithmetic
        bool fresh = false;    // a command substitution whose first character is still to come
        bool closing = false;  // arithmetic after its first closing parenthesis
    };

    void feedEscaped(char c);
    void feedCommand(Frame& f, char c);
    void feedArith(Frame& f, char c);
    void endWord(bool nested);
    void push(Level level);
    // True at the outermost level or directly inside its quotes.
    bool topWord() const;

    std::vector<Frame> stack_;
    CommandWords words_;       // the words of the outermost level's commands
    std::string word_;         // the plain word being read in a command context
    bool wordPlain_ = true;    // the word has no quoted part or text in it
    bool wordStart_ = true;    // the next character begins a word
    bool escape_ = false;
    bool dollar_ = false;      // the last character was a '$' that may begin an expansion
    bool name_ = false;        // the last characters were a '$' and a parameter name
    bool less_ = false;        // the last character was an unquoted '<'
    bool redirect_ = false;    // the last character was an outermost '<' or '>'
    ArithToken arith_ = ArithToken::None;  // the token read last inside an arithmetic expansion
    bool hereDoc_ = false;
    bool lost_ = false;        // the grammar can no longer be followed with certainty
};

// Words for a doubt, as "inside backquotes".
const char* shell_doubt_text(ShellDoubt doubt);
