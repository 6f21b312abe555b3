#include "cli/command_line.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// cxxopts' quotes, which the programs' messages about options have always had.
constexpr const char* kOpen = "\u2018";
constexpr const char* kClose = "\u2019";

const OptionEntry* Find(const OptionTable& table, std::string_view name, char letter)
{
    for (const OptionGroup& group : table.groups)
        for (const OptionEntry& entry : group.options)
            if (letter ? entry.letter == letter : entry.name == name) return &entry;
    return nullptr;
}

const OptionEntry& Known(const ParsedOptions& parsed, const std::string& name)
{
    const OptionEntry* entry = parsed.table ? Find(*parsed.table, name, 0) : nullptr;
    if (!entry) throw std::logic_error("no option --" + name + " in the table");
    return *entry;
}

// The part of text a message shows, escaped; cut is set when it is not all of it.
std::string Shown(std::string_view text, bool& cut)
{
    size_t end = std::min(text.size(), kShownBytes);
    cut = end < text.size();
    for (int back = 0; cut && back < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++back)
        --end;  // not in the middle of a UTF-8 character
    std::string shown;
    for (const char c : text.substr(0, end)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string Length(std::string_view text) { return std::string("(") + std::to_string(text.size()) + " bytes)"; }

// Option 'name' ..., in cxxopts' words.
std::string AboutOption(std::string_view name, const std::string& what)
{
    return std::string("Option ") + kOpen + Shortened(name) + kClose + " " + what;
}

OptionError TooLong(const std::string& what)
{
    return {what + " is too long: at most " + std::to_string(kLongestArgument) + " bytes are taken"};
}

// "  -h, --help", "      --zoom N"
std::string Spelling(const OptionEntry& entry)
{
    std::string spelling = entry.letter ? std::string("  -") + entry.letter + "," : std::string("     ");
    spelling += " --" + entry.name;
    if (!entry.valueName.empty()) spelling += " " + entry.valueName;
    return spelling;
}

// The words of text in lines of fewer than width characters (a longer word alone).
std::vector<std::string> Wrapped(const std::string& text, size_t width)
{
    std::vector<std::string> lines(1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() >= width) lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        start = end + 1;
    }
    return lines;
}

// One group as the help shows it: spellings in a column, descriptions wrapped
// beside them to a 76-character line.
std::string GroupHelp(const OptionGroup& group)
{
    constexpr size_t kLineWidth = 76, kLongestSpelling = 30, kGap = 2;
    size_t column = 0;
    for (const OptionEntry& entry : group.options) column = std::max(column, Spelling(entry).size());
    column = std::min(column, kLongestSpelling);
    const size_t width = kLineWidth > 10 + column + kGap ? kLineWidth - column - kGap : 10;
    std::string help = " " + group.title + " options:\n";
    for (const OptionEntry& entry : group.options) {
        const std::string spelling = Spelling(entry);
        help += spelling;
        if (spelling.size() > column) help += "\n";
        help += std::string(spelling.size() > column ? column + kGap : column + kGap - spelling.size(), ' ');
        const std::string text = entry.help + (entry.defaultValue ? " (default: " + *entry.defaultValue + ")" : "");
        const std::vector<std::string> lines = Wrapped(text, width);
        for (size_t i = 0; i < lines.size(); ++i) help += (i ? std::string(column + kGap, ' ') : "") + lines[i] + "\n";
    }
    return help;
}

}  // namespace

bool ParsedOptions::Given(const std::string& name) const
{
    Known(*this, name);
    return counts.count(name) > 0;
}

std::string ParsedOptions::Text(const std::string& name) const
{
    const OptionEntry& entry = Known(*this, name);
    const auto value = values.find(name);
    return value != values.end() ? value->second : entry.defaultValue.value_or("");
}

ParsedOptions ParseCommandLine(const OptionTable& table, const std::vector<std::string>& arguments)
{
    ParsedOptions parsed;
    parsed.table = &table;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > kLongestArgument) {
            // --name=VALUE of an option, else the argument by its place.
            const size_t equals = argument.find('=');
            const OptionEntry* entry = argument.rfind("--", 0) == 0 && equals != std::string::npos && !optionsEnded
                                         ? Find(table, std::string_view(argument).substr(2, equals - 2), 0)
                                         : nullptr;
            throw entry ? TooLong("--" + entry->name + ": " + Quoted(argument.substr(equals + 1)))
                       : TooLong("argument " + std::to_string(i + 1) + ", " + Quoted(argument) + ",");
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
            throw OptionError{"unexpected argument " + Quoted(argument)};
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionEntry* entry = nullptr;
        std::optional<std::string> attached;  // the value of --name=value
        if (argument[1] == '-') {
            const size_t equals = argument.find('=');
            const std::string_view name = std::string_view(argument).substr(0, equals).substr(2);
            if (name.empty())
                throw OptionError{std::string("Argument ") + kOpen + Shortened(argument) + kClose +
                                  " starts with a - but has incorrect syntax"};
            entry = Find(table, name, 0);
            if (!entry) throw OptionError{AboutOption(name, "does not exist")};
            if (equals != std::string::npos) attached = argument.substr(equals + 1);
        } else {
            entry = argument.size() == 2 ? Find(table, "", argument[1]) : nullptr;
            if (!entry) throw OptionError{AboutOption(std::string_view(argument).substr(1), "does not exist")};
        }
        if (entry->valueName.empty()) {
            if (attached)
                throw OptionError{AboutOption(entry->name, "takes no value, not " + Quoted(*attached))};
        } else if (attached) {
            parsed.values[entry->name] = *attached;
        } else if (i + 1 < arguments.size()) {
            const std::string& value = arguments[++i];
            if (value.size() > kLongestArgument) throw TooLong("--" + entry->name + ": " + Quoted(value));
            parsed.values[entry->name] = value;
        } else {
            throw OptionError{AboutOption(entry->name, "is missing an argument")};
        }
        ++parsed.counts[entry->name];
    }
    return parsed;
}

std::string HelpText(const OptionTable& table)
{
    std::string help = table.description + "\nUsage:\n  " + table.program + " " + table.usage + "\n\n";
    for (size_t i = 0; i < table.groups.size(); ++i) {
        if (i) help += "\n";
        help += GroupHelp(table.groups[i]);
    }
    return help;
}

std::string Shortened(std::string_view text)
{
    bool cut = false;
    const std::string shown = Shown(text, cut);
    return cut ? shown + "... " + Length(text) : shown;
}

std::string Quoted(std::string_view text)
{
    bool cut = false;
    const std::string shown = Shown(text, cut);
    return cut ? "'" + shown + "...' " + Length(text) : "'" + shown + "'";
}
