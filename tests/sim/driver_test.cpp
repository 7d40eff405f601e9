#include "driver.h"
#include "driver_exchange.h"
#include "record_builder.h"
#include "text_util.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace kzmsim;
using simtest::Bytes;
using simtest::request;

namespace {

Scenario threeEntries()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"driverVersion": "0x0305",
        "osVersion": {"major": 4, "minor": 19, "revision": 250},
        "controllers": [
          {"entry": 0, "class": 254, "subtype": "0x6201", "busSlot": "0x0210", "id": 17, "id2": 18, "id3": 19},
          {"entry": 2}, {"entry": 3}]})",
                              s, error))
        << error;
    return s;
}

// The first n bytes of a reply's data area.
Bytes dataArea(const Bytes& reply, size_t n)
{
    return reply.size() < REPLY_ANSWER + n ? Bytes() : Bytes(reply.begin() + REPLY_ANSWER, reply.begin() + REPLY_ANSWER + n);
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> f;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        f.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return f;
        start = tab + 1;
    }
}

}  // namespace

TEST(Driver, AnswersDriverLevelRequests)
{
    Driver d(threeEntries());
    EXPECT_EQ(d.entries(), (std::vector<int>{0, 2, 3}));

    Bytes r = request(d, 0, simtest::driverRecord(DRVREQ_DRIVER_VERSION));
    ASSERT_EQ(r.size(), REPLY_SIZE);
    EXPECT_EQ(wire::get16(r.data(), 8), 0x0305);

    r = request(d, 0, simtest::driverRecord(DRVREQ_OS_VERSION));
    EXPECT_EQ(r[8], 4);
    EXPECT_EQ(r[9], 19);
    EXPECT_EQ(wire::get16(r.data(), 10), 250);

    r = request(d, 0, simtest::driverRecord(DRVREQ_CONTROLLER_TYPE));
    EXPECT_EQ(r[8], 254);
    EXPECT_EQ(wire::get16(r.data(), 10), 0x0210);
    EXPECT_EQ(wire::get16(r.data(), 12), 17);
    EXPECT_EQ(wire::get16(r.data(), 18), 0x6201);
    EXPECT_EQ(wire::get16(r.data(), 20), 18);
    EXPECT_EQ(wire::get16(r.data(), 22), 19);

    r = request(d, 2, simtest::driverRecord(DRVREQ_CONTROLLER_COUNT));
    EXPECT_EQ(wire::get16(r.data(), 8), 3);
}

TEST(Driver, ControllerCountComesFromScenarioOrControl)
{
    Scenario s = threeEntries();
    s.controllerCount = 25;
    Driver d(s);
    EXPECT_EQ(wire::get16(request(d, 0, simtest::driverRecord(DRVREQ_CONTROLLER_COUNT)).data(), 8), 25);
    d.setControllerCount(7);
    EXPECT_EQ(wire::get16(request(d, 0, simtest::driverRecord(DRVREQ_CONTROLLER_COUNT)).data(), 8), 7);
}

TEST(Driver, RescanPlacesHostDriveAtItsTarget)
{
    Driver d(threeEntries());
    Bytes rec = simtest::driverRecord(DRVREQ_RESCAN, 1);
    wire::put16(rec.data(), REC_RESCAN_DRIVE, 5);
    rec[REC_RESCAN_MODE] = 1;
    const Bytes r = request(d, 2, rec);
    ASSERT_EQ(r.size(), REPLY_SIZE);
    for (size_t drive : {0u, 5u, 99u}) {
        SCOPED_TRACE(drive);
        EXPECT_EQ(r[8 + 4 * drive], 0);                          // bus
        EXPECT_EQ(r[8 + 4 * drive + 1], static_cast<uint8_t>(drive));  // target
        EXPECT_EQ(r[8 + 4 * drive + 2], 0);                      // lun
    }
}

