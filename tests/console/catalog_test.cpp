// The message catalog as one table, and looking texts up in it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "message_catalog.h"

namespace {

TEST(catalogTest, EntriesAreKeyedAndOrdered)
{
    std::string previous;
    for (int i = 0; i + 1 < messageCatalogSize; ++i) {
        const std::string entry = MessageCatalog[i];
        ASSERT_GE(entry.size(), 6u) << i;
        ASSERT_EQ(entry[0], 'M') << entry;
        ASSERT_EQ(entry.find_first_not_of("0123456789", 1), 5u) << entry;
        ASSERT_EQ(entry[5], ',') << entry;
        const std::string key = entry.substr(0, 5);
        if (key == "M5059") {
            EXPECT_EQ(previous, "M5064") << "M5059 stands between M5064 and M5065";
        } else if (previous != "M5059") {
            EXPECT_LT(previous, key);
        }
        previous = key;
    }
    EXPECT_EQ(previous, "M5075");
    EXPECT_STREQ(MessageCatalog[messageCatalogSize - 1], "");
}

TEST(catalogTest, TextsAreCodePageBytes)
{
    for (const char* entry : MessageCatalog)
        for (const char* p = entry; *p; ++p)
            EXPECT_TRUE(static_cast<unsigned char>(*p) < 0x80 || static_cast<unsigned char>(*p) == 0xF8)
                << entry;
    EXPECT_STREQ(MessageText("M1035"), "Temperature sensor %2d ........ (%d \xF8" "C / %d \xF8" "F  %s)");
}

TEST(catalogTest, LookupByKeyPrefix)
{
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"M5042", "Could not enter Maintenance Mode.\nPossibly there is another setup application running.\n"
                  "Press any key."},
        {"M504", "It is not possible to change the Host Drive type !"},
        {"", "Sorry: This function is not yet implemented !"},
        {"M1099", "???"},
        {"M9", "???"},
        {"M0004", "???"},
        {"M5059", "Creation of new Host Drives is not allowed\nin a multi-node environment! Press any key."},
        {"M3000", "Do you really want to quit ? (Y/N)"},
        {"M5075", "If your operating system supports drive resizing, merge the\nexpanded host drive space after "
                  "this operation is complete.\nPress any key."},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(MessageText(c.key), c.text) << c.key;
}

TEST(catalogTest, TextsOfOurOwnNameNoMaker)
{
    EXPECT_NE(std::strstr(MessageText("M4059"), "example.com.\nPress any key."), nullptr);
    const std::string title = MessageText("M1001");
    EXPECT_EQ(title.find("%s"), title.rfind("%"));
}

}  // namespace
