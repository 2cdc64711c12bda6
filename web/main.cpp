// The program in the browser: the same game on the web backend, then the page's end panels.
#include "app/loop.h"
#include "platform/web/web_backend.h"
#include "platform/web/web_touch.h"
#include "platform/store.h"
#include "platform/window.h"
#include "render/scenes.h"

namespace {
int menuSelected() { return menuNewSelected ? 0 : 1; }
}  // namespace

int main() {
    // The browser owns the display: full screen is the page's button, never a mode change.
    displayChoice = displayWindow;
    fullscreenMode = 0;
    installPlatform(webPlatform());
    installStore(programStore());
    // Taps and swipes are placed by the same projection as the scenes.
    touchSetSceneMap({menuButtonAt, menuSelected, boardCellPixels});
    const int status = runGame();
    if (status != 0)
        webShowStartFailure();
    else
        webShowPlayAgain();
    return status;
}
