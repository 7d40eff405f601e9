#include "flash_commands.h"
#include "settings_commands.h"

#include "firmware_image.h"

#include <byte_order.h>

#include <algorithm>
#include <numeric>

namespace kzmsim {

namespace {

// Flash request: a 43-byte header, then the data.
constexpr size_t F_TOTAL = 0;       // data length + 44 (the parameter size)
constexpr size_t F_ONE = 4;         // 1
constexpr size_t F_LOG_STATE = 8;   // the controller's log state word
constexpr size_t F_HEADER = 12;     // 43
constexpr size_t F_COMPONENT = 16;  // component id (read component)
constexpr size_t F_ARGUMENT = 24;   // area 1 or 2, or the session handle
constexpr size_t F_OFFSET = 28;     // address, or offset in the component or area
constexpr size_t F_LENGTH = 32;
constexpr size_t F_SUM = 36;        // byte sum of the data
constexpr size_t F_MARK = 40;       // 1
constexpr size_t F_DATA = 43;
constexpr size_t F_RECORD = 44;     // header size counted in the total
constexpr uint32_t HEADER_SIZE_WORD = 43;
constexpr size_t MAX_PIECE = 2048;
constexpr uint16_t STATUS_HANDLE_OUTSTANDING = 0xFFF8;
constexpr uint32_t KEY_CLOSE_SESSION = 0x48;

uint32_t byteSum(const uint8_t* p, size_t n)
{
    return std::accumulate(p, p + n, uint32_t{0});
}

bool staging(const ControllerFirmware& fw)
{
    return (fw.identity.board.firmwareVersion & 0xFFFFFF) <= LAST_STAGING_VERSION;
}

// The words every flash record starts with: 44 or the total, 1, the log state.
bool recordHeadOk(const ControllerFirmware& fw, const IoctlCall& c)
{
    const uint8_t* p = c.param.data();
    return c.param.size() >= F_RECORD && wire::get32(p, F_TOTAL) == c.param.size() && wire::get32(p, F_ONE) == 1 &&
           wire::get32(p, F_LOG_STATE) == fw.logState;
}

// A flash request with data: its header checked; the data length out.
bool transferOk(const ControllerFirmware& fw, const IoctlCall& c, size_t& length)
{
    if (!recordHeadOk(fw, c))
        return false;
    const uint8_t* p = c.param.data();
    length = wire::get32(p, F_LENGTH);
    return wire::get32(p, F_HEADER) == HEADER_SIZE_WORD && p[F_MARK] == 1 && length <= MAX_PIECE &&
           length + F_RECORD == c.param.size();
}

// Data sent with the right byte sum.
bool sumOk(const IoctlCall& c, size_t length)
{
    return wire::get32(c.param.data(), F_SUM) == byteSum(c.param.data() + F_DATA, length);
}

// Answers read data with its byte sum (a wrong one when the fault is armed).
uint32_t answerRead(ControllerFirmware& fw, IoctlCall& c, const uint8_t* src, size_t length)
{
    std::copy_n(src, length, c.param.begin() + F_DATA);
    uint32_t sum = byteSum(src, length);
    if (fw.flash.badSumNext) {
        fw.flash.badSumNext = false;
        ++sum;
    }
    wire::put32(c.param.data(), F_SUM, sum);
    return FW_STATUS_OK;
}

bool handleMatches(const ControllerFirmware& fw, const IoctlCall& c)
{
    return fw.flash.handle != NO_FLASH_HANDLE && wire::get32(c.param.data(), F_ARGUMENT) == fw.flash.handle;
}

}  // namespace

uint32_t readFlashCmd(ControllerFirmware& fw, IoctlCall& c)
{
    size_t length = 0;
    size_t offset = 0;
    if (!transferOk(fw, c, length))
        return FW_STATUS_BAD_RECORD;
    FlashArea* a = fw.flash.locate(wire::get32(c.param.data(), F_OFFSET), length, offset);
    if (!a)
        return FW_STATUS_BAD_RECORD;
    return answerRead(fw, c, a->bytes.data() + offset, length);
}

uint32_t readComponentCmd(ControllerFirmware& fw, IoctlCall& c)
{
    size_t length = 0;
    if (!transferOk(fw, c, length))
        return FW_STATUS_BAD_RECORD;
    const uint32_t id = wire::get32(c.param.data(), F_COMPONENT);
    const uint64_t from = wire::get32(c.param.data(), F_OFFSET);
    for (int n = 1; n <= 2; ++n) {
        FlashArea* a = fw.flash.area(static_cast<uint32_t>(n));
        if (!a)
            continue;
        for (const FlashComponent& comp : walkFlash(a->bytes, n == 1)) {
            if (comp.id != id)
                continue;
            if (from + length > comp.dataOffset + comp.dataSize)
                return FW_STATUS_BAD_RECORD;
            return answerRead(fw, c, a->bytes.data() + comp.offset + from, length);
        }
    }
    return FW_STATUS_INVALID_TARGET;
}

uint32_t writeFlashCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (staging(fw))
        return FW_STATUS_NOT_SUPPORTED;
    size_t length = 0;
    if (!transferOk(fw, c, length) || !sumOk(c, length))
        return FW_STATUS_BAD_RECORD;
    const uint32_t n = wire::get32(c.param.data(), F_ARGUMENT);
    if (n != 1 && n != 2)
        return FW_STATUS_BAD_RECORD;
    FlashArea* want = fw.flash.area(n);
    if (!want)
        return FW_STATUS_INVALID_TARGET;
    size_t offset = 0;
    if (fw.flash.locate(wire::get32(c.param.data(), F_OFFSET), length, offset) != want)
        return FW_STATUS_BAD_RECORD;
    FlashMemory::program(*want, offset, c.param.data() + F_DATA, length);
    return FW_STATUS_OK;
}

