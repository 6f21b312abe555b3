// Writes the command-line fuzz target's first corpus and dictionary from the two
// programs' own help: every option they list, bare, with a value and in the =
// form, alone and after the others, plus the windows a screen locker gives.
//   command_line_seeds CORPUS_DIR DICTIONARY_FILE
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "renderer/render_options.h"
#include "tests/fuzz/command_line_input.h"

namespace {

// The --names a help text lists, in order.
std::vector<std::string> OptionNames(const std::string& help)
{
    std::vector<std::string> names;
    const auto partOfName = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; };
    for (size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
        size_t end = at + 2;
        while (end < help.size() && partOfName(help[end])) ++end;
        const std::string name = help.substr(at, end - at);
        if (name.size() > 3 && name[2] != '-' && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: command_line_seeds CORPUS_DIR DICTIONARY_FILE\n");
        return 2;
    }
    const std::string corpus = argv[1];
    std::ofstream dictionary(argv[2]);
    std::set<std::string> seeds;
    for (const bool render : {false, true}) {
        CommandLineInput input;
        input.render = render;
        input.environment = {"", "wayland-0", ":0", true};
        std::vector<std::string> all;
        for (const std::string& name : OptionNames(render ? RenderHelp() : SaverHelp())) {
            dictionary << '"' << name << "\"\n\"" << name << "=\"\n";
            for (const std::vector<std::string>& arguments :
                 std::vector<std::vector<std::string>>{{name}, {name, "5"}, {name + "=0x40"}, {"-" + name.substr(2)}}) {
                input.arguments = arguments;
                seeds.insert(EncodeCommandLineInput(input));
            }
            all.insert(all.end(), {name, "1"});
        }
        input.arguments = all;
        seeds.insert(EncodeCommandLineInput(input));
    }
    CommandLineInput locker;
    locker.environment = {"0x1a00003", "", ":0", true};
    for (const char* root : {"-root", "--root"}) {
        locker.arguments = {root};
        seeds.insert(EncodeCommandLineInput(locker));
    }
    dictionary << "\"\\x01\\xff\"\n\"\\x01\\x40\"\n\"\\x00\"\n\"-h\"\n\"0x\"\n";
    int number = 0;
    for (const std::string& seed : seeds)
        std::ofstream(corpus + "/seed-" + std::to_string(number++), std::ios::binary) << seed;
    std::printf("command_line_seeds: %d seeds, dictionary %s\n", number, argv[2]);
    return dictionary ? 0 : 1;
}
