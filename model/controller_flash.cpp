// CController's flash: the flash requests and sessions, opening an image,
// writing it into the flash and closing it again. An update that fails
// before the new image is complete writes the saved areas back, so the
// controller still starts its old firmware.
#include "controller.h"

#include "byte_order.h"
#include "ctl_commands.h"
#include "firmware_chain.h"
#include "firmware_levels.h"
#include "firmware_rules.h"
#include "model_alloc.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Flash request header.
constexpr size_t FR_TOTAL = 0;
constexpr size_t FR_ONE = 4;
constexpr size_t FR_LOG_STATE = 8;
constexpr size_t FR_HEADER = 12;
constexpr size_t FR_COMPONENT = 16;
constexpr size_t FR_ARGUMENT = 24;
constexpr size_t FR_OFFSET = 28;
constexpr size_t FR_LENGTH = 32;
constexpr size_t FR_SUM = 36;
constexpr size_t FR_MARK = 40;
constexpr size_t SESSION_RECORD_SIZE = 44;
constexpr size_t FLASH_STATE_SIZE = 4;

constexpr uint32_t kLastStagingVersion = 0x130000;  // up to it writes go through the session
constexpr uint16_t kStatusHandleOutstanding = 0xFFF8;
constexpr uint32_t kRaidMarkBit = 1u << 22;
constexpr uint16_t kFlagsWritingBit = 0x0001;
constexpr uint16_t kFlagsIncompleteBit = 0x0004;
constexpr uint32_t kTopMarker = 0x30000008;
constexpr size_t kTrailer = 28;
constexpr uint32_t kRow12Version = 0x220000;

constexpr size_t CR_FLASH_SIZE = 4, CR_BASE = 8, CR_BOOT_FLAG = 12;
constexpr size_t BD_SECOND_AREA_KB = 108, BD_BOARD_TYPE = 184;

enum FlashOp { OP_READ = 0, OP_READ_COMPONENT = 1, OP_WRITE = 2, OP_ERASE = 3, OP_WRITE_BOOT = 4 };

uint32_t Version24(const uint8_t* header) { return wire::get32(header, FWH_VERSION) & 0xFFFFFF; }

// The 44-byte session record.
void PutSessionRecord(uint8_t* r, uint32_t logState, int32_t handle)
{
    std::memset(r, 0, SESSION_RECORD_SIZE);
    wire::put32(r, FR_TOTAL, SESSION_RECORD_SIZE);
    wire::put32(r, FR_ONE, 1);
    wire::put32(r, FR_LOG_STATE, logState);
    wire::put32(r, FR_ARGUMENT, static_cast<uint32_t>(handle));
}

bool AllErased(const uint8_t* p, size_t n)
{
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0xFF; });
}

}  // namespace

// Opens a regular file for reading; nullptr otherwise (a FIFO never blocks).
FILE* OpenRegularFile(const char* path)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file)
        close(fd);
    return file;
}

uint32_t CController::FlashSize() const { return wire::get32(controllerRecord1, CR_FLASH_SIZE); }
uint32_t CController::FlashBase(int area) const
{
    return wire::get32(area == 2 ? controllerRecord2 : controllerRecord1, CR_BASE);
}
uint32_t CController::BootFlag() const { return wire::get32(controllerRecord1, CR_BOOT_FLAG); }
uint32_t CController::SecondAreaKb() const { return wire::get32(boardDetails, BD_SECOND_AREA_KB); }
uint32_t CController::BoardType() const { return wire::get32(boardDetails, BD_BOARD_TYPE); }

int CController::GetFlashHandle(int32_t* handle)
{
    const auto c = static_cast<uint16_t>(index);
    uint8_t state[FLASH_STATE_SIZE] = {};
    error = ctl_get_flash_state(c, 0, state);
    if (error == CTLERR_CONTROLLER + kStatusHandleOutstanding) {
        wire::put32(state, 0, 0xFFFFFFFF);
        error = ctl_get_flash_state(c, 0, state);
    }
    if (error != 0)
        return 0;
    *handle = static_cast<int32_t>(wire::get32(state, 0));
    return 1;
}

