// Runs every example of the manual pages' EXAMPLES sections, read from the
// pages themselves, against the emulator's default scenario, with the
// programs of this build on the path under their own names: ostrel's in
// order as processes, mirvane's report run without a screen and its console
// in tmux, and dulm's in private namespaces with the page's own
// configuration, stopped again. Paths the examples name (/root/..., /tmp/...,
// /etc/dulm.conf) are moved into the test's own folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "daemon_sandbox.h"
#include "mirvane_session.h"
#include "program_run.h"

namespace {

using tui::testing::mirvaneSession;
using tui::testing::tmuxSession;

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The examples of one page as the reader sees them: the command lines (bold
// lines in indented blocks) and the files (the plain lines of no-fill blocks).
struct PageExamples {
    std::vector<std::string> commands;
    std::vector<std::string> files;
    std::string error;  // what could not be read; empty when all went well
};

// A line of the page's source as the reader sees it: "\-" is a hyphen. Any
// other escape is one this reader does not know; false then, so that no
// command runs that differs from what the page shows.
bool unescape(const std::string& line, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\')
            out += line[i];
        else if (i + 1 < line.size() && line[i + 1] == '-')
            out += line[++i];
        else
            return false;
    }
    return true;
}

// The EXAMPLES section of a page; every command must be one of `program`.
PageExamples examplesOf(const std::string& program)
{
    const std::string page = std::string(MAN_DIR) + "/" + program + ".8";
    PageExamples ex;
    std::istringstream in(readText(page));
    bool inSection = false, indented = false, noFill = false;
    std::string line, text, file;
    while (std::getline(in, line)) {
        if (line.starts_with(".SH ")) {
            inSection = line == ".SH EXAMPLES";
        } else if (!inSection) {
        } else if (line == ".RS" || line == ".RE") {
            indented = line == ".RS";
        } else if (line == ".nf" || line == ".fi") {
            noFill = line == ".nf";
            if (!noFill && !file.empty())
                ex.files.push_back(std::exchange(file, ""));
        } else if (indented && line.starts_with(".B ")) {
            if (!unescape(line.substr(3), text))
                ex.error = "an escape the test does not know: " + line;
            else if (!text.starts_with(program + " "))
                ex.error = "an example of another program in " + page + ": " + text;
            else
                ex.commands.push_back(text);
        } else if (noFill) {
            if (line.starts_with(".") || !unescape(line, text))
                ex.error = "a line the test does not know in a file: " + line;
            else
                file += text + "\n";
        }
    }
    if (ex.commands.empty() && ex.error.empty())
        ex.error = "no examples in " + page;
    return ex;
}

// A scratch folder: a bin folder that puts this build's programs on the
// path under their own names, the folders that stand for /root and /tmp,
// and the working folder the examples run in.
class ExampleFolder {
public:
    ExampleFolder()
    {
        char tmpl[] = "/tmp/kzm_man_examples_XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        dir_ = tmpl;
        for (const char* sub : {"bin", "root", "tmp", "cwd"})
            std::filesystem::create_directory(dir_ + "/" + sub);
        const std::pair<const char*, const char*> programs[] = {
            {"ostrel", OSTREL_PATH}, {"mirvane", MIRVANE_PATH}, {"dulm", DULM_PATH}, {"kzmsim", KZMSIM_PATH}};
        for (const auto& [name, target] : programs)
            std::filesystem::create_symlink(target, dir_ + "/bin/" + name);
    }
    ~ExampleFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ExampleFolder(const ExampleFolder&) = delete;
    ExampleFolder& operator=(const ExampleFolder&) = delete;

    bool ok() const { return !dir_.empty(); }
    // The command with each path that begins with a key of `moves` (after a
    // blank, a ':' or at the start) moved to the key's value.
    static std::string moved(const std::string& command, const std::vector<std::pair<std::string, std::string>>& moves)
    {
        std::string out;
        for (size_t i = 0; i < command.size();) {
            bool done = false;
            if (i == 0 || command[i - 1] == ' ' || command[i - 1] == ':')
                for (const auto& [from, to] : moves)
                    if (command.compare(i, from.size(), from) == 0) {
                        out += to;
                        i += from.size();
                        done = true;
                        break;
                    }
            if (!done)
                out += command[i++];
        }
        return out;
    }
    // The command with its /root and /tmp paths moved into the folder.
    std::string mapped(const std::string& command) const
    {
        return moved(command, {{"/root/", dir_ + "/root/"}, {"/tmp/", dir_ + "/tmp/"}});
    }
    // A path within the folder.
    std::string path(const std::string& rel) const { return dir_ + "/" + rel; }
    // The words that run a command line under sh in the working folder.
    std::vector<std::string> shell(const std::string& command) const
    {
        return {"/bin/sh", "-c", "cd \"$0\" && " + command, dir_ + "/cwd"};
    }
    // The environment words: this build's programs first on the path, the emulator's root.
    std::vector<std::string> environment(const std::string& procRoot) const
    {
        return {"PATH=" + dir_ + "/bin:" + std::getenv("PATH"), "KZMH_PROC_ROOT=" + procRoot};
    }

private:
    std::string dir_;
};

// The value of the parameter word `word` ("-FW:") in a command; empty when it has none.
std::string valueOf(const std::string& command, const std::string& word)
{
    const size_t at = command.find(" " + word);
    if (at == std::string::npos)
        return "";
    const size_t from = at + 1 + word.size();
    return command.substr(from, command.find(' ', from) - from);
}

// The fixture mounts the emulator and brings the console session, which the
// tool's and the service's examples do not use.
class ManPageExamples : public mirvaneSession {
protected:
    // Reads the page's examples, mounts the emulator and makes the scratch folder.
    void prepare(const std::string& program)
    {
        ex = examplesOf(program);
        ASSERT_EQ(ex.error, "");
        ASSERT_NO_FATAL_FAILURE(mount());
        folder = std::make_unique<ExampleFolder>();
        ASSERT_TRUE(folder->ok());
    }

