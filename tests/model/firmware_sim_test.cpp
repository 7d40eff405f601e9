// Firmware updates end to end: images made by the emulator's image builder
// are opened, checked and written into the emulated flash; the flash files
// are compared with the expected layout and a restart shows the version.
#include "controller.h"
#include "ctl_errors.h"
#include "firmware_image.h"
#include "local_machine_test.h"
#include "model_errors.h"

#include <byte_order.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using kzmsim::BoardDataEntry;
using kzmsim::FlashComponent;
using kzmsim::ImageComponent;
using kzmsim::ImageSpec;

// Records every progress report.
class RecordingProgress : public IFirmwareProgress {
public:
    void Progress(int32_t phase, int32_t percent) override { calls.emplace_back(phase, percent); }
    std::vector<std::pair<int32_t, int32_t>> calls;
};

std::vector<uint8_t> bytes(size_t n, uint8_t fill) { return std::vector<uint8_t>(n, fill); }

// A component whose data is n bytes of a pattern named by its id.
ImageComponent part(uint8_t id, size_t n = 300)
{
    ImageComponent c{id, bytes(n, 0)};
    for (size_t i = 0; i < n; ++i)
        c.data[i] = static_cast<uint8_t>(id * 7 + i);
    return c;
}

// Board data with an entry for board 5 and one for board 0 (or 6) of type
// id 0x6100 (class 0xFE) or, with classByte, of that class.
ImageComponent boardData(bool forThisBoard = true, uint8_t classByte = 0xFE, uint16_t typeId = 0x6100)
{
    auto key = [classByte, typeId](uint16_t board) {
        return classByte == 0xFE ? kzmsim::boardDataKey(board, typeId) : kzmsim::boardDataKeyForClass(board, classByte);
    };
    return ImageComponent{4,
                          kzmsim::buildBoardData({{key(5), bytes(40, 0xB5)}, {key(forThisBoard ? 0 : 6), bytes(24, 0xB0)}}),
                          2};
}

// An image for the "new" profile (component table row 10).
ImageSpec newImage(uint32_t version = 0x220001)
{
    ImageSpec s;
    s.version = version;
    s.components = {part(1), boardData(), part(14), part(23), part(24, 5000), part(26), part(21)};
    return s;
}

// An image for controllers without a table row of family 35 (default row A).
ImageSpec oldImage(uint32_t version = 0x160020)
{
    ImageSpec s;
    s.version = version;
    s.components = {part(1), boardData(true, 0x86), part(15), part(18), part(19), part(20), part(27, 200), part(9, 128)};
    return s;
}

const char* const kNew = R"({"controllers": [{"entry": 0, "profile": "new"}]})";

// Field `n` (from 0) of a log line.
std::string field(const std::string& line, int n)
{
    std::istringstream in(line);
    std::string f;
    for (int i = 0; i <= n; ++i)
        std::getline(in, f, '\t');
    return f;
}

class FirmwareSimTest : public LocalMachineTest {
protected:
    void TearDown() override
    {
        LocalMachineTest::TearDown();
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    // Mounts the scenario and connects; the first controller.
    CController* Start(const std::string& scenario)
    {
        CHostSystem* machine = OpenLocalMachine(scenario);
        if (!machine || machine->Connect() != 1 || machine->controllers.count < 1)
            return nullptr;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
        char tmpl[] = "/tmp/kzm_fw_XXXXXX";
        dir_ = mkdtemp(tmpl);
        return &machine->controllers[0];
    }

    // Writes an image file; its record.
    FirmwareFile File(const std::vector<uint8_t>& image, const std::string& name = "KZM_RPFW.001")
    {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                    static_cast<std::streamsize>(image.size()));
        FirmwareFile f;
        std::snprintf(f.path, sizeof f.path, "%s", path.c_str());
        return f;
    }

