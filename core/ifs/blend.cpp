#include "core/ifs/blend.h"

void BlendFigures(IfsFigure& out, const IfsFigure& from, const IfsFigure& to, float t)
{
    const double weightTo = static_cast<double>(t);
    const double weightFrom = 1.0 - weightTo;  // kept in double, not rounded to float
    const float* fromValues = FigureValues(from);
    const float* toValues = FigureValues(to);
    float* outValues = FigureValues(out);
    for (int i = 0; i < kFigureValues; ++i)
        outValues[i] = static_cast<float>(weightFrom * static_cast<double>(fromValues[i]) +
                                          weightTo * static_cast<double>(toValues[i]));
}

namespace {

bool IsWeightIndex(int i) { return i == 6 || i == 13 || i == 20; }

}  // namespace

void DeformFigure(IfsFigure& target, const IfsFigure& base, int16_t intensity, RandomSource& random, int64_t now)
{
    const double divisor = static_cast<double>((14 - int32_t{intensity}) * 500);
    float* targetValues = FigureValues(target);
    const float* baseValues = FigureValues(base);

    SeedRandomFromClock(random, now);
    const int changes = NextRandom(random) % 10 + 3;
    int made = 0;
    while (made < changes) {
        int i;
        if (NextRandom(random) % 2 != 0) {
            i = NextRandom(random) % 27;
        } else {
            const int first = NextRandom(random) % 14;  // drawn first, so kept apart
            i = first + NextRandom(random) % 14;
        }
        const int q = NextRandom(random) % 10;
        const float magnitude = static_cast<float>(static_cast<double>(q + 1) / divisor);
        float step = NextRandom(random) % 2 != 0 ? -magnitude : magnitude;

        // A drawn weight index costs its draws but is not a change.
        if (IsWeightIndex(i)) continue;

        // Turn the step back towards -1..1, judged on the value target holds now.
        if (targetValues[i] > 1.0f && step > 0.0f) step = -step;
        if (targetValues[i] < -1.0f && step < 0.0f) step = -step;
        targetValues[i] = static_cast<float>(static_cast<double>(baseValues[i]) + static_cast<double>(step));
        ++made;
    }
}
