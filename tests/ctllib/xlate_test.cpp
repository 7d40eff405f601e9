// The event text formatter: which entry an event gets, which arguments it
// collects, and the small formatter that fills the texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "xlate.h"

namespace {

// What the callback was handed last.
struct Call {
    int calls = 0;
    int count = -1;
    std::string format;
    std::vector<uint32_t> args;
    const char* text = nullptr;
} g_call;

int recordCall(int count, const char* format, const uint32_t* args, const char* text)
{
    ++g_call.calls;
    g_call.count = count;
    g_call.format = format;
    g_call.args.assign(args, args + count);
    g_call.text = text;
    return 7;
}

// An event with 16 data bytes: controller, service, status, then `extra` from data offset 6.
EventRecord event(uint16_t source, uint16_t service, uint16_t controller, uint16_t status,
                  const std::vector<uint8_t>& extra = {})
{
    EventRecord e;
    e.source = source;
    e.service = service;
    e.dataSize = EVENT_DATA_SIZE;
    wire::put16(e.data, 0, controller);
    wire::put16(e.data, 2, service);
    wire::put16(e.data, 4, status);
    for (size_t i = 0; i < extra.size(); ++i)
        e.data[6 + i] = extra[i];
    return e;
}

struct FormatCase {
    const char* what;
    EventRecord event;
    int result;
    const char* format;
    std::vector<uint32_t> args;
};

}  // namespace

