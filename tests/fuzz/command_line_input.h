// The command-line fuzz target's input: which program, velmora's environment and
// the arguments, shared by the target and the program that writes its seeds.
//
// The input is fields separated by NUL bytes. The first byte's lowest bit picks the
// program (0 velmora, 1 velmora-render) and its second whether velmora was built
// with Wayland; the next three fields are $XSCREENSAVER_WINDOW, $WAYLAND_DISPLAY and
// $DISPLAY (empty: unset); every further field is one argument. Inside a field the
// byte 1 followed by a byte n of 2 or more stands for the byte before it repeated
// n * n * 16 times (up to a megabyte from two bytes: arguments far longer than any
// input libFuzzer would grow); 1 followed by 1, or 1 at a field's end, is itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "linux/saver_options.h"

constexpr size_t kLongestField = size_t{1} << 20;  // a megabyte

struct CommandLineInput {
    bool render = false;
    SaverEnvironment environment;
    std::vector<std::string> arguments;
};

inline CommandLineInput DecodeCommandLineInput(const uint8_t* data, size_t size)
{
    CommandLineInput input;
    if (size == 0) return input;
    input.render = data[0] & 1;
    input.environment.waylandBuilt = data[0] & 2;
    std::vector<std::string> fields(1);
    for (size_t at = 1; at < size; ++at) {
        std::string& field = fields.back();
        const uint8_t byte = data[at];
        if (byte == 0) {
            fields.emplace_back();
        } else if (byte == 1 && at + 1 < size && data[at + 1] >= 2) {
            const size_t times = size_t{data[at + 1]} * data[at + 1] * 16;
            field.append(std::min(times, kLongestField - std::min(field.size(), kLongestField)),
                         field.empty() ? 'a' : field.back());
            ++at;
        } else {
            if (byte == 1 && at + 1 < size && data[at + 1] == 1) ++at;
            if (field.size() < kLongestField) field.push_back(static_cast<char>(byte));
        }
    }
    size_t next = 0;
    for (std::string* value : {&input.environment.xscreensaverWindow, &input.environment.waylandDisplay,
                               &input.environment.display})
        if (next < fields.size()) *value = fields[next++];
    input.arguments.assign(fields.begin() + static_cast<std::ptrdiff_t>(next), fields.end());
    return input;
}

// The bytes that decode to this input (no field holds a NUL byte).
inline std::string EncodeCommandLineInput(const CommandLineInput& input)
{
    std::string data(1, static_cast<char>((input.render ? 1 : 0) | (input.environment.waylandBuilt ? 2 : 0)));
    const auto add = [&](const std::string& field, bool first) {
        if (!first) data.push_back('\0');
        for (const char byte : field) {
            data.push_back(byte);
            if (byte == 1) data.push_back(1);
        }
    };
    add(input.environment.xscreensaverWindow, true);
    add(input.environment.waylandDisplay, false);
    add(input.environment.display, false);
    for (const std::string& argument : input.arguments) add(argument, false);
    return data;
}
