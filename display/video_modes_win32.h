// The display adapter of the video-mode rules, bound to GDI and the mode list.
#pragma once

// Installs it; needs saverDC for the desktop's current mode.
void InstallDisplayAdapter();