int CController::OpenFlashSession(int32_t handle, uint8_t* buffer)
{
    const auto c = static_cast<uint16_t>(index);
    uint8_t record[SESSION_RECORD_SIZE];
    PutSessionRecord(record, logState, handle);
    error = ctl_flash_record_47(c, 0, record);
    if (error != 0 && (error & 0xFF000000) == CTLERR_CONTROLLER && buffer != nullptr) {
        PutSessionRecord(buffer, logState, handle);
        ctl_flash_record_4f(c, 0, buffer);
    }
    return error == 0 ? 1 : 0;
}

int CController::CloseFlashSession(int32_t handle)
{
    uint8_t record[SESSION_RECORD_SIZE];
    PutSessionRecord(record, logState, handle);
    error = ctl_flash_record_48(static_cast<uint16_t>(index), 0, record);
    return error == 0 ? 1 : 0;
}

int CController::FlashTransfer(uint8_t* buffer, uint32_t offset, uint32_t length, uint32_t argument, int operation)
{
    if (length > FW_PIECE) {
        error = MODERR_BAD_PARAMETER;
        return 0;
    }
    const auto c = static_cast<uint16_t>(index);
    const bool staging = FirmwareVersion() <= kLastStagingVersion;
    uint8_t* data = buffer + FW_REQUEST_HEADER;
    std::memset(buffer, 0, FW_REQUEST_HEADER);
    wire::put32(buffer, FR_TOTAL, length + FW_REQUEST_OVERHEAD);
    wire::put32(buffer, FR_ONE, 1);
    wire::put32(buffer, FR_LOG_STATE, logState);
    wire::put32(buffer, FR_HEADER, FW_REQUEST_HEADER);
    wire::put32(buffer, FR_OFFSET, offset);
    wire::put32(buffer, FR_LENGTH, length);
    buffer[FR_MARK] = 1;
    const auto size = static_cast<uint16_t>(length + FW_REQUEST_OVERHEAD);
    switch (operation) {
    case OP_READ:
    case OP_READ_COMPONENT:
        if (operation == OP_READ_COMPONENT)
            wire::put32(buffer, FR_COMPONENT, argument);
        error = operation == OP_READ ? ctl_flash_cmd_40(c, 0, buffer, size) : ctl_flash_cmd_42(c, 0, buffer, size);
        if (error == 0 && Checksum(data, length, 1) != wire::get32(buffer, FR_SUM))
            error = MODERR_CHECKSUM;
        break;
    case OP_WRITE:
    case OP_WRITE_BOOT:
        wire::put32(buffer, FR_ARGUMENT, argument);
        wire::put32(buffer, FR_SUM, Checksum(data, length, 1));
        if (operation == OP_WRITE && !staging) {
            wire::put32(buffer, FR_OFFSET, offset + FlashBase(static_cast<int>(argument)));
            error = ctl_flash_cmd_41(c, 0, buffer, size);
        } else {
            error = ctl_flash_cmd_46(c, 0, buffer, size);
        }
        break;
    case OP_ERASE:
        wire::put32(buffer, FR_ARGUMENT, argument);
        if (firmwareProgress)
            firmwareProgress->Progress(1, 1);
        error = ctl_flash_record_4c(c, 0, buffer);
        if (firmwareProgress)
            firmwareProgress->Progress(1, 100);
        break;
    default:
        error = MODERR_BAD_PARAMETER;
        break;
    }
    return error == 0 ? 1 : 0;
}

int CController::OpenFirmwareFile(FirmwareFile& f)
{
    // An open starts from a released record: a kept component, a file or a
    // flash session left from an earlier open would be taken for this one's.
    CloseFirmwareFile(f);
    f.opened = PrepareFirmwareFile(f);
    f.openError = f.opened ? 0 : error;
    return f.opened;
}