TEST(Driver, AssemblesARecordWrittenInPieces)
{
    Driver d(threeEntries());
    Bytes param(36);
    for (size_t i = 0; i < param.size(); ++i)
        param[i] = static_cast<uint8_t>(i + 1);
    const Bytes rec = simtest::ioctlRecord(0x04, 0xFFFF, param);
    const size_t pieces[] = {1, 3, 100, 424, 20, 16};  // 564 in all
    size_t off = 0;
    for (size_t n : pieces) {
        EXPECT_EQ(d.log().lines().size(), 0u) << "served before the record was complete";
        ASSERT_EQ(d.writeRequest(2, rec.data() + off, n, static_cast<off_t>(off)), static_cast<long>(n));
        off += n;
    }
    ASSERT_EQ(off, rec.size());
    ASSERT_EQ(d.log().lines().size(), 1u);
    Bytes reply(1000);
    reply.resize(d.readReply(2, reply.data(), reply.size(), 0));
    ASSERT_EQ(reply.size(), 444u);
    EXPECT_EQ(wire::get32(reply.data(), REPLY_STATUS), 1u);
    Bytes cacheInfo(36, 0);
    wire::put32(cacheInfo.data(), 0, d.firmware(2)->identity.interfaceLevel);
    wire::put32(cacheInfo.data(), 4, 1);
    wire::put32(cacheInfo.data(), 8, 1);
    EXPECT_EQ(dataArea(reply, 36), cacheInfo) << "the cache information of the whole record";
}

TEST(Driver, RefusesBadWritesAndKeepsTheLastReply)
{
    Driver d(threeEntries());
    const Bytes good = request(d, 0, simtest::driverRecord(DRVREQ_DRIVER_VERSION));

    Bytes badMagic = simtest::driverRecord(DRVREQ_DRIVER_VERSION);
    wire::put32(badMagic.data(), 0, 0xAFFE0003);
    Bytes badCode = simtest::driverRecord(0x4A09);
    Bytes badService = simtest::blockRecord(OP_BLOCK_READ, 0, 0, 1, {});
    wire::put16(badService.data(), REC_SERVICE, 11);
    const Bytes tooLong = [] {
        Bytes r = simtest::driverRecord(DRVREQ_OS_VERSION);
        r.push_back(0);
        return r;
    }();
    struct Case {
        const char* name;
        const Bytes& rec;
    } cases[] = {{"bad magic", badMagic}, {"unknown code", badCode}, {"service", badService}, {"too long", tooLong}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(d.writeRequest(0, c.rec.data(), c.rec.size(), 0), -EINVAL);
    }
    // A piece at an offset that does not continue the record.
    const Bytes rec = simtest::driverRecord(DRVREQ_OS_VERSION);
    EXPECT_EQ(d.writeRequest(0, rec.data(), 100, 0), 100);
    EXPECT_EQ(d.writeRequest(0, rec.data() + 200, 100, 200), -EINVAL);
    EXPECT_EQ(d.writeRequest(0, rec.data() + 100, 100, 100), -EINVAL) << "the broken record was dropped";
    EXPECT_EQ(d.writeRequest(1, rec.data(), rec.size(), 0), -ENOENT);

    Bytes again(REPLY_SIZE);
    EXPECT_EQ(d.readReply(0, again.data(), again.size(), 0), REPLY_SIZE);
    EXPECT_EQ(again, good);
    EXPECT_EQ(d.log().lines().size(), 1u);
}

TEST(Driver, ReadsReplyFromAnyOffset)
{
    Driver d(threeEntries());
    uint8_t buf[16];
    EXPECT_EQ(d.readReply(0, buf, sizeof buf, 0), 0u) << "no request yet";
    request(d, 0, simtest::driverRecord(DRVREQ_DRIVER_VERSION));
    EXPECT_EQ(d.readReply(0, buf, sizeof buf, 8), 16u);
    EXPECT_EQ(wire::get16(buf, 0), 0x0305);
    EXPECT_EQ(d.readReply(0, buf, sizeof buf, REPLY_SIZE - 4), 4u);
    EXPECT_EQ(d.readReply(0, buf, sizeof buf, REPLY_SIZE), 0u);
    EXPECT_EQ(d.readReply(0, buf, sizeof buf, REPLY_SIZE + 100), 0u);
}

