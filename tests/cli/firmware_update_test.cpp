// ostrel -a -FW: against the emulator's "new" profile with image files built
// by the emulator's image builder: whole standard output, standard error and
// exit code, and Maintenance Mode left afterwards.
#include "expected_texts.h"
#include "firmware_image.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using kzmsim::ImageComponent;
using kzmsim::ImageSpec;

const std::string kNew = R"({"controllers": [{"entry": 0, "profile": "new"}]})";
using Args = std::vector<std::string>;

ImageComponent Part(uint8_t id, size_t n = 300)
{
    ImageComponent c{id, std::vector<uint8_t>(n, 0)};
    for (size_t i = 0; i < n; ++i)
        c.data[i] = static_cast<uint8_t>(id * 7 + i);
    return c;
}

// Board data for the "new" profile's board.
ImageComponent BoardData()
{
    return ImageComponent{4,
                          kzmsim::buildBoardData({{kzmsim::boardDataKey(5, 0x6100), std::vector<uint8_t>(40, 0xB5)},
                                                  {kzmsim::boardDataKey(0, 0x6100), std::vector<uint8_t>(24, 0xB0)}}),
                          2};
}

// An image the "new" profile accepts, of the given version.
std::vector<uint8_t> NewImage(uint32_t version)
{
    ImageSpec s;
    s.version = version;
    s.components = {Part(1), BoardData(), Part(14), Part(23), Part(24, 5000), Part(26), Part(21)};
    return kzmsim::buildImage(s);
}

class FirmwareUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/kzm_fwcli_XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::vector<uint8_t>& image)
    {
        std::ofstream(dir_ + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    std::string dir_;
};

TEST_F(FirmwareUpdate, PathChecks)
{
    SimMount sim(kNew);
    ASSERT_TRUE(sim.ok());
    struct Case {
        std::string path;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"KZM_RPFW.001", "ERROR: Wrong Filename ? You have to specify full path\n", kAssignFailed},
        {"/tmp/KZM_RPFW.0001", "ERROR: File name too long. \n", kAssignFailed},
        {"/" + std::string(65, 'd') + "/KZM_RPFW.001", "ERROR: Path name too long. \n", kAssignFailed},
        {dir_ + "/KZM_RPFW.001", "", "ERROR: No valid firmware file found !\n" + kAssignFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ToolResult r = RunTool({"-a", "-CTR:0", "-FW:" + c.path}, sim.root());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, 1);
        // -q silences the message channel, not the lines on standard output.
        const ToolResult q = RunTool({"-a", "-CTR:0", "-FW:" + c.path, "-q"}, sim.root());
        EXPECT_EQ(q.out, c.out);
        EXPECT_EQ(q.err, "");
        EXPECT_EQ(q.exitCode, 1);
    }
}

// The log lines whose key (the sixth field) is one of keys.
int CountKeys(const std::vector<std::string>& log, const std::vector<std::string>& keys)
{
    int n = 0;
    for (const std::string& line : log) {
        size_t from = 0;
        for (int k = 0; k < 5; ++k)
            from = line.find('\t', from) + 1;
        const std::string key = line.substr(from, line.find('\t', from) - from);
        n += std::find(keys.begin(), keys.end(), key) != keys.end() ? 1 : 0;
    }
    return n;
}

// Erasing or writing the flash (keys 0x4C, 0x41, 0x46).
const std::vector<std::string> kFlashWrites = {"0x0000004C", "0x00000041", "0x00000046"};
// Those and entering Maintenance Mode (key 0x0C).
const std::vector<std::string> kTouching = {"0x0000004C", "0x00000041", "0x00000046", "0x0000000C"};

// The 24-bit version in the header of flash area 1.
uint32_t FlashVersion(const std::string& area)
{
    if (area.size() < 31)
        return 0;
    return static_cast<uint32_t>(static_cast<uint8_t>(area[28])) |
           static_cast<uint32_t>(static_cast<uint8_t>(area[29])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(area[30])) << 16;
}

