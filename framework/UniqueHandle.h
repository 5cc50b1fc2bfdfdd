// Kept for the headers that still include it by this name: the owners of handles live in Scope.h.
#pragma once

#include "Scope.h"
