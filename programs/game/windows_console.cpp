// The Windows game's console. A program of the GUI subsystem has none of its own, so that
// --help and the process entry's messages (programs/game/main.cpp, which both builds use; the
// C runtime calls it before WinMain) reach the console the game was started from, unless its
// output already goes somewhere (a file, a pipe). Done as the program starts, before main.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

// Returns whether standard output leads anywhere: set by whoever started the game, or the
// starting console's.
bool UseStartingConsole()
{
    const bool outSet = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
    const bool errSet = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) != FILE_TYPE_UNKNOWN;
    if ((outSet && errSet) || !AttachConsole(ATTACH_PARENT_PROCESS)) return outSet;
    const bool outOpened = outSet || std::freopen("CONOUT$", "w", stdout) != nullptr;
    if (!errSet) std::freopen("CONOUT$", "w", stderr);
    return outOpened;
}

// --trace - and --record - write to standard output the bytes the Linux game writes, so that a
// trace piped from either is the same file: the C runtime's text mode would write each "\n" as
// "\r\n". freopen sets text mode again, so this comes after it; with no output at all (started
// from Explorer) there is no stream to set. Messages on standard error stay text.
bool WriteOutputAsIs()
{
    return UseStartingConsole() && _setmode(_fileno(stdout), _O_BINARY) != -1;
}

[[maybe_unused]] const bool g_outputAsIs = WriteOutputAsIs();

}  // namespace
