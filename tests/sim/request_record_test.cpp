#include "record_builder.h"
#include "request_record.h"

#include <gtest/gtest.h>

using namespace kzmsim;
using simtest::Bytes;

namespace {

struct ShapeCase {
    const char* name;
    Bytes record;
    size_t have;  // 0: the whole record
    RecordCheck check;
    size_t length;
};

Bytes withField32(Bytes r, size_t off, uint32_t v)
{
    wire::put32(r.data(), off, v);
    return r;
}

Bytes withField16(Bytes r, size_t off, uint16_t v)
{
    wire::put16(r.data(), off, v);
    return r;
}

Bytes withExtra(Bytes r)
{
    r.push_back(0);
    return r;
}

}  // namespace

TEST(RecordShape, LengthsAndRefusals)
{
    const Bytes ioctl36 = simtest::ioctlRecord(0x28, 0xFFFF, Bytes(36, 0));
    const ShapeCase cases[] = {
        {"driver level", simtest::driverRecord(DRVREQ_DRIVER_VERSION), 0, RecordCheck::Complete, 528},
        {"ioctl 36 bytes", ioctl36, 0, RecordCheck::Complete, 564},
        {"block read of 4", simtest::blockRecord(OP_BLOCK_READ, 2, 100, 4, {}), 0, RecordCheck::Complete, 528 + 2048},
        {"raw 512 + 18", simtest::rawRecord(512, 18, 0), 0, RecordCheck::Complete, 1058},
        {"access reset", withField16(simtest::blockRecord(6, 1, 0, 0, {}), REC_OPCODE, 6), 0, RecordCheck::Complete, 528},
        {"header only", ioctl36, 100, RecordCheck::NeedMore, 0},
        {"header without data", ioctl36, 528, RecordCheck::NeedMore, 564},
        {"bad magic", withField32(simtest::driverRecord(DRVREQ_RESCAN), REC_MAGIC, 0xAFFE0005), 0, RecordCheck::Invalid, 0},
        {"bad magic seen early", withField32(simtest::driverRecord(DRVREQ_RESCAN), REC_MAGIC, 1), 4, RecordCheck::Invalid, 0},
        {"unknown code", withField16(simtest::driverRecord(DRVREQ_RESCAN), REC_CODE, 0x4A04), 0, RecordCheck::Invalid, 0},
        {"service not served", withField16(simtest::blockRecord(OP_BLOCK_READ, 0, 0, 1, {}), REC_SERVICE, 11), 0, RecordCheck::Invalid, 0},
        {"too many blocks", withField32(simtest::blockRecord(OP_BLOCK_READ, 0, 0, 1, {}), REC_TARGET, 0x01000000), 0, RecordCheck::Invalid, 0},
        {"huge raw data", withField32(simtest::rawRecord(0, 18, 0), REC_RAW_DATA_LEN, 0xFFFFFFF0), 0, RecordCheck::Invalid, 0},
        {"longer than its length", withExtra(simtest::driverRecord(DRVREQ_OS_VERSION)), 0, RecordCheck::Invalid, 0},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t have = c.have ? c.have : c.record.size();
        const RecordShape s = recordShape(c.record.data(), have);
        EXPECT_EQ(s.check, c.check);
        if (c.check != RecordCheck::Invalid && c.length) {
            EXPECT_EQ(s.length, c.length);
        }
    }
}

TEST(RecordShape, CommandFieldsReadAtRecordOffsets)
{
    const Bytes r = simtest::ioctlRecord(0x20000005, 0x3FFFF, Bytes(10, 0));
    const CommandFields f = commandFields(r.data(), 10, 0);
    EXPECT_EQ(f.service, SVC_CACHE);
    EXPECT_EQ(f.opcode, OP_IOCTL);
    EXPECT_EQ(f.paramSize, 10);
    EXPECT_EQ(f.key, 0x20000005u);
    EXPECT_EQ(f.target, 0x3FFFFu);
}
