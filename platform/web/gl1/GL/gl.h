// The web build's <GL/gl.h>: the GL 1.x of the renderer, on WebGL.
#pragma once
#include "../../gl1.h"
