// The program in the browser: the same game on the web backend, then the page's end panels.
#include "app/loop.h"
#include "platform/web/web_backend.h"
#include "platform/window.h"

int main() {
    // The browser owns the display: full screen is the page's button, never a mode change.
    displayChoice = displayWindow;
    fullscreenMode = 0;
    installPlatform(webPlatform());
    const int status = runGame();
    if (status != 0)
        webShowStartFailure();
    else
        webShowPlayAgain();
    return status;
}
