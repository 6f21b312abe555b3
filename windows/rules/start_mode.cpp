#include "windows/rules/start_mode.h"

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
