#include "x11/image.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A segment between shmget and its removal mark; the one process-wide value,
// because a lost display ends the process from inside Xlib.
int unmarkedSegment = -1;

// Errors while the server attaches a segment; X error handlers take no context.
bool attachFailed = false;
int TrapAttachError(Display*, XErrorEvent*)
{
    attachFailed = true;
    return 0;
}

bool HostIsLittleEndian()
{
    const uint16_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

bool CreateSharedImage(Display* display, Visual* visual, int depth, int width, int height, XFrameImage& frame)
{
    frame.segment.shmid = -1;
    frame.image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &frame.segment,
                                  static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!frame.image) return false;
    const size_t bytes = static_cast<size_t>(frame.image->bytes_per_line) * static_cast<size_t>(height);
    frame.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (frame.segment.shmid < 0) {
        DestroyFrameImage(display, frame);
        return false;
    }
    unmarkedSegment = frame.segment.shmid;
    void* address = shmat(frame.segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        DestroyFrameImage(display, frame);
        return false;
    }
    frame.segment.shmaddr = frame.image->data = static_cast<char*>(address);
    frame.segment.readOnly = False;

    XSync(display, False);
    attachFailed = false;
    XErrorHandler previous = XSetErrorHandler(TrapAttachError);
    const Status attached = XShmAttach(display, &frame.segment);
    XSync(display, False);
    XSetErrorHandler(previous);
    // Attached or not, nobody else needs the id any more.
    shmctl(frame.segment.shmid, IPC_RMID, nullptr);
    unmarkedSegment = -1;
    if (!attached || attachFailed) {
        DestroyFrameImage(display, frame);
        return false;
    }
    frame.shared = true;
    return true;
}

}  // namespace

int ShmCompletionEventType(Display* display)
{
    return XShmQueryExtension(display) ? XShmGetEventBase(display) + ShmCompletion : -1;
}

bool CreateFrameImage(Display* display, Visual* visual, int depth, int width, int height, bool tryShared,
                      XFrameImage& frame, std::string& error)
{
    frame = XFrameImage{};
    frame.segment.shmid = -1;
    // The frame words are in the processor's byte order; a shared image is read
    // by the server as it is, so only a server of the same order can share.
    const int hostOrder = HostIsLittleEndian() ? LSBFirst : MSBFirst;
    if (tryShared && ImageByteOrder(display) == hostOrder && XShmQueryExtension(display) &&
        CreateSharedImage(display, visual, depth, width, height, frame))
        return true;

    frame.image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!frame.image) {
        error = "cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " image";
        return false;
    }
    frame.image->byte_order = hostOrder;  // Xlib swaps while sending when the server differs
    const size_t bytes = static_cast<size_t>(frame.image->bytes_per_line) * static_cast<size_t>(height);
    frame.image->data = static_cast<char*>(std::calloc(bytes ? bytes : 1, 1));
    if (!frame.image->data) {
        DestroyFrameImage(display, frame);
        error = "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image";
        return false;
    }
    return true;
}

void DestroyFrameImage(Display* display, XFrameImage& frame)
{
    if (frame.shared) XShmDetach(display, &frame.segment);
    if (frame.segment.shmaddr) XSync(display, False);  // the server lets go before the memory does
    DropFrameImage(frame);
}

void DropFrameImage(XFrameImage& frame)
{
    if (frame.segment.shmaddr) {
        shmdt(frame.segment.shmaddr);
        if (frame.image) frame.image->data = nullptr;
    }
    if (frame.segment.shmid >= 0 && frame.segment.shmid == unmarkedSegment) {
        shmctl(frame.segment.shmid, IPC_RMID, nullptr);
        unmarkedSegment = -1;
    }
    if (frame.image) {
        std::free(frame.image->data);
        frame.image->data = nullptr;
        XDestroyImage(frame.image);
    }
    frame = XFrameImage{};
    frame.segment.shmid = -1;
}

void FillFrameImage(XFrameImage& frame, unsigned long alphaBits)
{
    XImage* image = frame.image;
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(image->height);
    if (alphaBits == 0 || image->bits_per_pixel != 32) {
        std::memset(image->data, 0, bytes);
        return;
    }
    auto* words = reinterpret_cast<uint32_t*>(image->data);
    std::fill(words, words + bytes / 4, static_cast<uint32_t>(alphaBits));
}

namespace {

void StoreWord(XImage* image, int x, int y, uint32_t word)
{
    char* target = image->data + static_cast<size_t>(y) * static_cast<size_t>(image->bytes_per_line);
    if (image->bits_per_pixel == 32) {
        std::memcpy(target + static_cast<size_t>(x) * 4, &word, 4);
    } else {
        const auto half = static_cast<uint16_t>(word);
        std::memcpy(target + static_cast<size_t>(x) * 2, &half, 2);
    }
}

}  // namespace

void WriteFramePoints(XFrameImage& frame, const FramePoints& points, int offsetX, int offsetY)
{
    int32_t begin = 0;
    for (size_t group = 0; group < points.colours.size(); ++group) {
        const int32_t end = points.groupEnds[group];
        for (int32_t i = begin; i < end; ++i) {
            const XPoint& point = points.points[static_cast<size_t>(i)];
            StoreWord(frame.image, point.x - offsetX, point.y - offsetY, static_cast<uint32_t>(points.colours[group]));
        }
        begin = end;
    }
}

void ClearFramePoints(XFrameImage& frame, const FramePoints& points, int offsetX, int offsetY, unsigned long black)
{
    for (const XPoint& point : points.points)
        StoreWord(frame.image, point.x - offsetX, point.y - offsetY, static_cast<uint32_t>(black));
}

void PutFrameImage(Display* display, Drawable drawable, GC gc, XFrameImage& frame, int x, int y, int firstRow,
                   int lastRow)
{
    if (firstRow > lastRow) return;
    const auto width = static_cast<unsigned>(frame.image->width);
    const auto rows = static_cast<unsigned>(lastRow - firstRow + 1);
    if (frame.shared) {
        XShmPutImage(display, drawable, gc, frame.image, 0, firstRow, x, y + firstRow, width, rows, True);
        frame.busy = true;
    } else {
        XPutImage(display, drawable, gc, frame.image, 0, firstRow, x, y + firstRow, width, rows);
    }
}

void RemoveUnmarkedSegment()
{
    if (unmarkedSegment >= 0) shmctl(unmarkedSegment, IPC_RMID, nullptr);
    unmarkedSegment = -1;
}

void ShowThroughImage(Display* display, Drawable drawable, GC gc, XFrameImage& frame, const ShownPoints& points,
                      bool imageHoldsShown, int offsetX, int offsetY, unsigned long alphaBits)
{
    int firstRow = frame.image->height;  // the rows either frame lights
    int lastRow = -1;
    for (const FramePoints* lit : {&points.shown, &points.next}) {
        if (lit->lastRow < lit->firstRow) continue;
        firstRow = std::min(firstRow, lit->firstRow);
        lastRow = std::max(lastRow, lit->lastRow);
    }
    if (imageHoldsShown) {
        ClearFramePoints(frame, points.shown, offsetX, offsetY, alphaBits);
    } else {  // the whole picture, from black
        FillFrameImage(frame, alphaBits);
        firstRow = 0;
        lastRow = frame.image->height - 1;
    }
    WriteFramePoints(frame, points.next, offsetX, offsetY);
    PutFrameImage(display, drawable, gc, frame, offsetX, offsetY, firstRow, lastRow);
}
