#include "tool_run.h"

namespace {

// In the order a run carries them out; each is defined at the end of its own file.
constexpr const ToolCommand* kCommands[] = {
    &kStatusCommand, &kCreateCommand, &kDeleteCommand, &kResetCommand, &kAssignCommand,
};

}  // namespace

std::span<const ToolCommand* const> ToolCommands()
{
    return kCommands;
}
