#include "windows/rules/start_mode.h"

#include <charconv>
#include <cstring>
#include <string_view>

StartMode StartModeFor(const char* arguments)
{
    if (!arguments || arguments[0] == '\0') return StartMode::Settings;
    switch (arguments[1]) {
    case 'c':
    case 'C': return StartMode::Settings;
    case 's':
    case 'S': return StartMode::Saver;
    default: return StartMode::Nothing;
    }
}

namespace {

// The whole number after "NAME:" in word, if word is that and the number is in low..high.
bool WholeAfter(std::string_view word, std::string_view name, int64_t low, int64_t high, int64_t& value)
{
    if (word.size() <= name.size() || word.substr(0, name.size()) != name) return false;
    const char* end = word.data() + word.size();
    int64_t number = 0;
    const auto [stop, code] = std::from_chars(word.data() + name.size(), end, number);
    if (code != std::errc{} || stop != end || number < low || number > high) return false;
    value = number;
    return true;
}

}  // namespace

RunRequest RunRequestFor(const char* arguments)
{
    RunRequest request;
    if (!arguments) return request;
    std::string_view rest(arguments, std::strlen(arguments));
    bool first = true;  // the switch itself
    while (!rest.empty()) {
        const size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::string_view word = rest.substr(0, rest.find(' '));
        rest.remove_prefix(word.size());
        if (first) {
            first = false;
            continue;
        }
        // Clocks as the renderer takes them, small enough that T + k / 60 cannot overflow.
        if (WholeAfter(word, "/clock:", 0, INT64_MAX / 2, request.clockStart))
            request.fixedClock = true;
        WholeAfter(word, "/frames:", 1, INT64_MAX, request.frameLimit);
    }
    return request;
}
