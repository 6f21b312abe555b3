// velmora-render as a user runs it: the files it writes against in-process drawing,
// and clear failures for bad input.
#include <gif_lib.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/core/test_support.h"

namespace {

namespace fs = std::filesystem;
constexpr int64_t kClock = 1'700'000'000;
// This process's files, removed when it ends.
const std::string dir = ::testing::TempDir() + "velmora_render_" + std::to_string(getpid());
struct RemoveFiles { ~RemoveFiles() { fs::remove_all(dir); fs::remove(dir + ".err"); } } removeFiles;

std::string ReadFile(const std::string& path) { return {std::istreambuf_iterator(std::ifstream(path).rdbuf()), {}}; }
std::string Bytes(const void* data, size_t size) { return {static_cast<const char*>(data), size}; }

// The exit status of velmora-render with these arguments, run by a shell after
// prefix; timeout ends it if it has not ended within a generous limit.
int Render(const std::string& args, const std::string& prefix = "")
{
    const int status = std::system((prefix + "timeout 240 " VELMORA_RENDER " " + args + " 2>" + dir + ".err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A run's files show its frames as the run's own procedures draw them (frame k ends
// with the clock at T + floor(k / F)), its pictures the 256 x 192 figure area at
// (32, 24) on black; --figure draws one table figure as MeasureBounds and PlotFigure16 do.
TEST(RenderToolTest, FilesShowWhatTheInProcessProceduresDraw)
{
    SaverSettings stored = kDefaultSettings;
    stored.LifeTimeOneFig.value = 0;
    stored.onColor = 1;
    for (const int16_t bits : {16, 32}) {
        const std::string out = dir + "/" + std::to_string(bits), mode = " --mode 320x240x" + std::to_string(bits);
        ASSERT_EQ(Render("--lifetime 0 --color 1 --fps 3 --frames 80 --first-frame 1" + mode + " --clock " +
                         std::to_string(kClock) + " --raw " + out + " --png " + out + " --gif " + out + "/r.gif"), 0);
        int64_t now = kClock;
        auto run = MakeRun(stored, &now);
        SetUpFrameGeometry(*run, {320, 240, bits});
        StartFirstFigure(*run);
        ASSERT_TRUE(AllocateFrameBuffer(*run));
        for (int k = 0; k < 80; ++k) {
            DrawFrame(*run);
            const std::string raw = out + "/frame-" + std::to_string(1'000'000 + k).substr(1) + ".raw";
            EXPECT_TRUE(ReadFile(raw) == (k ? Bytes(run->frame.pixels, run->frame.frameBytes) : "")) << raw;
            now = kClock + k / 3;
            EndFrame(*run);
        }
        ReleaseFrameBuffer(*run);

        png_image png = {nullptr, PNG_IMAGE_VERSION, 0, 0, 0, 0, 0, 0, {}};
        ASSERT_TRUE(png_image_begin_read_from_file(&png, (out + "/frame-000001.png").c_str()) &&
                    png.format == PNG_FORMAT_RGB && png.width == 320 && png.height == 240);
        std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(png));
        ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr));
        // The raw frame's words on black: a 5-6-5 field stretched to 8 bits repeats its
        // top bits (f * 33 / 4 for five bits, f * 65 / 16 for six).
        const std::string raw = ReadFile(out + "/frame-000001.raw");
        int wrong = 0, uneven = 0;  // red and blue differ: a swap shows
        for (int i = 0; i < 320 * 240; ++i) {
            const unsigned x = i % 320 - 32u, y = i / 320 - 24u, at = (y * 256 + x) * unsigned(bits) / 8;
            uint32_t w = 0;  // little-endian
            for (unsigned byte = 0; x < 256 && y < 192 && byte < unsigned(bits) / 8; ++byte)
                w |= uint32_t(uint8_t(raw.at(at + byte))) << 8 * byte;
            const uint32_t r = bits == 32 ? w >> 16 : (w >> 11) * 33 / 4;
            const uint32_t g = bits == 32 ? w >> 8 & 255 : (w >> 5 & 63) * 65 / 16;
            const uint32_t b = bits == 32 ? w & 255 : (w & 31) * 33 / 4;
            wrong += rgb[3 * i] != r || rgb[3 * i + 1] != g || rgb[3 * i + 2] != b;
            uneven += r != b;
        }
        EXPECT_TRUE(wrong == 0 && uneven > 1000) << wrong << " " << uneven;

        GifFileType* gif = DGifOpenFileName((out + "/r.gif").c_str(), nullptr);
        ASSERT_TRUE(gif && DGifSlurp(gif) == GIF_OK);
        EXPECT_TRUE(gif->SWidth == 320 && gif->SHeight == 240 && gif->ImageCount == 79);
        DGifCloseFile(gif, nullptr);
    }
    ASSERT_EQ(Render("--figure 4 --tint -1,1,0 --mode 256x192x16 --raw " + dir + "/figure"), 0);
    auto tables = std::make_unique<PassTables>();
    std::vector<uint16_t> pixels(204 * 153);
    FrameBuffer frame = FrameOver(pixels.data(), 204, 153, 16);
    const FigureBounds bounds = MeasureBounds(FigureTable[4], 8000, tables->maps);
    PlotFigure16(FigureTable[4], 8000, bounds, {250, 1, {-1, 1, 0}}, frame, *tables);
    EXPECT_TRUE(ReadFile(dir + "/figure/frame-000000.raw") == Bytes(pixels.data(), frame.frameBytes));
}

// Bad arguments exit with 2 (of any length, with a short message), files that
// cannot be written with 1, each with a message.
TEST(RenderToolTest, BadArgumentsAndFailuresExitWithAMessage)
{
    const std::string r = " --raw " + dir + "/bad";
    const std::pair<std::string, int> cases[] = {
        {"--mode 0x0x32" + r, 2}, {"--mode 640x480x24" + r, 2}, {"--figure 21" + r, 2}, {"--quality abc" + r, 2},
        {"--zoom 70000" + r, 2}, {"--tint 1,2,0 --figure 2" + r, 2}, {"--frames 2 --first-frame 2" + r, 2},
        {"--no-such-option", 2}, {"--raw /dev/null", 1}, {"--gif /dev/null/r.gif", 1}, {"--help >/dev/null", 0},
        {"--quality=" + std::string(100000, '9') + r, 2}, {"--" + std::string(60000, 'a') + r, 2},
    };
    for (const auto& [args, code] : cases)
        EXPECT_TRUE(Render(args) == code && (ReadFile(dir + ".err").rfind("velmora-render: ", 0) == 0) == (code != 0) &&
                    (code != 2 || ReadFile(dir + ".err").size() < 300) && !fs::exists(dir + "/bad")) << args.substr(0, 80);
// The address sanitizer needs more address space than the limit leaves; qemu-arm,
// which runs the 32-bit ARM tests, sets aside the guest's whole 4 GB up front.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__arm__)
    // 16000 x 16000 pixels of 4 bytes need 1 GB; the address space is held to 300 MB.
    EXPECT_EQ(Render("--mode 16000x16000x32 --zoom 100" + r, "ulimit -v 300000; "), 1);
    EXPECT_NE(ReadFile(dir + ".err").find("not enough memory"), std::string::npos);
#endif
}

}  // namespace
