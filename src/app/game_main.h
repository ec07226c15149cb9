// The program: start-up, the main loop and every way it ends.
#pragma once

struct DevOptions;

int WinMain(const DevOptions& options);
