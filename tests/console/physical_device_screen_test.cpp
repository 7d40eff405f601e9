// The physical device screen of mirvane in tmux against the emulator's
// device zoo: the disk lines, the Configure Disk menu, the initialisation
// dialogs, the surface check, rescans and the extended information.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mirvane_session.h"
#include "screen_waits.h"

namespace tui::testing {
namespace {

const char* const listHint = "F4: Extended Information, F5: Identify Drive, F8: Repair";

// The zoo: one SCSI channel with disks of every kind, a U160 channel (bus
// type 9) and a Fibre Channel disk with its extended information.
const std::string zoo = R"({"controllers": [{"entry": 0, "surfaceCheck": {"step": 25},
 "channels": [
  {"kind": 2, "ownId": 7, "devices": [
    {"target": 0, "product": "INIT DISK", "transferRate": 160000, "grownDefects": 3, "primaryDefects": 120},
    {"target": 1, "product": "NEW DISK", "initialised": false, "diskFormat": 0},
    {"target": 2, "product": "REMOVABLE", "removable": true, "infoBytes": [[51, 1]]},
    {"target": 3, "product": "LOCKED REM", "infoBytes": [[49, 5]]},
    {"target": 4, "product": "FAILED", "ready": false},
    {"target": 5, "product": "READ ONLY", "writeProtected": true},
    {"target": 6, "product": "BIG BLOCKS", "blockSize": 1024},
    {"target": 8, "product": "FRAGMENT", "deviceByte": 1},
    {"target": 9, "product": "PROCESSOR", "type": 3},
    {"target": 10, "product": "RAW DEVICE", "type": 3, "infoBytes": [[76, 1]]},
    {"target": 11, "product": "IN DRIVE"},
    {"target": 12, "product": "FOREIGN", "ownership": "78563412000001000100000002000000"},
    {"target": 13, "product": "STRAY", "ownership": "78563412000000000100000002000000"}]},
  {"kind": 2, "ownId": 7, "busType": 9, "devices": [
    {"target": 0, "product": "U160 DISK", "transferRate": 66666}]},
  {"kind": 3, "ownId": 0, "devices": [
    {"target": 1, "product": "FC DISK", "secondLoop": 1,
     "infoBytes": [[81, 1], [85, 0], [88, 49], [89, 46], [90, 0], [91, 8], [92, 1], [96, 2]]}]}],
 "logicalDrives": [{"number": 5, "type": 0, "name": "DISK_5", "members": [[0, 10]]}]}]})";

// List lines of the zoo's devices (line 0 is the first device).
enum ZooLine {
    initDisk = 0, newDisk, removable, lockedRemovable, failed, readOnly, bigBlocks, fragment, processor, rawDevice,
    inDrive, foreign, stray, ioProcessorA, u160Disk, ioProcessorB, fcDisk, ioProcessorFc, rescanLine, hotPlugLine
};

// Bytes of the data area (from byte 524 of the logged record) of the last
// request with the key, as lowercase hex.
std::string lastDataBytes(const SimMount& sim, const std::string& key, size_t offset, size_t count)
{
    std::string record;
    for (const std::string& line : sim.log())
        if (line.find("\t" + key + "\t") != std::string::npos)
            record = line.substr(line.rfind('\t') + 1);
    const size_t at = (524 + offset) * 2;
    return record.size() >= at + 2 * count ? record.substr(at, 2 * count) : "";
}

