#include "request_log.h"

#include "driver_layout.h"
#include "text_util.h"

#include <byte_order.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

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
    starts_.push_back(dropped_ + bytes_);
    bytes_ += line.size() + 1;
    lines_.push_back(std::move(line));
    while (bytes_ > limit_ && lines_.size() > 1) {
        const size_t n = lines_.front().size() + 1;
        bytes_ -= n;
        dropped_ += n;
        lines_.pop_front();
        starts_.pop_front();
    }
}

size_t RequestLog::read(size_t offset, uint8_t* out, size_t size) const
{
    if (offset >= bytes_ || size == 0)
        return 0;
    const uint64_t at = dropped_ + offset;
    // The last line that begins at or before the offset.
    size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin()) - 1;
    size_t skip = static_cast<size_t>(at - starts_[i]);
    size_t copied = 0;
    for (; i < lines_.size() && copied < size; ++i, skip = 0) {
        const std::string& l = lines_[i];
        if (skip < l.size()) {
            const size_t n = std::min(l.size() - skip, size - copied);
            std::memcpy(out + copied, l.data() + skip, n);
            copied += n;
            skip += n;
        }
        if (skip == l.size() && copied < size)
            out[copied++] = '\n';
    }
    return copied;
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
