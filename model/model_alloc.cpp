#include "model_alloc.h"

#include "test_hooks.h"

#include <atomic>
#include <cstdlib>

namespace {

// Larger requests are refused outright; no model list comes near this.
constexpr size_t kMaxAllocation = size_t{1} << 36;

std::atomic<int> g_allocationsLeft{-1};

bool InjectedFailure()
{
    int left = g_allocationsLeft.load();
    while (left >= 0) {
        if (left == 0)
            return true;
        if (g_allocationsLeft.compare_exchange_weak(left, left - 1))
            return false;
    }
    return false;
}

}  // namespace

void* ModelAlloc(size_t bytes)
{
    if (bytes > kMaxAllocation || InjectedFailure())
        return nullptr;
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void ModelFree(void* p)
{
    std::free(p);
}

void ModelFailAllocationsAfter(int n)
{
    g_allocationsLeft.store(n < 0 ? -1 : n);
}
