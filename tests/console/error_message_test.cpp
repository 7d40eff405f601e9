// Error codes as catalog messages.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dialog_fixture.h"
#include "error_message.h"
#include "message_catalog.h"

namespace tui::testing {
namespace {

TEST(errorTextTest, EveryStatusNameIsReached)
{
    const struct {
        uint32_t code;
        const char* name;
    } cases[] = {
        {0x0100FFF1, "COMMON ERROR"},       {0x0100FFF2, "FLASH_WRITE_ERROR"},  {0x0100FFF3, "FLASH_CNF_ERROR"},
        {0x0100FFF4, "FLASH_FULL_ERROR"},   {0x0100FFF5, "NODE NOT AVAILABLE"}, {0x0100FFF6, "ARRAY DRIVE ERROR"},
        {0x0100FFF7, "EXTERNAL ABORT"},     {0x0100FFF8, "MEMORY FAILURE"},     {0x0100FFF9, "LOGICAL FAILURE"},
        {0x0100FFFA, "ILLEGAL OPERATION"},  {0x0100FFFB, "NOT INSTALLED"},      {0x0100FFFC, "NO MORE HANDLES"},
        {0x0100FFFD, "UNKNOWN OPERATION"},  {0x0100FFFE, "UNKNOWN DEVICE"},     {0x0100FFFF, "UNKNOWN NODE"},
        {0x01000001, "REASSIGN SUCCESSFUL"}, {0x01000006, "REASSIGN FAILURE"},  {0x01000004, "DRIVE NOT AVAILABLE"},
        {0x01000008, "UNKNOWN ERROR"},      {0x01000010, "DATA_PROTECT"},       {0x01000020, "MEDIA CHANGED"},
        {0x01000040, "DRIVE NOT READY"},    {0x01000080, "GENERAL ERROR"},      {0x01000100, "DRIVE NOT AVAILABLE"},
        {0x01000200, "DRIVE NOT EXIST"},    {0x01000400, "UNKNOWN ERROR"},      {0x01000000, "UNKNOWN ERROR"},
        {0x0100FFF0, "UNKNOWN ERROR"},      {0x01008000, "UNKNOWN ERROR"},      {0x01006C00, "UNKNOWN ERROR"},
    };
    std::set<int> reached;
    for (const auto& c : cases) {
        const std::string text = ErrorCodeText(c.code);
        const std::string expected = formatText("Error: Controller returned error code\n0x%04x (%s) !",
                                                c.code & 0xFFFF, c.name);
        EXPECT_EQ(text, expected) << std::hex << c.code;
        for (int i = 0; i < controllerStatusNameCount; ++i)
            if (ControllerStatusNames[i] == ControllerStatusName(static_cast<int16_t>(c.code & 0xFFFF)))
                reached.insert(i);
    }
    EXPECT_EQ(reached.size(), static_cast<size_t>(controllerStatusNameCount));
    EXPECT_EQ(ErrorCodeText(0x01000006), "Error: Controller returned error code\n0x0006 (REASSIGN FAILURE) !");
}

TEST(errorTextTest, ModelRemoteAndOtherCodes)
{
    const struct {
        uint32_t code;
        const char* key;  // null: M4003 with the code
    } cases[] = {
        {0x04000001, "M4005"}, {0x04000005, "M4009"}, {0x04000012, "M4009"}, {0x04000011, "M4021"},
        {0x04000013, "M4027"}, {0x04000015, "M5025"}, {0x04000018, "M4033"}, {0x04000021, "M4064"},
        {0x04000000, nullptr}, {0x04000019, nullptr}, {0x04000020, nullptr}, {0x04000022, nullptr},
        {0x20000005, "M4040"}, {0x20000003, nullptr}, {0x0200FFFF, nullptr}, {0x80000001, nullptr},
    };
    for (const auto& c : cases) {
        const std::string expected = c.key ? MessageText(c.key) : formatText("Error: Return code = 0x%08lX !", c.code);
        EXPECT_EQ(ErrorCodeText(c.code), expected) << std::hex << c.code;
    }
    EXPECT_EQ(ErrorCodeText(0x0200FFFF), "Error: Return code = 0x0200FFFF !");
    EXPECT_EQ(ErrorCodeText(0x20000005), "Remote access in read-only mode. Function not supported.");
}

using showErrorTest = dialogTest;

TEST_F(showErrorTest, ShowsACentredInformationBoxUntilAnyKey)
{
    answerWhenWaiting({'x'});
    ShowErrorCode(0x04000012);
    ASSERT_EQ(shots.size(), 1u);
    // 28 characters centred on 80 columns: text from column 26, frame at 25.
    EXPECT_EQ(shots[0].row(12).find("│Error: Unable to open file !│"), 25u) << wholeScreen(shots[0]);
    EXPECT_EQ(shots[0].attrAt(26, 12), 0x3F);
    EXPECT_EQ(wholeScreen(*mem).find("Unable"), std::string::npos) << "the box is gone";
}

}  // namespace
}  // namespace tui::testing
