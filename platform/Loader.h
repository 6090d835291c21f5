// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run-time library loader: a process-wide table of libraries by lower-cased file name.
// A library is loaded on the first request for one of its entry points and kept until the end
// of the program. Our display and sound stand-ins are built-in libraries, registered under the
// file names the program asks for ("DDraw.dll", "DSound.dll") with their entry points by name.
#include <map>
#include <string>

using LibraryProc = void (*)();

// Makes a built-in library available under fileName (any letter case).
void RegisterBuiltinLibrary(const std::string& fileName,
                            const std::map<std::string, LibraryProc>& entryPoints);
// Takes a built-in library away again (tests use it to show the "not loaded" path).
void UnregisterBuiltinLibrary(const std::string& fileName);

// Returns the entry point procName of library fileName, loading the library on first use.
// Raises Exception "%s not loaded" with fileName when the library or the entry point is missing.
LibraryProc GetLibraryProc(const std::string& fileName, const std::string& procName);

template <typename Function>
Function GetLibraryFunction(const std::string& fileName, const std::string& procName) {
    return reinterpret_cast<Function>(GetLibraryProc(fileName, procName));
}

// Whether the library has been loaded (for tests).
bool IsLibraryLoaded(const std::string& fileName);
