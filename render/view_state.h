// State of the loop and the input that the scenes read; defined with the scenes so that the
// renderer needs nothing of the app.
#pragma once

#include <cstdint>

extern int32_t menuNewSelected;  // 1 = new game selected, 0 = quit
extern int32_t keyDown[256];     // 1 while the key with that virtual-key code is down
