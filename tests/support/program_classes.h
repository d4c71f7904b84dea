#pragma once
// The program's window classes in a test program that makes the program's windows itself.

// Registers the program's window classes, the first time only. The object that defines it also
// skips Wine's wait for a window manager (skipWindowManagerWait) before main, so before the first
// window exists.
void registerProgramClassesOnce();
