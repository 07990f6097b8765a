// The process entry and the window's event callbacks.
#pragma once

#include "engine/engine.h"

// Reads "cfg", opens the window, starts the engine and runs the GLUT main loop; saves every
// chunk and flushes the saves to disk however the loop was left (Escape, the menu, the
// window's close button, SIGINT, SIGTERM or SIGHUP). Returns 0, or 1 when the flush failed.
int shell_main(int argc, char **argv);

// What the engine asks of GL and of the window: the render module's set-up and fog, the
// shell's main-loop exit and cursor. shell_main registers these before the engine starts.
EngineCalls shell_engine_calls();

// Input callbacks; they reach the window only through shell/window.h, so tests call them too.
// Escape leaves the main loop, Tab switches fly mode, Space jumps; every key is recorded in
// keys and passed to the engine.
void Key(unsigned char key, int x, int y);
// Prints the key code and clears its entry in keys; for a letter, the other case's too.
void KeyUp(unsigned char key, int x, int y);
// State 0 (pressed) goes to mouse_down, state 1 (released) to mouse_up; others are ignored.
void Mouse(int button, int state, int x, int y);
// Pointer offset from the window centre for mouse look; in game mode the pointer is held at
// the centre, in menu mode its position goes to the menu. Events at the centre are ignored.
void PassiveMotion(int x, int y);
// Viewport to the new size, the 45-degree 4/3 perspective whatever the shape, modelview
// identity; stores the size in game_param and writes "cfg". Needs a GL context.
void Reshape(int w, int h);