class physicalDeviceScreenTest : public mirvaneSession {
protected:
    // The console on the scenario, opened at " Select Physical Drive ".
    void open(const std::string& scenario = zoo)
    {
        ASSERT_NO_FATAL_FAILURE(start("", scenario));
        tmux->resize(80, 40);  // room for every line of the zoo
        ASSERT_NO_FATAL_FAILURE(toAdvancedSetup());
        tmux->sendKeys("Down Enter");
        ASSERT_TRUE(tmux->waitFor(" Select Physical Drive ")) << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
    }
    // Moves n lines down (up for n below 0).
    void down(int n)
    {
        for (int i = 0; i < n; ++i)
            tmux->sendKeys("Down");
        for (int i = 0; i > n; --i)
            tmux->sendKeys("Up");
    }
    // ENTER on line n (counted from the first line) and the Configure Disk menu.
    void configure(int n)
    {
        down(n);
        tmux->sendKeys("Enter");
        ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
    }
    // Waits until the text is gone.
    // Waits until the key was logged `count` times.
    bool waitKey(const std::string& key, int count)
    {
        return waitForLog(*sim, key, count);
    }

};

TEST_F(physicalDeviceScreenTest, DiskLinesShowEveryKindOfDevice)
{
    open();
    ASSERT_TRUE(tmux->waitFor("  FCAL-C 0   0   FC I/O Processor")) << tmux->capture();
    const std::string pane = stillPane();
    const char* const lines[] = {
        "  Chn    ID LUN  Vendor  Product          Attr Cap(MB) Drive",
        "  SCSI-A 0   0 i KZM     INIT DISK        RW      1024           ",
        "  SCSI-A 1   0   KZM     NEW DISK         RW      1024           ",
        "  SCSI-A 2   0 i KZM     REMOVABLE        RWRM    1024           ",
        "  SCSI-A 4   0   KZM     FAILED                                  ",
        "  SCSI-A 5   0 i KZM     READ ONLY        RO      1024           ",
        "  SCSI-A 8   0 i KZM     FRAGMENT         RW      1024 Fragment  ",
        "  SCSI-A 9   0   KZM     PROCESSOR                               ",
        "  SCSI-A 11  0 i KZM     IN DRIVE         RW      1024 Drive 5   ",
        "  SCSI-A 7   0   SCSI I/O Processor",
        "  FCAL-* 1   0 i KZM     FC DISK          RW      1024",
        "  FCAL-C 0   0   FC I/O Processor",
    };
    for (const char* line : lines)
        EXPECT_NE(pane.find(line), std::string::npos) << line << "\n" << pane;
    EXPECT_NE(pane.find("F4: Extended Information, F5: Identify Drive, F8: Repair"), std::string::npos) << pane;
    down(hotPlugLine);
    ASSERT_TRUE(tmux->waitFor("Plug in new disk (Hot Plug)")) << tmux->capture();
}

TEST_F(physicalDeviceScreenTest, SataControllerUsesThePositionLayout)
{
    open(R"({"controllers": [{"entry": 0, "channels": [
        {"kind": 4, "ownId": 0, "busType": 65, "devices": [{"target": 1, "product": "SATA DISK"}]}]}]})");
    const std::string pane = stillPane();
    EXPECT_NE(pane.find("  ID    Vendor  Product          Attr Cap(MB) Drive"), std::string::npos) << pane;
    EXPECT_NE(pane.find("  A:1 i KZM     SATA DISK        RW      1024 "), std::string::npos) << pane;
    EXPECT_EQ(pane.find("Chn"), std::string::npos) << pane;
    // The rescan's channel menu names SATA channels by letter; ID 1 is the highest here.
    down(2);
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Channel ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" SATA-A ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("'*' to scan all, or '0'..'1':")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone("'*' to scan all")) << tmux->capture();
    // The SATA dialog offers the write cache alone; switched off, the disk
    // is initialised with transfer mode 17 and cache byte 0.
    tmux->sendKeys("Up Up Enter");
    ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor(" Initialize SATA Disk ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Disk Write Cache ............ (On)")) << tmux->capture();
    tmux->sendKeys("w");
    ASSERT_TRUE(tmux->waitFor("│Off")) << tmux->capture();
    tmux->sendKeys("Up Enter");
    ASSERT_TRUE(tmux->waitFor("Disk Write Cache ............ (Off)")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ?")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitKey("0x20000002", 1));
    EXPECT_EQ(lastDataBytes(*sim, "0x20000002", 52, 1), "11");
    EXPECT_EQ(lastDataBytes(*sim, "0x20000002", 56, 1), "00");
}

