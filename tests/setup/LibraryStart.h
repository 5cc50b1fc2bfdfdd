// Starts the shell library once per test program, as the program entry does before any form.
#pragma once

#include "../../shell/VeltoShellFunctions.h"
#include "../../shell/VeltoShellTreeView.h"

#include <cstdlib>

inline void StartShellLibrary()
{
    static const bool started = [] {
        InitializeVeltoShellFunctions();
        InitializeVeltoShellTreeView();
        return true;
    }();
    (void)started;
}
