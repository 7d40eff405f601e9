#include "cache_bars.h"

#include <cstdio>

#include "byte_order.h"
#include "controller.h"
#include "frame_styles.h"
#include "str_printf.h"

namespace {

constexpr StatBarLayout cacheLayout = {23, 30, 2};
constexpr size_t sampleMilliseconds = 4;
constexpr size_t sampleLayoutFlag = 8;
constexpr size_t lineFormatLimit = 40;

// Offsets of one half's fields in a cache sample, in CacheHalfValues order.
struct HalfOffsets {
    size_t at[13];
};
constexpr HalfOffsets dataCounted = {{12, 16, 24, 28, 40, 44, 48, 52, 56, 60, 72, 84, 88}};
constexpr HalfOffsets dataOlder = {{12, 16, 24, 28, 40, 44, 188, 192, 48, 52, 60, 64, 68}};
constexpr HalfOffsets parityHalf = {{100, 104, 112, 116, 128, 132, 136, 140, 144, 148, 160, 172, 176}};

}  // namespace

CacheHalfValues CacheHalf(const uint8_t* sample, int parity)
{
    const HalfOffsets& o =
        parity ? parityHalf : (wire::get32(sample, sampleLayoutFlag) != 0 ? dataCounted : dataOlder);
    uint32_t v[13];
    for (int k = 0; k < 13; ++k)
        v[k] = wire::get32(sample, o.at[k]);
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12]};
}

uint32_t HitPercentage(uint32_t hitsNow, uint32_t hitsBefore, uint32_t requestsNow, uint32_t requestsBefore,
                       int* skip)
{
    const uint32_t requests = requestsNow - requestsBefore;
    *skip = requests == 0 ? 1 : 0;
    return requests == 0 ? 0 : (hitsNow - hitsBefore) * 100u / requests;
}

CCacheBar::CCacheBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent)
    : CStatBar(area, frame, colors, parent, cacheLayout)
{
    Bar1()->SetRange(100);
    if (Bar2())
        Bar2()->SetRange(100);
}

void CCacheBar::Bind(CController* controller)
{
    controller_ = controller;
    Sample();
}

void CCacheBar::SetLineFormat(int line, const char* text)
{
    if (line == 0 || line == 1)
        formats_[line] = std::string(text ? text : "").substr(0, lineFormatLimit);
}

void CCacheBar::Update(uint32_t percentage, int skip)
{
    Bar1()->SetValue(percentage);
    if (skip)
        return;
    if (++count_ == 0) {
        count_ = 1;
        sum_ = 0;
    }
    sum_ += percentage;
    if (Bar2())
        Bar2()->SetValue(sum_ / count_);
}

void CCacheBar::paint()
{
    const int autoRefresh = window::autoRefresh();
    setAutoRefresh(0);
    clear(tui::rect(0, 0, cellsWidth(), cellsHeight()));
    char line[64];
    tui::strPrintf(line, formats_[0].c_str(), shown_);
    write(0, 0, line, colors_[0]);
    std::snprintf(line, sizeof line, "%3d%%", static_cast<int>(Bar1()->Value()));
    write(cellsWidth() - 5, 0, line, colors_[0]);
    if (Bar2() && cellsHeight() >= 2) {
        write(0, 1, formats_[1], colors_[1]);
        std::snprintf(line, sizeof line, "%3d%%", static_cast<int>(Bar2()->Value()));
        write(cellsWidth() - 5, 1, line, colors_[1]);
    }
    PaintBars();
    setAutoRefresh(autoRefresh);
}

void CCacheBar::Halves(CacheHalfValues& now, CacheHalfValues& before, CacheHalfValues& base) const
{
    now = CacheHalf(controller_->CacheSample(CACHE_SAMPLE_CURRENT), parity_);
    before = CacheHalf(controller_->CacheSample(CACHE_SAMPLE_PREVIOUS), parity_);
    base = CacheHalf(controller_->CacheSample(CACHE_SAMPLE_BASE), parity_);
}

void CCacheBar::Finish(uint32_t shown, uint32_t replacements, uint32_t flushWrites, uint32_t cacheWrites,
                       uint32_t percentage, int skip)
{
    shown_ = shown;
    replacements_ = replacements;
    flushWrites_ = flushWrites;
    cacheWrites_ = cacheWrites;
    Update(percentage, skip);
    paint();
    sampleTime_ = wire::get32(controller_->CacheSample(CACHE_SAMPLE_CURRENT), sampleMilliseconds);
}

CReadCacheBar::CReadCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CCacheBar(area, frame, StatisticsBar(2), parent)
{
    SetLineFormat(0, "Read  Hits: %9lu");
    SetLineFormat(1, "Read  Hits: (average)");
}

void CReadCacheBar::Sample()
{
    if (!controller_)
        return;
    CacheHalfValues now{}, before{}, base{};
    Halves(now, before, base);
    cacheOn_ = now.cacheOn;
    delayedWrite_ = now.delayedWrite;
    bufferBytes_ = now.bufferSectors * 512;
    maxBuffers_ = now.maxBuffers;
    usedBuffers_ = now.usedBuffers;
    int skip = 0;
    const uint32_t pct = HitPercentage(now.readHits, before.readHits, now.readRequests, before.readRequests, &skip);
    const CacheHalfValues& end = CountersEnd(now, before);
    Finish(end.readHits - base.readHits, end.replacements - base.replacements, end.flushWrites - base.flushWrites,
           end.cacheWrites - base.cacheWrites, pct, skip);
}

CWriteCacheBar::CWriteCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CCacheBar(area, frame, StatisticsBar(3), parent)
{
    SetLineFormat(0, "Write Hits: %9lu");
    SetLineFormat(1, "Write Hits: (average)");
}

void CWriteCacheBar::Sample()
{
    if (!controller_)
        return;
    CacheHalfValues now{}, before{}, base{};
    Halves(now, before, base);
    int skip = 0;
    const uint32_t pct =
        HitPercentage(now.writeHits, before.writeHits, now.writeRequests, before.writeRequests, &skip);
    const CacheHalfValues& end = CountersEnd(now, before);
    Finish(end.writeHits - base.writeHits, end.replacements - base.replacements, end.flushWrites - base.flushWrites,
           end.cacheWrites - base.cacheWrites, pct, skip);
}

CDirtyCacheBar::CDirtyCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CCacheBar(area, frame, StatisticsBar(4), parent)
{
    SetLineFormat(0, "Dirty Buffers: %6lu");
    SetLineFormat(1, "Dirty Hits: (average)");
}

void CDirtyCacheBar::Sample()
{
    if (!controller_)
        return;
    const CacheHalfValues now = CacheHalf(controller_->CacheSample(CACHE_SAMPLE_CURRENT), parity_);
    const uint32_t pct =
        now.usedBuffers == 0 ? 0 : static_cast<uint32_t>(uint64_t{now.dirtyBuffers} * 100 / now.usedBuffers);
    Finish(now.dirtyBuffers, now.replacements, now.flushWrites, now.cacheWrites, pct, 0);
}
