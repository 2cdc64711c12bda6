// brinvale-gen-assets DIR: writes the game's pictures and sounds into DIR (the build's pic/).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "pictures.h"
#include "sounds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    if (mkdir(argv[1], 0755) != 0 && errno != EEXIST) {
        std::perror(argv[1]);
        return 1;
    }
    return writePictures(argv[1]) && writeSounds(argv[1]) ? 0 : 1;
}
