// Fuzzes the command lines of velmora and velmora-render, and the environment
// velmora reads, under the address and undefined-behaviour sanitizers: any vector
// of NUL-free arguments up to a megabyte each (command_line_input.h says how the
// input spells them). Each must be taken or refused with an OptionError that says
// something; a crash, an overflowed stack, a leak, a hang (-timeout) or any other
// exception is a finding.
#include <cstdio>
#include <cstdlib>

#include "renderer/render_options.h"
#include "tests/fuzz/command_line_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CommandLineInput input = DecodeCommandLineInput(data, size);
    try {
        if (input.render)
            ParseRenderCommandLine(input.arguments);
        else
            ParseSaverCommandLine(input.arguments, input.environment);
    } catch (const OptionError& problem) {
        if (problem.message.empty()) {
            std::fprintf(stderr, "command_line_fuzz: a refusal without a message\n");
            std::abort();
        }
    }
    return 0;
}
