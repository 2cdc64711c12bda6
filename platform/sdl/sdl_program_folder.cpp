// The program's own folder, from SDL (which reads /proc/self/exe on Linux).
#include "platform/program_folder.h"

#include <SDL2/SDL.h>

std::string programFolder() {
    // Needs no SDL_Init; the string is the caller's to free.
    char* base = SDL_GetBasePath();
    if (!base) return "";
    std::string folder(base);
    SDL_free(base);
    return folder;
}
