#include "wayland/buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

void OnRelease(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy = false; }

const wl_buffer_listener kBufferListener = {OnRelease};

void DestroyBuffer(ShmBuffer& buffer)
{
    Drop(buffer.buffer, wl_buffer_destroy);
    if (buffer.pixels) munmap(buffer.pixels, buffer.bytes);
    buffer.pixels = nullptr;
}

// A new buffer of the pool's size; memory from memfd is all zero, which is black.
bool CreateBuffer(BufferPool& pool, ShmBuffer& buffer, std::string& error)
{
    const int32_t stride = pool.width * 4;
    buffer.bytes = static_cast<size_t>(stride) * static_cast<size_t>(pool.height);
    if (buffer.bytes > static_cast<size_t>(INT32_MAX)) {  // a pool's size is a 32-bit number
        error = "a " + std::to_string(pool.width) + " x " + std::to_string(pool.height) + " buffer is too large";
        return false;
    }
    const int fd = memfd_create("velmora-frame", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(buffer.bytes)) != 0) {
        error = std::string("cannot make a shared frame buffer: ") + std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    void* mapped = mmap(nullptr, buffer.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        error = "not enough memory for a " + std::to_string(pool.width) + " x " + std::to_string(pool.height) +
                " buffer";
        close(fd);
        return false;
    }
    buffer.pixels = static_cast<uint32_t*>(mapped);
    wl_shm_pool* shmPool = wl_shm_create_pool(pool.shm, fd, static_cast<int32_t>(buffer.bytes));
    buffer.buffer = wl_shm_pool_create_buffer(shmPool, 0, pool.width, pool.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(shmPool);  // the buffer keeps the memory
    close(fd);
    wl_buffer_add_listener(buffer.buffer, &kBufferListener, &buffer);
    return true;
}

}  // namespace

ShmBuffer* IdleBuffer(BufferPool& pool, std::string& error)
{
    for (auto& buffer : pool.buffers)
        if (!buffer->busy) return buffer.get();
    if (pool.buffers.size() >= kMostBuffers || pool.width <= 0 || pool.height <= 0) return nullptr;
    auto buffer = std::make_unique<ShmBuffer>();
    if (!CreateBuffer(pool, *buffer, error)) {
        DestroyBuffer(*buffer);
        return nullptr;
    }
    pool.buffers.push_back(std::move(buffer));
    return pool.buffers.back().get();
}

void DropBuffers(BufferPool& pool)
{
    for (auto& buffer : pool.buffers) DestroyBuffer(*buffer);
    pool.buffers.clear();
}

void PutFrame(ShmBuffer& buffer, int32_t stride, const DrawnFrame& frame)
{
    uint32_t* area = buffer.pixels + static_cast<size_t>(frame.offsetY) * static_cast<size_t>(stride) +
                     static_cast<size_t>(frame.offsetX);
    const auto at = [&](int32_t index) -> uint32_t& {
        return area[static_cast<size_t>(index / frame.width) * static_cast<size_t>(stride) +
                    static_cast<size_t>(index % frame.width)];
    };
    for (const int32_t index : buffer.lit) at(index) = 0;
    const auto* words = static_cast<const uint32_t*>(frame.pixels);
    for (const int32_t index : frame.lit) at(index) = words[index];
    buffer.lit.assign(frame.lit.begin(), frame.lit.end());
}
