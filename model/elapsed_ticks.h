// The ticks between two controller time stamps, for code that needs no more
// of the controller than its clock.
#pragma once

#include <cstdint>

class CController;

// Ticks from `older` to `newer` as `controller` counts them (with the early
// wrap of its family); without a controller, the plain difference.
uint32_t ElapsedTicks(const CController* controller, uint32_t newer, uint32_t older);
