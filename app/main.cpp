// The program: the game on the SDL backend.
#include "app/loop.h"
#include "platform/sdl_backend.h"

int main(int, char**) {
    installPlatform(sdlPlatform());
    return runGame();
}
