#include "icon.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace gen {

namespace {

constexpr double kViewBox = 256.0;
constexpr int kSizes[] = {48, 64, 128, 256};

// A linear gradient from `from` at (x0, y0) to `to` at (x1, y1), padded beyond; a flat
// colour when both ends are the same.
struct Paint {
    Colour from, to;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 1;
    double opacity = 1.0;
};

Paint flat(int hex, double opacity = 1.0) { return {rgb(hex), rgb(hex), 0, 0, 0, 1, opacity}; }
Paint gradient(int from, int to, double x0, double y0, double x1, double y1) {
    return {rgb(from), rgb(to), x0, y0, x1, y1, 1.0};
}

// Rectangles (with rounded corners of radius r), ellipses, and elliptic rings whose
// outer and inner edges are the ellipses r wider and r narrower.
struct Shape {
    enum Kind { Box, Ellipse, Ring } kind;
    double x, y, a, b, r;  // Box: corners (x, y) and (a, b); Ellipse and Ring: centre and radii
    Paint paint;
};

std::vector<Shape> iconShapes() {
    const Paint white = flat(0xffffff, 0.35);
    const Paint shadow = flat(0x000000, 0.35);
    return {
        // The table: rails, surface, the two goal mouths, centre line and circle.
        {Shape::Box, 12, 12, 244, 244, 44, gradient(0x22386c, 0x0a1430, 0, 12, 0, 244)},
        {Shape::Box, 26, 26, 230, 230, 32, gradient(0x4a8ee0, 0x1d4596, 0, 26, 0, 230)},
        {Shape::Box, 96, 17, 160, 33, 6, flat(0x060b1a)},
        {Shape::Box, 96, 223, 160, 239, 6, flat(0x060b1a)},
        {Shape::Box, 26, 125, 230, 131, 0, white},
        {Shape::Ring, 128, 128, 36, 36, 3, white},
        // The puck, seen from above the player's end: side, top, and its light ring.
        {Shape::Ellipse, 178, 104, 36, 17, 0, shadow},
        {Shape::Box, 138, 86, 206, 100, 0, flat(0xb34508)},
        {Shape::Ellipse, 172, 100, 34, 19, 0, flat(0xb34508)},
        {Shape::Ellipse, 172, 86, 34, 19, 0, gradient(0xff8a3a, 0xe85400, 150, 70, 194, 104)},
        {Shape::Ring, 172, 86, 21, 11.5, 3, flat(0xfff4e0)},
        // The player's mallet: the foot with its darker band, the neck and the knob.
        {Shape::Ellipse, 104, 192, 56, 26, 0, shadow},
        {Shape::Box, 44, 170, 148, 186, 0, flat(0x0f6a26)},
        {Shape::Ellipse, 96, 186, 52, 28, 0, flat(0x0f6a26)},
        {Shape::Ellipse, 96, 170, 52, 28, 0, gradient(0x46dc70, 0x17913a, 60, 146, 132, 196)},
        {Shape::Ring, 96, 170, 40, 21.5, 2.5, flat(0x12802f)},
        {Shape::Box, 84, 128, 108, 170, 0, gradient(0x3fcf68, 0x127a32, 84, 0, 108, 0)},
        {Shape::Ellipse, 96, 126, 27, 24, 0, gradient(0x74ec96, 0x15843a, 82, 106, 112, 148)},
        {Shape::Ellipse, 87, 116, 9, 6, 0, flat(0xffffff, 0.55)},
    };
}

bool insideEllipse(double x, double y, double cx, double cy, double rx, double ry) {
    const double u = (x - cx) / rx, v = (y - cy) / ry;
    return u * u + v * v <= 1.0;
}

bool inside(const Shape& s, double x, double y) {
    switch (s.kind) {
        case Shape::Box: {
            if (x < s.x || x > s.a || y < s.y || y > s.b) return false;
            const double dx = std::max({s.x + s.r - x, x - (s.a - s.r), 0.0});
            const double dy = std::max({s.y + s.r - y, y - (s.b - s.r), 0.0});
            return dx * dx + dy * dy <= s.r * s.r;
        }
        case Shape::Ellipse:
            return insideEllipse(x, y, s.x, s.y, s.a, s.b);
        case Shape::Ring:
            return insideEllipse(x, y, s.x, s.y, s.a + s.r, s.b + s.r) &&
                   !insideEllipse(x, y, s.x, s.y, s.a - s.r, s.b - s.r);
    }
    return false;
}

Colour colourAt(const Paint& p, double x, double y) {
    const double dx = p.x1 - p.x0, dy = p.y1 - p.y0;
    const double t = std::clamp(((x - p.x0) * dx + (y - p.y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return mix(p.from, p.to, t);
}

// Premultiplied colour and coverage of one picture, rendered by supersampling: every pixel
// averages an n by n grid of points, each composited front over back like the SVG.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

std::vector<Rgba> render(const std::vector<Shape>& shapes, int size) {
    const int n = std::max(4, 512 / size);
    const double scale = kViewBox / size;
    std::vector<Rgba> out(static_cast<size_t>(size) * size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            Rgba sum;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx) {
                    const double x = (px + (sx + 0.5) / n) * scale, y = (py + (sy + 0.5) / n) * scale;
                    Rgba c;
                    for (const Shape& s : shapes) {
                        if (!inside(s, x, y)) continue;
                        const Colour k = colourAt(s.paint, x, y);
                        const double a = s.paint.opacity;
                        c = {k.r * a + c.r * (1 - a), k.g * a + c.g * (1 - a), k.b * a + c.b * (1 - a),
                             a + c.a * (1 - a)};
                    }
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            const double w = 1.0 / (n * n);
            out[static_cast<size_t>(py) * size + px] = {sum.r * w, sum.g * w, sum.b * w, sum.a * w};
        }
    return out;
}

uint8_t toByte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// 8-bit RGBA with straight alpha, at fixed settings so the bytes are the same on every run.
bool encodePng(const std::vector<Rgba>& pixels, int size, std::vector<uint8_t>& out) {
    std::vector<uint8_t> rows(static_cast<size_t>(size) * size * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Rgba& p = pixels[i];
        const double a = p.a > 0 ? p.a : 1.0;
        rows[4 * i] = toByte(p.r / a);
        rows[4 * i + 1] = toByte(p.g / a);
        rows[4 * i + 2] = toByte(p.b / a);
        rows[4 * i + 3] = toByte(p.a);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE | PNG_FILTER_SUB | PNG_FILTER_UP | PNG_FILTER_PAETH);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y) png_write_row(png, &rows[static_cast<size_t>(y) * size * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

std::string hexColour(const Colour& c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", toByte(c.r), toByte(c.g), toByte(c.b));
    return buffer;
}

// An ellipse as a path of two half arcs, so a ring can be two of them with the even-odd rule.
std::string ellipsePath(double cx, double cy, double rx, double ry) {
    const std::string arc = "a" + number(rx) + "," + number(ry) + " 0 1,0 ";
    return "M" + number(cx - rx) + "," + number(cy) + arc + number(2 * rx) + ",0" + arc + number(-2 * rx) + ",0Z";
}

std::string svg(const std::vector<Shape>& shapes) {
    std::string defs, body;
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Shape& s = shapes[i];
        const Paint& p = s.paint;
        std::string fill = hexColour(p.from);
        if (hexColour(p.from) != hexColour(p.to)) {
            const std::string id = "g" + std::to_string(i);
            defs += "    <linearGradient id=\"" + id + "\" gradientUnits=\"userSpaceOnUse\" x1=\"" + number(p.x0) +
                    "\" y1=\"" + number(p.y0) + "\" x2=\"" + number(p.x1) + "\" y2=\"" + number(p.y1) +
                    "\">\n      <stop offset=\"0\" stop-color=\"" + hexColour(p.from) +
                    "\"/>\n      <stop offset=\"1\" stop-color=\"" + hexColour(p.to) + "\"/>\n    </linearGradient>\n";
            fill = "url(#" + id + ")";
        }
        std::string attributes = "fill=\"" + fill + "\"";
        if (p.opacity < 1.0) attributes += " fill-opacity=\"" + number(p.opacity) + "\"";
        switch (s.kind) {
            case Shape::Box:
                body += "  <rect x=\"" + number(s.x) + "\" y=\"" + number(s.y) + "\" width=\"" + number(s.a - s.x) +
                        "\" height=\"" + number(s.b - s.y) + "\"" + (s.r > 0 ? " rx=\"" + number(s.r) + "\"" : "") +
                        " " + attributes + "/>\n";
                break;
            case Shape::Ellipse:
                body += "  <ellipse cx=\"" + number(s.x) + "\" cy=\"" + number(s.y) + "\" rx=\"" + number(s.a) +
                        "\" ry=\"" + number(s.b) + "\" " + attributes + "/>\n";
                break;
            case Shape::Ring:
                body += "  <path fill-rule=\"evenodd\" d=\"" + ellipsePath(s.x, s.y, s.a + s.r, s.b + s.r) +
                        ellipsePath(s.x, s.y, s.a - s.r, s.b - s.r) + "\" " + attributes + "/>\n";
                break;
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
           "  <defs>\n" + defs + "  </defs>\n" + body + "</svg>\n";
}

}  // namespace

bool iconFiles(std::vector<OutputFile>& files, std::string& error) {
    const std::vector<Shape> shapes = iconShapes();
    const std::string text = svg(shapes);
    files.push_back({"data/icons/puckslide3d.svg", std::vector<uint8_t>(text.begin(), text.end())});
    for (int size : kSizes) {
        OutputFile f{"data/icons/puckslide3d-" + std::to_string(size) + ".png", {}};
        if (!encodePng(render(shapes, size), size, f.bytes)) {
            error = "cannot encode " + f.path;
            return false;
        }
        files.push_back(std::move(f));
    }
    return true;
}

}  // namespace gen
