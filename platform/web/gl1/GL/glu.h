// The web build's <GL/glu.h>: gluPerspective, with the rest of the GL 1.x layer.
#pragma once
#include "../../gl1.h"
