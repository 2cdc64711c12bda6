# The game's own sources, by folder: the one list a new source file goes into. The native build
# makes a library of each folder's list; the browser and Windows builds compile the lists they share
# into their program, with their backend and entry. Backends list their own files in their folders.

# Every build's, whatever its backend: the rules, the decoder and textures, the renderer, the loop
# and the seam's shared code.
set(brinvale_game_sources game/board.cpp game/match.cpp game/records.cpp)
set(brinvale_assets_sources assets/dib.cpp assets/textures.cpp)
set(brinvale_render_sources render/renderer.cpp render/primitives.cpp render/scenes.cpp)
set(brinvale_app_sources app/animations.cpp app/input.cpp app/keeping.cpp app/loop.cpp app/settings.cpp)
set(brinvale_platform_sources
    platform/services.cpp platform/queue.cpp platform/timer_list.cpp platform/window.cpp platform/held_keys.cpp
    platform/pad_keys.cpp platform/store.cpp platform/wave_length.cpp)

# The desktop builds' (native and Windows) besides: the command line, frame pacing, the full-screen
# toggle's keys, and the entry with its data folder. The browser's page does these its own way.
set(brinvale_desktop_app_sources app/options.cpp)
set(brinvale_desktop_platform_sources platform/pacing.cpp platform/toggle_keys.cpp)
set(brinvale_desktop_entry_sources app/main.cpp app/data_folder.cpp)

# Absolute paths, so that any folder's CMakeLists.txt can use them.
foreach(group game assets render app platform desktop_app desktop_platform desktop_entry)
  list(TRANSFORM brinvale_${group}_sources PREPEND ${PROJECT_SOURCE_DIR}/)
endforeach()
set(brinvale_portable_sources ${brinvale_game_sources} ${brinvale_assets_sources} ${brinvale_render_sources}
    ${brinvale_app_sources} ${brinvale_platform_sources})
set(brinvale_desktop_sources ${brinvale_desktop_app_sources} ${brinvale_desktop_platform_sources}
    ${brinvale_desktop_entry_sources})