    // Open, download and close; the code of the first failure, 0 for success.
    uint32_t Update(CController& ctl, FirmwareFile& f, IFirmwareProgress* progress = nullptr)
    {
        uint32_t code = 0;
        if (!ctl.OpenFirmwareFile(f))
            code = ctl.error;
        else if (!ctl.DownloadFirmware(f, progress))
            code = ctl.error;
        ctl.CloseFirmwareFile(f);
        return code;
    }

    std::vector<uint8_t> Flash(int entry, int area)
    {
        const std::string s = sim_->readFile("kzmsim/flash/" + std::to_string(entry) + "/" + std::to_string(area));
        return std::vector<uint8_t>(s.begin(), s.end());
    }

    // The running firmware's 24-bit version after a restart.
    uint32_t RebootVersion(CController& ctl)
    {
        EXPECT_TRUE(sim_->control("reboot 0"));
        EXPECT_EQ(ctl.GetInfo(), 1);
        return ctl.FirmwareVersion();
    }

    // A download of f fails with code, sends no request and reports no progress.
    void ExpectDownloadRefused(CController& ctl, FirmwareFile& f, uint32_t code)
    {
        const size_t logged = sim_->log().size();
        RecordingProgress progress;
        EXPECT_EQ(ctl.DownloadFirmware(f, &progress), 0);
        EXPECT_EQ(ctl.error, code) << std::hex << ctl.error;
        EXPECT_EQ(sim_->log().size(), logged) << "no request reached the controller";
        EXPECT_TRUE(progress.calls.empty());
        EXPECT_EQ(ctl.firmwareProgress, nullptr);
    }

    size_t Count(const std::string& key)
    {
        size_t n = 0;
        for (const std::string& line : sim_->log())
            n += field(line, 5) == key ? 1 : 0;
        return n;
    }

    std::string dir_;
};

std::vector<uint8_t> ids(const std::vector<FlashComponent>& comps)
{
    std::vector<uint8_t> out;
    for (const FlashComponent& c : comps)
        out.push_back(c.id);
    return out;
}

// The component's header and data as the flash holds them.
std::vector<uint8_t> ComponentBytes(const std::vector<uint8_t>& area, const FlashComponent& c)
{
    return std::vector<uint8_t>(area.begin() + static_cast<long>(c.offset + c.dataOffset),
                                area.begin() + static_cast<long>(c.offset + c.dataOffset + c.dataSize));
}

const FlashComponent* find(const std::vector<FlashComponent>& comps, uint8_t id)
{
    for (const FlashComponent& c : comps)
        if (c.id == id)
            return &c;
    return nullptr;
}

TEST_F(FirmwareSimTest, DownloadWritesTheImageKeepsTheComponentAndRebootRunsIt)
{
    CController* ctl = Start(kNew);
    ASSERT_NE(ctl, nullptr);
    const std::vector<uint8_t> before = Flash(0, 1);
    const std::vector<FlashComponent> old = kzmsim::walkFlash(before, true);
    const FlashComponent* keptBefore = find(old, 13);
    ASSERT_NE(keptBefore, nullptr);

    FirmwareFile f = File(kzmsim::buildImage(newImage()));
    RecordingProgress progress;
    ASSERT_EQ(Update(*ctl, f, &progress), 0u) << std::hex << ctl->error;
    EXPECT_EQ(ctl->firmwareProgress, nullptr) << "the progress object is the caller's again";

    const std::vector<uint8_t> flash = Flash(0, 1);
    const std::vector<FlashComponent> comps = kzmsim::walkFlash(flash, true);
    EXPECT_EQ(ids(comps), (std::vector<uint8_t>{1, 4, 14, 23, 24, 26, 13})) << "21 is left to the boot block";
    EXPECT_EQ(ComponentBytes(flash, *find(comps, 13)), ComponentBytes(before, *keptBefore));
    EXPECT_EQ(ComponentBytes(flash, *find(comps, 24)), part(24, 5000).data);
    // Board data: only this board's entry, with its flags bit 1 cleared.
    const FlashComponent* board = find(comps, 4);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(flash[board->offset + 32] & 0x02, 0);
    const uint8_t* dirent = flash.data() + board->offset + board->dataOffset;
    EXPECT_EQ(wire::get32(dirent, 0), kzmsim::boardDataKey(0, 0x6100));
    EXPECT_EQ(wire::get32(dirent, 8), 24u);
    EXPECT_EQ(wire::get32(dirent, 12), 0u) << "one entry, then the end of the directory";
    // The header: the image's version, written and complete, the RAID mark.
    EXPECT_EQ(wire::get32(flash.data(), 28) & 0xFFFFFF, 0x220001u);
    EXPECT_EQ(wire::get16(flash.data(), 12) & 0x0005, 0);
    EXPECT_EQ(flash[21], 0xFF);
    EXPECT_NE(wire::get32(flash.data(), 4) & (1u << 22), 0u);

    ASSERT_GE(progress.calls.size(), 4u);
    EXPECT_EQ(progress.calls[0], std::make_pair(1, 1));
    EXPECT_EQ(progress.calls[1], std::make_pair(1, 100));
    for (size_t i = 3; i + 1 < progress.calls.size(); ++i) {
        EXPECT_EQ(progress.calls[i].first, 2);
        EXPECT_GT(progress.calls[i].second, progress.calls[i - 1].second);
    }
    EXPECT_EQ(progress.calls.back(), std::make_pair(2, 100));

    EXPECT_EQ(Count("0x0000004D"), 1u) << "the boot component was written and the update ended";
    EXPECT_EQ(RebootVersion(*ctl), 0x220001u);
}

