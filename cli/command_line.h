// The Linux programs' command-line parser: a table of options in groups, read
// as --name VALUE, --name=VALUE, --switch and -h, and the help made from the same
// table. Each argument is read once from left to right, without recursion or
// regular expressions, so the time stays in proportion to the arguments and the
// stack fixed whatever their length; an argument longer than any useful value is
// refused before it is read. Messages that show what was given show it shortened to one
// line.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A bad option or value: the message names it and says what is wrong, on one line.
struct OptionError {
    std::string message;
};

struct OptionEntry {
    std::string name;          // the long name, without the dashes
    std::string help;
    std::string valueName;  // what the value is called in the help; empty: a switch, no value
    std::optional<std::string> defaultValue;  // shown in the help, read when the option is not given
    char letter = 0;        // the short name (-h), or 0
};

inline OptionEntry Switch(std::string name, std::string help, char letter = 0)
{
    return {std::move(name), std::move(help), "", std::nullopt, letter};
}

inline OptionEntry Value(std::string name, std::string valueName, std::string help,
                        std::optional<std::string> defaultValue = std::nullopt)
{
    return {std::move(name), std::move(help), std::move(valueName), std::move(defaultValue), 0};
}

struct OptionGroup {
    std::string title;
    std::vector<OptionEntry> options;
};

struct OptionTable {
    std::string program;
    std::string description;            // the help's first line
    std::string usage = "[OPTION...]";  // after the program's name on the usage line
    std::vector<OptionGroup> groups;
};

// Nothing useful is longer: paths end at PATH_MAX (4096 with its NUL), display and
// output names far sooner.
constexpr size_t kLongestArgument = 4095;

// The options given: switches counted, values as given (the last of a repeated one).
// Asking for a name the table lacks throws std::logic_error.
struct ParsedOptions {
    const OptionTable* table = nullptr;  // the one parsed with; it must outlive this
    std::map<std::string, std::string> values;
    std::map<std::string, int> counts;

    bool Given(const std::string& name) const;
    // The last value given, else the default ("" for none).
    std::string Text(const std::string& name) const;
};

// The arguments after the program's name. OptionError for an argument over
// kLongestArgument bytes, an unknown option, a value missing or given to a
// switch, and any argument that is not an option.
ParsedOptions ParseCommandLine(const OptionTable& table, const std::vector<std::string>& arguments);

std::string HelpText(const OptionTable& table);

// Text from the command line or the environment as a message shows it: at most
// kShownBytes bytes of it (never a UTF-8 character cut), control characters
// escaped (\n, \x1b), and when it is longer "..." and its length. Quoted puts it
// in single quotes.
constexpr size_t kShownBytes = 60;
std::string Shortened(std::string_view text);
std::string Quoted(std::string_view text);