namespace {

// Changes of the default component rules for a controller family.
struct FamilyRule {
    int family;
    int id;
    uint8_t rule;
};
constexpr FamilyRule kFamilyRules[] = {
    {35, 17, FW_RULE_UNUSED},
    {35, 18, FW_RULE_REQUIRED},
    {FAMILY_FC, 26, FW_RULE_REQUIRED},
};

// Opens f.path for reading and takes its size and header; 0 or the refusal.
ModelError OpenImage(FirmwareFile& f)
{
    f.transfer = static_cast<uint8_t*>(ModelAlloc(FW_TRANSFER_SIZE));
    if (!f.transfer)
        return MODERR_NO_MEMORY;
    f.file = OpenRegularFile(f.path);
    off_t end = -1;
    if (f.file && fseeko(f.file, 0, SEEK_END) == 0)
        end = ftello(f.file);
    if (!f.file || end < 0 || !FirmwareReadAt(f.file, 0, f.header, FW_HEADER_SIZE))
        return MODERR_FILE_OPEN;
    f.fileSize = static_cast<uint64_t>(end);
    return 0;
}

// The component rules of this controller for the image into f.rules; 0 or the refusal.
ModelError SelectComponentRules(const CController& ctl, FirmwareFile& f)
{
    int r = ctl.boardDetails[BOARD_DETAILS_ROW];
    if (r != 0xFF) {
        if (ctl.BoardType() == 0x203 || ctl.BoardType() == 0x204)
            r = Version24(f.header) < kRow12Version ? 12 : 14;
        const uint8_t* row = FirmwareRuleRow(r);
        if (!row)
            return MODERR_NOT_SUPPORTED;
        std::memcpy(f.rules, row, FW_COMPONENT_IDS);
        return 0;
    }
    const int family = ctl.GetFamily(FAMILY_MODE_FAMILY);
    std::memcpy(f.rules, family == 34 || family == 35 ? FirmwareDefaultRowA() : FirmwareDefaultRowB(),
                FW_COMPONENT_IDS);
    for (const FamilyRule& change : kFamilyRules)
        if (change.family == family)
            f.rules[change.id] = change.rule;
    return 0;
}

// Reads the log state word that every flash request carries; 0 or the failure.
ModelError ReadLogState(CController& ctl)
{
    uint8_t log[LOG_STATE_SIZE] = {};
    ctl.error = ctl_get_log_state(static_cast<uint16_t>(ctl.index), log);
    if (ctl.error != 0)
        return ctl.error;
    ctl.logState = wire::get32(log, 0);
    return 0;
}

// Saves component id, which the flash keeps, into f; one the flash does not
// hold is skipped. 0 or the failure.
ModelError SaveKeptComponent(CController& ctl, FirmwareFile& f, int id)
{
    if (!ctl.FlashTransfer(f.transfer, 0, FW_COMPONENT_HEADER_SIZE, static_cast<uint32_t>(id), OP_READ_COMPONENT))
        return ctl.error == CTLERR_CONTROLLER + 0x0006 ? 0 : ctl.error;
    if (f.keptData)
        return MODERR_NO_SPACE;
    std::memcpy(f.keptHeader, f.transfer + FW_REQUEST_HEADER, FW_COMPONENT_HEADER_SIZE);
    const uint32_t length = wire::get32(f.keptHeader, FWC_LENGTH);
    const uint32_t dataOffset = f.keptHeader[FWC_DATA_OFFSET];
    const uint64_t size = length == 0xFFFFFFFF ? wire::get32(f.keptHeader, FWC_DATA_SIZE)
                                               : uint64_t{length} - std::min(length, dataOffset);
    if (size > FW_PIECE || dataOffset < FW_COMPONENT_HEADER_SIZE)
        return MODERR_NO_SPACE;
    f.keptSize = static_cast<uint32_t>(size);
    f.keptData = static_cast<uint8_t*>(ModelAlloc(FW_PIECE));
    if (!f.keptData)
        return MODERR_NO_MEMORY;
    if (!ctl.FlashTransfer(f.transfer, dataOffset, f.keptSize, static_cast<uint32_t>(id), OP_READ_COMPONENT))
        return ctl.error;
    std::memcpy(f.keptData, f.transfer + FW_REQUEST_HEADER, f.keptSize);
    return 0;
}

// The flash sizes of the image: area 1, and area 2 when the image uses it.
void SetFlashSizes(const CController& ctl, FirmwareFile& f)
{
    f.flashSize = ctl.FlashSize();
    f.secondAreaSize = 0;
    if (ctl.FlashSize() <= kSmallFlash && ctl.FirmwareVersion() > kLastStagingVersion &&
        Version24(f.header) > kSecondAreaImageVersion)
        f.secondAreaSize = ctl.SecondAreaKb() * 1024;
}

}  // namespace

