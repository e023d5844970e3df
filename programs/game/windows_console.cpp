// The Windows game's console. A program of the GUI subsystem has none of its own, so that
// --help and the process entry's messages (programs/game/main.cpp, which both builds use; the
// C runtime calls it before WinMain) reach the console the game was started from, unless its
// output already goes somewhere (a file, a pipe). Done as the program starts, before main.
#include <windows.h>

#include <cstdio>

namespace {

bool UseStartingConsole()
{
    const bool outSet = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
    const bool errSet = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) != FILE_TYPE_UNKNOWN;
    if ((outSet && errSet) || !AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    if (!outSet) std::freopen("CONOUT$", "w", stdout);
    if (!errSet) std::freopen("CONOUT$", "w", stderr);
    return true;
}

[[maybe_unused]] const bool g_attached = UseStartingConsole();

}  // namespace
