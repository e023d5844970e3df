// Redirecting the program's own calls into system DLLs, for the hooks that change what the
// system answers (clocks, message boxes, Direct3DCreate9).
//
// Every call the executable makes to a DLL goes through a slot of its import address table.
// Rewriting a slot reroutes exactly the calls made by code linked into the executable (the
// engine, and the C and C++ runtimes, which are linked statically), and none made inside the
// system's DLLs, which is the reach the hooks promise. Linking our own definitions in their
// place instead would also work, but only for programs that link the hooks before the system's
// import libraries, and would take the real function out of the import table entirely.
//
// Every hook is put in one way: the variable that keeps the system's function is initialised
// by Reroute, so the slot is rewritten while the program starts, before main and before any
// thread of ours runs. A hook in place from the start sees every call whichever hook function a
// program reaches first (the Direct3D wrapper must be there before the first device is made,
// or the back buffer would not be kept for read-back), and a replacement passes each call
// straight to the system until a test asks for something else, so a hook costs a program that
// never uses it nothing it can see. Only programs that link the file of a hook get it; the game
// links those its process entry uses (the loop's pulse with game controllers, the clock a played
// key script sets, the message box), and the tools and tests link them all.
#pragma once

#include <windows.h>

namespace qvhooks {

// Points the executable's import of `function` from `dll` (case-insensitive, "kernel32.dll")
// at `replacement`, once. `*original` receives the address the slot held before, which the
// replacement calls to reach the system. A slot that holds `replacement` already is left as it
// is, `*original` untouched, and the answer true. False when the executable does not import
// that function.
bool PatchImport(const char* dll, const char* function, void* replacement, void** original);

// PatchImport for a typed function: returns the system's function the slot held, or nullptr
// when the executable does not import it (and then nothing reaches `replacement` either).
template <class Fn>
Fn Reroute(const char* dll, const char* function, Fn replacement)
{
    void* original = nullptr;
    if (!PatchImport(dll, function, reinterpret_cast<void*>(replacement), &original)) return nullptr;
    return reinterpret_cast<Fn>(original);
}

}  // namespace qvhooks
