// Controller settings end to end over the mounted emulator: configuration
// page A written, committed, finished and read back; cache switches and
// cache parameter sets; the non-build mode.
#include "byte_order.h"
#include "controller.h"
#include "ctl_errors.h"
#include "model_errors.h"
#include "phys_drive_sim_test.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class SettingsSimTest : public PhysDriveSimTest {
protected:
    CHostSystem* machine_ = nullptr;

    // Controller 0 of `profile`, with the firmware version word given (0: the profile's).
    CController* Open(const std::string& profile, uint32_t firmwareVersion = 0, const std::string& more = "")
    {
        std::string json = R"({"entry": 0, "profile": ")" + profile + R"(")" + more;
        if (firmwareVersion != 0)
            json += R"(, "firmwareVersion": )" + std::to_string(firmwareVersion);
        machine_ = OpenLocalMachine(R"({"controllers": [)" + json + "}]}");
        if (machine_ == nullptr || machine_->Connect() != 1 || machine_->controllers.count < 1)
            return nullptr;
        return &machine_->controllers[0];
    }

    // A controller object of its own, reading everything from the controller.
    CController Fresh() const { return CController(0, 0, machine_->info); }

    std::string State() const { return sim_->readFile("kzmsim/state"); }
};

uint8_t* Channel(SettingsRecord& r, int c)
{
    return r.bytes + SETREC_CHANNEL + SETREC_CHANNEL_SIZE * static_cast<size_t>(c);
}

TEST_F(SettingsSimTest, SettingsReachPageAAndAFreshObjectReadsThemBack)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    EXPECT_EQ(Channel(r, 0)[SETREC_CH_ID], 7);
    EXPECT_EQ(wire::get32(Channel(r, 0), SETREC_CH_TERMINATION), 1u);
    EXPECT_EQ(wire::get32(Channel(r, 1), SETREC_CH_TERMINATION), 2u) << "Fibre Channel: not set by software";
    EXPECT_EQ(r.bytes[SETREC_OPTION_COUNT2], 15);

    r.bytes[SETREC_MEMORY_TEST] = 7;
    r.bytes[SETREC_BIOS_WARNING] = 5;
    r.bytes[SETREC_BIOS_MODE] = 3;
    Channel(r, 0)[SETREC_CH_ID] = 6;
    wire::put32(Channel(r, 0), SETREC_CH_TERM_SETTABLE, 1);
    wire::put32(Channel(r, 0), SETREC_CH_TERMINATION, 0);
    wire::put32(Channel(r, 0), SETREC_CH_DOMAIN_VALIDATION, 0);
    r.bytes[SETREC_OPTION_COUNT2] = 3;
    r.bytes[SETREC_OPTIONS2] = 0x11;
    r.bytes[SETREC_OPTIONS2 + 1] = 0x22;
    r.bytes[SETREC_OPTIONS2 + 2] = 0x33;
    const size_t from = sim_->log().size();
    ASSERT_EQ(c->SetSettings(r), 1) << std::hex << c->error;
    EXPECT_EQ(c->error, 0u);
    const auto writes = LoggedRecords(0x2B);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(sim_->log().size() - from > 3, true) << "commit, finish and the re-read follow";
    EXPECT_EQ(Logged(0x2C), 1u);
    EXPECT_EQ(Logged(0x2D), 1u);
    EXPECT_EQ(State(), "") << "committed and finished";

    CController fresh = Fresh();
    ASSERT_EQ(fresh.index, 0);
    const uint8_t* page = fresh.configPageA;
    EXPECT_EQ(page[PAGE_A_MEMORY_TEST], 1) << "memory test 7 writes 1";
    EXPECT_EQ(page[PAGE_A_BIOS_WARNING], 1) << "warning level 5 writes 1";
    EXPECT_EQ(page[PAGE_A_BIOS_MODE], 3);
    EXPECT_EQ(page[PAGE_A_CHANNEL], 6) << "ID 6, termination and domain validation off";
    EXPECT_EQ(page[PAGE_A_TERM_SETTABLE], 1);
    EXPECT_EQ(page[PAGE_A_OPTION_COUNT2], 3);
    EXPECT_EQ(page[PAGE_A_OPTIONS2 + 2], 0x33);
    SettingsRecord back;
    ASSERT_EQ(fresh.GetSettings(back), 1);
    EXPECT_EQ(back.bytes[SETREC_OPTIONS2 + 1], 0x22);
    EXPECT_EQ(std::memcmp(c->configPageA, fresh.configPageA, CONFIG_PAGE_SIZE), 0) << "the object re-read its pages";
}