// Downloads on each profile and on the special flashes; checked by layout.
struct ProfileCase {
    const char* name;
    const char* scenario;
    ImageSpec image;
    std::vector<uint8_t> area1;   // expected components of area 1, in order
    std::vector<uint8_t> area2;   // of area 2 (empty: no area 2 written)
};

TEST_F(FirmwareSimTest, EachFlashGetsItsLayout)
{
    ImageSpec twoAreas = newImage(0x220001);
    twoAreas.components = {part(1, 20000), boardData(), part(18, 20000), part(23), part(24), part(26)};
    const ProfileCase cases[] = {
        {"old", R"({"controllers": [{"entry": 0, "profile": "old", "class": "0x86", "subtype": 0}]})", oldImage(),
         {1, 4, 15, 18, 19, 20, 13, 9}, {}},
        {"middle", R"({"controllers": [{"entry": 0, "profile": "middle"}]})", 
         [] {
             ImageSpec s = newImage(0x1C0010);
             s.components = {part(1), boardData(), part(14), part(23), part(24), part(25)};
             return s;
         }(),
         {1, 4, 14, 23, 24, 25, 13}, {}},
        {"staging firmware", R"({"controllers": [{"entry": 0, "profile": "old", "class": "0x86", "subtype": 0,
                                  "firmwareVersion": "0x02130000"}]})", oldImage(0x130005),
         {1, 4, 15, 18, 19, 20, 13, 9}, {}},
        {"boot flag 0", R"({"controllers": [{"entry": 0, "profile": "old", "class": "0x86", "subtype": 0,
                             "bootFlag": 0}]})", oldImage(),
         {1, 4, 15, 18, 19, 20, 13, 27, 9}, {}},
        // 512 KB with a 32 KB second area: component 1 fills area 2, so 18 moves to area 1.
        {"two areas", R"({"controllers": [{"entry": 0, "profile": "new", "flashSize": "0x80000",
                           "flashBase1": "0xFFF80000", "secondFlashKb": 32, "flashBase2": "0xFFF00000"}]})",
         twoAreas, {4, 18, 23, 24, 26, 13}, {1}},
    };
    for (const ProfileCase& pc : cases) {
        SCOPED_TRACE(pc.name);
        CController* ctl = Start(pc.scenario);
        ASSERT_NE(ctl, nullptr);
        const std::vector<uint8_t> before = Flash(0, 1);
        const std::vector<FlashComponent> old = kzmsim::walkFlash(before, true);
        FirmwareFile f = File(kzmsim::buildImage(pc.image));
        RecordingProgress progress;
        ASSERT_EQ(Update(*ctl, f, &progress), 0u) << std::hex << ctl->error;
        // Each erased area reports (1,1) and (1,100); staging firmware erases nothing.
        const size_t erased = std::string(pc.name) == "staging firmware" ? 0 : pc.area2.empty() ? 1 : 2;
        using Calls = std::vector<std::pair<int32_t, int32_t>>;
        Calls erases;
        for (size_t i = 0; i < 2 * erased; ++i)
            erases.emplace_back(1, i % 2 ? 100 : 1);
        ASSERT_GE(progress.calls.size(), erases.size());
        const Calls first(progress.calls.begin(), progress.calls.begin() + static_cast<long>(erases.size()));
        EXPECT_EQ(first, erases);
        if (erased != 0) {
            EXPECT_EQ(progress.calls.back(), std::make_pair(2, 100));
        }

        const std::vector<uint8_t> flash = Flash(0, 1);
        const std::vector<FlashComponent> comps = kzmsim::walkFlash(flash, true);
        EXPECT_EQ(ids(comps), pc.area1);
        EXPECT_EQ(ComponentBytes(flash, *find(comps, 13)), ComponentBytes(before, *find(old, 13)));
        EXPECT_EQ(wire::get16(flash.data(), 12) & 0x0005, 0) << "complete";
        if (const FlashComponent* top = find(comps, 9)) {
            // Component 9 ends the area; its trailer names the header and the top's size.
            EXPECT_EQ(top->offset + top->dataOffset + top->dataSize, flash.size());
            std::vector<uint8_t> expected = part(9, 128).data;
            const FlashComponent* boot = find(comps, 27);  // on top as well when the boot flag is 0
            const size_t topStart = boot ? boot->offset : top->offset;
            kzmsim::fillTopTrailer(expected, flash.data(), 0x86, static_cast<uint32_t>(flash.size() - topStart));
            EXPECT_EQ(ComponentBytes(flash, *top), expected);
        }
        if (!pc.area2.empty()) {
            const std::vector<uint8_t> flash2 = Flash(0, 2);
            EXPECT_EQ(ids(kzmsim::walkFlash(flash2, false)), pc.area2);
            EXPECT_EQ(wire::get32(flash2.data(), 36), 32u * 1024);
            EXPECT_EQ(wire::get32(flash2.data(), 44), 0xB6BCAFFFu);
            EXPECT_EQ(wire::get32(flash2.data(), 28) & 0xFFFFFF, pc.image.version);
        }
        EXPECT_EQ(RebootVersion(*ctl), pc.image.version);
        xport_reset();
        sim_.reset();
        std::filesystem::remove_all(dir_);
        dir_.clear();
    }
}

