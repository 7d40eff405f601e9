// Fuzz target of the image parser: one input is a settings byte, then an
// image file. The chain walk, the checksum, the size check and the board
// data filter run over it as an open would, without a controller behind.
#include "controller.h"
#include "firmware_chain.h"
#include "model_alloc.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t settings = data[0];  // bits 0-1 rule pattern, 2 area 2, 3 boot flag 0, 4 small flash
    FILE* file = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
    if (!file)
        return 0;
    CController ctl;
    ctl.info.controllerClass = (settings & 0x20) ? 0x86 : 0xFE;
    ctl.info.subtype = 0x6100;
    ctl.controllerRecord1[4] = 0;
    ctl.controllerRecord1[5] = 0;
    ctl.controllerRecord1[6] = (settings & 0x10) ? 0x08 : 0x20;  // 512 KB or 2 MB
    ctl.controllerRecord1[12] = (settings & 0x08) ? 0 : 1;
    FirmwareFile f;
    f.file = file;
    f.fileSize = size - 1;
    f.flashSize = ctl.FlashSize();
    f.secondAreaSize = (settings & 0x04) ? 0x8000 : 0;
    for (int id = 0; id < FW_COMPONENT_IDS; ++id) {
        static const uint8_t kRules[4] = {FW_RULE_REQUIRED, FW_RULE_OPTIONAL, FW_RULE_UNUSED, FW_RULE_OPTIONAL | FW_RULE_AREA2};
        f.rules[id] = kRules[(id + (settings & 3)) % 4];
    }
    if (size - 1 >= FW_HEADER_SIZE && FirmwareReadAt(file, 0, f.header, FW_HEADER_SIZE)) {
        ctl.VerifyFirmwareChecksum(f);
        ctl.CheckFirmwareSize(f, 0);
        WalkFirmwareChain(f, [&](const FirmwareComponent& c) -> ModelError {
            uint8_t* out = nullptr;
            if (c.id == 4 && ctl.FilterBoardComponent(f, c, &out) != 0)
                ModelFree(out);
            return 0;
        });
    }
    fclose(file);
    return 0;
}