uint32_t writeSessionCmd(ControllerFirmware& fw, IoctlCall& c)
{
    size_t length = 0;
    if (!transferOk(fw, c, length) || !sumOk(c, length))
        return FW_STATUS_BAD_RECORD;
    if (!handleMatches(fw, c))
        return FW_STATUS_INVALID_TARGET;
    const uint64_t offset = wire::get32(c.param.data(), F_OFFSET);
    const uint8_t* data = c.param.data() + F_DATA;
    if (staging(fw) && !fw.flash.sessionOpen) {
        if (offset + length > fw.flash.areas[0].bytes.size())
            return FW_STATUS_BAD_RECORD;
        fw.flash.staged.push_back({static_cast<uint32_t>(offset), std::vector<uint8_t>(data, data + length)});
        return FW_STATUS_OK;
    }
    if (offset + length > fw.flash.bootBlock.size())
        return FW_STATUS_BAD_RECORD;
    std::copy_n(data, length, fw.flash.bootBlock.begin() + static_cast<std::ptrdiff_t>(offset));
    return FW_STATUS_OK;
}

uint32_t flashHandleCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (fw.flash.handle != NO_FLASH_HANDLE && wire::get32(c.param.data(), 0) != NO_FLASH_HANDLE)
        return STATUS_HANDLE_OUTSTANDING;
    fw.flash.endSession();
    fw.flash.handle = fw.flash.nextHandle++;
    if (fw.flash.nextHandle == NO_FLASH_HANDLE)
        fw.flash.nextHandle = 1;
    wire::put32(c.param.data(), 0, fw.flash.handle);
    return FW_STATUS_OK;
}

uint32_t openSessionCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!recordHeadOk(fw, c))
        return FW_STATUS_BAD_RECORD;
    if (!handleMatches(fw, c))
        return FW_STATUS_INVALID_TARGET;
    FlashMemory& f = fw.flash;
    if (!f.staged.empty()) {
        // Staging firmware programs the whole staged image into the erased
        // area and marks it complete.
        FlashArea& a = f.areas[0];
        std::fill(a.bytes.begin(), a.bytes.end(), uint8_t{0xFF});
        for (const StagedWrite& w : f.staged)
            FlashMemory::program(a, w.offset, w.data.data(), w.data.size());
        f.staged.clear();
        uint8_t flags[2];
        wire::put16(flags, 0, static_cast<uint16_t>(wire::get16(a.bytes.data(), 12) & ~HEADER_INCOMPLETE_BIT));
        FlashMemory::program(a, 12, flags, 2);
    }
    f.sessionOpen = true;
    return FW_STATUS_OK;
}

uint32_t closeSessionCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!recordHeadOk(fw, c))
        return FW_STATUS_BAD_RECORD;
    if (!handleMatches(fw, c))
        return FW_STATUS_INVALID_TARGET;
    if (c.key == KEY_CLOSE_SESSION)  // an abort (0x4F) puts nothing through the flash
        noteFlashSessionClosed(fw, fw.flash.handle);
    else
        fw.access.pageFlashHandle = NO_FLASH_HANDLE;
    fw.flash.endSession();
    return FW_STATUS_OK;
}

uint32_t eraseFlashCmd(ControllerFirmware& fw, IoctlCall& c)
{
    if (!recordHeadOk(fw, c))
        return FW_STATUS_BAD_RECORD;
    const uint32_t n = wire::get32(c.param.data(), F_ARGUMENT);
    if (n != 1 && n != 2)
        return FW_STATUS_BAD_RECORD;
    FlashArea* a = fw.flash.area(n);
    if (!a)
        return FW_STATUS_INVALID_TARGET;
    std::fill(a->bytes.begin(), a->bytes.end(), uint8_t{0xFF});
    return FW_STATUS_OK;
}

uint32_t flashEndCmd(ControllerFirmware& fw, IoctlCall& c)
{
    wire::put32(c.param.data(), 0, fw.logState);
    return FW_STATUS_OK;
}

bool rebootFirmware(ControllerFirmware& fw)
{
    fw.flash.endSession();
    if (!flashImageComplete(fw.flash))
        return false;
    uint32_t& version = fw.identity.board.firmwareVersion;
    version = (version & 0xFF000000) | flashImageVersion(fw.flash);
    return true;
}

}  // namespace kzmsim
