// One flash round of a configuration commit: the controller answered the
// commit (0x2C) with status 0xFFF4 and wants the page written through a
// flash session before it commits again.
#include "controller.h"

#include "ctl_errors.h"

int CController::RunCommitFlashRound()
{
    // MERGE: the flash session operations wire the round in here:
    //   1. GetFlashHandle; on failure return 0;
    //   2. the commit record (COMMIT_RECORD_SIZE bytes: u32 44 at 0, u32 1 at
    //      COMMIT_RECORD_KIND, logState at COMMIT_RECORD_LOG_STATE, the handle
    //      at COMMIT_RECORD_HANDLE) with ctl_config_record_2e, result into the
    //      error word;
    //   3. OpenFlashSession with the handle; on failure return 0;
    //   4. CloseFlashSession; return 1, and CommitConfigPage commits again.
    // Until then a controller that asks for the flash is given up on with its status.
    error = CTLERR_CONTROLLER + 0xFFF4;
    return 0;
}
