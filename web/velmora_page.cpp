// The web page's side in WebAssembly: one page record per page, created by the
// page script, which passes it to every call. The frames come from the core as on
// every other front end; this side keeps the figure area as the RGBA bytes of an
// ImageData, so that a frame changes only the pixels the last one lit and the ones
// it lights, and tells the script which rows changed.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/run/frames.h"
#include "web/page_settings.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// What the script reads after a layout or a frame, as 32-bit words; the script
// learns each word's place by name from velmora_frame_fields.
struct PageFrame {
    int32_t drawn;    // a frame was drawn (else none was due yet)
    int32_t changed;  // rows firstRow .. firstRow + rows - 1 of the area hold new pixels
    int32_t width;    // the figure area and its place on the canvas
    int32_t height;
    int32_t offsetX;
    int32_t offsetY;
    int32_t rgba;     // address of width * height RGBA pixels
    int32_t firstRow;
    int32_t rows;
    int32_t last;     // the frame limit is reached: no frame follows
};

#define VELMORA_PAGE_FRAME_FIELD(name, index) \
    static_assert(offsetof(PageFrame, name) == (index) * sizeof(int32_t), "PageFrame." #name " is word " #index);
VELMORA_PAGE_FRAME_FIELD(drawn, 0)
VELMORA_PAGE_FRAME_FIELD(changed, 1)
VELMORA_PAGE_FRAME_FIELD(width, 2)
VELMORA_PAGE_FRAME_FIELD(height, 3)
VELMORA_PAGE_FRAME_FIELD(offsetX, 4)
VELMORA_PAGE_FRAME_FIELD(offsetY, 5)
VELMORA_PAGE_FRAME_FIELD(rgba, 6)
VELMORA_PAGE_FRAME_FIELD(firstRow, 7)
VELMORA_PAGE_FRAME_FIELD(rows, 8)
VELMORA_PAGE_FRAME_FIELD(last, 9)
#undef VELMORA_PAGE_FRAME_FIELD
static_assert(sizeof(PageFrame) == 10 * sizeof(int32_t), "every word of PageFrame is named above");
constexpr const char* kPageFrameFields = "drawn changed width height offsetX offsetY rgba firstRow rows last";

struct WebPage {
    PageSettings settings = DefaultPageSettings();
    SaverFrames frames;
    bool setUp = false;
    std::vector<uint32_t> rgba;   // the figure area, byte order R, G, B, A
    PageFrame frame = {};
    std::string text;             // the last text handed to the script
};

// A word 0x00RRGGBB as the bytes R, G, B, 255 (a little-endian word).
uint32_t Rgba(uint32_t word) { return kOpaqueBlack | (word & 0xFFu) << 16 | (word & 0xFF00u) | (word >> 16 & 0xFFu); }

int32_t AddressOf(const void* pointer) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(pointer)); }

// Frames are paced in microseconds of the page's clock.
int64_t Microseconds(double milliseconds) { return static_cast<int64_t>(milliseconds * 1000.0); }

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE WebPage* velmora_create() { return new WebPage; }

EMSCRIPTEN_KEEPALIVE void velmora_destroy(WebPage* page)
{
    ReleaseFrames(page->frames);
    delete page;
}

// 0: taken; 1: unknown name; 2: bad value (the default stays). velmora_message
// then holds the line to write to the console.
EMSCRIPTEN_KEEPALIVE int velmora_set(WebPage* page, const char* name, const char* value)
{
    return static_cast<int>(SetFromAddress(page->settings, name, value, page->text));
}

EMSCRIPTEN_KEEPALIVE const char* velmora_message(WebPage* page) { return page->text.c_str(); }

// Setting number i as "name value default low high" (value and default "" for
// none; low and high what the panel offers), or "" past the last one.
EMSCRIPTEN_KEEPALIVE const char* velmora_setting(WebPage* page, int i)
{
    page->text.clear();
    if (i < 0 || i >= kPageSettingCount) return page->text.c_str();
    const PageSettingRule& rule = RuleOf(i);
    const auto text = [](int64_t value) { return value == kNone ? std::string() : std::to_string(value); };
    page->text = std::string(rule.name) + ' ' + text(page->settings.values[i]) + ' ' + text(rule.fallback) + ' ' +
                 std::to_string(rule.panelLow) + ' ' + std::to_string(rule.panelHigh);
    return page->text.c_str();
}

