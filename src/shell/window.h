// The few window-system actions other subsystems ask for; only the shell talks to GLUT.
#pragma once

// Leaves the main loop after the current callback (Escape, the menu's exit button).
// Without a GLUT window (tests) it only records the request.
void shell_leave_main_loop();
// Hides the pointer for game mode.
void shell_hide_cursor();
// 1 once shell_leave_main_loop has been asked for.
int shell_quit_requested();