// A failure before the new image is complete writes the old areas back.
TEST_F(FirmwareSimTest, FailedWriteRestoresTheOldFlash)
{
    // The writes of a complete download, counted once.
    size_t writes = 0;
    {
        CController* ctl = Start(kNew);
        ASSERT_NE(ctl, nullptr);
        FirmwareFile f = File(kzmsim::buildImage(newImage()));
        ASSERT_EQ(Update(*ctl, f), 0u);
        writes = Count("0x00000041");
        xport_reset();
        sim_.reset();
    }
    ASSERT_GT(writes, 10u);
    const struct {
        const char* name;
        std::string fault;
    } cases[] = {
        {"first erase", "status 0 0x4C 0x10"},
        {"first write", "status 0 0x41 0x10"},
        {"middle write", "status 0 0x41 0x10 after " + std::to_string(writes / 2)},
        {"last write, the completion mark", "status 0 0x41 0x10 after " + std::to_string(writes)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CController* ctl = Start(kNew);
        ASSERT_NE(ctl, nullptr);
        const uint32_t version = ctl->FirmwareVersion();
        const std::vector<uint8_t> before1 = Flash(0, 1);
        FirmwareFile f = File(kzmsim::buildImage(newImage()));
        ASSERT_TRUE(sim_->control(c.fault));
        EXPECT_EQ(Update(*ctl, f), CTLERR_CONTROLLER + 0x10);
        EXPECT_EQ(Flash(0, 1), before1);
        EXPECT_EQ(RebootVersion(*ctl), version);
        xport_reset();
        sim_.reset();
        std::filesystem::remove_all(dir_);
        dir_.clear();
    }
}

// Images the open refuses: nothing is erased or written, and a download
// asked for anyway is refused with the open's code before any request.
TEST_F(FirmwareSimTest, OpenRefusesBadImagesBeforeTouchingTheFlash)
{
    auto with = [](auto change) {
        ImageSpec s = newImage();
        change(s);
        return kzmsim::buildImage(s);
    };
    auto without = [&](uint8_t id) {
        return with([id](ImageSpec& s) {
            std::erase_if(s.components, [id](const ImageComponent& c) { return c.id == id; });
        });
    };
    std::vector<uint8_t> odd = kzmsim::buildImage(newImage());
    odd.push_back(0);
    odd.push_back(0);
    const struct {
        const char* name;
        std::vector<uint8_t> image;
        uint32_t code;
    } cases[] = {
        {"good", kzmsim::buildImage(newImage()), 0},
        {"level 2, checksum after correction", with([](ImageSpec& s) {
             s.headerLevel = 2;
             s.correction = std::make_pair(0x1000u, 0x10u);
         }), 0},
        {"level 3 does not correct", with([](ImageSpec& s) { s.correction = std::make_pair(0x1000u, 0x10u); }),
         MODERR_CHECKSUM},
        {"wrong checksum", with([](ImageSpec& s) { s.badChecksum = true; }), MODERR_CHECKSUM},
        {"size not a multiple of 4", odd, MODERR_CHECKSUM},
        {"required component missing", without(23), MODERR_COMPONENT_MISSING},
        {"component id 35", with([](ImageSpec& s) { s.components.push_back(part(35)); }), MODERR_COMPONENT_ID},
        {"chain without -1", with([](ImageSpec& s) { s.chainEnd = false; }), MODERR_FILE_IO},
        {"too big for the flash", with([](ImageSpec& s) { s.components.push_back(part(14, 0x200000)); }),
         MODERR_NO_SPACE},
        {"board data without this board", with([](ImageSpec& s) { s.components[1] = boardData(false); }),
         MODERR_COMPONENT_MISSING},
        {"board data of another format", with([](ImageSpec& s) { s.components[1].format = 1; }),
         MODERR_COMPONENT_MISSING},
    };
    CController* ctl = Start(kNew);
    ASSERT_NE(ctl, nullptr);
    const std::vector<uint8_t> before = Flash(0, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwareFile f = File(c.image, std::string("KZM_RPFW.") + std::to_string(&c - cases));
        const int opened = ctl->OpenFirmwareFile(f);
        EXPECT_EQ(opened ? 0u : ctl->error, c.code) << std::hex << ctl->error;
        if (!opened)
            ExpectDownloadRefused(*ctl, f, c.code);
        ctl->CloseFirmwareFile(f);
        EXPECT_EQ(f.flashHandle, -1);
        EXPECT_EQ(f.file, nullptr);
    }
    EXPECT_EQ(Count("0x0000004C"), 0u);
    EXPECT_EQ(Count("0x00000041"), 0u);
    EXPECT_EQ(Flash(0, 1), before);
}

// The rules that the open applies: the table row, the rows of board types
// 0x203 and 0x204 by image version, the default rows and their family tweaks.
TEST_F(FirmwareSimTest, RulesFollowTheRowAndTheFamily)
{
    auto image = [](uint32_t version, std::vector<uint8_t> ids, uint16_t typeId = 0x6100) {
        ImageSpec s = newImage(version);
        s.components.clear();
        for (uint8_t id : ids)
            s.components.push_back(id == 4 ? boardData(true, 0xFE, typeId) : part(id));
        return s;
    };
    const struct {
        const char* name;
        const char* scenario;
        ImageSpec image;
        uint32_t code;
    } cases[] = {
        {"board type 0x203 below 0x220000: row 12", R"({"controllers": [{"profile": "new", "boardType": "0x203"}]})",
         image(0x210000, {1, 4, 23, 24, 30}), 0},
        {"board type 0x203 from 0x220000: row 14 wants 31 and 32", R"({"controllers": [{"profile": "new", "boardType": "0x203"}]})",
         image(0x220000, {1, 4, 23, 24, 30}), MODERR_COMPONENT_MISSING},
        {"board type 0x204 from 0x220000: row 14", R"({"controllers": [{"profile": "new", "boardType": "0x204"}]})",
         image(0x220000, {1, 4, 23, 24, 30, 31, 32}), 0},
        {"row above 16", R"({"controllers": [{"profile": "new", "componentRow": 17}]})",
         image(0x220000, {1, 4, 23, 24}), MODERR_NOT_SUPPORTED},
        {"family 36: default row B", R"({"controllers": [{"profile": "new", "componentRow": 255}]})",
         image(0x220000, {1, 4, 23, 24}), 0},
        {"family 37: default row B with 26 required", R"({"controllers": [{"profile": "new", "componentRow": 255,
          "subtype": "0x6200"}]})", image(0x220000, {1, 4, 23, 24}, 0x6200), MODERR_COMPONENT_MISSING},
        {"family 37 with 26", R"({"controllers": [{"profile": "new", "componentRow": 255, "subtype": "0x6200"}]})",
         image(0x220000, {1, 4, 23, 24, 26}, 0x6200), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CController* ctl = Start(c.scenario);
        ASSERT_NE(ctl, nullptr);
        FirmwareFile f = File(kzmsim::buildImage(c.image));
        const int opened = ctl->OpenFirmwareFile(f);
        EXPECT_EQ(opened ? 0u : ctl->error, c.code) << std::hex << ctl->error;
        ctl->CloseFirmwareFile(f);
        xport_reset();
        sim_.reset();
        std::filesystem::remove_all(dir_);
        dir_.clear();
    }
}