// ENTER on devices that cannot be configured.
TEST_F(physicalDeviceScreenTest, DevicesThatCannotBeConfiguredSayWhy)
{
    open();
    const struct {
        int line;
        const char* text;
    } cases[] = {
        {processor, "It's not possible to initialize"},
        {rawDevice, "reserved\nfor the raw service"},
        {ioProcessorA, "This is a SCSI I/O processor !"},
        {ioProcessorFc, "This is a Fibre Channel I/O processor !"},
        {foreign, "mounted on another controller"},
    };
    int at = 0;
    for (const auto& c : cases) {
        down(c.line - at);
        at = c.line;
        tmux->sendKeys("Enter");
        const std::string first = std::string(c.text).substr(0, std::string(c.text).find('\n'));
        ASSERT_TRUE(tmux->waitFor(first)) << c.line << "\n" << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone(first)) << tmux->capture();
        EXPECT_FALSE(shows(" Configure Disk ")) << c.line;
    }
    // A disk of a private host drive its owner does not mount: warned, then configured.
    down(stray - at);
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor("It is currently not mounted by its owner.")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
}

TEST_F(physicalDeviceScreenTest, ExtendedInformationByChannelKind)
{
    open();
    tmux->sendKeys("F4");  // a SCSI disk
    ASSERT_TRUE(tmux->waitFor("No extended information available")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("No extended information")) << tmux->capture();
    down(fcDisk);
    tmux->sendKeys("F2");
    ASSERT_TRUE(tmux->waitFor("Chn.: FCAL-C  Status: Available")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Rev.: 1.")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Frame Size [Bytes]:   2048")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("World Wide Name: 0x0000000100000002 (hex.)")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("World Wide Name")) << tmux->capture();
    tmux->sendKeys("Down F4");
    ASSERT_TRUE(tmux->waitFor(" Fibre Channel Information ")) << tmux->capture();
    const char* const items[] = {"Supported link speeds [MBaud] .... 1062, 2125",
                                 "Supported media types ............ Shielded Twisted Pair",
                                 "GLM chip name, revision .......... KZM GLM 2G Rev 1.2",
                                 "IO processor name, revision ...... HPFC5100B Rev. 2.1",
                                 "Lowest and highest ANSI version .. 4.3/5.2",
                                 "Supported topologies ............. FC-AL",
                                 "Min. and max. frame size [Bytes] . 256/2048",
                                 "Fibre channel status ............. Ready"};
    const std::string pane = stillPane();
    for (const char* item : items)
        EXPECT_NE(pane.find(item), std::string::npos) << item << "\n" << pane;
    tmux->sendKeys("Escape");
    ASSERT_TRUE(waitGone(" Fibre Channel Information ")) << tmux->capture();
}

TEST_F(physicalDeviceScreenTest, DefectsDeinitialiseLockAndUnlock)
{
    open();
    configure(initDisk);
    tmux->sendKeys("v");
    ASSERT_TRUE(tmux->waitFor("Grown   defects:      3")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("Primary defects:    120")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone("Grown   defects")) << tmux->capture();
    configure(0);
    tmux->sendKeys("d");
    ASSERT_TRUE(tmux->waitFor("Do you really want to deinitialize")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitKey("0x20000008", 1));
    ASSERT_TRUE(tmux->waitFor("  SCSI-A 0   0   KZM     INIT DISK")) << tmux->capture();
    // Lock and unlock are only for removable disks; a removable disk with
    // bit 2 offers only the lock, one without it only the unlock.
    configure(removable);
    tmux->sendKeys("l");  // disabled: the menu stays
    tmux->sendKeys("u");
    ASSERT_TRUE(waitKey("0x2000000D", 1));
    ASSERT_TRUE(waitGone(" Configure Disk ")) << tmux->capture();
    EXPECT_EQ(countKey("0x2000000E"), 0);
    // Unlocked now: a second unlock is refused, and the refusal is shown.
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
    tmux->sendKeys("u");
    ASSERT_TRUE(tmux->waitFor("Error: Controller returned error code")) << tmux->capture();
    tmux->sendKeys("x");
    ASSERT_TRUE(waitGone(" Configure Disk ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Configure Disk ")) << tmux->capture();
    tmux->sendKeys("u p c");  // all disabled
    tmux->sendKeys("l");
    ASSERT_TRUE(waitKey("0x2000000E", 1));
    EXPECT_EQ(countKey("0x2000000D"), 2);
    EXPECT_EQ(countKey("0x20000002"), 0);
    EXPECT_EQ(countKey("0x20000013"), 0);
}

