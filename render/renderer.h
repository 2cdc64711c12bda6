// The fixed GL state, the two lights and the projection.
#pragma once

// The vertical field of view of the perspective, in degrees.
constexpr double fieldOfViewDegrees = 45.0;

// Sets the viewport to the largest centred 4:3 box of a width x height client area in pixels, and
// the 45-degree perspective; a height of 0 becomes 1. Called by window creation and on every size
// message. Leaves the modelview matrix selected and identity.
void resizeViewport(int width, int height);
// The box resizeViewport gives a width x height client area: x, y (from the bottom left), width,
// height in pixels. Called by resizeViewport and by whoever maps window pixels to the picture.
void viewportBox(int width, int height, int box[4]);
// Loads every texture, then sets the fixed GL state and lights (menu light on); 1 on success, 0
// when a texture failed (then no state is set). Called once by window creation.
int initRenderer();
// The GL-state half of initRenderer: texturing, depth test, clear colour, both lights with the menu
// light on. Called by initRenderer after the textures; tests call it with textures of their own.
void setFixedState();
// Switches from the menu light to the play light. Called when play starts.
void usePlayLight();
// Switches from the play light to the menu light. Called on the return to the menu.
void useMenuLight();
// Where the scene point (x, y, z) shows in a width x height viewport under the perspective that
// resizeViewport sets, in pixels from the viewport's top left. Called by the scenes' hit tests.
void projectPoint(float x, float y, float z, int width, int height, float* px, float* py);
