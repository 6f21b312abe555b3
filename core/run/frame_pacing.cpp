#include "core/run/frame_pacing.h"

int RefreshRateOrDefault(int reportedHz)
{
    return reportedHz >= 20 && reportedHz <= 500 ? reportedHz : kDefaultRefreshHz;
}

void StartPacing(FramePacer& pacer, int refreshHz, int64_t ticksPerSecond, int64_t now)
{
    const int64_t period = ticksPerSecond / RefreshRateOrDefault(refreshHz);
    pacer.period = period > 0 ? period : 1;
    pacer.deadline = now;
    pacer.lastShown = now;
}

int64_t TicksToWait(FramePacer& pacer, int64_t now)
{
    pacer.deadline += pacer.period;
    if (now < pacer.deadline) return pacer.deadline - now;
    if (now - pacer.deadline > pacer.period) pacer.deadline = now;
    return 0;
}

int64_t TicksToWaitAfterFlip(FramePacer& pacer, int64_t now)
{
    const int64_t sinceShown = now - pacer.lastShown;
    if (sinceShown * 4 < pacer.period * 3) return TicksToWait(pacer, now);
    pacer.deadline = now;
    return 0;
}

void FrameShown(FramePacer& pacer, int64_t now) { pacer.lastShown = now; }

void StartPacingPeriod(FramePacer& pacer, int64_t periodTicks, int64_t now)
{
    pacer.period = periodTicks > 0 ? periodTicks : 1;
    pacer.deadline = now;
    pacer.lastShown = now;
}