// The questions at the end of the initialisation dialogs, and whether the
// disk was initialised (key 0x20000002 in the log).
TEST_F(physicalDeviceScreenTest, InitialisationAsksOnlyWhenItMust)
{
    open();
    const struct {
        int line;
        const char* dialog;
        const char* keys;      // in the dialog, before ESC
        const char* question;  // null: none
        int initialised;       // key 0x20000002 count afterwards
    } cases[] = {
        {initDisk, " Initialize SCSI Disk ", "", nullptr, 0},
        {initDisk, " Initialize SCSI Disk ", "s Down Enter", "Do you want to save the changes ?", 1},
        {newDisk, " Initialize SCSI Disk ", "", "Initialization of disk will destroy all data.", 2},
        {u160Disk, " Initialize SCSI Disk ", "", nullptr, 2},
        {fcDisk, " Initialize FC Disk ", "r Down Enter", "Do you want to save the changes ?", 3},
    };
    int at = 0;
    for (const auto& c : cases) {
        configure(c.line - at);
        at = c.line;
        tmux->sendKeys("p");
        ASSERT_TRUE(tmux->waitFor(c.dialog)) << c.line << "\n" << tmux->capture();
        if (*c.keys) {
            tmux->sendKeys(c.keys);
            ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        }
        tmux->sendKeys("Escape");
        if (c.question) {
            ASSERT_TRUE(tmux->waitFor(c.question)) << c.line << "\n" << tmux->capture();
            tmux->sendKeys("y");
        }
        ASSERT_TRUE(waitKey("0x20000002", c.initialised)) << c.line;
        ASSERT_TRUE(waitGone(c.dialog)) << tmux->capture();
        ASSERT_TRUE(waitGone(" Configure Disk ")) << tmux->capture();
        ASSERT_TRUE(settle(*tmux)) << tmux->capture();
        EXPECT_EQ(countKey("0x20000002"), c.initialised) << c.line;
    }
    ASSERT_TRUE(tmux->waitFor("  SCSI-A 1   0 i KZM     NEW DISK")) << tmux->capture();
}

