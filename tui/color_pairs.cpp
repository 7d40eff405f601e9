#include "color_pairs.h"

#include "screen_device.h"

namespace tui {

namespace {

uint8_t pairKeys[colorPairCount] = {0x07};
int pairsUsed = 1;

}  // namespace

int pcToCursesColor(int pcColor)
{
    static constexpr int order[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return order[pcColor & 7];
}

void resetColorPairs()
{
    pairKeys[0] = 0x07;
    pairsUsed = 1;
}

int colorPairFor(uint8_t attr)
{
    uint8_t key = attr & 0x77;
    for (int n = 0; n < pairsUsed; ++n)
        if (pairKeys[n] == key)
            return n;
    if (pairsUsed >= colorPairCount)
        return 0;
    int n = pairsUsed++;
    pairKeys[n] = key;
    screen().definePair(n, pcToCursesColor(key & 7), pcToCursesColor(key >> 4));
    return n;
}

uint8_t pairAttribute(int pair)
{
    return pair >= 0 && pair < pairsUsed ? pairKeys[pair] : pairKeys[0];
}

}  // namespace tui
