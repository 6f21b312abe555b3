// The display adapter of the video-mode rules, bound to GDI and the mode list.
#pragma once

#include "display/video_modes.h"

const DisplayAdapter& WindowsDisplayAdapter();
