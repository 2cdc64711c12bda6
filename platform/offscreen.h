// A GL context with no display (SDL's offscreen driver on Mesa), for tests, tools and benchmarks.
#pragma once

// Opens a double-buffered compatibility context of width x height and makes it current; 1 on
// success, 0 (with the reason on standard error) when none can be had.
int openOffscreenContext(int width, int height);
// Presents the offscreen back buffer (a no-op swap kept for symmetry with the window).
void presentOffscreen();
// Releases the context and its window (the GL driver stays loaded); harmless when none is open.
void closeOffscreenContext();
