#include "shell_context.h"

ShellScanner::ShellScanner() { push(Level::Command); }

void ShellScanner::feed(char c)
{
    if (lost_)
        return;
    if (escape_) {
        // The escaped character is literal (an escaped newline joins the lines).
        escape_ = false;
        if (c != '\n')
            wordStart_ = false;
        return;
    }
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
    }
    if (f.level == Level::CommandSub && f.fresh) {
        f.fresh = false;
        if (c == '(') {
            f.level = Level::Arith;
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
        return;
    case Level::Comment:
        if (c == '\n') {
            stack_.pop_back();
            wordStart_ = true;
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
        if (c == '\\')
            escape_ = true;
        else if (c == '"')
            stack_.pop_back();
        else if (c == '$')
            dollar_ = true;
        else if (c == '`')
            push(Level::Backquote);
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

void ShellScanner::feedCommand(Frame& f, char c)
{
    const bool afterLess = less_;
    const bool nested = f.level == Level::CommandSub;
    less_ = false;
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
        if (c == '\\')
            escape_ = true;
        else if (c == '$')
            dollar_ = true;
        else
            push(c == '\'' ? Level::Single : c == '"' ? Level::Double : Level::Backquote);
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
        return;
    }
}

void ShellScanner::feedArith(Frame& f, char c)
{
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

void ShellScanner::feedText()
{
    escape_ = false;
    dollar_ = false;
    less_ = false;
    wordStart_ = false;
    wordPlain_ = false;
}

ShellQuote ShellScanner::quote() const
{
    switch (stack_.back().level) {
    case Level::Double: return ShellQuote::Double;
    case Level::Single: return ShellQuote::Single;
    default: return ShellQuote::None;
    }
}

ShellDoubt ShellScanner::doubt() const
{
    if (lost_)
        return ShellDoubt::Unsure;
    for (const Frame& f : stack_) {
        switch (f.level) {
        case Level::CommandSub: return ShellDoubt::CommandSubstitution;
        case Level::Backquote: return ShellDoubt::Backquotes;
        case Level::Brace: return ShellDoubt::ParameterExpansion;
        case Level::Arith: return ShellDoubt::Arithmetic;
        case Level::Comment: return ShellDoubt::Comment;
        default: break;
        }
    }
    return dollar_ ? ShellDoubt::AfterDollar : ShellDoubt::None;
}

std::string ShellScanner::closers() const
{
    std::string text;
    for (size_t i = stack_.size(); i-- > 1;) {
        const Frame& f = stack_[i];
        switch (f.level) {
        case Level::Double: text += '"'; break;
        case Level::Single: text += '\''; break;
        case Level::CommandSub: text += std::string(static_cast<size_t>(f.parens) + 1, ')'); break;
        case Level::Backquote: text += '`'; break;
        case Level::Brace: text += '}'; break;
        case Level::Arith: text += std::string(static_cast<size_t>(f.parens) + (f.closing ? 1 : 2), ')'); break;
        case Level::Comment: text += '\n'; break;
        case Level::Command: break;
        }
    }
    return text;
}

size_t ShellScanner::closersSize() const
{
    size_t n = 0;
    for (size_t i = 1; i < stack_.size(); ++i) {
        const Frame& f = stack_[i];
        if (f.level == Level::CommandSub)
            n += static_cast<size_t>(f.parens) + 1;
        else if (f.level == Level::Arith)
            n += static_cast<size_t>(f.parens) + (f.closing ? 1 : 2);
        else if (f.level != Level::Command)
            n += 1;
    }
    return n;
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
    }
    return "";
}
