#include "pause.h"

#include <cerrno>
#include <sys/select.h>

void ModelPauseMs(int ms)
{
    if (ms <= 0)
        return;
    timeval left{ms / 1000, static_cast<suseconds_t>((ms % 1000) * 1000)};
    // Linux leaves the remaining time in `left` when a signal interrupts.
    while (select(0, nullptr, nullptr, nullptr, &left) < 0 && errno == EINTR) {
    }
}
