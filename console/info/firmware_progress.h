// The console's report of a running firmware update: the erase wait box,
// then the download progress box with its time estimate.
#pragma once

#include <cstdint>
#include <memory>

#include "date_time.h"
#include "firmware_file.h"

class CProgressBox;

class CMirvaneFirmwareProgress : public IFirmwareProgress {
public:
    // Takes the start time and shows the erase wait box.
    CMirvaneFirmwareProgress();
    // Deletes the progress box if there is one.
    ~CMirvaneFirmwareProgress() override;
    CMirvaneFirmwareProgress(const CMirvaneFirmwareProgress&) = delete;
    CMirvaneFirmwareProgress& operator=(const CMirvaneFirmwareProgress&) = delete;

    // Phase 1 (erase) keeps the wait box; phase 2 shows the download.
    void Progress(int32_t phase, int32_t percent) override;

private:
    std::unique_ptr<CProgressBox> box_;
    int state_ = 1;  // 1 erasing, 2 downloading
    tui::dateTime start_;
    tui::dateTime downloadStart_;
};

// The estimated total seconds of a download `percent` done after `elapsed`
// seconds: elapsed x 100 / percent, or -1 (none) while nothing is done.
int DownloadEstimate(int elapsed, int percent);
// The current local date and time.
tui::dateTime CurrentDateTime();
// Seconds from one date and time to a later one.
int SecondsBetween(const tui::dateTime& from, const tui::dateTime& to);
