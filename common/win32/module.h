// Loaded libraries and the program's own module: the library owner, where
// libraries are searched, the program's folder, and the data it carries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "common/win32/handle.h"

using Module = Owned<HMODULE, &FreeLibrary>;

// Where a library named without a folder is looked for: the program's folder
// and the system directory, never the current directory or PATH.
inline constexpr DWORD kLibrarySearchSafe =
    LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;
// A library of the system itself: the system directory alone.
inline constexpr DWORD kLibrarySearchSystem = LOAD_LIBRARY_SEARCH_SYSTEM32;

// Makes kLibrarySearchSafe the search of every later load of the process,
// the system's own (COM servers, OLE) included. Called first thing at start.
bool restrict_library_search();

// Loads `name` (a bare name is searched as `search` says; a path is taken as
// given and its own imports are searched that way), with no "file not found"
// box from the system. Empty when it does not load.
Module load_library(const std::wstring& name, DWORD search);

// The folder of the program file, without a trailing backslash; empty when unknown.
std::wstring program_folder();

// A read-only RCDATA resource of `module` (`name` may be MAKEINTRESOURCEW(id));
// empty when missing. It lives as long as the module stays loaded.
std::span<const std::uint8_t> rcdata_resource(HMODULE module, const wchar_t* name);
