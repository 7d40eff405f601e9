// The console's screen output on a pseudo-terminal, beside bare ncurses
// writing the same cells in the same run:
//   full repaint  an 80 x 25 toolkit screen (shaded background, a list of 20
//                 lines, a message box) rebuilt alternately in colour and
//                 monochrome, so that the cells change on every repaint;
//   gauge tick    CProgressBox::Update with percent and elapsed time one
//                 higher, then Show.
// Curses draws to the pseudo-terminal (TERM=tmux-256color, LANG=C.UTF-8);
// a thread drains and counts its master side; the report goes to the
// original standard output and never enters the terminal. Counters give the
// CPU time and the bytes per repaint or tick and their ratios to the floor.
#define NCURSES_NOMACROS 1
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <ncursesw/curses.h>

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "color_pairs.h"
#include "console.h"
#include "cp437.h"
#include "dialog_list.h"
#include "dialog_screen.h"
#include "msg_box.h"
#include "progress_box.h"
#include "window.h"

namespace {

constexpr int columns = 80;
constexpr int rows = 25;
constexpr int lineCount = 20;
constexpr int gaugeStates = 100;
constexpr double repaintGoal = 1.5;  // toolkit CPU time per repaint over the floor's
constexpr double tickGoalBytes = 60;

// The master side of the terminal, drained and counted by a thread.
class ptyDrain {
public:
    bool open()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return false;
        slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (slave_ < 0)
            return false;
        winsize size{};
        size.ws_col = columns;
        size.ws_row = rows;
        ioctl(slave_, TIOCSWINSZ, &size);
        thread_ = std::thread([this] { drain(); });
        return true;
    }
    void close()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
    }
    int slave() const { return slave_; }
    // Bytes read so far, once nothing more has come for a while.
    long long settledBytes()
    {
        long long last = -1;
        while (bytes_.load() != last) {
            last = bytes_.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return last;
    }

private:
    void drain()
    {
        char buffer[65536];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0)
                continue;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes_ += n;
        }
    }

    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<long long> bytes_{0};
    std::thread thread_;
};

ptyDrain pty;
tui::window* root = nullptr;

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The background in colour and in monochrome.
const tui::frameSpec backgrounds[2] = {{0, 0x17, 0x17, 0x1F, 0xB0}, {0, 0x07, 0x07, 0x0F, 0xB0}};

ListDef listRecord = {4, 2, 0, 0, 40, lineCount, " Drives ", " F4: Drive Information ", nullptr,
                      {"Drive %2d   Ready    %6d MB"}};

// Builds the toolkit screen in a mode and puts it on the terminal.
void repaintToolkit(int mono)
{
    SetMonochromeFlag(mono);
    root->setScheme(mono);
    CListBox list(&listRecord, lineCount, 1);
    for (int i = 0; i < lineCount; ++i)
        list.SetLine(i, i, 1024 * (i + 1));
    list.Open();
    list.Show();
    tui::msgBoxStyle style;
    const uint8_t attrs[2][3] = {{0x3E, 0x37, 0x3F}, {0x07, 0x07, 0x0F}};
    style.frameAttr = attrs[mono][0];
    style.fillAttr = attrs[mono][1];
    style.textAttr = attrs[mono][2];
    style.shadow = 1;
    style.centred = 1;
    tui::msgBoxOpen("Processing input/command. Please wait...", &style, root);
    root->setAutoRefresh(1);
    root->setAutoRefresh(0);
    tui::msgBoxClose();
}

// A screen image as a bare curses program holds it: characters, attributes
// and colour pairs.
struct cursesCell {
    wchar_t ch;
    attr_t attrs;
    short pair;
};
using image = std::vector<cursesCell>;

image captureRoot()
{
    image out(static_cast<size_t>(columns) * rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const tui::cell c = root->cellAt(x, y);
            cursesCell& o = out[static_cast<size_t>(y) * columns + x];
            o.ch = static_cast<wchar_t>(tui::cp437ToUnicode(c.ch));
            o.attrs = (c.attr & tui::attrBright ? A_BOLD : 0) | (c.attr & tui::attrBlink ? A_BLINK : 0);
            o.pair = static_cast<short>(tui::colorPairFor(c.attr));
        }
    return out;
}

// Bare ncurses: every cell of an image, then one refresh.
void writeImage(const image& cells)
{
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const cursesCell& c = cells[static_cast<size_t>(y) * columns + x];
            const wchar_t text[2] = {c.ch, 0};
            cchar_t cc;
            setcchar(&cc, text, c.attrs, c.pair, nullptr);
            mvwadd_wch(stdscr, y, x, &cc);
        }
    wmove(stdscr, 0, 0);
    wrefresh(stdscr);
}

