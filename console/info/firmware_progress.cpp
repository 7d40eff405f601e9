#include "firmware_progress.h"

#include "dialog_screen.h"
#include "message_boxes.h"
#include "progress_box.h"

namespace {

constexpr int erasePhase = 1;
constexpr int downloadPhase = 2;

ProgressDef downloadProgress = {15, 8, 0, 50, nullptr, nullptr};

}  // namespace

int DownloadEstimate(int elapsed, int percent)
{
    if (percent <= 0)
        return -1;
    return static_cast<int>(static_cast<long long>(elapsed) * 100 / percent);
}

tui::dateTime CurrentDateTime()
{
    tui::date d;
    d.today();
    tui::dayTime t;
    t.now();
    return tui::dateTime(d, t);
}

int SecondsBetween(const tui::dateTime& from, const tui::dateTime& to)
{
    return static_cast<int>((to.day().dayNumber() - from.day().dayNumber()) * 86400 +
                            (to.time().seconds() - from.time().seconds()));
}

CMirvaneFirmwareProgress::CMirvaneFirmwareProgress()
    : start_(CurrentDateTime()), downloadStart_(start_)
{
    ShowWaitBox("Erasing existing firmware...\nDo not interrupt this process!", 0);
}

CMirvaneFirmwareProgress::~CMirvaneFirmwareProgress() = default;

void CMirvaneFirmwareProgress::Progress(int32_t phase, int32_t percent)
{
    if (phase == erasePhase || phase != downloadPhase)
        return;
    if (percent >= 100) {
        box_.reset();
        // The terminal loses the box at once, not with the next dialog.
        const int was = RootAutoRefresh();
        SetRootAutoRefresh(1);
        SetRootAutoRefresh(was);
        return;
    }
    if (state_ == 1) {
        downloadStart_ = CurrentDateTime();
        state_ = 2;
        CloseWaitBox();
        box_ = std::make_unique<CProgressBox>(&downloadProgress);
        box_->Open(" Downloading new flash... ", " Do not interrupt this process! ");
    }
    if (!box_)
        return;
    const int elapsed = SecondsBetween(downloadStart_, CurrentDateTime());
    box_->Update(percent, elapsed, DownloadEstimate(elapsed, percent));
    box_->Show();
}