int CController::PrepareFirmwareFile(FirmwareFile& f)
{
    ModelError e = OpenImage(f);
    // 1. The component rules of this controller.
    if (e == 0)
        e = SelectComponentRules(*this, f);
    if (e != 0) {
        error = e;
        return 0;
    }
    // 2. The checksum; 3. the log state word that every flash request carries.
    if (!VerifyFirmwareChecksum(f))
        return 0;
    if (flag == 0 && ReadLogState(*this) != 0)
        return 0;
    // 4. The component the flash keeps.
    for (int id = 0; id < FW_COMPONENT_IDS; ++id) {
        if (f.rules[id] != FW_RULE_KEEP)
            continue;
        f.rules[id] = FW_RULE_UNUSED;
        if ((e = SaveKeptComponent(*this, f, id)) != 0) {
            error = e;
            return 0;
        }
    }
    if (flag != 0)
        return 1;
    // 5. Flash sizes; 6. the size check and the session handle.
    SetFlashSizes(*this, f);
    const uint32_t kept = f.keptData ? f.keptHeader[FWC_DATA_OFFSET] + f.keptSize : 0;
    if (!CheckFirmwareSize(f, kept) || !GetFlashHandle(&f.flashHandle))
        return 0;
    // 7. Staging firmware takes the image into the session now.
    if (FirmwareVersion() <= kLastStagingVersion)
        return WriteFirmware(f);
    return 1;
}

int CController::DownloadFirmware(FirmwareFile& f, IFirmwareProgress* progress)
{
    // Without a checked image nothing may be erased.
    if (!f.opened) {
        error = f.openError != 0 ? f.openError : MODERR_COMPONENT_MISSING;
        return 0;
    }
    // A download marks the components it wrote as done and shrinks the size
    // left, so the record cannot serve a second one.
    f.opened = 0;
    firmwareProgress = progress;
    int ok;
    if (flag == 0) {
        ok = FirmwareVersion() <= kLastStagingVersion ? OpenFlashSession(f.flashHandle, f.transfer) : WriteFirmware(f);
        if (ok && BootFlag() != 0) {
            const ModelError kept = error;
            WriteBootComponent(f);
            error = kept;
        }
    } else {
        ok = WriteFirmware(f);
    }
    // The caller destroys the progress object after this.
    firmwareProgress = nullptr;
    return ok;
}

int CController::CloseFirmwareFile(FirmwareFile& f)
{
    if (f.flashHandle != -1) {
        const ModelError kept = error;
        CloseFlashSession(f.flashHandle);
        error = kept;
        f.flashHandle = -1;
    }
    if (f.file) {
        fclose(f.file);
        f.file = nullptr;
    }
    ModelFree(f.transfer);
    f.transfer = nullptr;
    ModelFree(f.keptData);
    f.keptData = nullptr;
    f.keptSize = 0;
    f.opened = 0;
    return 1;
}

namespace {

// The flash areas as they were before the update, for writing them back.
struct SavedAreas {
    uint8_t* bytes[2] = {};
    uint32_t size[2] = {};
    ~SavedAreas()
    {
        ModelFree(bytes[0]);
        ModelFree(bytes[1]);
    }
};

}  // namespace

// Reads area n (1 or 2) of size bytes into saved.
static bool SaveArea(CController& ctl, FirmwareFile& f, SavedAreas& saved, int n, uint32_t size)
{
    auto* bytes = static_cast<uint8_t*>(ModelAlloc(size == 0 ? 1 : size));
    if (!bytes) {
        ctl.error = MODERR_NO_MEMORY;
        return false;
    }
    saved.bytes[n - 1] = bytes;
    saved.size[n - 1] = size;
    for (uint32_t off = 0; off < size; off += FW_PIECE) {
        const uint32_t len = std::min<uint32_t>(FW_PIECE, size - off);
        if (!ctl.FlashTransfer(f.transfer, ctl.FlashBase(n) + off, len, 0, OP_READ))
            return false;
        std::memcpy(bytes + off, f.transfer + FW_REQUEST_HEADER, len);
    }
    return true;
}