// The rate menu of the SCSI dialog by the channel's bus type, and the
// transfer mode and rate the disk is initialised with.
TEST_F(physicalDeviceScreenTest, RateMenusFollowTheBusType)
{
    const struct {
        int busType;
        std::vector<std::string> shown;
        std::vector<std::string> absent;
        const char* mode;  // DiskParameters byte 52 as sent
        const char* rate;  // u32 at 32: the first rate of the menu
    } cases[] = {
        {3, {" 10.0 ", "  8.0 ", "  4.0 "}, {" 20.0 "}, "11", "10270000"},
        {4, {" 20.0 ", " 10.0 ", "  5.0 "}, {"  8.0 ", " 40.0 "}, "11", "204e0000"},
        {6, {" 40.0 ", " 20.0 ", "  5.0 "}, {" 80.0 "}, "11", "409c0000"},
        {7, {" 80.0 ", " 40.0 ", " 10.0 "}, {"  5.0 "}, "11", "80380100"},
        {9, {"160.0 ", " 80.0 ", " 20.0 "}, {" 10.0 "}, "31", "00710200"},
    };
    for (const auto& c : cases) {
        open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "busType": )" + std::to_string(c.busType) +
             R"(, "devices": [{"target": 0}]}]}]})");
        configure(0);
        tmux->sendKeys("p");
        ASSERT_TRUE(tmux->waitFor(" Initialize SCSI Disk ")) << tmux->capture();
        EXPECT_EQ(shows(" F4: Advanced Configuration "), c.busType == 9) << c.busType;
        tmux->sendKeys("c");
        ASSERT_TRUE(tmux->waitFor(c.shown[0])) << c.busType << "\n" << tmux->capture();
        for (const std::string& item : c.shown)
            EXPECT_TRUE(tmux->waitFor("│" + item + "│")) << c.busType << " " << item << "\n" << tmux->capture();
        for (const std::string& item : c.absent)
            EXPECT_FALSE(shows("│" + item + "│")) << c.busType << " " << item << "\n" << tmux->capture();
        tmux->sendKeys("Enter");  // the first rate
        tmux->sendKeys("Escape");
        ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ?")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(waitKey("0x20000002", 1)) << c.busType;
        EXPECT_EQ(lastDataBytes(*sim, "0x20000002", 52, 1), c.mode) << c.busType;
        EXPECT_EQ(lastDataBytes(*sim, "0x20000002", 32, 4), c.rate) << c.busType;
        tmux.reset();
        sim.reset();
    }
}

TEST_F(physicalDeviceScreenTest, AutomaticBusTypesTakeOnlyCacheChanges)
{
    open(R"({"controllers": [{"entry": 0, "channels": [{"kind": 2, "busType": 11, "devices": [
        {"target": 0, "infoBytes": [[51, 1]]}]}]}]})");
    configure(0);
    tmux->sendKeys("p");
    ASSERT_TRUE(tmux->waitFor(" Initialize SCSI Disk ")) << tmux->capture();
    for (const char* key : {"s", "d", "t"}) {
        tmux->sendKeys(key);
        ASSERT_TRUE(tmux->waitFor("SCSI Parameters are configured automatically.")) << key << tmux->capture();
        tmux->sendKeys("x");
        ASSERT_TRUE(waitGone("configured automatically")) << tmux->capture();
    }
    tmux->sendKeys("r");
    ASSERT_TRUE(tmux->waitFor("│Off")) << tmux->capture();
    tmux->sendKeys("Up Enter");
    ASSERT_TRUE(tmux->waitFor("Disk Read Cache ............ (Off)")) << tmux->capture();
    tmux->sendKeys("Escape");
    ASSERT_TRUE(tmux->waitFor("Do you want to save the changes ?")) << tmux->capture();
    tmux->sendKeys("y");
    ASSERT_TRUE(waitKey("0x20000002", 1));
}

// How a surface check ends: by the error count the check found, by ESC,
// or with the disk gone.
TEST_F(physicalDeviceScreenTest, SurfaceCheckEndings)
{
    const struct {
        const char* control;   // before the check
        const char* during;    // key or control line once the window shows
        const char* message;   // null: none
    } cases[] = {
        {"surface 0 0 0 0", nullptr, "Surface check finished without errors"},
        {"surface 0 0 0 5", nullptr, "Error detected during surface check !"},
        {"surface 0 0 0 1024", nullptr, nullptr},
        {"progress time 1000", "Escape", nullptr},
        {"progress time 1000", "pull 0 0 0", "Error"},
    };
    for (const auto& c : cases) {
        open();
        ASSERT_TRUE(sim->control(c.control)) << c.control;
        configure(initDisk);
        tmux->sendKeys("c");
        ASSERT_TRUE(tmux->waitFor("Performing command will destroy all data.")) << tmux->capture();
        tmux->sendKeys("y");
        ASSERT_TRUE(waitKey("0x20000013", 1)) << c.control;
        if (c.during) {
            ASSERT_TRUE(tmux->waitFor(" Check Surface ")) << tmux->capture();
            if (std::string(c.during) == "Escape") {
                tmux->sendKeys("Escape");
            } else {
                ASSERT_TRUE(sim->control(c.during));
            }
        }
        if (c.during && std::string(c.during) == "Escape") {
            ASSERT_TRUE(waitKey("0x20000018", 1));
        }
        if (c.message) {
            ASSERT_TRUE(tmux->waitFor(c.message, 15000)) << c.control << "\n" << tmux->capture();
            EXPECT_FALSE(c.during && shows("finished without errors")) << tmux->capture();
            tmux->sendKeys("x");
        }
        ASSERT_TRUE(waitGone(" Check Surface ")) << c.control << "\n" << tmux->capture();
        ASSERT_TRUE(tmux->waitFor(listHint)) << tmux->capture();
        EXPECT_FALSE(shows("surface check")) << c.control << "\n" << tmux->capture();
        tmux.reset();
        sim.reset();
    }
}

