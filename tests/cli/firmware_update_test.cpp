// ostrel -a -FW: against the emulator's "new" profile with image files built
// by the emulator's image builder: whole standard output, standard error and
// exit code, and Maintenance Mode left afterwards.
#include "firmware_image.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using kzmsim::ImageComponent;
using kzmsim::ImageSpec;

const std::string kNew = R"({"controllers": [{"entry": 0, "profile": "new"}]})";
const std::string kAssignFailed = "ERROR: During Controller assign operation\n";

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
    }
}

TEST_F(FirmwareUpdate, NameOfAnUnusableFileAndDowngrade)
{
    SimMount sim(kNew);
    ASSERT_TRUE(sim.ok());
    Write("KZM_RPFW.001", NewImage(0x220001));
    Write("KZM_RPFW.002", std::vector<uint8_t>(100, 0x11));
    Write("KZM_RPFW.003", NewImage(0x200010));
    ToolResult r = RunTool({"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.002"}, sim.root());
    EXPECT_EQ(r.out, "ERROR: Did not find valid firmware file. \n");
    EXPECT_EQ(r.err, kAssignFailed);
    EXPECT_EQ(r.exitCode, 1);
    r = RunTool({"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.003", "-q"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

TEST_F(FirmwareUpdate, QuietDownloadOfTheNamedImage)
{
    SimMount sim(kNew);
    ASSERT_TRUE(sim.ok());
    Write("KZM_RPFW.001", NewImage(0x220001));
    Write("KZM_RPFW.002", NewImage(0x220002));
    const ToolResult r = RunTool({"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.002", "-q"}, sim.root());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

TEST_F(FirmwareUpdate, DownloadShowsItsProgress)
{
    SimMount sim(kNew);
    ASSERT_TRUE(sim.ok());
    Write("KZM_RPFW.002", NewImage(0x220002));
    const ToolResult r = RunTool({"-a", "-CTR:0", "-FW:" + dir_ + "/KZM_RPFW.002"}, sim.root());
    EXPECT_EQ(r.out, "");
    // Type byte 2 + 1, version bytes 30 and 28, revision byte 7 with byte 18 above it.
    EXPECT_EQ(r.err, "INFO: KZM_RPFW.002   RAID-0/1/4/5/10  3.34.02-R100\n"
                     "INFO: Reading and checking firmware file.Please wait...\n"
                     "INFO: DO NOT INTERRUPT THIS PROCEDURE IN ANY WAY !!!!\n"
                     "INFO: Starting erasing flash\nINFO: Finished erasing flash\n"
                     "INFO: Downloading new firmware:      "
                     "\b\b\b\b\b 4% /\b\b\b\b\b10% -\b\b\b\b\b15% \\\b\b\b\b\b47% |"
                     "\b\b\b\b\b80% /\b\b\b\b\b94% -\b\b\b\b\b99% \\\b\b\b\b\b100% \n"
                     "INFO: Firmware update completed.\n"
                     "INFO: You must reboot the system to activate the new firmware.\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(sim.readFile("kzmsim/state"), "");
}

}  // namespace
