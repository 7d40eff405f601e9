// Cache bars of the cache statistics windows: CCacheBar, a percentage with
// its running average, and its kinds CReadCacheBar, CWriteCacheBar and
// CDirtyCacheBar.
#pragma once

#include <cstdint>
#include <string>

#include "stat_bar.h"

class CController;

// What a cache bar reads of one half (data or parity) of three cache samples.
struct CacheHalfValues {
    uint32_t cacheOn, delayedWrite, bufferSectors, maxBuffers, usedBuffers, dirtyBuffers;
    uint32_t readRequests, writeRequests, readHits, writeHits, replacements, cacheWrites, flushWrites;
};
// The values of a half of a cache sample (196 bytes); the data half's
// counters lie where the sample's layout flag says.
CacheHalfValues CacheHalf(const uint8_t* sample, int parity);
// Hits x 100 / requests of an interval; *skip = 1 when there were no requests (then 0).
uint32_t HitPercentage(uint32_t hitsNow, uint32_t hitsBefore, uint32_t requestsNow, uint32_t requestsBefore,
                       int* skip);

class CCacheBar : public CStatBar {
public:
    // Bars at column 23, width - 30, the second from two rows on; ranges 100.
    CCacheBar(const tui::rect& area, const tui::frameSpec* frame, const uint8_t* colors, tui::window* parent);

    // The count line, the percentages, the bars.
    void paint() override;
    // Stores the controller and samples once.
    void Bind(CController* controller);
    // Line 0 or 1's format (at most 40 characters).
    void SetLineFormat(int line, const char* text);
    // Bar 1 takes the percentage; unless skipped the average moves on.
    void Update(uint32_t percentage, int skip);
    // 1 reads the parity half of the samples.
    void SetParity(int flag) { parity_ = flag; }
    // Clears the average.
    void ResetAverage()
    {
        count_ = 0;
        sum_ = 0;
    }
    uint32_t Replacements() const { return replacements_; }
    uint32_t FlushWrites() const { return flushWrites_; }
    uint32_t CacheWrites() const { return cacheWrites_; }
    uint32_t CacheOn() const { return cacheOn_; }
    uint32_t DelayedWrite() const { return delayedWrite_; }
    uint32_t UsedBuffers() const { return usedBuffers_; }
    uint32_t MaxBuffers() const { return maxBuffers_; }
    uint32_t BufferBytes() const { return bufferBytes_; }
    uint32_t ShownCount() const { return shown_; }
    uint32_t LastTime() const override { return sampleTime_; }

protected:
    // The three samples' halves: current, previous, base.
    void Halves(CacheHalfValues& now, CacheHalfValues& before, CacheHalfValues& base) const;
    // Counters of the interval's end: previous - base (data), current - base (parity).
    const CacheHalfValues& CountersEnd(const CacheHalfValues& now, const CacheHalfValues& before) const
    {
        return parity_ ? now : before;
    }
    // Takes the counters (three of them and the shown count), updates, repaints.
    void Finish(uint32_t shown, uint32_t replacements, uint32_t flushWrites, uint32_t cacheWrites,
                uint32_t percentage, int skip);

    CController* controller_ = nullptr;
    int parity_ = 0;
    uint32_t cacheOn_ = 0, delayedWrite_ = 0, usedBuffers_ = 0, maxBuffers_ = 0, bufferBytes_ = 0;

private:
    uint32_t count_ = 0;
    uint32_t sum_ = 0;
    uint32_t replacements_ = 0, flushWrites_ = 0, cacheWrites_ = 0;
    uint32_t shown_ = 0;
    uint32_t sampleTime_ = 0;
    std::string formats_[2];
};

class CReadCacheBar : public CCacheBar {
public:
    CReadCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    void Sample() override;
};

class CWriteCacheBar : public CCacheBar {
public:
    CWriteCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    void Sample() override;
};

class CDirtyCacheBar : public CCacheBar {
public:
    CDirtyCacheBar(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);
    void Sample() override;
};
