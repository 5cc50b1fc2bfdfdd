// Hidden windows whose messages go to a method of an object, for components that need a window of
// their own to receive messages (timers, shell notifications) without being controls.
#pragma once

#include "Scope.h"

#include <windows.h>

#include <exception>
#include <functional>

// The procedure of a utility window: the message number and its two parameters; returns the result.
using TWindowMethod = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a message-only window of the calling thread whose messages go to method, from the moment
// this returns (the messages of its creation go to DefWindowProc). The window belongs to the caller,
// who destroys it with DeallocateHWnd on the same thread. Returns nullptr when no window is made.
//
// An exception that method raises never leaves the window procedure: it is handed to the utility
// window error handler (dropped when none is set) and the message result is 0.
HWND AllocateHWnd(TWindowMethod method);
// Destroys a window made by AllocateHWnd and frees its method; nullptr is ignored. It may be called
// from inside the window's own method: the method stays alive until it returns.
void DeallocateHWnd(HWND window);

// Receives the exceptions that utility window methods raise; the application's general error
// display installs itself here. An empty handler drops them. Whatever the handler raises is dropped.
using TUtilityWindowErrorHandler = std::function<void(const std::exception& error)>;
void SetUtilityWindowErrorHandler(TUtilityWindowErrorHandler handler);

// A movable owner of one window made by AllocateHWnd.
using TUtilityWindowHandle = TUniqueHandle<TZeroHandleTraits<HWND, &DeallocateHWnd>>;