// Erases the saved areas and writes them back whole; 0 or the failure.
static ModelError RestoreAreas(CController& ctl, FirmwareFile& f, const SavedAreas& saved)
{
    IFirmwareProgress* progress = ctl.firmwareProgress;
    ctl.firmwareProgress = nullptr;
    ModelError e = 0;
    for (int n = 1; n <= 2 && e == 0; ++n) {
        if (!saved.bytes[n - 1])
            continue;
        if (!ctl.FlashTransfer(f.transfer, 0, 0, static_cast<uint32_t>(n), OP_ERASE)) {
            e = ctl.error;
            break;
        }
        for (uint32_t off = 0; off < saved.size[n - 1]; off += FW_PIECE) {
            const uint32_t len = std::min<uint32_t>(FW_PIECE, saved.size[n - 1] - off);
            const uint8_t* src = saved.bytes[n - 1] + off;
            if (AllErased(src, len))
                continue;
            std::memcpy(f.transfer + FW_REQUEST_HEADER, src, len);
            if (!ctl.FlashTransfer(f.transfer, off, len, static_cast<uint32_t>(n), OP_WRITE)) {
                e = ctl.error;
                break;
            }
        }
    }
    ctl.firmwareProgress = progress;
    return e;
}

namespace {

// The writer's state while an image goes into the flash.
struct Writer {
    CController& ctl;
    FirmwareFile& f;
    uint32_t argumentOf[3];   // request argument per area (the handle when staging)
    uint64_t total = 0;       // data bytes of the components to write
    uint64_t done = 0;
    uint64_t reported = 0;

    // Writes n bytes from src (or from the file at fileOffset) at offset of area.
    bool Write(int area, uint64_t offset, const uint8_t* src, uint64_t fileOffset, uint64_t n, bool counted)
    {
        for (uint64_t at = 0; at < n; at += FW_PIECE) {
            const auto len = static_cast<uint32_t>(std::min<uint64_t>(FW_PIECE, n - at));
            uint8_t* data = f.transfer + FW_REQUEST_HEADER;
            if (src) {
                std::memcpy(data, src + at, len);
            } else if (!FirmwareReadAt(f.file, fileOffset + at, data, len)) {
                ctl.error = MODERR_FILE_IO;
                return false;
            }
            if (!ctl.FlashTransfer(f.transfer, static_cast<uint32_t>(offset + at), len, argumentOf[area], OP_WRITE))
                return false;
            if (counted) {
                done += len;
                const uint64_t onePercent = total / 100;
                if (ctl.firmwareProgress && total != 0 && done - reported >= std::max<uint64_t>(onePercent, 1)) {
                    reported = done;
                    ctl.firmwareProgress->Progress(2, static_cast<int32_t>(done * 100 / total));
                }
            }
        }
        return true;
    }
};

}  // namespace

namespace {

// One image going into the flash: the steps of CController::WriteFirmware
// and the state they hand on to each other.
struct ImageWrite {
    CController& ctl;
    FirmwareFile& f;
    const bool staging;       // writes go through the flash session
    const bool twoAreas;
    Writer w;
    uint8_t oldHeader[FW_HEADER_SIZE] = {};
    uint8_t header[FW_HEADER_SIZE] = {};
    SavedAreas saved;
    uint64_t offset[3] = {0, FW_HEADER_SIZE, FW_HEADER_SIZE};  // next write per area
    uint64_t topOffsets[FW_COMPONENT_IDS] = {};                 // file offsets of the top components
    int tops = 0;
    uint64_t topStart;        // where the top components begin in area 1

    ImageWrite(CController& c, FirmwareFile& file)
        : ctl(c), f(file), staging(c.FirmwareVersion() <= kLastStagingVersion && c.flag == 0),
          twoAreas(file.secondAreaSize != 0), w{c, file, {0, 1, 2}}, topStart(file.flashSize)
    {
        if (staging)
            w.argumentOf[1] = w.argumentOf[2] = static_cast<uint32_t>(f.flashHandle);
    }

    // Reads the old header and builds the new one from it; false when the read fails.
    bool BuildHeader()
    {
        if (!ctl.FlashTransfer(f.transfer, ctl.FlashBase(1), FW_HEADER_SIZE, 0, OP_READ))
            return false;
        std::memcpy(oldHeader, f.transfer + FW_REQUEST_HEADER, FW_HEADER_SIZE);
        std::memcpy(header, oldHeader, FW_HEADER_SIZE);
        wire::put32(header, FWH_VERSION, wire::get32(f.header, FWH_VERSION));
        header[FWH_REVISION_HIGH] = f.header[FWH_REVISION_HIGH];
        header[FWH_BYTE22] = f.header[FWH_BYTE22];
        wire::put16(header, FWH_FLAGS12,
                    static_cast<uint16_t>(wire::get16(f.header, FWH_FLAGS12) & ~kFlagsWritingBit));
        header[FWH_BYTE21] = 0xFF;
        const uint32_t flags = wire::get32(header, FWH_FLAGS) & ~kRaidMarkBit;
        wire::put32(header, FWH_FLAGS, ctl.RaidFirmwareMark() != 0 ? flags | kRaidMarkBit : flags);
        return true;
    }

