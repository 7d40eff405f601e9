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
    // Appends a line.
    void add(std::string line);
    // Every line kept, each ended by a newline.
    std::string text() const;
    // The lines kept, oldest first.
    const std::deque<std::string>& lines() const { return lines_; }

private:
    std::deque<std::string> lines_;
    size_t bytes_ = 0;
};

}  // namespace kzmsim
