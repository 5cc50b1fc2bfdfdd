// TPidl: a movable owner of one PIDL, freed through FreeIDList.
#pragma once

#include "../framework/Scope.h"
#include "VeltoShellFunctions.h"

// Holds one PIDL that came from ShellMalloc and frees it when destroyed or reset.
using TPidl = TUniqueHandle<TZeroHandleTraits<LPITEMIDLIST, &FreeIDList>>;
