#include "render/tint.h"

#include "ifs/random_source.h"

ChannelTint channelTint = kGreyTint;

namespace {

int16_t FactorFromParity(int draw) { return draw % 2 != 0 ? -1 : 1; }

}  // namespace

void PickTint()
{
    SeedRandomFromClock();
    channelTint.factor0 = FactorFromParity(NextRandom());
    channelTint.factor1 = FactorFromParity(NextRandom());
    channelTint.factor2 = FactorFromParity(NextRandom());
    const int sum = channelTint.factor0 + channelTint.factor1 + channelTint.factor2;
    if (sum == -3) {
        channelTint.factor0 = 0;
        channelTint.factor2 = 1;
    } else if (sum == 3) {
        channelTint.factor0 = 0;
        channelTint.factor2 = -1;
    }
}