TEST_F(SettingsSimTest, TerminationThatSoftwareCannotSetKeepsThePagesBit)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    for (const int bitBefore : {1, 0}) {
        SCOPED_TRACE(bitBefore);
        SettingsRecord r;
        ASSERT_EQ(c->GetSettings(r), 1);
        wire::put32(Channel(r, 0), SETREC_CH_TERM_SETTABLE, 1);
        wire::put32(Channel(r, 0), SETREC_CH_TERMINATION, static_cast<uint32_t>(bitBefore));
        ASSERT_EQ(c->SetSettings(r), 1);
        wire::put32(Channel(r, 0), SETREC_CH_TERMINATION, 2);
        ASSERT_EQ(c->SetSettings(r), 1);
        EXPECT_EQ(Fresh().configPageA[PAGE_A_CHANNEL] & PAGE_A_TERMINATION, bitBefore ? PAGE_A_TERMINATION : 0);
    }
}

TEST_F(SettingsSimTest, FirmwareBelowSecondOptionsClearsTheirCount)
{
    CController* c = Open("new", 0x021BFFFF);
    ASSERT_NE(c, nullptr);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    r.bytes[SETREC_OPTION_COUNT2] = 2;
    r.bytes[SETREC_OPTIONS2] = 0x55;
    ASSERT_EQ(c->SetSettings(r), 1) << std::hex << c->error;
    const auto writes = LoggedRecords(0x2B);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0][kLoggedData + PAGE_A_OPTION_COUNT2], 0);
    EXPECT_EQ(writes[0][kLoggedData + PAGE_A_OPTIONS2], 0) << "the record's second options are ignored";
}

TEST_F(SettingsSimTest, OptionCountsStopAtFifteen)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    r.bytes[SETREC_BOOT_COUNT] = 200;
    std::memset(r.bytes + SETREC_BOOT_OPTIONS, 0xA5, PAGE_A_OPTION_BYTES);
    ASSERT_EQ(c->SetBootOptions(r), 1) << std::hex << c->error;
    EXPECT_EQ(c->configPageA[PAGE_A_BOOT_COUNT], 15);
    EXPECT_EQ(c->configPageA[PAGE_A_BOOT_OPTIONS + 14], 0xA5);
    EXPECT_EQ(c->configPageA[PAGE_A_OPTION_COUNT2], 15) << "the boot options alone changed";

    r.bytes[SETREC_OPTION_COUNT2] = 99;
    ASSERT_EQ(c->SetSettings(r), 1);
    EXPECT_EQ(LoggedRecords(0x2B).back()[kLoggedData + PAGE_A_OPTION_COUNT2], 15);
}

TEST_F(SettingsSimTest, AFailedPageWriteLeavesTheObjectAsTheController)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    uint8_t before[CONFIG_PAGE_SIZE];
    std::memcpy(before, c->configPageA, sizeof before);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    r.bytes[SETREC_MEMORY_TEST] = 3;
    ASSERT_TRUE(sim_->control("status 0 0x2B 7"));
    EXPECT_EQ(c->SetSettings(r), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(Logged(0x2C), 0u) << "nothing to commit";
    EXPECT_EQ(std::memcmp(before, c->configPageA, sizeof before), 0);
    EXPECT_EQ(std::memcmp(Fresh().configPageA, c->configPageA, sizeof before), 0);
    EXPECT_EQ(State(), "");
}