TEST(Driver, BusyRefusesTheNextWritesOnAnyFile)
{
    Driver d(threeEntries());
    d.setBusy(2);
    const Bytes rec = simtest::driverRecord(DRVREQ_DRIVER_VERSION);
    EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), -EBUSY);
    EXPECT_EQ(d.writeRequest(3, rec.data(), rec.size(), 0), -EBUSY);
    EXPECT_EQ(d.writeRequest(0, rec.data(), rec.size(), 0), static_cast<long>(rec.size()));
    EXPECT_EQ(d.log().lines().size(), 1u) << "busy writes are not served";
}

TEST(Driver, InjectedStatusAnswersOnceInPlaceOfTheFirmware)
{
    Driver d(threeEntries());
    d.injectStatus(2, 0x7E, 3u << 16 | 0xFFF4);
    const Bytes param{0x5A, 0, 0, 0};
    Bytes r = request(d, 3, simtest::ioctlRecord(0x7E, 0xFFFF, param));  // other entry
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 1u);
    r = request(d, 2, simtest::ioctlRecord(0x17, 0xFFFF, {1}));  // other key
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 1u);

    const uint32_t before = d.firmware(2)->logState;
    r = request(d, 2, simtest::ioctlRecord(0x7E, 0xFFFF, param));
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 0x0003FFF4u);
    EXPECT_EQ(dataArea(r, 4), param) << "the data area comes back";
    EXPECT_EQ(d.firmware(2)->logState, before) << "a refused command changes nothing";

    r = request(d, 2, simtest::ioctlRecord(0x7E, 0xFFFF, param));
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 1u);
    EXPECT_EQ(d.firmware(2)->logState, 0x5Au);
}

TEST(Driver, BlockStoreIsSparsePerHostDrive)
{
    Driver d(threeEntries());
    Bytes data(1024);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    Bytes r = request(d, 0, simtest::blockRecord(OP_BLOCK_WRITE, 2, 100, 2, data));
    EXPECT_EQ(r.size(), REPLY_SIZE + 1024);
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 1u);

    r = request(d, 0, simtest::blockRecord(OP_BLOCK_READ, 2, 99, 4, Bytes(2048, 0xAA)));
    ASSERT_EQ(r.size(), REPLY_SIZE + 2048);
    EXPECT_EQ(Bytes(r.begin() + 8, r.begin() + 520), Bytes(512, 0));
    EXPECT_EQ(Bytes(r.begin() + 520, r.begin() + 1544), data);
    EXPECT_EQ(Bytes(r.begin() + 1544, r.begin() + 2056), Bytes(512, 0));

    r = request(d, 0, simtest::blockRecord(OP_BLOCK_READ, 3, 100, 1, {}));
    EXPECT_EQ(dataArea(r, 512), Bytes(512, 0)) << "other host drive";
    r = request(d, 2, simtest::blockRecord(OP_BLOCK_READ, 2, 100, 1, {}));
    EXPECT_EQ(dataArea(r, 512), Bytes(512, 0)) << "other controller";

    Bytes reset = simtest::blockRecord(OP_ACCESS_RESET, 2, 0, 0, {});
    EXPECT_EQ(wire::get32(request(d, 0, reset).data(), REPLY_STATUS), 1u);
}

TEST(Driver, RawCommandAnswersZeroDataAndSense)
{
    Driver d(threeEntries());
    const Bytes r = request(d, 0, simtest::rawRecord(512, 18, 0xCC));
    ASSERT_EQ(r.size(), REPLY_SIZE + 512 + 18);
    EXPECT_EQ(wire::get32(r.data(), REPLY_STATUS), 1u);
    EXPECT_EQ(dataArea(r, 530), Bytes(530, 0));
    EXPECT_EQ(Bytes(r.begin() + 538, r.end()), Bytes(400, 0));
}

