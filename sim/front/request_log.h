// The list of requests the driver served, one TAB-separated line each:
// entry, code, controller, service, opcode, key, target, D, S, status word,
// and the whole record in lowercase hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace kzmsim {

constexpr size_t REQUEST_LOG_LIMIT = 64u << 20;  // bytes kept; oldest lines drop out

// Formats one served request as a log line (without its newline).
std::string formatLogLine(int entry, const uint8_t* record, size_t length, size_t dataLength,
                          size_t senseLength, uint32_t status);

class RequestLog {
public:
    // Keeps at most `limit` bytes of lines (always the newest line).
    explicit RequestLog(size_t limit = REQUEST_LOG_LIMIT) : limit_(limit) {}
    // Appends a line.
    void add(std::string line);
    // Every line kept, each ended by a newline.
    std::string text() const;
    // Copies up to `size` bytes of text() from `offset` into out; returns the
    // count (0 past the end). Costs only the lines it copies, so a large log
    // can be read piece by piece.
    size_t read(size_t offset, uint8_t* out, size_t size) const;
    // The lines kept, oldest first.
    const std::deque<std::string>& lines() const { return lines_; }

private:
    std::deque<std::string> lines_;
    std::deque<uint64_t> starts_;  // where each line begins, counted from the first line ever logged
    uint64_t dropped_ = 0;         // bytes of the lines that dropped out
    size_t bytes_ = 0;
    size_t limit_;
};

}  // namespace kzmsim
