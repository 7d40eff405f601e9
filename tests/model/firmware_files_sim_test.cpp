// Finding image files and the suitability rules, against controllers of the
// emulator (their board details carry the file rule, pattern and table row).
#include "controller.h"
#include "firmware_image.h"
#include "local_machine_test.h"
#include "model_errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class FirmwareFilesSimTest : public LocalMachineTest {
protected:
    void TearDown() override
    {
        LocalMachineTest::TearDown();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    // Connects a "new" controller (entry 0) and an "old" one (entry 1).
    CHostSystem* Start()
    {
        CHostSystem* machine = OpenLocalMachine(R"({"controllers": [
            {"entry": 0, "profile": "new"},
            {"entry": 1, "profile": "old", "class": "0x86", "subtype": 0}]})");
        if (!machine || machine->Connect() != 1 || machine->controllers.count != 2)
            return nullptr;
        char tmpl[] = "/tmp/kzm_fwf_XXXXXX";
        dir_ = mkdtemp(tmpl);
        return machine;
    }

    // Writes an image with the given 24-bit version and type byte.
    std::string Image(const std::string& name, uint32_t version, uint8_t type = 2)
    {
        kzmsim::ImageSpec s;
        s.version = version;
        s.typeByte = type;
        s.components = {{1, std::vector<uint8_t>(64, 1)}};
        const std::vector<uint8_t> img = kzmsim::buildImage(s);
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(img.data()),
                                                    static_cast<std::streamsize>(img.size()));
        return path;
    }

    static FirmwareFile Record(const std::string& path)
    {
        FirmwareFile f;
        std::snprintf(f.path, sizeof f.path, "%s", path.c_str());
        return f;
    }

    std::string dir_;
};

TEST_F(FirmwareFilesSimTest, SuitabilityFollowsTheFileRuleOrTheFamilyRules)
{
    CHostSystem* machine = Start();
    ASSERT_NE(machine, nullptr);
    CController& row = machine->controllers[0];   // table row 10, rule: type 2 from 0x1F0000
    CController& family = machine->controllers[1]; // family 35, 512 KB flash, no row
    const struct {
        const char* name;
        CController& ctl;
        uint32_t version;
        uint8_t type;
        uint32_t low, high;
        int usable;
    } cases[] = {
        {"rule: good", row, 0x220001, 2, 0, 0, 1},
        {"rule: below the rule's lowest version", row, 0x1E0000, 2, 0, 0, 0},
        {"rule: another type byte", row, 0x220001, 3, 0, 0, 0},
        {"rule: below the caller's bound", row, 0x220001, 2, 0x230000, 0, 0},
        {"rule: above the caller's bound", row, 0x220001, 2, 0, 0x210000, 0},
        {"rule: within both bounds", row, 0x220001, 2, 0x220001, 0x220001, 1},
        {"family: good", family, 0x160020, 2, 0, 0, 1},
        {"family: version word outside the served levels", family, 0x160020, 4, 0, 0, 0},
        {"family: above 0x16FFFF on a 512 KB flash", family, 0x170000, 2, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwareFile f = Record(Image("KZM_RPFW.X", c.version, c.type));
        EXPECT_EQ(c.ctl.IsFirmwareFileUsable(f, c.low, c.high), c.usable);
        EXPECT_EQ(c.ctl.error, 0u);
        if (c.usable) {
            EXPECT_EQ(f.header[28] | f.header[29] << 8 | f.header[30] << 16, static_cast<int>(c.version));
        }
    }
    FirmwareFile missing = Record(dir_ + "/none");
    EXPECT_EQ(row.IsFirmwareFileUsable(missing, 0, 0), 0);
    EXPECT_EQ(row.error, MODERR_FILE_OPEN);
}

TEST_F(FirmwareFilesSimTest, FindMatchesThePrefixInAnyCaseAndFillsAtMostTheCapacity)
{
    CHostSystem* machine = Start();
    ASSERT_NE(machine, nullptr);
    CController& ctl = machine->controllers[0];  // own pattern "KZM_RPFW.*"
    Image("kzm_rpfw.001", 0x220001);
    Image("KZM_RPFW.002", 0x220002);
    Image("Kzm_RpFw.003", 0x220003);
    Image("KZM_RPFW.OLD", 0x1E0000);             // refused by the file rule
    Image("KZM_T4FW.001", 0x220001);             // another pattern
    Image("KZM_RPFW." + std::string(80, 'L'), 0x220001);  // too long for the record
    ASSERT_EQ(mkfifo((dir_ + "/KZM_RPFW.FIFO").c_str(), 0600), 0);  // must not block

    FirmwareFile files[5];
    int count = 5;
    ASSERT_EQ(ctl.FindFirmwareFiles(dir_.c_str(), "", files, &count), 1);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.insert(files[i].name);
        EXPECT_EQ(std::string(files[i].path), dir_ + "/" + files[i].name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"kzm_rpfw.001", "KZM_RPFW.002", "Kzm_RpFw.003"}));

    count = 2;
    ASSERT_EQ(ctl.FindFirmwareFiles((dir_ + "/").c_str(), "", files, &count), 1);
    EXPECT_EQ(count, 2) << "further matches are ignored";

    count = 5;
    ASSERT_EQ(machine->controllers[1].FindFirmwareFiles(dir_.c_str(), "", files, &count), 1);
    EXPECT_EQ(count, 0) << "family 35 looks for KZM_T4FW.*; the one there is too new for its flash";
    count = 5;
    ASSERT_EQ(ctl.FindFirmwareFiles(dir_.c_str(), "KZM_T4FW.*", files, &count), 1);
    EXPECT_EQ(count, 1) << "the caller's pattern";
    count = 5;
    EXPECT_EQ(ctl.FindFirmwareFiles((dir_ + "/none").c_str(), "", files, &count), 1);
    EXPECT_EQ(count, 0);
}

}  // namespace