TEST_F(SettingsSimTest, ACommitThatFailsAfterTheWriteIsKeptInTheErrorWord)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    r.bytes[SETREC_MEMORY_TEST] = 2;
    ASSERT_TRUE(sim_->control("status 0 0x2C 7"));
    EXPECT_EQ(c->SetSettings(r), 1) << "the page reached the controller";
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(c->configPageA[PAGE_A_MEMORY_TEST], 2);
    EXPECT_EQ(State(), "0 page written\n") << "the controller still waits for the commit";

    ASSERT_EQ(c->CommitConfigPage(), 1);
    ASSERT_EQ(c->FinishConfigPage(), 1);
    EXPECT_EQ(State(), "");
    EXPECT_EQ(c->FinishConfigPage(), 0) << "nothing left to finish";
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
}

TEST_F(SettingsSimTest, APageThatGoesToFlashIsCommittedAfterAFlashRound)
{
    CController* c = Open("new", 0, R"(, "pagesToFlash": true)");
    ASSERT_NE(c, nullptr);
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    r.bytes[SETREC_MEMORY_TEST] = 2;
    ASSERT_EQ(c->SetSettings(r), 1);
    EXPECT_EQ(c->error, 0u) << std::hex << c->error;
    EXPECT_EQ(Logged(0x2C), 2u) << "asked for the flash, then committed";
    const auto records = LoggedRecords(0x2E);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(wire::get32(records[0].data() + kLoggedData, 0), 44u);
    EXPECT_EQ(wire::get32(records[0].data() + kLoggedData, 4), 1u);
    EXPECT_EQ(wire::get32(records[0].data() + kLoggedData, 8), c->logState);
    const auto opens = LoggedRecords(0x47);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(wire::get32(records[0].data() + kLoggedData, 24), wire::get32(opens[0].data() + kLoggedData, 24)) << "the session's handle";
    EXPECT_EQ(Logged(0x48), 1u);
    EXPECT_EQ(State(), "");
    EXPECT_EQ(Fresh().configPageA[PAGE_A_MEMORY_TEST], 2);
}

TEST_F(SettingsSimTest, AStaleFlashHandleIsReplacedByAFreshOne)
{
    CController* c = Open("new", 0, R"(, "pagesToFlash": true)");
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(sim_->control("flash 0 stale"));
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    ASSERT_EQ(c->SetSettings(r), 1);
    EXPECT_EQ(c->error, 0u) << std::hex << c->error;
    const auto asks = LoggedRecords(0x44);
    ASSERT_EQ(asks.size(), 2u);
    EXPECT_EQ(wire::get32(asks[1].data() + kLoggedData, 0), 0xFFFFFFFFu) << "the second request asks for a fresh handle";
    EXPECT_EQ(Logged(0x2C), 2u);
    EXPECT_EQ(State(), "");
}

TEST_F(SettingsSimTest, AControllerThatKeepsAskingForTheFlashIsGivenUpOn)
{
    CController* c = Open("new", 0, R"(, "pagesToFlash": true)");
    ASSERT_NE(c, nullptr);
    // Every session close fails, so the page never goes through the flash.
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(sim_->control("status 0 0x48 7"));
    SettingsRecord r;
    ASSERT_EQ(c->GetSettings(r), 1);
    EXPECT_EQ(c->SetSettings(r), 1) << "the page reached the controller";
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 0xFFF4);
    EXPECT_EQ(Logged(0x2C), 4u) << "three flash rounds, then it gives up";
    EXPECT_EQ(Logged(0x48), 3u);
}