TEST_F(FirmwareSimTest, ASecondKeptComponentIsRefused)
{
    // A controller without a table row keeps 13 and 34; its flash gets a 34
    // behind its chain, written through the flash requests.
    CController* ctl = Start(R"({"controllers": [{"entry": 0, "profile": "middle"}]})");
    ASSERT_NE(ctl, nullptr);
    const std::vector<uint8_t> flash = Flash(0, 1);
    const std::vector<FlashComponent> comps = kzmsim::walkFlash(flash, true);
    const FlashComponent* kept = find(comps, 13);
    ASSERT_NE(kept, nullptr);
    std::vector<uint8_t> extra(36 + 16, 0x34);
    wire::put32(extra.data(), 0, 0xFFFFFFFF);
    wire::put32(extra.data(), 24, 16);
    extra[33] = 34;
    extra[34] = 36;
    uint8_t buffer[FW_TRANSFER_SIZE] = {};
    std::memcpy(buffer + FW_REQUEST_HEADER, extra.data(), extra.size());
    ASSERT_EQ(ctl->FlashTransfer(buffer, static_cast<uint32_t>(kept->offset + kept->dataOffset + kept->dataSize),
                                 static_cast<uint32_t>(extra.size()), 1, 2),
              1)
        << std::hex << ctl->error;
    ASSERT_NE(find(kzmsim::walkFlash(Flash(0, 1), true), 34), nullptr);

    ImageSpec s = newImage(0x1C0010);
    s.components = {part(1), boardData(), part(14), part(23), part(24)};
    FirmwareFile f = File(kzmsim::buildImage(s));
    EXPECT_EQ(ctl->OpenFirmwareFile(f), 0);
    EXPECT_EQ(ctl->error, MODERR_NO_SPACE);
    ctl->CloseFirmwareFile(f);
}

