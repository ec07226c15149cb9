#include "platform/presentation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// a * b / c rounded, in 64 bits: a drawable of 100000 pixels times a design size overflows an int.
int scaled(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

bool widerThanDesign(int drawableW, int drawableH, int designW, int designH) {
    return static_cast<long long>(drawableW) * designH >= static_cast<long long>(drawableH) * designW;
}

}  // namespace

PixelRect FitPicture(int drawableW, int drawableH, int designW, int designH) {
    PixelRect r;
    if (drawableW <= 0 || drawableH <= 0 || designW <= 0 || designH <= 0) return r;
    if (widerThanDesign(drawableW, drawableH, designW, designH)) {
        r.h = drawableH;
        r.w = std::clamp(scaled(drawableH, designW, designH), 1, drawableW);
    } else {
        r.w = drawableW;
        r.h = std::clamp(scaled(drawableW, designH, designW), 1, drawableH);
    }
    r.x = (drawableW - r.w) / 2;
    r.y = (drawableH - r.h) / 2;
    return r;
}

void CanvasSize(int drawableW, int drawableH, int designW, int designH, int& canvasW, int& canvasH) {
    canvasW = designW;
    canvasH = designH;
    if (drawableW <= 0 || drawableH <= 0 || designW <= 0 || designH <= 0) return;
    if (widerThanDesign(drawableW, drawableH, designW, designH))
        canvasW = std::max(designW, scaled(designH, drawableW, drawableH));
    else
        canvasH = std::max(designH, scaled(designW, drawableH, drawableW));
}

double FieldOfView(double designDegrees, double designAspect, double aspect) {
    if (aspect >= designAspect || aspect <= 0.0) return designDegrees;
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    return 2.0 * std::atan(std::tan(designDegrees * kRadians / 2.0) * designAspect / aspect) / kRadians;
}

void WindowToDesign(int windowX, int windowY, int windowW, int windowH, int drawableW, int drawableH,
                    int designW, int designH, int& designX, int& designY) {
    designX = designY = 0;
    const PixelRect picture = FitPicture(drawableW, drawableH, designW, designH);
    if (picture.w <= 0 || windowW <= 0 || windowH <= 0) return;
    // Window units to drawable pixels, then into the picture; GL's rows count from the bottom.
    const double px = (windowX + 0.5) * drawableW / windowW, py = (windowY + 0.5) * drawableH / windowH;
    const double top = drawableH - picture.y - picture.h;
    const double x = std::floor((px - picture.x) * designW / picture.w);
    const double y = std::floor((py - top) * designH / picture.h);
    designX = static_cast<int>(std::clamp(x, 0.0, designW - 1.0));
    designY = static_cast<int>(std::clamp(y, 0.0, designH - 1.0));
}

bool IsSoftwareRenderer(const char* glRenderer) {
    if (!glRenderer) return false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (std::strstr(glRenderer, name)) return true;
    return false;
}
