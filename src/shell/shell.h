// The window and its event callbacks.
#pragma once

// Reads "cfg", opens the window, starts the engine and runs the GLUT main loop; saves every
// chunk before returning 0.
int shell_main(int argc, char **argv);
