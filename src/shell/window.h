// The few window-system actions other subsystems ask for; only the shell talks to GLUT.
#pragma once

// Leaves the main loop after the current callback (Escape, the menu's exit button, a
// termination signal). Without a GLUT window (tests) it only records the request.
void shell_leave_main_loop();
// Hides the pointer for game mode. Does nothing without a GLUT window.
void shell_hide_cursor();
// 1 once shell_leave_main_loop has been asked for.
int shell_quit_requested();

// Moves the pointer to window pixel (x, y). Does nothing without a GLUT window.
void shell_warp_pointer(int x, int y);
// Set by the shell while a GLUT window exists and the main loop may be left; 0 otherwise.
void shell_set_glut_running(int running);

// Pins the loaded GL driver in memory until the process ends. freeglut unloads it when the
// main loop returns, and whatever it still holds would then reach the leak checker of the
// sanitized build with no module name, hiding our own leaks among the driver's.
void shell_pin_gl_driver();

// The swap-interval function found by setVSync, or null.
extern int (*wglSwapIntervalEXT)(int interval);
// Asks the driver for the given swap interval when it names the extension; otherwise the
// driver's choice stays and nothing is reported.
void setVSync(int interval);
