// Raw allocation for the model's containers: fails by returning nullptr,
// never by throwing, so every caller can report 0x04000001.
#pragma once

#include <cstddef>

// Allocates `bytes` bytes aligned for any scalar type; nullptr on failure.
void* ModelAlloc(size_t bytes);
// Frees what ModelAlloc returned (nullptr is ignored).
void ModelFree(void* p);
