#include "x11/server_clock.h"

#include <X11/extensions/sync.h>
#include <sys/socket.h>

#include <cstring>

#include "cli/waiting.h"

namespace {

constexpr int64_t kTicksPerMs = kTicksPerSecond / 1000;

int64_t ValueOf(const XSyncValue& value)
{
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(XSyncValueHigh32(value))) << 32) |
                                XSyncValueLow32(value));
}

XSyncValue ValueFrom(int64_t value)
{
    XSyncValue result;
    XSyncIntsToValue(&result, static_cast<unsigned int>(static_cast<uint64_t>(value) & 0xFFFFFFFFu),
                     static_cast<int>(value >> 32));
    return result;
}

// Room for a few frames of points in the connection: ask for a megabyte, take a
// quarter of what the kernel grants (it counts its own bookkeeping in).
int64_t WidenSendBuffer(int fd)
{
    int bytes = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    socklen_t size = sizeof bytes;
    if (getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, &size) != 0) return 0;
    return bytes / 4;
}

}  // namespace

void OpenServerClock(Display* display, ServerClock& clock)
{
    clock = ServerClock{};
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XSyncQueryExtension(display, &eventBase, &errorBase) || !XSyncInitialize(display, &major, &minor)) return;
    int count = 0;
    XID counter = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(display, &count);
    for (int i = 0; i < count; ++i)
        if (std::strcmp(counters[i].name, "SERVERTIME") == 0) counter = counters[i].counter;
    if (counters) XSyncFreeSystemCounterList(counters);
    XSyncValue value;
    const int64_t before = MonotonicNow();
    if (counter == 0 || !XSyncQueryCounter(display, counter, &value)) return;
    const int64_t after = MonotonicNow();
    clock.counter = counter;
    clock.offsetMs = ValueOf(value) - (before + (after - before) / 2) / kTicksPerMs;
    clock.queueBytes = WidenSendBuffer(ConnectionNumber(display));
}

void AwaitServerTime(Display* display, const ServerClock& clock, int64_t when)
{
    XSyncWaitCondition condition;
    std::memset(&condition, 0, sizeof condition);
    condition.trigger.counter = clock.counter;
    condition.trigger.value_type = XSyncAbsolute;
    condition.trigger.wait_value = ValueFrom((when + kTicksPerMs - 1) / kTicksPerMs + clock.offsetMs);
    condition.trigger.test_type = XSyncPositiveComparison;
    condition.event_threshold = ValueFrom(INT64_MAX);  // no CounterNotify event when it is over
    XSyncAwait(display, &condition, 1);
}