    // Saves the areas about to be erased, then erases them; false when saving
    // fails (nothing erased yet), a failed erase in failure.
    bool SaveAndErase(ModelError& failure)
    {
        if (ctl.flag != 0) {
            const ModelError kept = ctl.error;
            ctl.FlashTransfer(f.transfer, 0, 0, 1, OP_ERASE);
            ctl.error = kept;
        } else if (!staging) {
            if (!SaveArea(ctl, f, saved, 1, ctl.FlashSize()) ||
                (twoAreas && !SaveArea(ctl, f, saved, 2, f.secondAreaSize)))
                return false;
            if (!ctl.FlashTransfer(f.transfer, 0, 0, 1, OP_ERASE) ||
                (twoAreas && !ctl.FlashTransfer(f.transfer, 0, 0, 2, OP_ERASE)))
                failure = ctl.error;
        }
        return true;
    }

    // Adds up the data bytes to write, for the progress.
    ModelError CountBytes()
    {
        return WalkFirmwareChain(f, [&](const FirmwareComponent& c) -> ModelError {
            const uint8_t rule = f.rules[c.id] & 0x7F;
            if (rule == FW_RULE_REQUIRED || rule == FW_RULE_OPTIONAL)
                w.total += c.dataSize;
            return 0;
        });
    }

    // This board's part of the board data, zero-padded to a multiple of 4
    // bytes in *data (ModelFree); advance and dataBytes follow it.
    ModelError BoardData(const FirmwareComponent& c, uint8_t* head, uint8_t** data, uint64_t& advance,
                         uint64_t& dataBytes)
    {
        uint8_t* filtered = nullptr;
        const uint32_t n = ctl.FilterBoardComponent(f, c, &filtered);
        if (n == 0)
            return ctl.error;
        dataBytes = (n + 3) & ~uint32_t{3};
        advance = std::max<uint64_t>(advance, c.dataOffset + dataBytes);
        head[FWC_FLAGS] &= static_cast<uint8_t>(~0x02);
        auto* padded = static_cast<uint8_t*>(ModelAlloc(static_cast<size_t>(dataBytes)));
        if (!padded) {
            ModelFree(filtered);
            return MODERR_NO_MEMORY;
        }
        std::memset(padded, 0, static_cast<size_t>(dataBytes));
        std::memcpy(padded, filtered, n);
        ModelFree(filtered);
        *data = padded;
        return 0;
    }

    // Component c: a top one is remembered for later, another is written in order.
    ModelError WriteComponent(const FirmwareComponent& c)
    {
        const uint8_t rule = f.rules[c.id] & 0x7F;
        const bool used = rule == FW_RULE_REQUIRED || rule == FW_RULE_OPTIONAL;
        const bool boot = IsBootComponent(c.id);
        if ((used && (c.id == FW_COMPONENT_TOP || boot)) || (boot && ctl.BootFlag() == 0)) {
            if (tops < FW_COMPONENT_IDS)
                topOffsets[tops++] = c.offset;
            topStart -= std::min<uint64_t>(topStart, c.length);
            return 0;
        }
        if (!used)
            return 0;
        const int area =
            (f.rules[c.id] & FW_RULE_AREA2) != 0 && ctl.FirmwareVersion() > kLastStagingVersion ? 2 : 1;
        uint8_t head[FW_COMPONENT_HEADER_SIZE];
        std::memcpy(head, c.header, sizeof head);
        uint8_t* filtered = nullptr;
        uint64_t advance = c.length;
        uint64_t dataBytes = c.dataSize;
        if (c.id == FW_COMPONENT_BOARD_DATA && ctl.flag == 0) {
            if (const ModelError e = BoardData(c, head, &filtered, advance, dataBytes))
                return e;
        }
        const uint64_t limit = area == 2 ? f.secondAreaSize : topStart;
        const bool ok = offset[area] + advance <= limit && w.Write(area, offset[area], head, 0, sizeof head, false) &&
                        w.Write(area, offset[area] + c.dataOffset, filtered, c.offset + c.dataOffset, dataBytes, true);
        ModelFree(filtered);
        if (!ok)
            return ctl.error ? ctl.error : MODERR_NO_SPACE;
        offset[area] += advance;
        f.rules[c.id] = FW_RULE_UNUSED;
        return 0;
    }

