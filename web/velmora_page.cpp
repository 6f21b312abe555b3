// The web page's side in WebAssembly: one page record per page, created by the
// page script, which passes it to every call. The frames come from the core as on
// every other front end; this side keeps the figure area as the RGBA bytes of an
// ImageData, so that a frame changes only the pixels the last one lit and the ones
// it lights, and tells the script which rows changed.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/run/frames.h"
#include "web/page_settings.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// What the script reads after a layout or a frame, as 32-bit words.
struct PageFrame {
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

struct WebPage {
    PageSettings settings = DefaultPageSettings();
    SaverFrames frames;
    bool setUp = false;
    int64_t drawn = 0;
    std::vector<uint32_t> rgba;   // the figure area, byte order R, G, B, A
    std::vector<int32_t> shown;   // the area's pixels lit on the canvas
    PageFrame frame = {};
    std::string text;             // the last text handed to the script
};

// A word 0x00RRGGBB as the bytes R, G, B, 255 (a little-endian word).
uint32_t Rgba(uint32_t word) { return kOpaqueBlack | (word & 0xFFu) << 16 | (word & 0xFF00u) | (word >> 16 & 0xFFu); }

int32_t AddressOf(const void* pointer) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(pointer)); }

bool LimitReached(const WebPage& page)
{
    const int64_t limit = page.settings.values[kFrames];
    return limit != kNone && page.drawn >= limit;
}

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
    SetUpFrames(page->frames, settings, RunClockOf(page->settings));
    page->drawn = 0;
    page->setUp = true;
    page->text.clear();
    for (const std::string& note : HeldForRunNotes(settings)) page->text += (page->text.empty() ? "" : "\n") + ("velmora: " + note);
    return page->text.c_str();
}

// Lays the run out for a canvas of width x height device pixels, all black; the
// figure area comes back in the frame record, or null when there is no memory for it.
EMSCRIPTEN_KEEPALIVE const PageFrame* velmora_lay_out(WebPage* page, int width, int height)
{
    const auto side = [](int pixels) { return static_cast<int16_t>(pixels < 1 ? 1 : pixels > 32767 ? 32767 : pixels); };
    page->shown.clear();
    page->rgba.clear();
    if (!page->setUp || !LayOutFrames(page->frames, DisplayMode{side(width), side(height), 32})) return nullptr;
    const DrawnFrame area = CurrentFrame(page->frames);
    page->rgba.assign(static_cast<size_t>(area.width) * static_cast<size_t>(area.height), kOpaqueBlack);
    page->frame = PageFrame{0, area.width, area.height, area.offsetX, area.offsetY, AddressOf(page->rgba.data()),
                            0, 0, LimitReached(*page)};
    return &page->frame;
}

// Draws the next frame into the area's pixels; null once the frame limit is reached.
EMSCRIPTEN_KEEPALIVE const PageFrame* velmora_draw(WebPage* page)
{
    if (!page->setUp || !page->frames.allocated || LimitReached(*page)) return nullptr;
    const DrawnFrame drawn = DrawNextFrame(page->frames);
    PageFrame& out = page->frame;
    out.changed = 0;
    if (!drawn.unchanged && drawn.pixels) {
        const auto* words = static_cast<const uint32_t*>(drawn.pixels);
        uint32_t* rgba = page->rgba.data();
        int32_t first = INT32_MAX, last = -1;
        for (const int32_t i : page->shown) {
            rgba[i] = kOpaqueBlack;
            first = i < first ? i : first;
            last = i > last ? i : last;
        }
        page->shown.assign(drawn.lit.begin(), drawn.lit.end());
        for (const int32_t i : drawn.lit) {
            rgba[i] = Rgba(words[i]);
            first = i < first ? i : first;
            last = i > last ? i : last;
        }
        if (last >= 0 && drawn.width > 0) {
            out.changed = 1;
            out.firstRow = first / drawn.width;
            out.rows = last / drawn.width - out.firstRow + 1;
        }
    }
    ++page->drawn;
    out.last = LimitReached(*page);
    return &out;
}

// After the frame has been shown.
EMSCRIPTEN_KEEPALIVE void velmora_finish(WebPage* page) { FinishFrame(page->frames); }

}  // extern "C"