    PageExamples ex;
    std::unique_ptr<ExampleFolder> folder;
};

TEST_F(ManPageExamples, OstrelExamplesRunInOrder)
{
    ASSERT_NO_FATAL_FAILURE(prepare("ostrel"));
    for (const std::string& example : ex.commands) {
        SCOPED_TRACE(example);
        const std::string command = folder->mapped(example);
        // A firmware update needs the image it names: the emulator writes one
        // for the default scenario's first controller under that name.
        if (const std::string image = valueOf(command, "-FW:"); !image.empty()) {
            const ProgramResult made = RunProgram({KZMSIM_PATH, "--image", image, "34.02"});
            ASSERT_EQ(made.exitCode, 0) << made.err;
        }
        const ProgramResult r = RunProgram(folder->shell(command), folder->environment(sim->root()));
        EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.out << r.err;
    }
}

// mirvane's examples: a report run without a screen, the console in tmux.
TEST_F(ManPageExamples, MirvaneExamplesRun)
{
    ASSERT_NO_FATAL_FAILURE(prepare("mirvane"));
    for (const std::string& example : ex.commands) {
        SCOPED_TRACE(example);
        const std::string command = folder->mapped(example);
        if (const size_t at = command.find(" -SAVEINFO"); at != std::string::npos) {
            // The report of the controller the switch names goes to the file it names.
            const std::string sw = command.substr(at + 1, command.find(' ', at + 1) - at - 1);
            const size_t colon = sw.find(':');
            ASSERT_NE(colon, std::string::npos) << "the example names no file";
            std::string file = sw.substr(colon + 1);
            if (!file.starts_with("/"))
                file = folder->path("cwd/" + file);
            // The default scenario's controllers, by the digit after the switch (none: 0).
            const char* const types[] = {"KZM8530RZ", "KZM6117RD"};
            const std::string type = types[sw[9] == '1' ? 1 : 0];
            const ProgramResult r = RunProgram(folder->shell(command), folder->environment(sim->root()));
            EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
            EXPECT_NE(readText(file).find("Type:             " + type), std::string::npos) << readText(file);
            continue;
        }
        // The console, in administrator mode when the example asks for it
        // (the controller list then shows the serial numbers), ended with ESC and Y.
        std::string line;
        for (const std::string& word : folder->environment(sim->root()))
            line += tmuxSession::quote(word) + " ";
        tmux = std::make_unique<tmuxSession>("env " + line + "sh -c " +
                                             tmuxSession::quote("cd " + tmuxSession::quote(folder->path("cwd")) + " && exec " + command));
        ASSERT_TRUE(tmux->started());
        ASSERT_NO_FATAL_FAILURE(toList());
        EXPECT_TRUE(tmux->waitFor("KZM6117RD")) << tmux->capture();
        EXPECT_EQ(shows("Serial No"), command.find("-QUENTRAX") != std::string::npos) << tmux->capture();
        ASSERT_NO_FATAL_FAILURE(quitFromList());
        tmux.reset();
    }
}

TEST_F(ManPageExamples, DulmExamplesStartAndStop)
{
    ASSERT_NO_FATAL_FAILURE(prepare("dulm"));
    // The page's configuration is the sample's, without its comments.
    ASSERT_EQ(ex.files.size(), 1u);
    std::istringstream sample(readText(DULM_CONF_EXAMPLE));
    std::string expected, line;
    while (std::getline(sample, line))
        if (!line.empty() && line[0] != '#')
            expected += line + "\n";
    EXPECT_EQ(ex.files[0], expected);

    for (const std::string& example : ex.commands) {
        SCOPED_TRACE(example);
        DaemonSandbox box;
        box.config = ex.files[0];  // the sandbox's dulm.conf stands for /etc/dulm.conf
        // The accounts the configuration names: its users and the command's user.
        box.passwd = "root:x:0:0:root:/root:/bin/sh\noperator:x:1000:1000::/home/operator:/bin/sh\n"
                     "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n";
        box.group = "root:x:0:\noperator:x:1000:\nnogroup:x:65534:\n";
        box.shadow = "root:*:19000:0:99999:7:::\noperator:*:19000:0:99999:7:::\nnobody:*:19000:0:99999:7:::\n";
        box.procRoot = sim->root();
        const std::string command = ExampleFolder::moved(example, {{"/etc/dulm.conf", box.path("dulm.conf")}});
        std::vector<std::string> args;
        std::istringstream words(command.substr(std::string("dulm ").size()));
        for (std::string w; words >> w;)
            args.push_back(w);
        ASSERT_TRUE(box.start(args, false));
        ASSERT_EQ(box.foregroundExit(), 0) << box.standardError();
        ASSERT_TRUE(box.waitForRecord("Startup.")) << box.standardError();
        if (command.find(" -l 2") != std::string::npos) {
            EXPECT_TRUE(box.waitForRecord("2 controller(s) found."));  // a record of level 2
        }
        const int client = box.connectFrom("127.0.0.1");
        EXPECT_GE(client, 0) << "the service does not accept a local console";
        if (client >= 0)
            close(client);
        ASSERT_TRUE(box.signalService(SIGTERM));
        EXPECT_EQ(box.serviceExit(), 0) << box.standardError();
        EXPECT_TRUE(box.waitForRecord("Shutdown."));
    }
}

}  // namespace
