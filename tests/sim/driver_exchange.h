// Requests through the emulated driver, written and their replies read as
// the local driver module does, for the emulator tests.
#pragma once

#include "control_commands.h"
#include "driver.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace simtest {

// Sends one IOCTL record to the driver's entry `entry`; returns the status
// word and leaves the reply's data area in `param`.
inline uint32_t sendIoctl(kzmsim::Driver& d, int entry, uint32_t key, uint32_t target, Bytes& param)
{
    const Bytes rec = ioctlRecord(key, target, param);
    EXPECT_EQ(d.writeRequest(entry, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
    Bytes reply(kzmsim::REPLY_SIZE + param.size(), 0);
    EXPECT_EQ(d.readReply(entry, reply.data(), reply.size(), 0), reply.size());
    std::copy_n(reply.begin() + kzmsim::REPLY_ANSWER, param.size(), param.begin());
    return wire::get32(reply.data(), kzmsim::REPLY_STATUS);
}

// The same for a parameter record the caller does not read back.
inline uint32_t sendIoctl(kzmsim::Driver& d, int entry, uint32_t key, uint32_t target, Bytes&& param)
{
    return sendIoctl(d, entry, key, target, param);
}

// Writes a whole record and reads the reply back, as the library does; the
// reply is cut to the bytes read.
inline Bytes request(kzmsim::Driver& d, int entry, const Bytes& rec)
{
    EXPECT_EQ(d.writeRequest(entry, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
    Bytes reply(rec.size() + 64, 0xEE);
    reply.resize(d.readReply(entry, reply.data(), reply.size(), 0));
    return reply;
}

// Writes `text` to the driver's control file; returns what the write returns.
inline long control(kzmsim::Driver& d, const std::string& text) { return kzmsim::writeControl(d, text.data(), text.size()); }

}  // namespace simtest
