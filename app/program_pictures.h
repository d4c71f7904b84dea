#pragma once
// The drawers of the program's pictures at the scales the resources do not carry: each picture
// is drawn by the core of the room it belongs to, registered with the ground's picture loader.

// Registers them all; called at start-up before any window is made (and by the tests that show
// pictures at a scale).
void registerProgramPictures();
