// Touch and mouse on the page: the on-screen controls, gestures on the picture and taps on the menu's
// buttons, turned into key messages as one more source of the holder count. Used by the web backend.
#pragma once

#include "platform/held_keys.h"

// What the scenes tell about the picture, for taps and swipes; each field may be null.
struct TouchSceneMap {
    // The menu button at a point of a width x height picture (pixels from its top left): 0 new
    // game, 1 quit, -1 neither.
    int (*menuButtonAt)(float x, float y, int width, int height);
    // The menu button selected now: 0 new game, 1 quit.
    int (*menuSelected)();
    // The size of one board cell in a width x height picture, in its pixels.
    float (*boardCellPixels)(int width, int height);
};

// Starts or stops listening to the page's controls and picture; key messages go to post, and
// gesture is called at every touch (audio may start only from one). Called by the web backend.
void touchListen(bool on, PostMessageProc post, void (*gesture)());
// Installs what the scenes tell about the picture. Called by the web entry through the backend.
void touchSetSceneMap(const TouchSceneMap& map);
// A poll found the queue empty: what touch posted has been taken, and what was taken before a pass
// of the loop ran since (the seam's passCount) has been seen, so the next press or release may go.
// May post messages. Called by the web backend when the queue is found empty.
void touchPolledEmpty();
// Lets go of every key that touch holds and forgets the gestures (the page lost the focus).
void touchReleaseAll();
