// CStatWindow: what every statistics window shares: its bars, the sample
// period, the frame of the sample loop, the log file and the status line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "stat_bar.h"
#include "window.h"

class CController;

// Kinds of statistics windows.
enum StatWindowKind { statPhysical, statLogical, statHost, statCache, statDriver };
constexpr int statBarSlots = 256;

class CStatWindow : public tui::window {
public:
    CStatWindow(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    ~CStatWindow() override;

    // Builds the window for the controller; 1 when built.
    virtual int Setup(CController& controller, int kind, int period) = 0;
    // Samples until the user presses ESC.
    virtual void Run() = 0;
    // Opens the window, asks for the log file when logging.
    virtual void Begin();
    // Closes the window and the log file, restores the status line.
    virtual void End();
    // Log file lines.
    virtual void WriteLogHeader() = 0;
    virtual void WriteLogRow() = 0;
    virtual void WriteLogTrailer() {}
    // The console's status window line.
    virtual void ShowStatus() = 0;

    void SetLogging(int flag) { logging_ = flag; }
    // The log file name from the "Logfile: " box, or null when logging was switched off.
    const char* AskLogFile();
    void SetRate(int period) { period_ = period; }
    int BarCount() const { return static_cast<int>(bars_.size()); }
    int Period() const { return period_; }
    int Logging() const { return logging_; }
    int SampleCount() const { return samples_; }
    CStatBar* Bar(int i) const { return bars_[static_cast<size_t>(i)].get(); }

protected:
    // Adds a bar while slots are free; the bar, or null (it is then deleted).
    CStatBar* AddBar(std::unique_ptr<CStatBar> bar);
    // Sleeps up to the period in steps of 100 ms, handing each waiting key
    // to OnKey; true when ESC was among them.
    bool WaitPeriod();
    // A key other than ESC read between two sleeps.
    virtual void OnKey(int) {}
    // Clears the window and writes the title centred in row 0.
    void PaintTitle();
    // The three lines every log header begins with.
    void WriteLogIntro();
    // "Ctr: ... on ..." pieces: the controller's type name, the machine's name.
    const char* TypeName() const;
    const char* MachineName() const;
    // The log file's first column: the interval since the last logged sample.
    void WriteLogInterval(uint32_t sampleTime);

    const char* title_ = "";
    std::vector<std::unique_ptr<CStatBar>> bars_;
    CController* controller_ = nullptr;
    int kind_ = statPhysical;
    int period_ = 20;
    int samples_ = 0;
    int logging_ = 0;
    FILE* log_ = nullptr;
    uint32_t lastLogged_ = 0;
    char defaultName_[13] = {};

private:
    int rootAutoRefresh_ = 0;
};
