// The program's entry: runs the application until its main window is gone.
#include <windows.h>

#include <cstdlib>

#include "app/my_app.h"
#include "platform/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // Before anything loads a DLL by name for the program.
    dll_search::restrictToSystemFolder();
    int status;
    {
        My_App app(__argc, __argv, showCommand);
        status = app.run();
    }
    return status;
}