// A record that was never opened, one whose file cannot be read and one
// already closed: each download is refused and the flash stays as it was.
TEST_F(FirmwareSimTest, DownloadWithoutAnOpenImageIsRefused)
{
    CController* ctl = Start(kNew);
    ASSERT_NE(ctl, nullptr);
    const std::vector<uint8_t> before1 = Flash(0, 1);
    const std::vector<uint8_t> before2 = Flash(0, 2);

    FirmwareFile never = File(kzmsim::buildImage(newImage()));
    ExpectDownloadRefused(*ctl, never, MODERR_COMPONENT_MISSING);

    FirmwareFile missing;
    std::snprintf(missing.path, sizeof missing.path, "%s/KZM_RPFW.404", dir_.c_str());
    EXPECT_EQ(ctl->OpenFirmwareFile(missing), 0);
    ExpectDownloadRefused(*ctl, missing, MODERR_FILE_OPEN);
    ctl->CloseFirmwareFile(missing);
    ExpectDownloadRefused(*ctl, missing, MODERR_FILE_OPEN);

    FirmwareFile closed = File(kzmsim::buildImage(newImage()));
    ASSERT_EQ(ctl->OpenFirmwareFile(closed), 1) << std::hex << ctl->error;
    ctl->CloseFirmwareFile(closed);
    ExpectDownloadRefused(*ctl, closed, MODERR_COMPONENT_MISSING);

    EXPECT_EQ(Count("0x0000004C"), 0u);
    EXPECT_EQ(Count("0x00000041"), 0u);
    EXPECT_EQ(Flash(0, 1), before1);
    EXPECT_EQ(Flash(0, 2), before2);
}

