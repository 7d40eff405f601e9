// Commands that read one of their arguments again as shell code (a shell's
// -c string, eval, trap, alias, '.'), the commands that start another command
// (env, nice, sudo, xargs, find -exec, ...), and a reader of the words of
// an execute line's simple commands that tells whether a place in the
// current word stands in such an argument.
#pragma once

#include <string>

// How a command treats the words after its name.
enum class ReparseKind {
    Wrapper,       // runs the command named by its first operand (after operandsBefore)
    Evaluator,     // reads every argument as code
    FirstOperand,  // reads its first operand as code (a -c string, or a file it runs)
    OptionsOnly,   // only the values of its code options are code
    Find,          // -exec, -execdir, -ok and -okdir start a command ended by ';' or '+'
};

// One row of the table of commands the reader knows.
struct ReparsingCommand {
    const char* names;             // blank-separated command names
    ReparseKind kind;
    const char* codeOptions = "";   // short options whose value is code
    const char* valueOptions = "";  // short options that take a value
    const char* codeLongs = "";     // blank-separated long options whose value is code
    const char* valueLongs = "";    // blank-separated long options that take a value
    int operandsBefore = 0;         // a wrapper's operands before the command it runs
    bool plusOptions = false;       // words beginning with '+' are options too
};

// The row for a command name (a path counts by its last component); null when none.
const ReparsingCommand* find_reparsing_command(const std::string& name);

// Follows the words of the simple commands at a line's outermost level.
// The shell scanner tells it each character of a word's value, the parts it
// cannot know, the values put into the line, and the ends of words and commands.
class CommandWords {
public:
    // A character of the current word's value; quoted when escaped or inside quotes.
    void literal(char c, bool quoted);
    // A quote mark: the word exists even when it stays empty.
    void quoteMark();
    // A part whose value only the shell knows ($NAME, $(...), `...`).
    void unknown();
    // A value of the line's % codes in the current word.
    void value(bool number);
    // A blank ended the current word.
    void endWord();
    // ';', '&', '|', a newline or a parenthesis ended the word and the command.
    void endCommand();
    // A '<' or '>' of a redirection: a word of plain digits before it is a
    // descriptor number; the next word names the redirection's target.
    void redirection();

    // True when a value put into the current word would be read as code.
    bool valueIsCode() const;
    // True when the current word is digits only, one of them from a value:
    // a '<' or '>' right after it would make it a descriptor number.
    bool valueWouldBeDescriptor() const;
    // The name of the command whose arguments are read now, as written.
    const std::string& command() const { return name_; }

private:
    struct Word {
        std::string lead;    // the value's characters before the first unknown part
        bool started = false;
        bool known = true;   // no unknown part and no value
        bool digits = true;  // unquoted digits and numbers only
        bool hasValue = false;
    };
    enum class Pending { None, Value, Code };

    void startCommand(const Word& w);
    void argument(const Word& w);
    void option(const std::string& word);
    void enter(const ReparsingCommand* row, const std::string& name);
    bool isOption(const std::string& lead) const;
    bool codeBearing() const;

    Word word_;
    bool atCommand_ = true;   // the next word names a command
    const ReparsingCommand* row_ = nullptr;
    std::string name_;
    bool optionsOpen_ = true;
    Pending pending_ = Pending::None;
    int operands_ = 0;
    bool findExec_ = false;   // the command was started by find's -exec
    bool target_ = false;     // the next word is a redirection's target
};
