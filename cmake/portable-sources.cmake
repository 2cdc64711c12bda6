# The game's code that every build compiles, whatever its backend: the rules, the decoder and
# textures, the renderer, the loop and the seam's shared code, as paths from the top folder. The
# browser and Windows builds add their backend and entry; the native build has a library per folder.
set(brinvale_portable_sources
    game/board.cpp game/match.cpp
    assets/dib.cpp assets/textures.cpp
    render/renderer.cpp render/primitives.cpp render/scenes.cpp
    app/animations.cpp app/input.cpp app/loop.cpp
    platform/services.cpp platform/queue.cpp platform/timer_list.cpp platform/window.cpp platform/held_keys.cpp
    platform/pad_keys.cpp)
