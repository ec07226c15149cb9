// The program: start-up, then the main loop until the game ends.
#pragma once

struct DevOptions;

int WinMain(const DevOptions& options);
