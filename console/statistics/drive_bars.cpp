#include "drive_bars.h"

#include <cstdio>

#include "byte_order.h"
#include "controller.h"
#include "frame_styles.h"
#include "host_drive_statistics.h"
#include "statistics_settings.h"

namespace {

constexpr int labelColumn = 10;
constexpr int scaleCellsPerTick = 5;

DriveCounters PhysCounters(const DiskStatSample& s)
{
    return {s.counters[2], s.counters[3], s.counters[4], s.counters[5]};
}

DriveCounters LogCounters(const DriveStatSample& s)
{
    return {s.counters[1], s.counters[2], s.counters[3], s.counters[4]};
}

}  // namespace

bool ComputeDriveRates(uint32_t d, uint32_t multiplier, const DriveCounters& now, const DriveCounters& before,
                       DriveRates& rates)
{
    if (d == 0)
        return false;
    rates.readKb = (now.blocksRead - before.blocksRead) * multiplier / d;
    rates.writeKb = (now.blocksWritten - before.blocksWritten) * multiplier / d;
    rates.readOps = (now.readOps - before.readOps) * 1000u / d;
    rates.writeOps = (now.writeOps - before.writeOps) * 1000u / d;
    return true;
}

unsigned ShownLogicalNumber(unsigned number)
{
    return (number & 0x8000u) != 0 ? (number & 0x7FFFu) + 255u : number;
}

unsigned long SizeInMb(uint32_t blocks, uint32_t blockSize)
{
    return static_cast<unsigned long>(blocks / 1024) * blockSize / 1024;
}

CDrvBar::CDrvBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CStatBar(area, frame, StatisticsBar(1), parent), scale_(StatSettings().scaleIndex)
{
    SetScale(scale_);
}

void CDrvBar::paint()
{
    const int autoRefresh = window::autoRefresh();
    setAutoRefresh(0);
    clear(tui::rect(0, 0, cellsWidth(), cellsHeight()));
    char line[48];
    std::snprintf(line, sizeof line, "Read:    %5lu %5lu", static_cast<unsigned long>(readKb_),
                  static_cast<unsigned long>(readOps_));
    write(0, 0, line, colors_[0]);
    std::snprintf(line, sizeof line, "Write:   %5lu %5lu", static_cast<unsigned long>(writeKb_),
                  static_cast<unsigned long>(writeOps_));
    write(0, 1, line, colors_[1]);
    write(labelColumn, 2, label_, colors_[2]);
    PaintBars();
    setAutoRefresh(autoRefresh);
}

void CDrvBar::SetScale(int index)
{
    scale_ = index;
    const uint32_t range = static_cast<uint32_t>(Bar1()->cellsWidth()) * ScaleValue(index) / scaleCellsPerTick;
    Bar1()->SetRange(range);
    if (Bar2())
        Bar2()->SetRange(range);
    paint();
}

void CDrvBar::TakeSample(uint32_t milliseconds, uint32_t multiplier, const DriveCounters& now,
                         const DriveCounters& before)
{
    DriveRates r{};
    if (!ComputeDriveRates(milliseconds - lastSample_, multiplier, now, before, r))
        return;
    SetRates(r);
    lastSample_ = milliseconds;
}

void CDrvBar::SetRates(const DriveRates& r)
{
    readKb_ = r.readKb;
    writeKb_ = r.writeKb;
    readOps_ = r.readOps;
    writeOps_ = r.writeOps;
    Bar1()->SetValue(readKb_);
    if (Bar2())
        Bar2()->SetValue(writeKb_);
    paint();
}

CPhysBar::CPhysBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CPhysDrive& drive)
    : CDrvBar(area, frame, parent), drive_(drive)
{
}

