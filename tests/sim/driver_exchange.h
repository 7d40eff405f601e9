// One IOCTL command through the emulated driver, request written and reply
// read as the local driver module does, for the emulator tests.
#pragma once

#include "driver.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace simtest