TEST_F(physicalDeviceScreenTest, RescanInputsAndAFoundDisk)
{
    open();
    ASSERT_TRUE(sim->control("insert 0 0 14"));
    down(rescanLine);
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Channel ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" SCSI-A ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor(" FCAL-C ")) << tmux->capture();
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Select scan ID on SCSI-A ")) << tmux->capture();
    EXPECT_TRUE(tmux->waitFor("'*' to scan all, or '0'..'15':")) << tmux->capture();
    // Out of range: asked again, nothing scanned.
    tmux->sendKeys("-l 16");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor(" Select scan ID on SCSI-A ")) << tmux->capture();
    EXPECT_EQ(countKey("0x00000074"), 0);
    tmux->sendKeys("-l 14");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitKey("0x00000074", 1)) << tmux->capture();
    ASSERT_TRUE(tmux->waitFor("  SCSI-A 14  0   KZM     VIRTUAL DISK")) << tmux->capture();
    // The rescan of one ID scans each of its LUNs; all its scans are logged
    // once the list shows the found disk.
    const int oneIdScans = countKey("0x00000074");
    // "*" scans the whole channel.
    down(1);  // the rescan line moved one down
    tmux->sendKeys("Enter");
    ASSERT_TRUE(tmux->waitFor(" Channel ")) << tmux->capture();
    tmux->sendKeys("Down Enter");
    ASSERT_TRUE(tmux->waitFor(" Select scan ID on SCSI-B ")) << tmux->capture();
    tmux->sendKeys("-l '*'");
    tmux->sendKeys("Enter");
    ASSERT_TRUE(waitKey("0x00000074", oneIdScans + 1)) << tmux->capture();
    const std::vector<std::string> log = sim->log();
    std::string last;
    for (const std::string& line : log)
        if (line.find("\t0x00000074\t") != std::string::npos)
            last = line;
    // The scan record {channel 1, target 255: all, LUN 0, 0} ends the logged request.
    ASSERT_GT(last.size(), 16u);
    EXPECT_EQ(last.substr(last.size() - 16, 8), "01ff0000") << last.substr(last.size() - 16);
}

TEST_F(physicalDeviceScreenTest, RewriteTouchesEveryInitialisedDisk)
{
    open();
    tmux->sendKeys("F8");
    ASSERT_TRUE(tmux->waitFor("The physical configuration data of all disks will be re-written.")) << tmux->capture();
    tmux->sendKeys("n");
    ASSERT_TRUE(waitGone("re-written")) << tmux->capture();
    tmux->sendKeys("F8");
    ASSERT_TRUE(tmux->waitFor("The physical configuration data of all disks will be re-written.")) << tmux->capture();
    tmux->sendKeys("y");
    // Initialised, ready, writable disks of 512-byte blocks: INIT, REMOVABLE,
    // LOCKED REM, FRAGMENT, IN DRIVE, FOREIGN, STRAY, U160, FC.
    ASSERT_TRUE(waitKey("0x20000002", 9));
    ASSERT_TRUE(settle(*tmux)) << tmux->capture();
    EXPECT_EQ(countKey("0x20000002"), 9);
}

}  // namespace
}  // namespace tui::testing
