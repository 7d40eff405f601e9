#include "build_wait.h"

#include "host_drive_lookup.h"
#include "messages.h"
#include "model_errors.h"
#include "progress_request.h"

#include <chrono>
#include <thread>

namespace {


void Pause100ms()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// One progress query of the watched drive: 1 while the build runs, 0 when
// nothing runs, -1 on failure (the code in *code).
int QueryProgress(CController& controller, int mirrorNumber, int arrayNumber, ProgressRequest& r, uint32_t* code)
{
    r = ProgressRequest{};
    r.operation = PROGRESS_QUERY;
    if (arrayNumber >= 0) {
        const int a = controller.FindArrayDrive(arrayNumber);
        if (a < 0)
            return 0;
        CArrayDrive& array = controller.arrayDrives[a];
        array.error = 0;
        if (array.GetBuildProgress(&r) != 0)
            return 1;
        // No build running: perhaps an expansion or conversion.
        if (array.error == MODERR_ACTIVE_STATE) {
            array.error = 0;
            r = ProgressRequest{};
            r.operation = PROGRESS_QUERY;
            if (array.ExpandConvert(&r) != 0)
                return 1;
        }
        *code = array.error;
        return array.error == 0 || array.error == MODERR_ACTIVE_STATE ? 0 : -1;
    }
    const int m = controller.FindMirrorDrive(mirrorNumber);
    if (m < 0)
        return 0;
    CMirrorDrive& mirror = controller.mirrorDrives[m];
    mirror.error = 0;
    if (mirror.GetBuildProgress(&r) != 0)
        return 1;
    *code = mirror.error;
    return mirror.error == 0 || mirror.error == MODERR_ACTIVE_STATE ? 0 : -1;
}

}  // namespace

int WaitForBuild(CController& controller, int number)
{
    const int h = FindHostDrive(controller, number);
    if (h < 0)
        return 0;
    const int carrier = controller.hostDrives[h].carrierIndex;
    if (carrier < 0 || carrier >= controller.logDrives.count)
        return 0;
    const CLogDrive& drive = controller.logDrives[carrier];
    int arrayNumber = -1;
    int mirrorNumber = -1;
    if (drive.arrayIndex >= 0)
        arrayNumber = controller.arrayDrives[drive.arrayIndex].arrayNumber;
    else if (drive.mirrorIndex >= 0)
        mirrorNumber = controller.mirrorDrives[drive.mirrorIndex].mirrorNumber;
    else
        return 0;
    Emit("INFO: Blocking on build of Host Drive #%d : ", number);
    Pause100ms();
    Emit(" 0%%  ");
    for (int step = 1;; ) {
        ProgressRequest r;
        uint32_t code = 0;
        const int running = QueryProgress(controller, mirrorNumber, arrayNumber, r, &code);
        if (running < 0) {
            Emit("\n");
            PrintErrorCode(code);
            return 1;
        }
        if (running == 0) {
            Emit("%c%c%c%c%c100%% \n", kBack, kBack, kBack, kBack, kBack);
            return 0;
        }
        Emit("%c%c%c%c%c%2d%% |", kBack, kBack, kBack, kBack, kBack, r.percent);
        static const char kSpinner[4] = {'/', '-', '\\', '|'};
        for (int k = 0; k < 8; ++k, ++step) {
            Pause100ms();
            Emit("%c%c %c", kBack, kBack, kSpinner[(step - 1) % 4]);
        }
    }
}
