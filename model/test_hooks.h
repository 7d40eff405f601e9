// Fault injection for the model's tests: allocation and fork failures.
#pragma once

#include <sys/types.h>

// The next `n` allocations of ModelAlloc succeed and every later one fails;
// a negative n switches the injection off.
void ModelFailAllocationsAfter(int n);
// Workers are forked through `fn` (nullptr: the system's fork).
void ModelSetForkFunction(pid_t (*fn)());
