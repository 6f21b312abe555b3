// The shared-memory buffers a surface shows its frames in: XRGB8888 at the
// surface's size in real pixels, black outside the figure area. A buffer the
// compositor holds (attached, not yet released) is never written; the pool grows
// to a few buffers when the compositor holds them long, and beyond that the
// frame waits.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/run/frames.h"

struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;  // mapped: width x height words 0x00RRGGBB
    size_t bytes = 0;
    bool busy = false;          // the compositor holds it
    std::vector<int32_t> lit;   // figure-area words lit in it (by the frame it holds)
};

// Gives a handle back through its release call and nulls it; a null handle stays null.
template <class Handle, class Release>
void Drop(Handle*& handle, Release release)
{
    if (handle) release(handle);
    handle = nullptr;
}

constexpr size_t kMostBuffers = 4;

struct BufferPool {
    wl_shm* shm = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::unique_ptr<ShmBuffer>> buffers;
};

// An idle buffer, or a new all-black one while the pool has fewer than
// kMostBuffers; null when every buffer is busy, or (error set) when no memory.
ShmBuffer* IdleBuffer(BufferPool& pool, std::string& error);

// Destroys every buffer (the compositor keeps its own reference to busy ones).
void DropBuffers(BufferPool& pool);

// Makes the buffer show the frame: the words lit by its earlier frame go black,
// the frame's lit words are copied, at the figure area's place.
void PutFrame(ShmBuffer& buffer, int32_t stride, const DrawnFrame& frame);
