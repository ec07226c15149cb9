// RGB pictures drawn in floating point, anti-aliased shapes, noise, and the 24-bit BMP writer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gen {

struct Colour {
    double r = 0, g = 0, b = 0;
};
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator*(Colour a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Colour mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }
Colour rgb(int hex);

// Row 0 is the top of the picture.
class Picture {
public:
    Picture(int width, int height, Colour fill = {});
    int width() const { return width_; }
    int height() const { return height_; }
    Colour& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Colour& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Calls f(px, py) for every pixel and stores what it returns.
    void shade(const std::function<Colour(int, int)>& f);
    // 24-bit uncompressed BMP, bottom row first, colours clamped to 0..1.
    std::vector<uint8_t> toBmp() const;

private:
    int width_, height_;
    std::vector<Colour> pixels_;
};

// Maps a rectangle of table coordinates (x across, z along) onto a picture: x0 at the left
// edge, z0 at the top row. Shapes are signed distances in those units, negative inside.
class Canvas {
public:
    Canvas(Picture& picture, double x0, double z0, double x1, double z1);
    using Distance = std::function<double(double, double)>;
    // Covers the shape with `colour` at `opacity`, with a one-pixel soft edge.
    void paint(const Distance& shape, Colour colour, double opacity = 1.0);
    double worldX(int px) const;
    double worldZ(int py) const;

private:
    Picture& picture_;
    double x0_, z0_, x1_, z1_, pixelSize_;
};

// Signed distances for Canvas::paint.
Canvas::Distance circleShape(double cx, double cz, double r);
Canvas::Distance ringShape(double cx, double cz, double r, double halfWidth);
Canvas::Distance boxShape(double x0, double z0, double x1, double z1);
Canvas::Distance segmentShape(double ax, double az, double bx, double bz, double halfWidth);

// Smooth value noise in [0, 1], the same on every run for the same seed; `period` > 0 makes it
// repeat every `period` units in x so a texture can tile.
double valueNoise(double x, double y, uint32_t seed, int period = 0);
double fractalNoise(double x, double y, uint32_t seed, int octaves, int period = 0);
uint32_t hash32(uint32_t x);

}  // namespace gen
