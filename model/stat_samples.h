// Statistics samples of devices and drives: current, previous and base. A new
// sample gets the milliseconds since the base accumulated from the ticks of
// the controller's time stamps.
#pragma once

#include "elapsed_ticks.h"

#include <cstdint>

// Stores sample *x into samples[0..2] (current, previous, base): `first`
// starts the series; otherwise the milliseconds since the base are worked
// out (`ElapsedTicks` corrects a counter that wrapped early) and
// the current sample becomes the previous one.
template <class Sample>
void StoreSample(Sample* samples, Sample* x, int first, const CController* controller)
{
    Sample& current = samples[0];
    if (first) {
        x->milliseconds = 0;
        samples[0] = samples[1] = samples[2] = *x;
        return;
    }
    const uint32_t delta = ElapsedTicks(controller, x->time, current.time);
    x->milliseconds = delta / 1000 + current.milliseconds;
    samples[1] = current;
    samples[0] = *x;
}
