// The program: the command line, then the game on the backend it is linked with, in its data folder.
#include "app/data_folder.h"
#include "app/loop.h"
#include "app/options.h"
#include "platform/platform.h"
#include "platform/store.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    const int status = parseCommandLine(argc, argv);
    if (status >= 0) return status;
    // A window is not full screen, so there is nothing to ask about.
    if (displayChoice == displayWindow) fullscreenMode = 0;
    installPlatform(programPlatform());
    installStore(programStore());
    if (!enterDataFolder()) return 1;
    return runGame();
}