// The settings that differ from the defaults, as the address's query without '?'.
EMSCRIPTEN_KEEPALIVE const char* velmora_query(WebPage* page)
{
    page->text = AddressQuery(page->settings);
    return page->text.c_str();
}

// Starts the run anew with the settings as they are now; lay it out next. Returns
// one console line for each value the run draws differently, "" when none.
EMSCRIPTEN_KEEPALIVE const char* velmora_start(WebPage* page)
{
    ReleaseFrames(page->frames);
    page->frames = SaverFrames{};
    const SaverSettings settings = SaverSettingsOf(page->settings);
    const int64_t limit = page->settings.values[kFrames];
    SetUpFrames(page->frames, settings, RunClockOf(page->settings), limit == kNone ? kNoFrameLimit : limit);
    page->setUp = true;
    page->text.clear();
    for (const std::string& note : HeldForRunNotes(settings)) page->text += (page->text.empty() ? "" : "\n") + ("velmora: " + note);
    return page->text.c_str();
}

// The names of the frame record's words, in order.
EMSCRIPTEN_KEEPALIVE const char* velmora_frame_fields() { return kPageFrameFields; }

// Lays the run out for a canvas of width x height device pixels, all black, with
// frames paced from now (milliseconds of the page's clock); the figure area comes
// back in the frame record, or null when there is no memory for it.
EMSCRIPTEN_KEEPALIVE const PageFrame* velmora_lay_out(WebPage* page, int width, int height, double now)
{
    page->rgba.clear();
    if (!page->setUp || !LayOutFrames(page->frames, DisplayMode{ModeSide(width), ModeSide(height), 32})) return nullptr;
    StartFramePacing(page->frames, 1'000'000 / page->settings.values[kFps], Microseconds(now));
    const DrawnFrame area = CurrentFrame(page->frames);
    page->rgba.assign(static_cast<size_t>(area.width) * static_cast<size_t>(area.height), kOpaqueBlack);
    page->frame = PageFrame{0, 0, area.width, area.height, area.offsetX, area.offsetY, AddressOf(page->rgba.data()),
                            0, 0, !FramesLeft(page->frames)};
    return &page->frame;
}

// Frames are paced from now again (a page shown after being hidden).
EMSCRIPTEN_KEEPALIVE void velmora_pace_from(WebPage* page, double now)
{
    StartFramePacing(page->frames, 1'000'000 / page->settings.values[kFps], Microseconds(now));
}

// At an animation frame: draws the next frame into the area's pixels when one is
// due (the record says whether), velmora_finish once it is shown; null once no
// frame follows (the limit is reached, or there are no pixels).
EMSCRIPTEN_KEEPALIVE const PageFrame* velmora_draw(WebPage* page, double now)
{
    if (!page->setUp || !FramesLeft(page->frames)) return nullptr;
    PageFrame& out = page->frame;
    out.drawn = FrameDue(page->frames, Microseconds(now));
    out.changed = 0;
    if (!out.drawn) return &out;
    const DrawnFrame drawn = DrawNextFrame(page->frames);
    if (!drawn.unchanged && drawn.pixels) {
        const auto* words = static_cast<const uint32_t*>(drawn.pixels);
        uint32_t* rgba = page->rgba.data();
        for (const int32_t i : drawn.previousLit) rgba[i] = kOpaqueBlack;
        for (const int32_t i : drawn.lit) rgba[i] = Rgba(words[i]);
        out.changed = drawn.changedRows.count > 0;
        out.firstRow = drawn.changedRows.first;
        out.rows = drawn.changedRows.count;
    }
    out.last = drawn.last;
    return &out;
}

// After the frame has been shown, at now: the run goes on, the next frame due a period on.
EMSCRIPTEN_KEEPALIVE void velmora_finish(WebPage* page, double now)
{
    FinishFrame(page->frames);
    NextFrameDue(page->frames, Microseconds(now));
}

}  // extern "C"