TEST(Driver, LogsEveryServedRequestInItsFormat)
{
    Driver d(threeEntries());
    const Bytes ioctl = simtest::ioctlRecord(0x20000005, 0x2FFFF, Bytes(10, 0), 1);
    request(d, 2, ioctl);
    Bytes lock = simtest::driverRecord(DRVREQ_LOCK_CHANNEL, 2);
    lock[REC_LOCK_FLAG] = 1;
    lock[REC_LOCK_COUNT] = 3;
    request(d, 3, lock);
    d.injectStatus(0, 0x04, 0xFFFF);
    const Bytes failing = simtest::ioctlRecord(0x04, 0xFFFF, Bytes(36, 0));
    request(d, 0, failing);

    ASSERT_EQ(d.log().lines().size(), 3u);
    EXPECT_EQ(fields(d.log().lines()[0]),
              (std::vector<std::string>{"2", "0x4A00", "1", "9", "5", "0x20000005", "0x0002FFFF", "10", "0",
                                        "0x00000006", toHex(ioctl.data(), ioctl.size())}))
        << "entry 2 has no channels: status 6";
    EXPECT_EQ(fields(d.log().lines()[1]),
              (std::vector<std::string>{"3", "0x4A07", "2", "0", "0", "0x00000000", "0x00000000", "0", "0",
                                        "0x00000001", toHex(lock.data(), lock.size())}));
    EXPECT_EQ(fields(d.log().lines()[2])[9], "0x0000FFFF");
    EXPECT_EQ(d.log().text().back(), '\n');
}

namespace {

// Reads the whole log through read() in pieces of `piece` bytes.
std::string readInPieces(const RequestLog& log, size_t piece)
{
    std::string out;
    std::vector<uint8_t> buf(piece);
    while (const size_t n = log.read(out.size(), buf.data(), piece))
        out.append(buf.begin(), buf.begin() + static_cast<long>(n));
    return out;
}

}  // namespace

TEST(RequestLogRead, PiecesAtAnyOffsetMakeTheText)
{
    RequestLog log;
    for (const char* line : {"a", "", "bcdef", "0123456789"})
        log.add(line);
    ASSERT_EQ(log.text(), "a\n\nbcdef\n0123456789\n");
    for (size_t piece : {1, 2, 3, 7, 64})
        EXPECT_EQ(readInPieces(log, piece), log.text()) << piece;
    uint8_t b[4] = {};
    EXPECT_EQ(log.read(log.text().size(), b, sizeof b), 0u);
    EXPECT_EQ(log.read(1000, b, sizeof b), 0u);
}

TEST(RequestLogRead, OffsetsStartAtTheOldestLineKept)
{
    const size_t big = 9;  // 10 bytes a line with its newline
    RequestLog log(35);    // room for three lines
    for (char c : {'a', 'b', 'c', 'd', 'e'})
        log.add(std::string(big, c));
    ASSERT_EQ(log.lines().size(), 3u);
    ASSERT_EQ(log.lines().front()[0], 'c');
    uint8_t b[3] = {};
    ASSERT_EQ(log.read(0, b, 1), 1u);
    EXPECT_EQ(b[0], 'c');
    ASSERT_EQ(log.read(big - 1, b, 3), 3u);
    EXPECT_EQ(std::string(b, b + 3), "c\nd");
    EXPECT_EQ(readInPieces(log, 4), log.text());
}

TEST(Driver, ScsiFileKeepsEveryByteInOrder)
{
    Driver d(threeEntries());
    const std::string a("scsi add-single-device 2 0 5 0\0", 31);
    const std::string b("scsi remove-single-device 0 0 1 0\0", 34);
    d.writeScsi(reinterpret_cast<const uint8_t*>(a.data()), a.size());
    d.writeScsi(reinterpret_cast<const uint8_t*>(b.data()), b.size());
    EXPECT_EQ(d.scsiText(), a + b);
}
