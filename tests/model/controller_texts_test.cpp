// The controller information's texts, and that none runs past its field.
#include "controller_info.h"
#include "controller_texts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ControllerTextsTest, FirmwareTextFromVersionWordLetterAndRevision)
{
    char text[FIRMWARE_TEXT_SIZE];
    FormatFirmwareText(text, sizeof text, 0x02200005, FirmwareLetter(0x20), 0x4A);
    EXPECT_STREQ(text, "2.32.05-R04A");
    FormatFirmwareText(text, sizeof text, 0x0118AA07, FirmwareLetter(0x01), 0x123);
    EXPECT_STREQ(text, "1.24.07-N123");  // bits 8-15 are not shown
}

TEST(ControllerTextsTest, FirmwareTextIsCutToItsField)
{
    // Largest fields: 21 characters would be written without the bound.
    char text[FIRMWARE_TEXT_SIZE + 4];
    std::memset(text, '#', sizeof text);
    FormatFirmwareText(text, FIRMWARE_TEXT_SIZE, 0xFFFFFFFF, 'R', 0xFFFFFFFF);
    EXPECT_STREQ(text, "255.255.255-RFF");
    for (size_t i = FIRMWARE_TEXT_SIZE; i < sizeof text; ++i)
        EXPECT_EQ(text[i], '#') << "byte " << i << " written";
}

TEST(ControllerTextsTest, LetterIsRForRaid4Or5)
{
    EXPECT_EQ(FirmwareLetter(0x00), 'N');
    EXPECT_EQ(FirmwareLetter(0x03), 'N');
    EXPECT_EQ(FirmwareLetter(0x10), 'R');
    EXPECT_EQ(FirmwareLetter(0x33), 'R');
}

TEST(ControllerTextsTest, PciTextFromBusAndDevice)
{
    char text[PCI_TEXT_SIZE];
    FormatPciText(text, sizeof text, 0x0208);
    EXPECT_STREQ(text, "[PCI 2/1]");
    FormatPciText(text, sizeof text, 0xFFFF);
    EXPECT_STREQ(text, "[PCI 255/31]");
}

TEST(ControllerTextsTest, DriverTextFromMajorAndMinor)
{
    char text[DRIVER_TEXT_SIZE];
    FormatDriverText(text, sizeof text, 0x0302);
    EXPECT_STREQ(text, "3.02");
}

TEST(ControllerTextsTest, RecordTextWithoutTerminatorIsCut)
{
    const uint8_t field[16] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};
    char text[TYPE_NAME_SIZE];
    CopyRecordText(text, sizeof text, field, sizeof field);
    EXPECT_STREQ(text, "ABCDEFGHIJKLMNO");
    const uint8_t shortField[4] = {'K', 'Z', 0, 'X'};
    CopyRecordText(text, sizeof text, shortField, sizeof shortField);
    EXPECT_STREQ(text, "KZ");
}

}  // namespace
