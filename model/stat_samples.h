// Statistics samples of devices and drives: current, previous and base. A new
// sample gets the milliseconds since the base accumulated from the ticks of
// the controller's time stamps.
#pragma once

#include "controller.h"

#include "byte_order.h"

#include <cstdint>

// Stores sample *x into samples[0..2] (current, previous, base): `first`
// starts the series; otherwise the milliseconds since the base are worked
// out (on families above 35 a counter that wrapped early is corrected by the
// board's tick divider) and the current sample becomes the previous one.
template <class Sample>
void StoreSample(Sample* samples, Sample* x, int first, const CController* controller)
{
    Sample& current = samples[0];
    if (first) {
        x->milliseconds = 0;
        samples[0] = samples[1] = samples[2] = *x;
        return;
    }
    uint32_t delta = x->time - current.time;
    if (controller != nullptr && controller->GetFamily(FAMILY_MODE_FAMILY) > 35 && x->time < current.time) {
        // Without a tick divider there is nothing to correct by.
        const uint32_t divider = wire::get32(controller->boardDetails, BOARD_DETAILS_TICK_DIVIDER);
        if (divider != 0)
            delta = x->time + (0xFFFFFFFFu / divider) * 8 - current.time;
    }
    x->milliseconds = delta / 1000 + current.milliseconds;
    samples[1] = current;
    samples[0] = *x;
}
