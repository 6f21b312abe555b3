#include "renderer/frame_output.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/render/frame_buffer.h"

namespace {

std::string FramePath(const std::string& directory, int64_t index, const char* extension)
{
    char name[48];
    std::snprintf(name, sizeof name, "frame-%06lld.%s", static_cast<long long>(index), extension);
    return (std::filesystem::path(directory) / name).string();
}

bool MakeDirectory(const std::string& directory, std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (code || !std::filesystem::is_directory(directory, code)) {
        error = "cannot create directory '" + directory + "'" + (code ? ": " + code.message() : "");
        return false;
    }
    return true;
}

bool Wide(FrameWriter& w) { return w.screen.bitsPerPixel == 32; }

uint32_t PixelWord(FrameWriter& w, int32_t index)
{
    if (Wide(w)) return static_cast<const uint32_t*>(w.frame->pixels)[index];
    return static_cast<const uint16_t*>(w.frame->pixels)[index];
}

void WordToRgb(FrameWriter& w, uint32_t word, uint8_t rgb[3])
{
    if (!Wide(w)) {
        Expand565(static_cast<uint16_t>(word), rgb);
        return;
    }
    rgb[0] = static_cast<uint8_t>(word >> 16);
    rgb[1] = static_cast<uint8_t>(word >> 8);
    rgb[2] = static_cast<uint8_t>(word);
}

std::string GifError(FrameWriter& w, const char* what, int code)
{
    const char* text = GifErrorString(code);
    return std::string(what) + " '" + w.outputs.gifFile + "': " + (text ? text : "GIF error");
}

// ---- raw --------------------------------------------------------------------------

bool WriteRaw(FrameWriter& w, int64_t index, std::string& error)
{
    const std::string path = FramePath(w.outputs.rawDirectory, index, "raw");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    bool written = true;
    if constexpr (std::endian::native == std::endian::little) {
        written = std::fwrite(w.frame->pixels, 1, w.frame->Bytes(), file) == w.frame->Bytes();
    } else {
        const int bytesPerWord = Wide(w) ? 4 : 2;
        for (int32_t i = 0; written && i < static_cast<int32_t>(w.frame->Bytes() / static_cast<size_t>(bytesPerWord)); ++i) {
            uint8_t bytes[4];
            const uint32_t word = PixelWord(w, i);
            for (int b = 0; b < bytesPerWord; ++b) bytes[b] = static_cast<uint8_t>(word >> (8 * b));
            written = std::fwrite(bytes, 1, bytesPerWord, file) == static_cast<size_t>(bytesPerWord);
        }
    }
    if (std::fclose(file) != 0) written = false;
    if (!written) error = "cannot write '" + path + "': " + std::strerror(errno);
    return written;
}

// ---- PNG --------------------------------------------------------------------------

void CopyFrameToScreen(FrameWriter& w)
{
    const size_t stride = static_cast<size_t>(w.screen.width) * 3;
    for (int row = 0; row < w.frame->height; ++row) {
        uint8_t* out = w.screenRgb.data() + (static_cast<size_t>(w.frame->offsetY) + row) * stride + size_t{3} * w.frame->offsetX;
        for (int col = 0; col < w.frame->width; ++col, out += 3) WordToRgb(w, PixelWord(w, col + w.frame->width * row), out);
    }
}

bool WritePng(FrameWriter& w, int64_t index, std::string& error)
{
    CopyFrameToScreen(w);
    const std::string path = FramePath(w.outputs.pngDirectory, index, "png");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w.screen.width);
    image.height = static_cast<png_uint_32>(w.screen.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, w.screenRgb.data(), 0, nullptr)) {
        error = "cannot write '" + path + "': " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

// ---- GIF --------------------------------------------------------------------------

bool PutLoopExtension(FrameWriter& w)
{
    // The application block by which viewers know to loop the animation forever.
    static const GifByteType kApplication[] = "NETSCAPE2.0";
    static const GifByteType kLoopForever[] = {1, 0, 0};
    return EGifPutExtensionLeader(w.gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(w.gif, 11, kApplication) == GIF_OK &&
           EGifPutExtensionBlock(w.gif, 3, kLoopForever) == GIF_OK && EGifPutExtensionTrailer(w.gif) == GIF_OK;
}

bool OpenGif(FrameWriter& w, std::string& error)
{
    // Opened here rather than by giflib, which would make the file private to its owner.
    const int handle = open(w.outputs.gifFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (handle < 0) {
        error = "cannot create '" + w.outputs.gifFile + "': " + std::strerror(errno);
        return false;
    }
    int code = 0;
    w.gif = EGifOpenFileHandle(handle, &code);
    if (!w.gif) {
        close(handle);
        error = GifError(w, "cannot create", code);
        return false;
    }
    EGifSetGifVersion(w.gif, true);
    if (EGifPutScreenDesc(w.gif, w.screen.width, w.screen.height, 8, 0, nullptr) != GIF_OK || !PutLoopExtension(w)) {
        error = GifError(w, "cannot write", w.gif->Error);
        return false;
    }
    w.gifLine.assign(static_cast<size_t>(w.screen.width), 0);
    return true;
}

// One frame uses at most 256 pixel words: every lit pixel is the packing of one
// 8-bit level with the frame's tint, and level 0 packs to black. Black is index 0.
bool MakePalette(FrameWriter& w, std::unordered_map<uint32_t, int>& indexOf, ColorMapObject*& map, std::string& error)
{
    std::vector<uint32_t> words = {0};
    indexOf.clear();
    indexOf[0] = 0;
    for (int32_t i = 0; i < w.frame->width * w.frame->height; ++i) {
        const uint32_t word = PixelWord(w, i);
        if (word == 0 || indexOf.count(word)) continue;
        if (words.size() == 256) {
            error = "a frame has more than 256 colours; it cannot go into '" + w.outputs.gifFile + "'";
            return false;
        }
        indexOf[word] = static_cast<int>(words.size());
        words.push_back(word);
    }
    const int size = 1 << GifBitSize(static_cast<int>(words.size()));
    map = GifMakeMapObject(size < 2 ? 2 : size, nullptr);
    if (!map) {
        error = "out of memory for the GIF palette";
        return false;
    }
    std::memset(map->Colors, 0, sizeof(GifColorType) * static_cast<size_t>(map->ColorCount));
    for (size_t i = 0; i < words.size(); ++i) {
        uint8_t rgb[3];
        WordToRgb(w, words[i], rgb);
        map->Colors[i] = {rgb[0], rgb[1], rgb[2]};
    }
    return true;
}

// The first frame covers the whole screen; later ones only the figure area, since
// the border around it stays black for the whole run.
bool WriteGifFrame(FrameWriter& w, std::string& error)
{
    std::unordered_map<uint32_t, int> indexOf;
    ColorMapObject* map = nullptr;
    if (!MakePalette(w, indexOf, map, error)) return false;

    GraphicsControlBlock control = {};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = w.outputs.gifDelay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);

    const bool whole = w.firstGifFrame || w.frame->width <= 0 || w.frame->height <= 0;
    const int left = whole ? 0 : w.frame->offsetX;
    const int top = whole ? 0 : w.frame->offsetY;
    const int width = whole ? w.screen.width : w.frame->width;
    const int height = whole ? w.screen.height : w.frame->height;
    bool ok = EGifPutExtension(w.gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(w.gif, left, top, width, height, false, map) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
        const int row = top + y - w.frame->offsetY;
        for (int x = 0; x < width; ++x) {
            const int col = left + x - w.frame->offsetX;
            const bool inside = row >= 0 && row < w.frame->height && col >= 0 && col < w.frame->width;
            const uint32_t word = inside ? PixelWord(w, col + w.frame->width * row) : 0;
            w.gifLine[x] = static_cast<GifPixelType>(word ? indexOf[word] : 0);
        }
        ok = EGifPutLine(w.gif, w.gifLine.data(), width) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (!ok) error = GifError(w, "cannot write", w.gif->Error);
    w.firstGifFrame = false;
    return ok;
}

}  // namespace

void Expand565(uint16_t word, uint8_t rgb[3])
{
    const int red = word >> 11;
    const int green = (word >> 5) & 63;
    const int blue = word & 31;
    rgb[0] = static_cast<uint8_t>((red << 3) | (red >> 2));
    rgb[1] = static_cast<uint8_t>((green << 2) | (green >> 4));
    rgb[2] = static_cast<uint8_t>((blue << 3) | (blue >> 2));
}

bool OpenFrameOutputs(FrameWriter& w, const FrameOutputs& wanted, const DisplayMode& mode, std::string& error)
{
    w.outputs = wanted;
    w.screen = mode;
    w.firstGifFrame = true;
    if (!w.outputs.rawDirectory.empty() && !MakeDirectory(w.outputs.rawDirectory, error)) return false;
    if (!w.outputs.pngDirectory.empty()) {
        if (!MakeDirectory(w.outputs.pngDirectory, error)) return false;
        try {
            w.screenRgb.assign(size_t{3} * static_cast<size_t>(mode.width) * static_cast<size_t>(mode.height), 0);
        } catch (const std::bad_alloc&) {
            error = "not enough memory for a " + std::to_string(mode.width) + " x " + std::to_string(mode.height) +
                    " picture";
            return false;
        }
    }
    return w.outputs.gifFile.empty() || OpenGif(w, error);
}

bool WriteFrame(FrameWriter& w, const DrawnFrame& shown, int64_t frameIndex, std::string& error)
{
    w.frame = &shown;
    if (!w.outputs.rawDirectory.empty() && !WriteRaw(w, frameIndex, error)) return false;
    if (!w.outputs.pngDirectory.empty() && !WritePng(w, frameIndex, error)) return false;
    return !w.gif || WriteGifFrame(w, error);
}

bool CloseFrameOutputs(FrameWriter& w, std::string& error)
{
    bool ok = true;
    if (w.gif) {
        int code = 0;
        if (EGifCloseFile(w.gif, &code) != GIF_OK) {
            error = GifError(w, "cannot finish", code);
            ok = false;
        }
        w.gif = nullptr;
    }
    w.screenRgb = {};
    w.gifLine = {};
    return ok;
}
