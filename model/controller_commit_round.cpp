// One flash round of a configuration commit: the controller answered the
// commit (0x2C) with status 0xFFF4 and wants the page written through a
// flash session before it commits again.
#include "controller.h"

#include "byte_order.h"
#include "controller_settings.h"
#include "ctl_commands.h"

int CController::RunCommitFlashRound()
{
    int32_t handle = 0;
    if (!GetFlashHandle(&handle))
        return 0;
    uint8_t record[COMMIT_RECORD_SIZE] = {};
    wire::put32(record, 0, COMMIT_RECORD_SIZE);
    wire::put32(record, COMMIT_RECORD_KIND, 1);
    wire::put32(record, COMMIT_RECORD_LOG_STATE, logState);
    wire::put32(record, COMMIT_RECORD_HANDLE, static_cast<uint32_t>(handle));
    error = ctl_config_record_2e(static_cast<uint16_t>(index), 0, record);
    if (!OpenFlashSession(handle))
        return 0;
    CloseFlashSession(handle);  // then the commit is sent again, whatever the close answered
    return 1;
}
