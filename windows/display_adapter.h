// The display adapter of the video-mode rules, bound to GDI and the mode list.
#pragma once

#include "windows/rules/video_modes.h"

const DisplayAdapter& WindowsDisplayAdapter();