    // The kept component after the others, then the new headers of both areas.
    ModelError WriteKeptAndHeaders()
    {
        if (f.keptData) {
            const uint32_t dataOffset = f.keptHeader[FWC_DATA_OFFSET];
            if (offset[1] + dataOffset + f.keptSize > topStart ||
                !w.Write(1, offset[1], f.keptHeader, 0, FW_COMPONENT_HEADER_SIZE, false) ||
                !w.Write(1, offset[1] + dataOffset, f.keptData, 0, f.keptSize, false))
                return ctl.error ? ctl.error : MODERR_NO_SPACE;
        }
        if (!w.Write(1, 0, header, 0, FW_HEADER_SIZE, false))
            return ctl.error;
        if (twoAreas) {
            uint8_t header2[FW_HEADER_SIZE];
            std::memcpy(header2, header, FW_HEADER_SIZE);
            wire::put32(header2, FWH_AREA2_SIZE, f.secondAreaSize);
            wire::put32(header2, FWH_MAGIC, FW_AREA2_MAGIC);
            if (!w.Write(2, 0, header2, 0, FW_HEADER_SIZE, false))
                return ctl.error;
        }
        return 0;
    }

    // The trailer at the end of component 9's data n bytes, written at area 1 offset at.
    void PutTopTrailer(uint8_t* data, size_t n, const FirmwareComponent& c, uint64_t at) const
    {
        uint8_t* t = data + n - kTrailer;
        t[0] = 2;
        t[1] = 1;
        t[2] = header[FWH_BYTE23];
        t[3] = header[FWH_CORRECTION_A];
        wire::put32(t, 4, kTopMarker);
        wire::put32(t, 8, (wire::get32(header, FWH_FLAGS) & 0xFFFF) << 16 | (wire::get32(header, FWH_WORD0) & 0xFFFF));
        wire::put16(t, 12, static_cast<uint16_t>(ctl.info.controllerClass >> 4));
        wire::put16(t, 14, static_cast<uint16_t>(wire::get32(header, FWH_WORD8)));
        wire::put32(t, 20, static_cast<uint32_t>(at + c.dataOffset + n - topStart));
    }

    // Writes top component c at area 1 offset at and moves at past it.
    ModelError WriteTopComponent(const FirmwareComponent& c, uint64_t& at)
    {
        uint8_t data[FW_PIECE];
        const bool top = c.id == FW_COMPONENT_TOP;
        if (c.dataSize > FW_PIECE || (top && c.dataSize < 64))
            return MODERR_NO_SPACE;
        const auto n = static_cast<size_t>(c.dataSize);
        if (!FirmwareReadAt(f.file, c.offset + c.dataOffset, data, n))
            return MODERR_FILE_IO;
        if (top)
            PutTopTrailer(data, n, c, at);
        if (!w.Write(1, at, c.header, 0, FW_COMPONENT_HEADER_SIZE, false) ||
            !w.Write(1, at + c.dataOffset, data, 0, n, false))
            return ctl.error;
        at += c.length;
        f.rules[c.id] = FW_RULE_UNUSED;
        return 0;
    }

