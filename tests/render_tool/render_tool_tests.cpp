// velmora-render as a user runs it: the files it writes, their sizes and pictures,
// frames that follow the clock of a run, and clear failures for bad input.
#include <fcntl.h>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/saver_run.h"
#include "ifs/chaos.h"
#include "ifs/random_source.h"
#include "render/frame_buffer.h"
#include "render/plot.h"
#include "render/tint.h"
#include "settings/settings.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int64_t kClock = 1'700'000'000;

std::vector<unsigned char> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Picture ReadPng(const fs::path& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

class RenderToolTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(::testing::TempDir()) / ("velmora_render_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
        SetClock(nullptr);
        saverSettings = kDefaultSettings;
        channelTint = kGreyTint;
    }

    // Runs a program with stdout and stderr in files; polls for its end and kills it,
    // by its id, if it takes longer than a generous limit. The exit status, or -1.
    int Spawn(const std::vector<std::string>& argv)
    {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ADD_FAILURE() << "velmora-render did not finish";
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Render(std::vector<std::string> args)
    {
        args.insert(args.begin(), VELMORA_RENDER);
        return Spawn(args);
    }

    std::string Output(const char* name) const
    {
        const std::vector<unsigned char> bytes = ReadBytes(dir / name);
        return {bytes.begin(), bytes.end()};
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
};

// ---- Frames written -------------------------------------------------------------

TEST_F(RenderToolTest, RunWritesRawWordsAndScreenPicturesWithABlackBorder)
{
    for (int bits : {32, 16}) {
        const std::string mode = "320x240x" + std::to_string(bits);
        const std::string raw = Path(("raw" + std::to_string(bits)).c_str());
        const std::string png = Path(("png" + std::to_string(bits)).c_str());
        ASSERT_EQ(Render({"--mode", mode, "--zoom", "50", "--frames", "3", "--first-frame", "1", "--clock",
                          std::to_string(kClock), "--raw", raw, "--png", png}),
                  0)
            << Output("stderr.txt");
        EXPECT_FALSE(fs::exists(fs::path(raw) / "frame-000000.raw"));
        EXPECT_FALSE(fs::exists(fs::path(png) / "frame-000000.png"));
        for (const char* frame : {"frame-000001", "frame-000002"}) {
            // The 160 x 120 figure area at (80, 60).
            const std::vector<unsigned char> words = ReadBytes(fs::path(raw) / (std::string(frame) + ".raw"));
            ASSERT_EQ(words.size(), size_t{160} * 120 * (bits / 8)) << frame;
            const Picture picture = ReadPng(fs::path(png) / (std::string(frame) + ".png"));
            ASSERT_EQ(picture.width, 320);
            ASSERT_EQ(picture.height, 240);
            int lit = 0;
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 320; ++x) {
                    const unsigned char* rgb = picture.At(x, y);
                    const bool inside = x >= 80 && x < 240 && y >= 60 && y < 180;
                    if (!inside) {
                        ASSERT_EQ(rgb[0] | rgb[1] | rgb[2], 0) << bits << " border at " << x << "," << y;
                        continue;
                    }
                    // The PNG shows the raw word of the same pixel.
                    const size_t i = static_cast<size_t>((y - 60) * 160 + (x - 80)) * (bits / 8);
                    unsigned char expected[3];
                    if (bits == 32) {
                        expected[0] = words[i + 2], expected[1] = words[i + 1], expected[2] = words[i];
                    } else {
                        const int word = words[i] | words[i + 1] << 8;
                        const int r = word >> 11, g = (word >> 5) & 63, b = word & 31;
                        expected[0] = static_cast<unsigned char>(r << 3 | r >> 2);
                        expected[1] = static_cast<unsigned char>(g << 2 | g >> 4);
                        expected[2] = static_cast<unsigned char>(b << 3 | b >> 2);
                    }
                    ASSERT_EQ(std::memcmp(rgb, expected, 3), 0) << bits << " at " << x << "," << y;
                    lit += (rgb[0] | rgb[1] | rgb[2]) != 0;
                }
            EXPECT_GT(lit, 1000) << frame;
        }
    }
}

// The raw frames are those of the run's own procedures with the clock at
// T + floor(k / F) for the end of frame k.
TEST_F(RenderToolTest, RawFramesFollowTheClockOfARun)
{
    const std::string raw = Path("raw");
    ASSERT_EQ(Render({"--mode", "200x150x32", "--quality", "10", "--lifetime", "0", "--color", "1", "--no-repeat", "0",
                      "--fps", "3", "--frames", "150", "--clock", std::to_string(kClock), "--raw", raw, "--quiet"}),
              0)
        << Output("stderr.txt");

    static int64_t now;
    SetClock([] { return now; });
    now = kClock;
    saverSettings = kDefaultSettings;
    saverSettings.Quality.value = 10;
    saverSettings.LifeTimeOneFig.value = 0;
    saverSettings.onColor = 1;
    saverSettings.CountNotReplay.value = 0;
    SetUpFrameGeometry({200, 150, 32});
    StartFirstFigure();
    ASSERT_TRUE(AllocateFrameBuffer());
    for (int k = 0; k < 150; ++k) {
        DrawFrame();
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.raw", k);
        const std::vector<unsigned char> written = ReadBytes(fs::path(raw) / name);
        ASSERT_EQ(written.size(), static_cast<size_t>(frameBytes)) << name;
        ASSERT_EQ(std::memcmp(written.data(), framePixels, written.size()), 0) << name;
        now = kClock + k / 3;
        EndFrame();
    }
    ReleaseFrameBuffer();
}

TEST_F(RenderToolTest, FigureDrawsOneTableFigureWithTheGivenTint)
{
    const std::string raw = Path("raw");
    ASSERT_EQ(Render({"--figure", "4", "--tint", "-1,1,0", "--mode", "256x192x16", "--lighting", "0", "--raw", raw}), 0)
        << Output("stderr.txt");
    const std::vector<unsigned char> written = ReadBytes(fs::path(raw) / "frame-000000.raw");

    SetUpFrameGeometry({256, 192, 16});
    saverSettings.on3D = 0;
    channelTint = {-1, 1, 0};
    std::vector<uint16_t> pixels(pixelCount, 0);
    MeasureBounds(FigureTable[4]);
    PlotFigure16(FigureTable[4], pixels.data());
    ASSERT_EQ(written.size(), pixels.size() * 2);
    EXPECT_EQ(std::memcmp(written.data(), pixels.data(), written.size()), 0);
}

TEST_F(RenderToolTest, GifHoldsEveryWrittenFrame)
{
    const std::string gif = Path("run.gif");
    ASSERT_EQ(Render({"--mode", "160x120x16", "--frames", "5", "--first-frame", "2", "--color", "1", "--gif", gif}), 0)
        << Output("stderr.txt");
    int error = 0;
    GifFileType* file = DGifOpenFileName(gif.c_str(), &error);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(DGifSlurp(file), GIF_OK);
    EXPECT_EQ(file->SWidth, 160);
    EXPECT_EQ(file->SHeight, 120);
    EXPECT_EQ(file->ImageCount, 3);
    DGifCloseFile(file, &error);
}

// ---- Failures -------------------------------------------------------------------

TEST_F(RenderToolTest, BadArgumentsExitWithAMessage)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--mode", "0x0x32", "--raw", "r"},         {"--mode", "640x480x24", "--raw", "r"},
        {"--mode", "640x480", "--raw", "r"},        {"--mode", "99999x480x32", "--raw", "r"},
        {"--figure", "21", "--raw", "r"},           {"--figure", "-1", "--raw", "r"},
        {"--quality", "abc", "--raw", "r"},         {"--zoom", "70000", "--raw", "r"},
        {"--lighting", "2", "--raw", "r"},          {"--fps", "0", "--raw", "r"},
        {"--tint", "1,1,1", "--raw", "r"},          {"--figure", "2", "--tint", "1,2,0", "--raw", "r"},
        {"--frames", "2", "--first-frame", "2", "--raw", "r"},
        {"--no-such-option"},                       {"--raw"},
        {},                                         {"stray", "--raw", "r"},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string shown;
        for (const std::string& arg : args) shown += arg + " ";
        EXPECT_EQ(Render(args), 2) << shown;
        EXPECT_NE(Output("stderr.txt").find("velmora-render: "), std::string::npos) << shown;
        EXPECT_FALSE(fs::exists(dir / "r")) << shown;
    }
    EXPECT_EQ(Render({"--help"}), 0);
    EXPECT_NE(Output("stdout.txt").find("--gif FILE"), std::string::npos);
}

TEST_F(RenderToolTest, UnwritableOutputExitsWithAMessage)
{
    std::ofstream(dir / "file") << "not a directory";
    EXPECT_EQ(Render({"--raw", Path("file")}), 1);
    EXPECT_NE(Output("stderr.txt").find("cannot create directory"), std::string::npos);
    EXPECT_EQ(Render({"--gif", Path("file/run.gif")}), 1);
    EXPECT_NE(Output("stderr.txt").find("cannot create"), std::string::npos);
}

TEST_F(RenderToolTest, FrameThatCannotBeAllocatedExitsWithAMessage)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    // 16000 x 16000 pixels of 4 bytes need 1 GB; the address space is held to 300 MB.
    const std::string command = std::string("ulimit -v 300000; exec ") + VELMORA_RENDER +
                                " --mode 16000x16000x32 --zoom 100 --raw " + Path("raw");
    EXPECT_EQ(Spawn({"/bin/sh", "-c", command}), 1);
    EXPECT_NE(Output("stderr.txt").find("not enough memory"), std::string::npos) << Output("stderr.txt");
#endif
}

}  // namespace