// An image that lists as usable but that the open refuses: with a wrong
// checksum, or without component 23, which the board requires.
std::vector<uint8_t> RejectedImage(bool badChecksum)
{
    ImageSpec s;
    s.version = 0x220002;
    s.components = {Part(1), BoardData(), Part(14), Part(24, 5000), Part(26), Part(21)};
    if (badChecksum) {
        s.components.insert(s.components.begin() + 3, Part(23));
        s.badChecksum = true;
    }
    return kzmsim::buildImage(s);
}

// One run of -a -FW: over the images written first: whole output, error and
// exit code; the flash holding the named image's version afterwards, or (0)
// left as it was without an erase or write; Maintenance Mode always left.
TEST_F(FirmwareUpdate, UpdateFromTheNamedImage)
{
    const std::string listed = "INFO: KZM_RPFW.002   RAID-0/1/4/5/10  3.34.02-R100\n";
    const std::string reading = "INFO: Reading and checking firmware file.Please wait...\n";
    const std::string named = "-FW:" + dir_ + "/KZM_RPFW.002";
    struct Case {
        const char* title;
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        Args args;  // after -a -CTR:0
        std::string out;
        std::string err;
        int code;
        uint32_t version;  // of the flash afterwards, 0: untouched
    };
    const Case cases[] = {
        {"the name of an unusable file",
         {{"KZM_RPFW.001", NewImage(0x220001)}, {"KZM_RPFW.002", std::vector<uint8_t>(100, 0x11)}},
         {named}, "ERROR: Did not find valid firmware file. \n", kAssignFailed, 1, 0},
        {"a quiet downgrade is refused silently", {{"KZM_RPFW.003", NewImage(0x200010)}},
         {"-FW:" + dir_ + "/KZM_RPFW.003", "-q"}, "", "", 1, 0},
        {"a quiet download of the one named",
         {{"KZM_RPFW.001", NewImage(0x220001)}, {"KZM_RPFW.002", NewImage(0x220002)}},
         {named, "-q"}, "", "", 0, 0x220002},
        // Type byte 2 + 1, version bytes 30 and 28, revision byte 7 with byte 18 above it.
        {"the download shows its progress", {{"KZM_RPFW.002", NewImage(0x220002)}}, {named}, "",
         listed + reading +
             "INFO: DO NOT INTERRUPT THIS PROCEDURE IN ANY WAY !!!!\n"
             "INFO: Starting erasing flash\nINFO: Finished erasing flash\n"
             "INFO: Downloading new firmware:      "
             "\b\b\b\b\b 4% /\b\b\b\b\b10% -\b\b\b\b\b15% \\\b\b\b\b\b47% |"
             "\b\b\b\b\b80% /\b\b\b\b\b94% -\b\b\b\b\b99% \\\b\b\b\b\b100% \n"
             "INFO: Firmware update completed.\n"
             "INFO: You must reboot the system to activate the new firmware.\n",
         0, 0x220002},
        // The open refuses the image: nothing is erased or written.
        {"an image with a wrong checksum", {{"KZM_RPFW.002", RejectedImage(true)}}, {named}, "",
         listed + reading + "ERROR: Firmware update failed.\nERROR: Error Code 67108872 \n" + kAssignFailed, 1, 0},
        {"an image without a required component", {{"KZM_RPFW.002", RejectedImage(false)}}, {named}, "",
         listed + reading + "ERROR: Firmware update failed.\nERROR: Error Code 67108873 \n" + kAssignFailed, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directory(dir_);
        for (const auto& [name, image] : c.files)
            Write(name, image);
        SimMount sim(kNew);
        ASSERT_TRUE(sim.ok());
        const std::string before = sim.readFile("kzmsim/flash/0/1");
        Args args = {"-a", "-CTR:0"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolResult r = RunTool(args, sim.root());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, c.code);
        EXPECT_EQ(sim.readFile("kzmsim/state"), "");
        const std::string after = sim.readFile("kzmsim/flash/0/1");
        if (c.version == 0) {
            EXPECT_EQ(after, before);
            EXPECT_EQ(CountKeys(sim.log(), kFlashWrites), 0);
        } else {
            EXPECT_EQ(FlashVersion(after), c.version);
        }
    }
}

// The version rules, each on a "new" board changed in the one value it
// needs; every refusal leaves the flash as it was and Maintenance Mode unused.
TEST_F(FirmwareUpdate, VersionRules)
{
    Write("KZM_RPFW.002", NewImage(0x220002));
    const std::string listed = "INFO: KZM_RPFW.002   RAID-0/1/4/5/10  3.34.02-R100\n";
    const std::string download =
        "INFO: Reading and checking firmware file.Please wait...\nINFO: DO NOT INTERRUPT THIS PROCEDURE IN ANY WAY !!!!\n";
    const std::string cache = "ERROR: You need at least 8MB Cache-RAM on the controller\n"
                              "ERROR: to update to firmware version x.24 and higher !\n";
    const std::string baseRevision =
        "ERROR: Firmware upgrade to versions x.33 or greater requires\nversion x.28.06-x04A or greater.\n";
    const std::string oldBase = R"("firmwareVersion": "0x021C0006", "firmwareRevision": "0x30")";
    struct Case {
        const char* title;
        std::string fields;
        bool force;
        std::string err;  // after the listing line
        int code;
    };
    const Case cases[] = {
        {"4 MB of cache", R"("cacheSize": 4194304)", false, cache + kAssignFailed, 1},
        {"a board of type 36 or below", R"("boardTypeWord": 36)", false,
         "ERROR: Firmware upgrade from KZM6xxxRP/RD controllers to Firmware versions > x.31 not allowed.\n" +
             kAssignFailed,
         1},
        {"cluster firmware below level 30", R"("interfaceLevel": "0x21D")", false,
         "ERROR: Cluster Firmware Updates to versions > x.28 are not supported \n"
         "ERROR: in this utility version.Please look for an updated utility\n" +
             kAssignFailed,
         1},
        {"an old base revision", oldBase, false, baseRevision + kAssignFailed, 1},
        {"an old base revision with -f", oldBase, true, download, 0},
        {"the base revision is not asked after an earlier refusal",
         oldBase + R"(, "cacheSize": 4194304)", false, cache + kAssignFailed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        SimMount sim(R"({"controllers": [{"entry": 0, "profile": "new", )" + c.fields + "}]}");
        ASSERT_TRUE(sim.ok());
        const std::string before = sim.readFile("kzmsim/flash/0/1");
        Args args = {"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.002"};
        if (c.force)
            args.push_back("-f");
        const ToolResult r = RunTool(args, sim.root());
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, listed.size() + c.err.size()), listed + c.err);
        EXPECT_EQ(r.exitCode, c.code);
        EXPECT_EQ(sim.readFile("kzmsim/state"), "");
        if (c.code != 0) {
            EXPECT_EQ(r.err.size(), listed.size() + c.err.size());
            EXPECT_EQ(sim.readFile("kzmsim/flash/0/1"), before);
            EXPECT_EQ(CountKeys(sim.log(), kTouching), 0);
        } else {
            EXPECT_NE(sim.readFile("kzmsim/flash/0/1"), before);
            EXPECT_GT(CountKeys(sim.log(), kTouching), 0);
        }
    }
}

