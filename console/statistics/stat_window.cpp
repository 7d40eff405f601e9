#include "stat_window.h"

#include <cstring>
#include <ctime>

#include "console.h"
#include "console_screen.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_colors.h"
#include "host_system.h"
#include "input_box.h"
#include "pause.h"

namespace {

constexpr int sleepMs = 100;
constexpr int logNameLength = 64;

}  // namespace

CStatWindow::CStatWindow(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : window(area, frame, parent)
{
}

CStatWindow::~CStatWindow()
{
    if (log_)
        std::fclose(log_);
}

CStatBar* CStatWindow::AddBar(std::unique_ptr<CStatBar> bar)
{
    if (bars_.size() >= statBarSlots)
        return nullptr;
    bars_.push_back(std::move(bar));
    return bars_.back().get();
}

const char* CStatWindow::AskLogFile()
{
    static char name[logNameLength + 1];
    std::strncpy(name, defaultName_, sizeof name - 1);
    name[sizeof name - 1] = '\0';
    InputDef def = {1, 11, 0, "Logfile: ", logNameLength};
    int key = tui::keyEsc;
    {
        CInputBox box(&def);
        if (box.Open(nullptr, nullptr)) {
            box.Edit(name);
            key = box.LastKey();
        }
    }
    if (key == tui::keyEsc || name[0] == '\0') {
        logging_ = 0;
        return nullptr;
    }
    return name;
}

void CStatWindow::Begin()
{
    samples_ = 0;
    show();
    if (parent()) {
        rootAutoRefresh_ = parent()->autoRefresh();
        parent()->setAutoRefresh(1);
    }
    paint();
    SetStatusLine(0, "");
    ShowStatusWindowText(0, "");
    ShowStatus();
    if (logging_) {
        const char* name = AskLogFile();
        log_ = name ? std::fopen(name, "w") : nullptr;
        if (log_) {
            WriteLogHeader();
            controller_->UpdateStatistics(1);
        } else {
            logging_ = 0;
        }
    }
    if (!bars_.empty())
        lastLogged_ = bars_.front()->LastTime();
}

void CStatWindow::End()
{
    hide();
    if (logging_ && log_) {
        WriteLogTrailer();
        std::fclose(log_);
        log_ = nullptr;
    }
    SetStatusLine(1, nullptr);
    if (parent())
        parent()->setAutoRefresh(rootAutoRefresh_);
}

bool CStatWindow::WaitPeriod()
{
    bool end = false;
    for (int i = 0; i < period_ && !end; ++i) {
        ModelPauseMs(sleepMs);
        while (tui::keyPressed()) {
            const int key = tui::readKey();
            if (key == tui::keyEsc)
                end = true;
            else
                OnKey(key);
        }
    }
    return end;
}

void CStatWindow::PaintTitle()
{
    clear(tui::rect(0, 0, cellsWidth(), cellsHeight()));
    write((cellsWidth() - static_cast<int>(std::strlen(title_))) / 2, 0, title_, ColorSet(schemeDialog)[colorText]);
}

const char* CStatWindow::TypeName() const
{
    return controller_ ? controller_->info.typeName : "";
}

const char* CStatWindow::MachineName() const
{
    const CHostSystem* machine = CurrentMachine();
    return machine ? machine->name : "";
}

void CStatWindow::WriteLogIntro()
{
    const std::time_t now = std::time(nullptr);
    char date[32] = "";
    ctime_r(&now, date);
    std::fprintf(log_, "%s\n\n", title_);
    std::fprintf(log_, "Controller: %s on %s\n", TypeName(), MachineName());
    std::fprintf(log_, "Time:       %s\n", date);
}

void CStatWindow::WriteLogInterval(uint32_t sampleTime)
{
    std::fprintf(log_, "%10lu", static_cast<unsigned long>(sampleTime - lastLogged_));
    lastLogged_ = sampleTime;
}
