#include "error_message.h"

#include <bit>

#include "message_boxes.h"
#include "message_catalog.h"
#include "str_printf.h"

namespace {

// Object model errors 0x04000000 + k and their messages.
struct ModelErrorText {
    int k;
    const char* key;
};
constexpr ModelErrorText modelErrors[] = {
    {1, "M4005"},  {2, "M4006"},  {3, "M4007"},  {4, "M4008"},  {5, "M4009"},  {6, "M4010"},  {7, "M4011"},
    {8, "M4012"},  {9, "M4013"},  {10, "M4014"}, {11, "M4015"}, {12, "M4016"}, {13, "M4017"}, {14, "M4018"},
    {15, "M4019"}, {16, "M4020"}, {17, "M4021"}, {18, "M4009"}, {19, "M4027"}, {20, "M4028"}, {21, "M5025"},
    {22, "M4031"}, {23, "M4032"}, {24, "M4033"}, {33, "M4064"},
};

constexpr uint32_t modelClass = 0x0400;
constexpr uint32_t controllerClass = 0x0100;
constexpr uint32_t remoteClass = 0x2000;
constexpr uint32_t remoteReadOnly = 5;
constexpr int unknownStatus = 25;

}  // namespace

const char* ControllerStatusName(int16_t status)
{
    int index = unknownStatus;
    if (status >= -15 && status <= -1) {
        index = 15 + status;
    } else if (status > 0) {
        const int bit = std::countr_zero(static_cast<uint16_t>(status));
        if (bit < 10)
            index = 15 + bit;
    }
    return ControllerStatusNames[index];
}

std::string ErrorCodeText(uint32_t code)
{
    const uint32_t high = code >> 16;
    const uint32_t low = code & 0xFFFF;
    if (high == modelClass)
        for (const ModelErrorText& e : modelErrors)
            if (static_cast<uint32_t>(e.k) == low)
                return MessageText(e.key);
    if (high == controllerClass) {
        const int16_t status = static_cast<int16_t>(low);
        return tui::formatText(MessageText("M4004"), static_cast<uint16_t>(status), ControllerStatusName(status));
    }
    if (high == remoteClass && low == remoteReadOnly)
        return MessageText("M4040");
    return tui::formatText(MessageText("M4003"), code);
}

void ShowErrorCode(uint32_t code)
{
    ShowMessage(ErrorCodeText(code).c_str(), 0, 1);
}
