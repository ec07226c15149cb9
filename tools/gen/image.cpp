#include "image.h"

#include <algorithm>
#include <cmath>

namespace gen {

Colour rgb(int hex) {
    return {((hex >> 16) & 0xff) / 255.0, ((hex >> 8) & 0xff) / 255.0, (hex & 0xff) / 255.0};
}

Picture::Picture(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Picture::shade(const std::function<Colour(int, int)>& f) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) at(x, y) = f(x, y);
}

namespace {

uint8_t toByte(double v) {
    v = std::clamp(v, 0.0, 1.0);
    return static_cast<uint8_t>(std::lround(v * 255.0));
}

void put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xff);
}

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

}  // namespace

std::vector<uint8_t> Picture::toBmp() const {
    const uint32_t rowBytes = (static_cast<uint32_t>(width_) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height_);
    std::vector<uint8_t> out;
    out.reserve(kFileHeaderSize + kInfoHeaderSize + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, kFileHeaderSize + kInfoHeaderSize + imageBytes);
    put32(out, 0);
    put32(out, kFileHeaderSize + kInfoHeaderSize);
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<uint32_t>(width_));
    put32(out, static_cast<uint32_t>(height_));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // uncompressed
    put32(out, imageBytes);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const Colour& c = at(x, y);
            out.push_back(toByte(c.b));
            out.push_back(toByte(c.g));
            out.push_back(toByte(c.r));
        }
        for (uint32_t pad = static_cast<uint32_t>(width_) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

Canvas::Canvas(Picture& picture, double x0, double z0, double x1, double z1)
    : picture_(picture), x0_(x0), z0_(z0), x1_(x1), z1_(z1) {
    pixelSize_ = std::max(std::abs(x1 - x0) / picture.width(), std::abs(z1 - z0) / picture.height());
}

double Canvas::worldX(int px) const { return x0_ + (px + 0.5) * (x1_ - x0_) / picture_.width(); }
double Canvas::worldZ(int py) const { return z0_ + (py + 0.5) * (z1_ - z0_) / picture_.height(); }

void Canvas::paint(const Distance& shape, Colour colour, double opacity) {
    for (int py = 0; py < picture_.height(); ++py) {
        double z = worldZ(py);
        for (int px = 0; px < picture_.width(); ++px) {
            double d = shape(worldX(px), z);
            double coverage = std::clamp(0.5 - d / pixelSize_, 0.0, 1.0) * opacity;
            if (coverage <= 0) continue;
            Colour& c = picture_.at(px, py);
            c = mix(c, colour, coverage);
        }
    }
}

Canvas::Distance circleShape(double cx, double cz, double r) {
    return [=](double x, double z) { return std::hypot(x - cx, z - cz) - r; };
}

Canvas::Distance ringShape(double cx, double cz, double r, double halfWidth) {
    return [=](double x, double z) { return std::abs(std::hypot(x - cx, z - cz) - r) - halfWidth; };
}

Canvas::Distance boxShape(double x0, double z0, double x1, double z1) {
    return [=](double x, double z) {
        double dx = std::max(x0 - x, x - x1);
        double dz = std::max(z0 - z, z - z1);
        if (dx <= 0 && dz <= 0) return std::max(dx, dz);
        return std::hypot(std::max(dx, 0.0), std::max(dz, 0.0));
    };
}

Canvas::Distance segmentShape(double ax, double az, double bx, double bz, double halfWidth) {
    return [=](double x, double z) {
        double vx = bx - ax, vz = bz - az;
        double len2 = vx * vx + vz * vz;
        double t = len2 > 0 ? std::clamp(((x - ax) * vx + (z - az) * vz) / len2, 0.0, 1.0) : 0.0;
        return std::hypot(x - (ax + t * vx), z - (az + t * vz)) - halfWidth;
    };
}

uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

namespace {

double lattice(int ix, int iy, uint32_t seed) {
    uint32_t h = hash32(static_cast<uint32_t>(ix) * 0x9E3779B1U ^ hash32(static_cast<uint32_t>(iy) + seed * 0x85EBCA77U));
    return (h & 0xffffff) / double(0xffffff);
}

double smooth(double t) { return t * t * (3 - 2 * t); }

}  // namespace

double valueNoise(double x, double y, uint32_t seed, int period) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = smooth(x - fx), ty = smooth(y - fy);
    auto wrap = [period](int i) { return period > 0 ? ((i % period) + period) % period : i; };
    double a = lattice(wrap(ix), iy, seed), b = lattice(wrap(ix + 1), iy, seed);
    double c = lattice(wrap(ix), iy + 1, seed), d = lattice(wrap(ix + 1), iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fractalNoise(double x, double y, uint32_t seed, int octaves, int period) {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(o) * 101u, period) * amplitude;
        total += amplitude;
        amplitude *= 0.5;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / total;
}

}  // namespace gen