TEST(EventTexts, ChoosesEntriesAndCollectsArguments)
{
    const FormatCase cases[] = {
        {"async rebuild finished, 16-bit drive", event(1, 9, 1, 21, {3, 0}), 7,
         "Adapter %u, Array Drive %u: drive rebuild finished successfully", {1, 3}},
        {"async 32-bit value", event(1, 9, 0, 56, {0xFE, 0xFF, 0xFF, 0xFF}), 7, "Adapter %u, Host Drive %lu created",
         {0, 0xFFFFFFFE}},
        {"async row 0 is the default", event(1, 9, 2, 0, {1, 2, 3, 4}), 7,
         "Adapter %u, service %u, async. status %u/%lu unknown", {2, 9, 0, 0x04030201}},
        {"async beyond the table", event(1, 9, 1, 76, {5, 0, 0, 0}), 7,
         "Adapter %u, service %u, async. status %u/%lu unknown", {1, 9, 76, 5}},
        {"async screen service", event(1, 11, 1, 4), 7, "Adapter %u, service %u, async. status %u/%lu unknown",
         {1, 11, 4, 0}},
        {"async unknown service", event(1, 12, 1, 2), 7, "Adapter %u, service %u, async. status %u/%lu unknown",
         {1, 12, 2, 0}},
        {"fault bus bytes and a 32-bit value", event(1, 9, 0, 34, {0, 16, 0, 0, 2, 3}), 7,
         "Adapter %u, Fault bus %u, ID %u: insufficient disk capacity (%lu MB required)", {0, 2, 3, 4096}},
        {"six arguments", event(4, 3, 1, 12, {2, 0, 0, 0, 0, 0, 4, 5, 6, 7}), 7,
         "Adapter %u, SCSI channel %u, ID %u, LUN %u: Target error: SCSI status %lu, Sense key %u",
         {1, 4, 5, 6, 2, 7}},
        {"sync service 0, status -3", event(4, 0, 1, 0xFFFD), 7, "Adapter %u : Unknown node", {1}},
        {"sync service 0, status -5", event(4, 0, 1, 0xFFFB), 7, "Adapter %u : Invalid command offset", {1}},
        {"sync service 0, status 5", event(4, 0, 1, 5), 7, "Adapter %u, service %u, sync. status %u/%lu unknown",
         {1, 0, 5, 0}},
        {"sync service 9 row 17", event(4, 9, 1, 17, {0, 0, 0, 0, 8, 0}), 7,
         "Adapter %u, Host Drive %u: Processing of I/O aborted due to serious drive error", {1, 8}},
        {"sync service 3 unlisted row", event(4, 3, 1, 5), 7,
         "Adapter %u, service %u, sync. status %u/%lu unknown", {1, 3, 5, 0}},
        {"driver index 14", event(2, 14, 3, 0), 7, "Maximum I/O count set to %u", {3}},
        {"driver index 16", event(2, 16, 3, 9, {1, 0}), 7, "Unknown error on adapter %u!\r\nService %u, Index %lu",
         {3, 16, 0x10009}},
        {"test index 0", event(3, 0, 0, 0), 7, "Test event 0", {}},
        {"test index 7", event(3, 7, 0, 0), 7, "Unknown test event", {}},
        {"source 5", event(5, 9, 0, 21), -1, nullptr, {}},
        {"source 0", event(0, 9, 0, 21), -1, nullptr, {}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_call = Call{};
        EXPECT_EQ(evt_format_text(&c.event, recordCall), c.result);
        if (!c.format) {
            EXPECT_EQ(g_call.calls, 0);
            continue;
        }
        ASSERT_EQ(g_call.calls, 1);
        EXPECT_EQ(g_call.format, c.format);
        EXPECT_EQ(g_call.args, c.args);
        EXPECT_EQ(g_call.text, nullptr);
    }
}

TEST(EventTexts, TextOnlyEventHandsItsOwnText)
{
    EventRecord e = event(1, 9, 2, 40);
    e.dataSize = 0;
    std::snprintf(e.text, sizeof e.text, "%s", "Battery low");
    g_call = Call{};
    EXPECT_EQ(evt_format_text(&e, recordCall), 7);
    EXPECT_EQ(g_call.count, 2);
    EXPECT_EQ(g_call.format, "Adapter %u, %s");
    EXPECT_EQ(g_call.args[0], 2u);
    EXPECT_EQ(g_call.text, e.text);
    EXPECT_EQ(evt_format_text(&e, nullptr), -1);
    EXPECT_EQ(evt_format_text(nullptr, recordCall), -1);
}

TEST(EventTexts, PrinterReadsThirtyTwoBitWordsAndStaysInItsBuffer)
{
    const uint32_t args[EVT_MAX_ARGS] = {4294967295u, 7, 12};
    struct Case {
        const char* format;
        int count;
        const char* text;
        size_t size;
        const char* expected;
    } cases[] = {
        {"Adapter %u, status %u/%lu unknown", 3, nullptr, 256, "Adapter 4294967295, status 7/12 unknown"},
        {"Adapter %u, %s", 2, "own text", 256, "Adapter 4294967295, own text"},
        {"100%% %x %l %", 0, nullptr, 256, "100% %x %l %"},
        {"%u %u %u %u", 2, nullptr, 256, "4294967295 7 0 0"},  // words past the count print 0
        {"Adapter %u, %s", 2, "abcdef", 16, "Adapter 4294967"},
        {"abc", 0, nullptr, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        char out[256];
        std::memset(out, 'Z', sizeof out);
        const size_t n = evt_print(out, c.size, c.count, c.format, args, c.text);
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(n, std::strlen(c.expected));
    }
    EXPECT_EQ(evt_print(nullptr, 0, 0, "abc", args, nullptr), 0u);
}

TEST(EventTexts, LongOwnTextIsBoundedToTheBuffer)
{
    EventRecord e = event(1, 9, 1, 0);
    e.dataSize = 0;
    std::memset(e.text, 'x', EVENT_TEXT_SIZE);  // 256 characters, as a record without a NUL decodes
    static char buffer[256];
    g_call = Call{};
    ASSERT_EQ(evt_format_text(&e, recordCall), 7);
    const size_t n = evt_print(buffer, sizeof buffer, g_call.count, g_call.format.c_str(), g_call.args.data(),
                               g_call.text);
    EXPECT_EQ(n, 255u);
    EXPECT_EQ(std::string(buffer), "Adapter 1, " + std::string(244, 'x'));
}
