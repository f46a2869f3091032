// The program's start routine, its globals and its exit handler.
#pragma once

// Sets up the globals, shows the main window and runs the message loop until
// the window is gone; returns 0.
int RunProgram();

// Sets up the globals in their order.
void InitGlobals();

// The exit handler: releases the globals in their order.
void OnProgramExit();
