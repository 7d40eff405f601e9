// A small program that runs one array drive dialog of the console on the
// first controller of the local machine, for the terminal checks:
//   array_expansion_probe [--admin] verify N      the parity verify window of array N
//   array_expansion_probe [--admin] progress N    the build progress display of array N
//   array_expansion_probe [--admin] expand N      the " Expand " menu of array N
//   array_expansion_probe builds                  the quit walk's progress displays
//   array_expansion_probe select KIND N FLAGS     " Select Drive to be added " for drive N
//                                                 of KIND (0 array, 1 RAID-1, 2 logical)
//   array_expansion_probe add KIND N FLAGS ASK    AddDriveToArray for drive N of KIND
//   array_expansion_probe initialize T FORMAT     makes the disk at channel 0, target T
//                                                 a logical drive
// At the end the screen goes and the program prints "result R kind K"
// (select: "chosen KIND NUMBER|TARGET", add and initialize: "number N").
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "array_expansion.h"
#include "console.h"
#include "console_screen.h"
#include "console_state.h"
#include "controller.h"
#include "controller_access.h"
#include "drive_choice.h"
#include "frame_styles.h"
#include "host_system.h"
#include "hot_plug_procedure.h"
#include "quit_walk.h"
#include "screen_device.h"
#include "session.h"

namespace {

int usage()
{
    std::fputs("usage: array_expansion_probe [--admin] verify|progress|expand N | builds | select KIND N FLAGS |"
               " add KIND N FLAGS ASK |"
               " initialize T FORMAT\n",
               stderr);
    return 2;
}

// Runs the action on the controller with the screen up; the printed line.
std::string Run(CController& controller, int argc, char** argv)
{
    const std::string action = argv[0];
    char out[128] = "";
    auto arrayOf = [&](const char* text) -> CArrayDrive* {
        const int k = controller.FindArrayDrive(std::atoi(text));
        return k >= 0 ? &controller.arrayDrives[k] : nullptr;
    };
    if ((action == "verify" || action == "progress" || action == "expand") && argc == 2) {
        CArrayDrive* array = arrayOf(argv[1]);
        if (array == nullptr)
            return "no such array";
        int kind = -2;
        int result = 0;
        if (action == "verify")
            result = ParityVerify(*array);
        else if (action == "progress")
            result = ShowBuildProgress(*array, &kind);
        else
            result = ExpandArrayDrive(controller, *array);
        std::snprintf(out, sizeof out, "result %d kind %d", result, kind);
    } else if (action == "builds" && argc == 1) {
        std::snprintf(out, sizeof out, "result %d kind -2", ShowControllerBuildProgress(controller, 0));
    } else if ((action == "select" && argc == 4) || (action == "add" && argc == 5)) {
        DriveRef ref;
        ref.kind = std::atoi(argv[1]);
        const int number = std::atoi(argv[2]);
        int k = -1;
        if (ref.kind == driveRefArray && (k = controller.FindArrayDrive(number)) >= 0)
            ref.array = &controller.arrayDrives[k];
        else if (ref.kind == driveRefMirror && (k = controller.FindMirrorDrive(number)) >= 0)
            ref.mirror = &controller.mirrorDrives[k];
        else if (ref.kind == driveRefLogical && (k = controller.FindLogicalDrive(number)) >= 0)
            ref.logical = &controller.logDrives[k];
        if (k < 0)
            return "no such drive";
        if (action == "add") {
            const int index =
                AddDriveToArray(controller, ref, std::atoi(argv[3]), nullptr, std::atoi(argv[4]), hotPlugLine);
            std::snprintf(out, sizeof out, "result %d number %d", index,
                          index >= 0 ? static_cast<int>(controller.logDrives[index].GetNumber()) : -1);
            return out;
        }
        DriveCandidate chosen;
        const int result = SelectReplacementDrive(controller, ref, &chosen, std::atoi(argv[3]));
        const int which = chosen.logical ? chosen.logical->GetNumber() : chosen.disk ? chosen.disk->GetTargetId() : -1;
        std::snprintf(out, sizeof out, "result %d chosen %d %d", result, chosen.kind, which);
    } else if (action == "initialize" && argc == 3) {
        const int k = controller.FindPhysDrive(0, std::atoi(argv[1]), 0);
        if (k < 0)
            return "no such disk";
        int number = -2;
        const int result = InitializeNewLogicalDrive(controller, controller.physDrives[k], &number, 1, 0,
                                                     std::atoi(argv[2]));
        std::snprintf(out, sizeof out, "result %d number %d", result, number);
    } else {
        return "bad arguments";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--admin") == 0) {
        Options().administrator = 1;
        ++first;
    }
    if (argc <= first)
        return usage();
    InitProductTexts();
    InitFrameStyles();
    CSession session;
    if (!session.Init(1) || !session.EnumTransports() || session.transports.count == 0 ||
        !session.transports[0].EnumHostSystems(nullptr) || session.transports[0].machines.count == 0) {
        std::fputs("no machine\n", stderr);
        return 1;
    }
    CHostSystem& machine = session.transports[0].machines[0];
    if (!machine.Connect() || machine.controllers.count == 0) {
        std::fputs("no controller\n", stderr);
        return 1;
    }
    CController& controller = machine.controllers[0];
    if (!ReadControllerConfiguration(controller)) {
        std::fputs("no configuration\n", stderr);
        return 1;
    }
    SetCurrentMachine(&machine);
    if (tui::consoleInit() == tui::screenUnavailable || !CreateScreen())
        return 1;
    const std::string line = Run(controller, argc - first, argv + first);
    DestroyScreen();
    tui::consoleDone();
    std::printf("%s\n", line.c_str());
    return 0;
}
