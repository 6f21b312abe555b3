#include "x11/server_clock.h"

#include <X11/extensions/sync.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "cli/waiting.h"
#include "x11/send_ahead.h"

namespace {

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

bool LocalConnection(int fd)
{
    sockaddr_storage address = {};
    socklen_t size = sizeof address;
    return getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 && address.ss_family == AF_UNIX;
}

}  // namespace

void OpenServerClock(Display* display, ServerClock& clock)
{
    clock = ServerClock{};
    const char* noSync = std::getenv("VELMORA_NO_SYNC");
    if ((noSync && std::strcmp(noSync, "1") == 0) || !LocalConnection(ConnectionNumber(display))) return;
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
    if (counter == 0) return;
    // Each reading bounds the lead of the server's clock from above; a server that
    // reads a coarse clock leads by less at some readings than at others: the most.
    for (int reading = 0; reading < 3; ++reading) {
        XSyncValue value;
        const int64_t before = MonotonicNow();
        if (!XSyncQueryCounter(display, counter, &value)) return;
        const int64_t ahead = ServerClockAhead(ValueOf(value), before);
        clock.ahead = reading == 0 ? ahead : std::max(clock.ahead, ahead);
    }
    clock.counter = counter;
    clock.queueBytes = WidenSendBuffer(ConnectionNumber(display));
}

void AwaitServerTime(Display* display, const ServerClock& clock, int64_t when)
{
    XSyncWaitCondition condition;
    std::memset(&condition, 0, sizeof condition);
    condition.trigger.counter = clock.counter;
    condition.trigger.value_type = XSyncAbsolute;
    condition.trigger.wait_value = ValueFrom(ServerMillisecondFor(when, clock.ahead));
    condition.trigger.test_type = XSyncPositiveComparison;
    condition.event_threshold = ValueFrom(INT64_MAX);  // no CounterNotify event when it is over
    XSyncAwait(display, &condition, 1);
}
