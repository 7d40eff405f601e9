#include "reparsing_commands.h"

#include <cctype>
#include <cstring>

namespace {

// The commands whose arguments can be read again as code, and those that
// start another command. Options that take a value are listed so that the
// value is not taken for an operand.
const ReparsingCommand commandTable[] = {
    {.names = "sh bash dash ash ksh mksh zsh yash posh", .kind = ReparseKind::FirstOperand, .valueOptions = "oO",
     .valueLongs = "rcfile init-file", .plusOptions = true},
    {.names = ". source", .kind = ReparseKind::FirstOperand},
    {.names = "eval trap alias", .kind = ReparseKind::Evaluator},
    {.names = "su", .kind = ReparseKind::OptionsOnly, .codeOptions = "cC", .valueOptions = "gGsuw",
     .codeLongs = "command session-command", .valueLongs = "group supp-group shell user whitelist-environment"},
    {.names = "env", .kind = ReparseKind::Wrapper, .codeOptions = "S", .valueOptions = "uC",
     .codeLongs = "split-string", .valueLongs = "unset chdir"},
    {.names = "exec", .kind = ReparseKind::Wrapper, .valueOptions = "a"},
    {.names = "command builtin nohup setsid busybox", .kind = ReparseKind::Wrapper},
    {.names = "nice", .kind = ReparseKind::Wrapper, .valueOptions = "n", .valueLongs = "adjustment"},
    {.names = "sudo", .kind = ReparseKind::Wrapper, .valueOptions = "CDgpRrTtUu",
     .valueLongs = "close-from chdir group prompt chroot role type command-timeout other-user user"},
    {.names = "doas", .kind = ReparseKind::Wrapper, .valueOptions = "Cu"},
    {.names = "xargs", .kind = ReparseKind::Wrapper, .valueOptions = "adEILnPs",
     .valueLongs = "arg-file delimiter max-args max-procs max-chars process-slot-var"},
    {.names = "timeout", .kind = ReparseKind::Wrapper, .valueOptions = "ks", .valueLongs = "kill-after signal",
     .operandsBefore = 1},
    {.names = "time", .kind = ReparseKind::Wrapper, .valueOptions = "fo", .valueLongs = "format output"},
    {.names = "find", .kind = ReparseKind::Find},
};

// Reserved words after which a command name follows.
const char* const commandKeywords = "! { if then elif else while until do";

// True when name is one of the blank-separated words of list.
bool in_list(const char* list, const std::string& name)
{
    const size_t n = name.size();
    for (const char* p = list; *p;) {
        const size_t len = std::strcspn(p, " ");
        if (len == n && n > 0 && std::strncmp(p, name.data(), n) == 0)
            return true;
        p += len;
        p += std::strspn(p, " ");
    }
    return false;
}

bool has_letter(const char* letters, char c) { return c != '\0' && std::strchr(letters, c) != nullptr; }

// True for a word that begins with NAME= (a variable assignment).
bool is_assignment(const std::string& lead)
{
    if (lead.empty() || !(std::isalpha(static_cast<unsigned char>(lead[0])) || lead[0] == '_'))
        return false;
    for (char c : lead) {
        if (c == '=')
            return true;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return false;
}

bool is_exec_primary(const std::string& word)
{
    return word == "-exec" || word == "-execdir" || word == "-ok" || word == "-okdir";
}

std::string base_name(const std::string& path)
{
    const size_t at = path.rfind('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

const ReparsingCommand* find_reparsing_command(const std::string& name)
{
    const std::string base = base_name(name);
    for (const ReparsingCommand& row : commandTable)
        if (in_list(row.names, base))
            return &row;
    return nullptr;
}

void CommandWords::literal(char c, bool quoted)
{
    word_.started = true;
    if (word_.known)
        word_.lead += c;
    if (quoted || !std::isdigit(static_cast<unsigned char>(c)))
        word_.digits = false;
}

void CommandWords::quoteMark()
{
    word_.started = true;
    word_.digits = false;
}

void CommandWords::unknown()
{
    word_.started = true;
    word_.known = false;
    word_.digits = false;
}

void CommandWords::value(bool number)
{
    word_.started = true;
    word_.known = false;
    word_.hasValue = true;
    if (!number)
        word_.digits = false;
}

void CommandWords::endWord()
{
    if (!word_.started)
        return;
    const Word w = word_;
    word_ = Word{};
    if (target_) {
        target_ = false;
        return;
    }
    if (atCommand_)
        startCommand(w);
    else
        argument(w);
}

void CommandWords::endCommand()
{
    endWord();
    enter(nullptr, "");
    atCommand_ = true;
    findExec_ = false;
    target_ = false;
}

void CommandWords::redirection()
{
    if (word_.started && word_.known && word_.digits && !target_)
        word_ = Word{};  // a descriptor number, no argument
    else
        endWord();
    target_ = true;
}

void CommandWords::enter(const ReparsingCommand* row, const std::string& name)
{
    atCommand_ = false;
    row_ = row;
    name_ = name;
    optionsOpen_ = true;
    pending_ = Pending::None;
    operands_ = 0;
}

void CommandWords::startCommand(const Word& w)
{
    if (is_assignment(w.lead))
        return;
    if (!w.known) {
        enter(nullptr, "");
        return;
    }
    if (in_list(commandKeywords, w.lead))
        return;
    enter(find_reparsing_command(w.lead), base_name(w.lead));
}

bool CommandWords::isOption(const std::string& lead) const
{
    return !lead.empty() && (lead[0] == '-' || (lead[0] == '+' && row_->plusOptions));
}

bool CommandWords::codeBearing() const
{
    return row_->codeOptions[0] != '\0' || row_->codeLongs[0] != '\0' || row_->kind == ReparseKind::Evaluator ||
           row_->kind == ReparseKind::FirstOperand;
}

void CommandWords::argument(const Word& w)
{
    if (findExec_ && w.known && (w.lead == ";" || w.lead == "+")) {
        findExec_ = false;
        enter(find_reparsing_command("find"), "find");
        return;
    }
    if (pending_ != Pending::None) {
        pending_ = Pending::None;
        return;
    }
    if (!row_)
        return;
    if (row_->kind == ReparseKind::Find) {
        if (w.known && is_exec_primary(w.lead)) {
            findExec_ = true;
            atCommand_ = true;
        }
        return;
    }
    if (optionsOpen_ && isOption(w.lead)) {
        if (w.known)
            option(w.lead);
        return;
    }
    // Options end at the first operand, but for commands that take them anywhere.
    if (row_->kind != ReparseKind::OptionsOnly)
        optionsOpen_ = false;
    if (row_->kind == ReparseKind::Wrapper && operands_ >= row_->operandsBefore) {
        startCommand(w);
        return;
    }
    ++operands_;
    if (row_->kind == ReparseKind::FirstOperand)
        row_ = nullptr;  // what follows is data for the code
}

void CommandWords::option(const std::string& word)
{
    if (word == "--") {
        optionsOpen_ = false;
        return;
    }
    if (word.rfind("--", 0) == 0) {
        if (word.find('=') != std::string::npos)
            return;
        const std::string name = word.substr(2);
        if (in_list(row_->codeLongs, name))
            pending_ = Pending::Code;
        else if (in_list(row_->valueLongs, name))
            pending_ = Pending::Value;
        return;
    }
    for (size_t i = 1; i < word.size(); ++i) {
        const bool code = has_letter(row_->codeOptions, word[i]);
        if (code || has_letter(row_->valueOptions, word[i])) {
            // The rest of the word is the value; without a rest, the next word is.
            if (i + 1 == word.size())
                pending_ = code ? Pending::Code : Pending::Value;
            return;
        }
    }
}

bool CommandWords::valueIsCode() const
{
    if (target_ || atCommand_)
        return false;
    if (pending_ != Pending::None)
        return pending_ == Pending::Code;
    if (!row_)
        return false;
    switch (row_->kind) {
    case ReparseKind::Find: return false;
    case ReparseKind::Evaluator: return true;
    default: break;
    }
    const std::string& lead = word_.lead;
    if (optionsOpen_ && isOption(lead)) {
        if (lead.rfind("--", 0) == 0) {
            const size_t eq = lead.find('=');
            if (eq == std::string::npos)
                return codeBearing();  // the value would name the option
            return in_list(row_->codeLongs, lead.substr(2, eq - 2));
        }
        for (size_t i = 1; i < lead.size(); ++i) {
            if (has_letter(row_->codeOptions, lead[i]))
                return true;
            if (has_letter(row_->valueOptions, lead[i]))
                return false;
        }
        return codeBearing();  // the value would stand among the option letters
    }
    return row_->kind == ReparseKind::FirstOperand;
}

bool CommandWords::valueWouldBeDescriptor() const { return word_.started && word_.digits && word_.hasValue; }
