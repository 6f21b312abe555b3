// The settings' registry access, bound to advapi32 under HKEY_CURRENT_USER.
#pragma once

void InstallRegistryAccess();