TEST_F(SettingsSimTest, CacheSwitchesAreWrittenAndReRead)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->SetCacheMode(1, 0), 1) << std::hex << c->error;
    EXPECT_EQ(c->CacheSwitch(), 1);
    EXPECT_EQ(c->DelayedWriteSwitch(), 0);
    ASSERT_TRUE(sim_->control("status 0 0x05 7"));
    EXPECT_EQ(c->SetCacheMode(0, 0), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(c->CacheSwitch(), 1);
}

TEST_F(SettingsSimTest, CacheParameterSetsStoreTheLimitResetAndActivate)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    uint8_t set[CACHE_PARAM_RECORD_SIZE] = {};
    ASSERT_EQ(c->GetCacheParameters(1, set), 1) << std::hex << c->error;
    EXPECT_EQ(set[CACHE_PARAM_SET], 51) << "a controller with a feature byte counts from 50";
    wire::put32(set, CACHE_PARAM_PARITY_FRACTION, 500);
    wire::put32(set, 40, 77);
    ASSERT_EQ(c->SetCacheParameters(1, set), 1) << std::hex << c->error;
    const auto limits = LoggedRecords(0x34);
    ASSERT_EQ(limits.size(), 1u);
    EXPECT_EQ(wire::get32(limits[0].data(), kLoggedData + CACHE_LIMITS_PARITY_FRACTION), 500u);

    uint8_t back[CACHE_PARAM_RECORD_SIZE] = {};
    ASSERT_EQ(c->GetCacheParameters(1, back), 1);
    EXPECT_EQ(wire::get32(back, CACHE_PARAM_PARITY_FRACTION), 102u) << "stored as the controller's limit";
    EXPECT_EQ(back[CACHE_PARAM_CACHE_ON], 1);
    EXPECT_EQ(back[CACHE_PARAM_DELAYED_WRITE], 1);

    ASSERT_EQ(c->ActivateCacheParameters(1), 1) << std::hex << c->error;
    EXPECT_EQ(c->settingsPage[CACHE_PARAM_SET], 50) << "the active set";
    EXPECT_EQ(c->settingsPage[CACHE_PARAM_SET_FIELD], 51);
    EXPECT_EQ(wire::get32(c->settingsPage, 40), 77u);

    ASSERT_EQ(c->ResetCacheParameters(1), 1);
    ASSERT_EQ(c->GetCacheParameters(1, back), 1);
    EXPECT_EQ(wire::get32(back, CACHE_PARAM_PARITY_FRACTION), 10u) << "factory value";

    // A set that cannot be read is never activated.
    uint8_t active[CACHE_PARAM_RECORD_SIZE];
    std::memcpy(active, c->settingsPage, sizeof active);
    const size_t writes = Logged(0x32);
    ASSERT_TRUE(sim_->control("status 0 0x31 7"));
    EXPECT_EQ(c->ActivateCacheParameters(2), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(Logged(0x32), writes);
    EXPECT_EQ(std::memcmp(active, c->settingsPage, sizeof active), 0);
    EXPECT_EQ(std::memcmp(active, Fresh().settingsPage, sizeof active), 0);

    EXPECT_EQ(c->GetCacheParameters(-1, back), 0);
    EXPECT_EQ(c->error, MODERR_BAD_PARAMETER);
}

TEST_F(SettingsSimTest, NonBuildModeWhereOffered)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->SetNonBuildMode(1), 1) << std::hex << c->error;
    EXPECT_EQ(c->controllerParam.flags & 1, 1);
    size_t writes = 0;
    for (const auto& sent : LoggedRecords(0x6E))
        writes += sent[kLoggedData + CONTROLLER_PARAM_WRITE] == 1 && sent[kLoggedData + CONTROLLER_PARAM_FLAGS] == 1;
    EXPECT_EQ(writes, 1u) << "one write switching it on, then the re-read";
    ASSERT_EQ(c->SetNonBuildMode(0), 1);
    EXPECT_EQ(c->controllerParam.flags & 1, 0);

    c = Open("middle");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->SetNonBuildMode(1), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 9);
}

}  // namespace
