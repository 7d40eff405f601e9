#include "shell_context.h"

#include <cctype>
#include <cstring>

namespace {

bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

ShellScanner::ShellScanner() { stack_.push_back(Frame{Level::Command}); }

bool ShellScanner::topWord() const
{
    return stack_.size() == 1 ||
           (stack_.size() == 2 && (stack_[1].level == Level::Double || stack_[1].level == Level::Single));
}

void ShellScanner::push(Level level)
{
    if (level != Level::Double && level != Level::Single && level != Level::Comment && topWord())
        words_.unknown();
    stack_.push_back(Frame{level});
}

void ShellScanner::feed(char c)
{
    if (lost_)
        return;
    if (escape_) {
        feedEscaped(c);
        return;
    }
    const bool nameBefore = name_;
    name_ = false;
    Frame& f = stack_.back();
    if (dollar_) {
        dollar_ = false;
        if (c == '(') {
            push(Level::CommandSub);
            stack_.back().fresh = true;
            wordStart_ = true;
            word_.clear();
            wordPlain_ = true;
            return;
        }
        if (c == '{') {
            push(Level::Brace);
            return;
        }
        // $'…', $"…" and $[…] mean different things to different shells.
        if (c == '\'' || c == '[' || (c == '"' && f.level != Level::Double)) {
            lost_ = true;
            return;
        }
        name_ = is_name_char(c);
    } else if (nameBefore && is_name_char(c)) {
        name_ = true;
    }
    if (f.level == Level::CommandSub && f.fresh) {
        f.fresh = false;
        if (c == '(') {
            f.level = Level::Arith;
            arith_ = ArithToken::None;
            return;
        }
    }
    switch (f.level) {
    case Level::Command:
    case Level::CommandSub:
        feedCommand(f, c);
        return;
    case Level::Arith:
        feedArith(f, c);
        return;
    case Level::Single:
        if (c == '\'')
            stack_.pop_back();
        else if (stack_.size() == 2)
            words_.literal(c, true);
        return;
    case Level::Comment:
        if (c == '\n') {
            stack_.pop_back();
            wordStart_ = true;
            if (stack_.size() == 1)
                words_.endCommand();
        }
        return;
    case Level::Backquote:
        // Only backslashes and the closing backquote count until it ends.
        if (c == '\\')
            escape_ = true;
        else if (c == '`')
            stack_.pop_back();
        return;
    case Level::Double:
        if (c == '\\') {
            escape_ = true;
        } else if (c == '"') {
            stack_.pop_back();
        } else if (c == '$') {
            dollar_ = true;
            if (stack_.size() == 2)
                words_.unknown();
        } else if (c == '`') {
            push(Level::Backquote);
        } else if (stack_.size() == 2) {
            words_.literal(c, true);
        }
        return;
    case Level::Brace:
        if (c == '}')
            stack_.pop_back();
        else if (c == '$')
            dollar_ = true;
        else if (c == '`')
            push(Level::Backquote);
        else if (c == '\'' || c == '"' || c == '\\' || c == '{')
            lost_ = true;  // quoting and nesting inside ${…} differ between shells
        return;
    }
}

void ShellScanner::feedEscaped(char c)
{
    // The escaped character is literal (an escaped newline joins the lines).
    escape_ = false;
    name_ = false;
    if (c == '\n')
        return;
    wordStart_ = false;
    if (stack_.size() == 1) {
        words_.literal(c, true);
    } else if (stack_.size() == 2 && stack_[1].level == Level::Double) {
        // Inside "…" a backslash escapes only $ ` " \ and the newline.
        if (std::strchr("$`\"\\", c) == nullptr)
            words_.literal('\\', true);
        words_.literal(c, true);
    }
}

void ShellScanner::feedCommand(Frame& f, char c)
{
    const bool afterLess = less_;
    const bool afterRedirect = redirect_;
    const bool nested = f.level == Level::CommandSub;
    less_ = false;
    redirect_ = false;
    if (c == '#' && wordStart_) {
        push(Level::Comment);
        return;
    }
    switch (c) {
    case '\\':
    case '\'':
    case '"':
    case '`':
    case '$':
        wordStart_ = false;
        wordPlain_ = false;
        if (c == '\\') {
            escape_ = true;
        } else if (c == '$') {
            dollar_ = true;
            if (!nested)
                words_.unknown();
        } else {
            if (!nested && c != '`')
                words_.quoteMark();
            push(c == '\'' ? Level::Single : c == '"' ? Level::Double : Level::Backquote);
        }
        return;
    case ' ':
    case '\t':
    case '\n':
    case ';':
    case '&':
    case '|':
    case '>':
    case '<':
    case '(':
    case ')':
        endWord(nested);
        wordStart_ = true;
        if (!nested) {
            if (c == '<' || c == '>') {
                words_.redirection();
                redirect_ = true;
            } else if (c == ' ' || c == '\t' || ((c == '&' || c == '|') && afterRedirect)) {
                words_.endWord();  // a blank, or the '&' or '|' of ">&" or ">|"
            } else {
                words_.endCommand();
            }
        }
        if (c == '<') {
            hereDoc_ = hereDoc_ || afterLess;
            less_ = true;
        } else if (c == '(' && nested) {
            ++f.parens;
        } else if (c == ')' && nested) {
            if (f.parens > 0) {
                --f.parens;
            } else {
                stack_.pop_back();
                wordStart_ = false;
                wordPlain_ = false;
            }
        }
        return;
    default:
        word_ += c;
        wordStart_ = false;
        if (!nested)
            words_.literal(c, false);
        return;
    }
}

void ShellScanner::feedArith(Frame& f, char c)
{
    const ArithToken before = arith_;
    arith_ = ArithToken::None;
    if (f.closing) {
        if (c == ')') {
            stack_.pop_back();
            wordStart_ = false;
        } else {
            lost_ = true;
        }
        return;
    }
    switch (c) {
    case '(':
        ++f.parens;
        return;
    case ')':
        if (f.parens > 0)
            --f.parens;
        else
            f.closing = true;
        return;
    case '$':
        dollar_ = true;
        return;
    case '`':
        push(Level::Backquote);
        return;
    case '\'':
    case '"':
    case '\\':
        lost_ = true;
        return;
    default:
        // A name or a number goes on while name characters follow.
        if (is_name_char(c))
            arith_ = before != ArithToken::None ? before
                     : std::isdigit(static_cast<unsigned char>(c)) ? ArithToken::Number
                                                                   : ArithToken::Name;
        return;
    }
}

void ShellScanner::endWord(bool nested)
{
    // A case pattern's lone ')' would end a command substitution for a
    // scanner that only counts parentheses.
    if (nested && wordPlain_ && word_ == "case")
        lost_ = true;
    word_.clear();
    wordPlain_ = true;
}

void ShellScanner::feedValue(bool number)
{
    escape_ = false;
    dollar_ = false;
    name_ = false;
    less_ = false;
    redirect_ = false;
    wordStart_ = false;
    wordPlain_ = false;
    if (stack_.back().level == Level::Arith)
        arith_ = ArithToken::Number;
    words_.value(number);
}

ShellQuote ShellScanner::quote() const
{
    switch (stack_.back().level) {
    case Level::Double: return ShellQuote::Double;
    case Level::Single: return ShellQuote::Single;
    default: return ShellQuote::None;
    }
}

ShellDoubt ShellScanner::valueDoubt(bool number) const
{
    if (lost_)
        return ShellDoubt::Unsure;
    bool arith = false;
    for (const Frame& f : stack_) {
        switch (f.level) {
        case Level::CommandSub: return ShellDoubt::CommandSubstitution;
        case Level::Backquote: return ShellDoubt::Backquotes;
        case Level::Brace: return ShellDoubt::ParameterExpansion;
        case Level::Comment: return ShellDoubt::Comment;
        case Level::Arith:
            // Digits cannot change an arithmetic expression's syntax.
            if (!number)
                return ShellDoubt::Arithmetic;
            arith = true;
            break;
        default: break;
        }
    }
    if (dollar_)
        return ShellDoubt::AfterDollar;
    if (arith && (name_ || arith_ == ArithToken::Name))
        return ShellDoubt::AfterName;
    if (words_.valueIsCode())
        return ShellDoubt::Reparsed;
    return ShellDoubt::None;
}

bool ShellScanner::valueWouldBeDescriptor() const
{
    return stack_.size() == 1 && !escape_ && words_.valueWouldBeDescriptor();
}

const char* shell_doubt_text(ShellDoubt doubt)
{
    switch (doubt) {
    case ShellDoubt::None: return "";
    case ShellDoubt::CommandSubstitution: return "inside a command substitution";
    case ShellDoubt::Backquotes: return "inside backquotes";
    case ShellDoubt::ParameterExpansion: return "inside a parameter expansion";
    case ShellDoubt::Arithmetic: return "inside an arithmetic expansion";
    case ShellDoubt::Comment: return "inside a comment";
    case ShellDoubt::AfterDollar: return "right after a '$'";
    case ShellDoubt::HereDocument: return "in a line with a here-document";
    case ShellDoubt::Unsure: return "after a construct that shells read differently";
    case ShellDoubt::AfterName: return "right after a name inside an arithmetic expansion";
    case ShellDoubt::Reparsed: return "where a command reads it as code";
    }
    return "";
}
