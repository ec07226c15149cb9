// How the game's picture fills a window of any size, and the way back for the mouse.
// Every screen is composed for the design's 4:3 picture on a black background. A window
// of other proportions shows that picture whole, as large as fits, and more of the scene
// beside it (or above and below): never stretched, and nothing cut off inside the screen.
// Pure arithmetic, so the window code and the tests share it.
#pragma once

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;  // origin bottom left, as GL counts
};

// Where the design's picture lies in a drawable: the largest rectangle of its proportions,
// centred.
PixelRect FitPicture(int drawableW, int drawableH, int designW, int designH);

// The smallest size of the drawable's proportions that holds the design's picture at its
// own scale: what a frame is drawn at when it is drawn at the design's size.
void CanvasSize(int drawableW, int drawableH, int designW, int designH, int& canvasW, int& canvasH);

// The vertical field of view, in degrees, that shows at least the design's view at
// `aspect` (width over height): the same one on wider drawables, a larger one on taller.
double FieldOfView(double designDegrees, double designAspect, double aspect);

// A window position in SDL's units (origin top left; points on a scaled desktop) as a pixel
// of the design's picture, clamped to it: the mouse steers the same on any screen.
void WindowToDesign(int windowX, int windowY, int windowW, int windowH, int drawableW, int drawableH,
                    int designW, int designH, int& designX, int& designY);

// Mesa's software rasterizers, whose cost grows with every pixel drawn.
bool IsSoftwareRenderer(const char* glRenderer);
