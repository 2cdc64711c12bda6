// The program: the command line, then the game on the SDL backend, in its data folder.
#include "app/data_folder.h"
#include "app/loop.h"
#include "app/options.h"
#include "platform/sdl_backend.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    const int status = parseCommandLine(argc, argv);
    if (status >= 0) return status;
    // Until the desktop path lands, a window is the only choice that differs from today's start.
    if (displayChoice == displayWindow) fullscreenMode = 0;
    installPlatform(sdlPlatform());
    if (!enterDataFolder()) return 1;
    return runGame();
}