struct measure {
    double cpuPerIteration = 0;
    double bytesPerIteration = 0;
};
measure repaintFloor;
measure tickFloor;
std::vector<image> repaintImages;  // colour, monochrome
std::vector<image> tickImages;     // the screen after each gauge state

// Runs `step(i)` per iteration and records CPU time and terminal bytes.
template <class Step>
measure run(benchmark::State& state, Step step)
{
    const long long before = pty.settledBytes();
    double cpu = 0;
    long long i = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        step(i++);
        cpu += threadCpuSeconds() - start;
    }
    const long long bytes = pty.settledBytes() - before;
    measure m;
    m.cpuPerIteration = i ? cpu / static_cast<double>(i) : 0;
    m.bytesPerIteration = i ? static_cast<double>(bytes) / static_cast<double>(i) : 0;
    state.counters["cpu_us"] = m.cpuPerIteration * 1e6;
    state.counters["bytes"] = m.bytesPerIteration;
    return m;
}

void BM_RepaintFloor(benchmark::State& state)
{
    repaintFloor = run(state, [](long long i) { writeImage(repaintImages[i % 2]); });
}
BENCHMARK(BM_RepaintFloor);

void BM_RepaintToolkit(benchmark::State& state)
{
    const measure m = run(state, [](long long i) { repaintToolkit(static_cast<int>(i % 2)); });
    if (repaintFloor.cpuPerIteration > 0) {
        state.counters["cpu_ratio"] = m.cpuPerIteration / repaintFloor.cpuPerIteration;
        state.counters["cpu_goal"] = repaintGoal;
    }
    if (repaintFloor.bytesPerIteration > 0)
        state.counters["bytes_ratio"] = m.bytesPerIteration / repaintFloor.bytesPerIteration;
}
BENCHMARK(BM_RepaintToolkit);

// One gauge state: percent and elapsed seconds k.
void tick(CProgressBox& box, int k)
{
    box.Update(k, k, -1);
    box.Show();
}

void BM_GaugeTickFloor(benchmark::State& state)
{
    tickFloor = run(state, [](long long i) { writeImage(tickImages[i % gaugeStates]); });
}
BENCHMARK(BM_GaugeTickFloor);

void BM_GaugeTickToolkit(benchmark::State& state)
{
    SetMonochromeFlag(0);
    root->setScheme(0);
    CProgressBox box(&ConsoleProgress);
    box.Open();
    tick(box, gaugeStates - 1);
    const measure m = run(state, [&box](long long i) { tick(box, static_cast<int>(i % gaugeStates)); });
    state.counters["bytes_goal"] = tickGoalBytes;
    if (tickFloor.cpuPerIteration > 0)
        state.counters["cpu_ratio"] = m.cpuPerIteration / tickFloor.cpuPerIteration;
    if (tickFloor.bytesPerIteration > 0)
        state.counters["bytes_ratio"] = m.bytesPerIteration / tickFloor.bytesPerIteration;
}
BENCHMARK(BM_GaugeTickToolkit);

// The floors' images: the toolkit's screens, drawn once beforehand.
void captureImages()
{
    for (int mono = 0; mono < 2; ++mono) {
        repaintToolkit(mono);
        repaintImages.push_back(captureRoot());
    }
    SetMonochromeFlag(0);
    root->setScheme(0);
    CProgressBox box(&ConsoleProgress);
    box.Open();
    for (int k = 0; k < gaugeStates; ++k) {
        tick(box, k);
        tickImages.push_back(captureRoot());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!pty.open()) {
        std::cerr << "console_bench: no pseudo-terminal\n";
        return 1;
    }
    // The report goes where standard output went; curses gets the terminal.
    const int reportFd = dup(STDOUT_FILENO);
    std::ofstream report("/dev/fd/" + std::to_string(reportFd));
    dup2(pty.slave(), STDIN_FILENO);
    dup2(pty.slave(), STDOUT_FILENO);
    setenv("TERM", "tmux-256color", 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");

    tui::consoleInit();
    tui::cursorOff();
    auto background = std::make_unique<tui::window>(tui::rect(0, 0, columns, rows), &backgrounds[0], nullptr,
                                                    backgrounds, 2);
    root = background.get();
    root->setSaveBackground(0);
    root->setAutoRefresh(0);
    root->show();
    SetDialogScreen(root, columns, rows);
    captureImages();

    benchmark::ConsoleReporter reporter(isatty(reportFd) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                         : benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&report);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    SetDialogScreen(nullptr, 0, 0);
    background.reset();
    tui::consoleDone();
    pty.close();
    return 0;
}
