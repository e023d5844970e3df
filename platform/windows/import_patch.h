// Redirecting the program's own calls into system DLLs, for the hooks that change what the
// system answers (clocks, message boxes, Direct3DCreate9).
//
// Every call the executable makes to a DLL goes through a slot of its import address table.
// Rewriting a slot reroutes exactly the calls made by code linked into the executable (the
// engine, and the C and C++ runtimes, which are linked statically), and none made inside the
// system's DLLs, which is the reach the hooks promise. Linking our own definitions in their
// place instead would also work, but only for programs that link the hooks before the system's
// import libraries, and would take the real function out of the import table entirely.
#pragma once

#include <windows.h>

namespace qvhooks {

// Points the executable's import of `function` from `dll` (case-insensitive, "kernel32.dll")
// at `replacement`, once. `*original` receives the address the slot held before, which the
// replacement calls to reach the system. Later calls for the same slot change nothing and
// return true. False when the executable does not import that function.
bool PatchImport(const char* dll, const char* function, void* replacement, void** original);

}  // namespace qvhooks
