#include "request_log.h"

#include "driver_layout.h"
#include "text_util.h"

#include <byte_order.h>

#include <cstdio>

namespace kzmsim {

std::string formatLogLine(int entry, const uint8_t* r, size_t length, size_t dataLength,
                          size_t senseLength, uint32_t status)
{
    const uint16_t code = wire::get16(r, REC_CODE);
    const bool command = code == DRVREQ_COMMAND;
    char head[160];
    std::snprintf(head, sizeof head, "%d\t0x%04X\t%u\t%u\t%u\t0x%08X\t0x%08X\t%zu\t%zu\t0x%08X\t", entry, code,
                  wire::get16(r, REC_CONTROLLER), wire::get16(r, REC_SERVICE),
                  command ? wire::get16(r, REC_OPCODE) : 0u, command ? wire::get32(r, REC_KEY) : 0u,
                  command ? wire::get32(r, REC_TARGET) : 0u, dataLength, senseLength, status);
    return head + toHex(r, length);
}

void RequestLog::add(std::string line)
{
    bytes_ += line.size() + 1;
    lines_.push_back(std::move(line));
    while (bytes_ > REQUEST_LOG_LIMIT && lines_.size() > 1) {
        bytes_ -= lines_.front().size() + 1;
        lines_.pop_front();
    }
}

std::string RequestLog::text() const
{
    std::string s;
    s.reserve(bytes_);
    for (const std::string& l : lines_) {
        s += l;
        s += '\n';
    }
    return s;
}

}  // namespace kzmsim
