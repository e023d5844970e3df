// Process entry on Linux: hands control to the program's WinMain, as the Windows loader would.
#include <windows.h>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    static char emptyCommandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, emptyCommandLine, SW_SHOWDEFAULT);
}
