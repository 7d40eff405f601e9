// Sleeps of the model: a select with only a time-out.
#pragma once

// Pauses the calling thread for `ms` milliseconds (also across signals).
void ModelPauseMs(int ms);