    // The components at the top of area 1: boot components, then component 9.
    ModelError WriteTopComponents()
    {
        uint64_t at = topStart;
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < tops; ++i) {
                FirmwareComponent c;
                if (const ModelError e = FirmwareComponentAt(f, topOffsets[i], c))
                    return e;
                if ((c.id == FW_COMPONENT_TOP) != (pass == 1))
                    continue;
                if (const ModelError e = WriteTopComponent(c, at))
                    return e;
            }
        }
        return 0;
    }

    // Every component the rules ask for is written.
    ModelError CheckAllWritten() const
    {
        for (int id = 0; id < FW_COMPONENT_IDS; ++id)
            if (f.rules[id] != FW_RULE_UNUSED && (f.rules[id] & 0x7F) != FW_RULE_OPTIONAL)
                return MODERR_COMPONENT_MISSING;
        return 0;
    }

    // Clears the incomplete bit of the headers: the image is complete.
    ModelError MarkComplete()
    {
        wire::put16(header, FWH_FLAGS12, static_cast<uint16_t>(wire::get16(header, FWH_FLAGS12) & ~kFlagsIncompleteBit));
        if (ctl.FirmwareVersion() > kLastStagingVersion) {
            if (!w.Write(1, FWH_FLAGS12, header + FWH_FLAGS12, 0, 2, false) ||
                (twoAreas && !w.Write(2, FWH_FLAGS12, header + FWH_FLAGS12, 0, 2, false)))
                return ctl.error;
        }
        return 0;
    }

    // Brings back what was there: the saved areas whole, or (staging) the old
    // header; 0 or the failure of that.
    ModelError Restore()
    {
        if (saved.bytes[0])
            return RestoreAreas(ctl, f, saved);
        if (ctl.flag == 0) {
            std::memcpy(f.transfer + FW_REQUEST_HEADER, oldHeader, FW_HEADER_SIZE);
            if (!ctl.FlashTransfer(f.transfer, 0, FW_HEADER_SIZE, w.argumentOf[1], OP_WRITE))
                return ctl.error;
        }
        return 0;
    }
};

}  // namespace

int CController::WriteFirmware(FirmwareFile& f)
{
    ImageWrite image(*this, f);
    // 1. The old header, and the new one built from it.
    if (!image.BuildHeader())
        return 0;
    // 2. Save the areas about to be erased, then erase them.
    ModelError e = 0;
    if (!image.SaveAndErase(e))
        return 0;
    // 3. The bytes to write, for the progress.
    if (e == 0)
        e = image.CountBytes();
    // 4. The components: top ones remembered, the others written in order.
    if (e == 0)
        e = WalkFirmwareChain(f, [&](const FirmwareComponent& c) { return image.WriteComponent(c); });
    // 5. The kept component, then the new headers.
    if (e == 0)
        e = image.WriteKeptAndHeaders();
    // 6. The components at the top of area 1.
    f.flashSize = static_cast<uint32_t>(image.topStart);
    if (e == 0)
        e = image.WriteTopComponents();
    // 7. Every component the rules ask for is written; 8. the image is complete.
    if (e == 0)
        e = image.CheckAllWritten();
    if (e == 0)
        e = image.MarkComplete();
    if (e != 0) {
        const ModelError restored = image.Restore();
        error = restored ? restored : e;
        return 0;
    }
    // 9. Done.
    if (firmwareProgress && image.w.total != 0)
        firmwareProgress->Progress(2, 100);
    error = 0;
    return 1;
}

int CController::WriteBootComponent(FirmwareFile& f)
{
    const int kind = GetFamily(FAMILY_MODE_BOARD_KIND);
    const uint8_t want = kind == 0 || kind == 1 ? FW_COMPONENT_BOOT_A : FW_COMPONENT_BOOT_B;
    bool written = false;
    ModelError e = WalkFirmwareChain(f, [&](const FirmwareComponent& c) -> ModelError {
        if (written || c.id != want)
            return 0;
        uint8_t* data = f.transfer + FW_REQUEST_HEADER;
        std::memcpy(data, c.header, FW_COMPONENT_HEADER_SIZE);
        if (!FlashTransfer(f.transfer, 0, FW_COMPONENT_HEADER_SIZE, static_cast<uint32_t>(f.flashHandle), OP_WRITE_BOOT))
            return error;
        for (uint64_t at = 0; at < c.dataSize; at += FW_PIECE) {
            const auto len = static_cast<uint32_t>(std::min<uint64_t>(FW_PIECE, c.dataSize - at));
            if (!FirmwareReadAt(f.file, c.offset + c.dataOffset + at, data, len))
                return MODERR_FILE_IO;
            if (!FlashTransfer(f.transfer, static_cast<uint32_t>(c.dataOffset + at), len,
                               static_cast<uint32_t>(f.flashHandle), OP_WRITE_BOOT))
                return error;
        }
        written = true;
        return 0;
    });
    if (e != 0) {
        error = e;
        return 0;
    }
    if (!written)
        return 0;
    uint8_t log[LOG_STATE_SIZE] = {};
    error = ctl_flash_cmd_4d(static_cast<uint16_t>(index), log);
    if (error != 0)
        return 0;
    logState = wire::get32(log, 0);
    return 1;
}
