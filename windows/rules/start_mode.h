// What the argument string asks for. Only its second character and whether it is
// empty count; the first character (normally a slash) is not examined.
#pragma once

enum class StartMode {
    Settings,  // "/c", "-C", "/c:1234" or an empty string: the settings dialog
    Saver,     // "/s", "-S": the saver run
    Nothing,   // anything else, such as "/p 1234" or "/a": close at once
};

// arguments is the command line without the program's name; null counts as empty.
StartMode StartModeFor(const char* arguments);
