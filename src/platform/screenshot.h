// Screenshots for tests, demos and bug reports.
#pragma once

// Saves the back buffer (what the next swap will show) as a PNG file.
bool SaveScreenshotPNG(const char* path);
