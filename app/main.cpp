// The program: the command line, then the game on the SDL backend, in its data folder.
#include "app/data_folder.h"
#include "app/loop.h"
#include "app/options.h"
#include "platform/sdl_backend.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    const int status = parseCommandLine(argc, argv);
    if (status >= 0) return status;
    // A window is not full screen, so there is nothing to ask about.
    if (displayChoice == displayWindow) fullscreenMode = 0;
    installPlatform(sdlPlatform());
    if (!enterDataFolder()) return 1;
    return runGame();
}
