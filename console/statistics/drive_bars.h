// Drive bars of the drive statistics windows: CDrvBar with its rates, and
// its kinds CPhysBar (a disk), CLogBar (a logical drive), CHostBar (a host
// drive) and CSumDrvBar (the TOTAL of a window's drive bars).
#pragma once

#include <cstdint>
#include <vector>

#include "stat_bar.h"

class CPhysDrive;
class CLogDrive;
class CHostDrive;

// Counters of two samples, in this order: read operations, write
// operations, blocks read, blocks written.
struct DriveCounters {
    uint32_t readOps;
    uint32_t writeOps;
    uint32_t blocksRead;
    uint32_t blocksWritten;
};

// Rates of an interval of d milliseconds.
struct DriveRates {
    uint32_t readKb;
    uint32_t writeKb;
    uint32_t readOps;
    uint32_t writeOps;
};

// The rates between two samples d milliseconds apart, in unsigned 32-bit
// arithmetic (counters that wrapped count on); false when d is 0.
bool ComputeDriveRates(uint32_t d, uint32_t multiplier, const DriveCounters& now, const DriveCounters& before,
                       DriveRates& rates);
// A logical drive number as shown: bit 15 set gives its low 15 bits plus 255.
unsigned ShownLogicalNumber(unsigned number);
// Block count / 1024 x block size / 1024.
unsigned long SizeInMb(uint32_t blocks, uint32_t blockSize);

class CDrvBar : public CStatBar {
public:
    // A three-row pair in statistics bar record 1 at the current scale.
    CDrvBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    // The two rate lines, the label, the bars.
    void paint() override;
    // The drive's name; null here.
    virtual const char* DriveName() const { return nullptr; }
    // Both ranges become bar width x ScaleValue(index) / 5; repaints.
    void SetScale(int index);
    int Scale() const { return scale_; }
    uint32_t LastTime() const override { return lastSample_; }
    uint32_t ReadRate() const { return readKb_; }
    uint32_t WriteRate() const { return writeKb_; }
    uint32_t ReadOps() const { return readOps_; }
    uint32_t WriteOps() const { return writeOps_; }

protected:
    // Takes the rates between two samples (nothing when no time passed).
    void TakeSample(uint32_t milliseconds, uint32_t multiplier, const DriveCounters& now, const DriveCounters& before);
    // Shows rates as they are (the TOTAL's sums).
    void SetRates(const DriveRates& r);

    uint32_t lastSample_ = 0;
    uint32_t multiplier_ = 512;

private:
    int scale_;
    uint32_t readKb_ = 0;
    uint32_t writeKb_ = 0;
    uint32_t readOps_ = 0;
    uint32_t writeOps_ = 0;
};

class CPhysBar : public CDrvBar {
public:
    CPhysBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CPhysDrive& drive);
    void Attach() override;
    void Sample() override;
    const char* DriveName() const override;

private:
    const CPhysDrive& drive_;
};

class CLogBar : public CDrvBar {
public:
    CLogBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CLogDrive& drive);
    void Attach() override;
    void Sample() override;
    const char* DriveName() const override;

private:
    const CLogDrive& drive_;
};

class CHostBar : public CDrvBar {
public:
    CHostBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CHostDrive& drive);
    void Attach() override;
    void Sample() override;
    const char* DriveName() const override;

private:
    const CHostDrive& drive_;
};

class CSumDrvBar : public CDrvBar {
public:
    CSumDrvBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    // Adds a drive bar to the sums.
    void Add(CDrvBar* bar) { bars_.push_back(bar); }
    // The sums of the list's rates.
    void Sample() override;

private:
    std::vector<CDrvBar*> bars_;
};
