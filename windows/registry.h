// The settings' registry access, bound to advapi32 under HKEY_CURRENT_USER.
#pragma once

#include "core/settings/persistence.h"

const RegistryAccess& WindowsRegistry();