void CPhysBar::Attach()
{
    const uint8_t* info = drive_.GetInfo();
    const uint32_t blockSize = wire::get16(info, DEVINFO_BLOCK_SIZE);
    const char* channel = "";
    if (drive_.controller != nullptr && drive_.channel >= 0 && drive_.channel < CONTROLLER_MAX_CHANNELS)
        channel = drive_.controller->channels[drive_.channel].name;
    char text[128];
    std::snprintf(text, sizeof text, "%s ID:%-3s %-8s  Size: %6lu MB", channel, drive_.GetPosition(),
                  DeviceName(drive_), SizeInMb(wire::get32(info, DEVINFO_CAPACITY), blockSize));
    SetLabel(text);
    multiplier_ = blockSize;
    lastSample_ = drive_.GetSample(DISK_SAMPLE_CURRENT)->milliseconds;
    paint();
}

void CPhysBar::Sample()
{
    const DiskStatSample& now = *drive_.GetSample(DISK_SAMPLE_CURRENT);
    const DiskStatSample& before = *drive_.GetSample(DISK_SAMPLE_PREVIOUS);
    TakeSample(now.milliseconds, before.counters[1], PhysCounters(now), PhysCounters(before));
}

const char* CPhysBar::DriveName() const
{
    return DeviceName(drive_);
}

CLogBar::CLogBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CLogDrive& drive)
    : CDrvBar(area, frame, parent), drive_(drive)
{
}

void CLogBar::Attach()
{
    char name[DRIVE_NAME_SIZE + 1] = {};
    std::snprintf(name, sizeof name, "%.*s", static_cast<int>(DRIVE_NAME_SIZE), drive_.GetName());
    char text[128];
    std::snprintf(text, sizeof text, "Log. Drive: %-3u Name: %-8s  Size: %6lu MB",
                  ShownLogicalNumber(static_cast<uint16_t>(drive_.driveNumber)), name,
                  SizeInMb(wire::get32(drive_.GetInfo(), LDINFO_CAPACITY), multiplier_));
    SetLabel(text);
    lastSample_ = drive_.GetSample(DRIVE_SAMPLE_CURRENT)->milliseconds;
    paint();
}

void CLogBar::Sample()
{
    const DriveStatSample& now = *drive_.GetSample(DRIVE_SAMPLE_CURRENT);
    const DriveStatSample& before = *drive_.GetSample(DRIVE_SAMPLE_PREVIOUS);
    TakeSample(now.milliseconds, multiplier_, LogCounters(now), LogCounters(before));
}

const char* CLogBar::DriveName() const
{
    return drive_.GetName();
}

CHostBar::CHostBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent, const CHostDrive& drive)
    : CDrvBar(area, frame, parent), drive_(drive)
{
}

void CHostBar::Attach()
{
    const HostDriveStatView v = HostDriveStatistics(drive_);
    char text[128];
    std::snprintf(text, sizeof text, "Host Drive: %3u Name: %s  Size: %6lu MB", static_cast<unsigned>(v.number), v.name,
                  static_cast<unsigned long>(v.sectors / 2048));
    SetLabel(text);
    lastSample_ = v.current ? v.current->milliseconds : 0;
    paint();
}

void CHostBar::Sample()
{
    const HostDriveStatView v = HostDriveStatistics(drive_);
    if (v.current && v.previous)
        TakeSample(v.current->milliseconds, multiplier_, LogCounters(*v.current), LogCounters(*v.previous));
}

const char* CHostBar::DriveName() const
{
    return HostDriveStatistics(drive_).name;
}

CSumDrvBar::CSumDrvBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CDrvBar(area, frame, parent)
{
    SetLabel("TOTAL");
}

void CSumDrvBar::Sample()
{
    DriveRates sum{};
    for (const CDrvBar* bar : bars_) {
        sum.readKb += bar->Bar1()->Value();
        sum.writeKb += bar->Bar2() ? bar->Bar2()->Value() : 0;
        sum.readOps += bar->ReadOps();
        sum.writeOps += bar->WriteOps();
    }
    SetRates(sum);
}
