#include "core/render/tint.h"

namespace {

int16_t FactorFromParity(int draw) { return draw % 2 != 0 ? -1 : 1; }

}  // namespace

ChannelTint PickTint(RandomSource& random, int64_t now)
{
    SeedRandomFromClock(random, now);
    ChannelTint tint;
    tint.factor0 = FactorFromParity(NextRandom(random));
    tint.factor1 = FactorFromParity(NextRandom(random));
    tint.factor2 = FactorFromParity(NextRandom(random));
    const int sum = tint.factor0 + tint.factor1 + tint.factor2;
    if (sum == -3) {
        tint.factor0 = 0;
        tint.factor2 = 1;
    } else if (sum == 3) {
        tint.factor0 = 0;
        tint.factor2 = -1;
    }
    return tint;
}