// A download, complete or failed, uses up its open: a second one on the same
// record is refused before any flash request, and a new open of the record
// (here of a newer image in its file) makes the next download work.
TEST_F(FirmwareSimTest, EachDownloadNeedsItsOwnOpen)
{
    const struct {
        const char* name;
        const char* fault;  // control line before the first download, or none
    } cases[] = {
        {"after a complete download", nullptr},
        {"after a failed download", "status 0 0x4C 0x10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CController* ctl = Start(kNew);
        ASSERT_NE(ctl, nullptr);
        FirmwareFile f = File(kzmsim::buildImage(newImage(0x220001)));
        ASSERT_EQ(ctl->OpenFirmwareFile(f), 1) << std::hex << ctl->error;
        if (c.fault) {
            ASSERT_TRUE(sim_->control(c.fault));
        }
        EXPECT_EQ(ctl->DownloadFirmware(f, nullptr), c.fault ? 0 : 1) << std::hex << ctl->error;
        const std::vector<uint8_t> after = Flash(0, 1);

        ExpectDownloadRefused(*ctl, f, MODERR_COMPONENT_MISSING);
        EXPECT_EQ(Flash(0, 1), after);

        File(kzmsim::buildImage(newImage(0x220002)));
        ASSERT_EQ(ctl->OpenFirmwareFile(f), 1) << std::hex << ctl->error;
        EXPECT_EQ(ctl->DownloadFirmware(f, nullptr), 1) << std::hex << ctl->error;
        ctl->CloseFirmwareFile(f);
        EXPECT_EQ(RebootVersion(*ctl), 0x220002u);
        xport_reset();
        sim_.reset();
        std::filesystem::remove_all(dir_);
        dir_.clear();
    }
}

TEST_F(FirmwareSimTest, WrongByteSumOfAFlashReadFailsTheOpen)
{
    CController* ctl = Start(kNew);
    ASSERT_NE(ctl, nullptr);
    FirmwareFile f = File(kzmsim::buildImage(newImage()));
    ASSERT_TRUE(sim_->control("badsum 0"));
    EXPECT_EQ(ctl->OpenFirmwareFile(f), 0);
    EXPECT_EQ(ctl->error, MODERR_CHECKSUM);
    ctl->CloseFirmwareFile(f);
    ASSERT_EQ(Update(*ctl, f), 0u) << "the next read is right again";
}

}  // namespace