// A write that fails half way: the areas erased are written back whole, the
// controller still starts its old firmware after a reboot, the run ends with 1.
TEST_F(FirmwareUpdate, FailedWriteKeepsTheOldFirmware)
{
    Write("KZM_RPFW.002", NewImage(0x220002));
    SimMount sim(kNew);
    ASSERT_TRUE(sim.ok());
    const std::string before1 = sim.readFile("kzmsim/flash/0/1");
    const std::string before2 = sim.readFile("kzmsim/flash/0/2");
    ASSERT_TRUE(sim.control("status 0 0x41 0x10 after 5"));
    const ToolResult r = RunTool({"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.002"}, sim.root());
    EXPECT_EQ(r.out, "");
    const std::string tail = "ERROR: Error Code 16777232 \n" + kAssignFailed;
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
    EXPECT_EQ(r.err.find("INFO: Firmware update completed."), std::string::npos);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
    EXPECT_EQ(sim.readFile("kzmsim/flash/0/1"), before1);
    EXPECT_EQ(sim.readFile("kzmsim/flash/0/2"), before2);
    ASSERT_TRUE(sim.control("reboot 0"));
    const ToolResult s = RunTool({"-s", "-CTR:0"}, sim.root());
    EXPECT_NE(s.out.find("\t2.33.12-R0A1\n"), std::string::npos) << s.out;
}

}  // namespace
