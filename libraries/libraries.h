// DLLs the tool loads at run time, each from where it should come. Nothing else in the
// tool calls LoadLibrary: a DLL of Windows itself comes from the system folder only, so
// that a DLL planted in the tool's folder (often the game's folder) never runs inside it.
#pragma once

#include <windows.h>

// The system call both loads go through, replaceable by tests (see tests/support);
// LoadLibraryExW by default.
using LoadLibraryExCall = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
extern LoadLibraryExCall g_load_library_ex;

// Loads a DLL of Windows (oleacc.dll, an XInput DLL) from the system folder and nothing
// else, its own dependencies too; null, with the system's error for GetLastError, when it
// is not there. `name` is a file name without a folder.
HMODULE load_system_library(const wchar_t* name);

// Loads one of the graphics, input and sound DLLs (d3d8, d3d9, ddraw, dinput8, dsound)
// through the normal search order, the program's folder first. Players put wrappers of
// these beside their games, and the tool usually lives in the game's folder: its probe
// must see the DLL the game will see.
HMODULE load_library_as_game_does(const wchar_t* name);
