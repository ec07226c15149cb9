#include "platform/font_geometry.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <deque>

namespace {

// Largest distance between a flattened curve and the true outline, in em.
// Small enough that a 60-pixel menu letter shows no facets.
constexpr double kFlatness = 0.003;
constexpr int kMaxCurveSegments = 24;
// Neighbouring side faces turning by less than this share a smooth normal;
// sharper corners keep their edges.
constexpr double kSmoothCornerCos = 0.77;  // about 40 degrees

struct Point {
    double x = 0, y = 0;
};

using Contour = std::vector<Point>;

Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
double length(Point p) { return std::sqrt(p.x * p.x + p.y * p.y); }

struct OutlineWalk {
    double scale = 1;  // em per font unit
    std::vector<Contour> contours;
    Point last;

    Point toEm(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }
    void add(Point p) {
        if (contours.empty()) contours.emplace_back();
        contours.back().push_back(p);
        last = p;
    }
};

// Uniform steps whose chord error stays within kFlatness, given the curve's
// largest second difference scaled to the error bound of its degree.
int curveSegments(double errorAtOneSegment) {
    const int n = static_cast<int>(std::ceil(std::sqrt(errorAtOneSegment / kFlatness)));
    return std::clamp(n, 1, kMaxCurveSegments);
}

int moveTo(const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    walk->contours.emplace_back();
    walk->add(walk->toEm(to));
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    walk->add(walk->toEm(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const Point p0 = walk->last, p1 = walk->toEm(control), p2 = walk->toEm(to);
    const double bend = length({p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y});
    const int n = curveSegments(bend / 4);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1 - t;
        walk->add({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                   u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* walk = static_cast<OutlineWalk*>(user);
    const Point p0 = walk->last, p1 = walk->toEm(c1), p2 = walk->toEm(c2), p3 = walk->toEm(to);
    const double bend = std::max(length({p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y}),
                                 length({p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y}));
    const int n = curveSegments(bend * 6 / 8);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        walk->add({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

// Drops repeated points (FreeType closes every contour onto its start) and
// contours too small to enclose anything.
void cleanContours(std::vector<Contour>& contours) {
    constexpr double kSame = 1e-9;
    std::vector<Contour> kept;
    for (Contour& c : contours) {
        Contour out;
        for (const Point& p : c)
            if (out.empty() || length(p - out.back()) > kSame) out.push_back(p);
        while (out.size() > 1 && length(out.back() - out.front()) <= kSame) out.pop_back();
        if (out.size() >= 3) kept.push_back(std::move(out));
    }
    contours = std::move(kept);
}

double signedArea(const Contour& c) {
    double a = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        const Point& p = c[i];
        const Point& q = c[(i + 1) % c.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

struct TessOutput {
    std::deque<std::array<GLdouble, 3>> store;  // deque: addresses stay put for the tessellator
    std::vector<Point> corners;                 // three per triangle
    bool failed = false;
};

void GLAPIENTRY onBegin(GLenum, void*) {}
void GLAPIENTRY onEdgeFlag(GLboolean, void*) {}  // its presence makes GLU emit plain triangles
void GLAPIENTRY onEnd(void*) {}
void GLAPIENTRY onVertex(void* vertex, void* user) {
    const auto* v = static_cast<const GLdouble*>(vertex);
    static_cast<TessOutput*>(user)->corners.push_back({v[0], v[1]});
}
void GLAPIENTRY onCombine(GLdouble coords[3], void*[4], GLfloat[4], void** outData, void* user) {
    auto* out = static_cast<TessOutput*>(user);
    out->store.push_back({coords[0], coords[1], coords[2]});
    *outData = out->store.back().data();
}
void GLAPIENTRY onError(GLenum, void* user) { static_cast<TessOutput*>(user)->failed = true; }

// Filled triangles of the outline, counter-clockwise seen from +z.
bool tessellate(GLUtesselator* tess, const std::vector<Contour>& contours, bool evenOdd,
                std::vector<Point>& triangles) {
    TessOutput out;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, &out);
    for (const Contour& c : contours) {
        gluTessBeginContour(tess);
        for (const Point& p : c) {
            out.store.push_back({p.x, p.y, 0});
            gluTessVertex(tess, out.store.back().data(), out.store.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    if (out.failed) return false;

    triangles.clear();
    for (size_t i = 0; i + 2 < out.corners.size(); i += 3) {
        Point a = out.corners[i], b = out.corners[i + 1], c = out.corners[i + 2];
        const double twiceArea = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (std::fabs(twiceArea) < 1e-14) continue;
        if (twiceArea < 0) std::swap(b, c);
        triangles.insert(triangles.end(), {a, b, c});
    }
    return true;
}

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

void emit(std::vector<float>& v, const Vec3& n, double x, double y, double z) {
    v.insert(v.end(), {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z),
                       static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
}

Vec3 normalised(double x, double y) {
    const double l = std::sqrt(x * x + y * y);
    return l > 0 ? Vec3{x / l, y / l, 0} : Vec3{};
}

// The walls between front and back face, facing away from the filled side.
void emitSides(std::vector<float>& v, const std::vector<Contour>& contours, bool fillOnRight) {
    const double d = kFontDepth;
    for (const Contour& c : contours) {
        const size_t n = c.size();
        std::vector<Vec3> faceNormal(n);
        for (size_t i = 0; i < n; ++i) {
            const Point e = c[(i + 1) % n] - c[i];
            faceNormal[i] = fillOnRight ? normalised(-e.y, e.x) : normalised(e.y, -e.x);
        }
        // Corner i joins edge i-1 to edge i: a gentle turn is shaded round.
        std::vector<bool> smooth(n);
        std::vector<Vec3> cornerNormal(n);
        for (size_t i = 0; i < n; ++i) {
            const Vec3& a = faceNormal[(i + n - 1) % n];
            const Vec3& b = faceNormal[i];
            smooth[i] = a.x * b.x + a.y * b.y >= kSmoothCornerCos;
            cornerNormal[i] = normalised(a.x + b.x, a.y + b.y);
        }
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + 1) % n;
            const Point a = c[i], b = c[j];
            const Vec3 na = smooth[i] ? cornerNormal[i] : faceNormal[i];
            const Vec3 nb = smooth[j] ? cornerNormal[j] : faceNormal[i];
            // Quad a-b at the front and back, wound counter-clockwise seen from outside.
            const Vec3& f = faceNormal[i];
            const Point e = b - a;
            const bool swap = (e.x * f.y - e.y * f.x) * d < 0;  // sign of (B0-A0)x(B1-A0) along f
            if (!swap) {
                emit(v, na, a.x, a.y, 0), emit(v, nb, b.x, b.y, 0), emit(v, nb, b.x, b.y, -d);
                emit(v, na, a.x, a.y, 0), emit(v, nb, b.x, b.y, -d), emit(v, na, a.x, a.y, -d);
            } else {
                emit(v, na, a.x, a.y, 0), emit(v, nb, b.x, b.y, -d), emit(v, nb, b.x, b.y, 0);
                emit(v, na, a.x, a.y, 0), emit(v, na, a.x, a.y, -d), emit(v, nb, b.x, b.y, -d);
            }
        }
    }
}

bool isMonospacedOutline(FcPattern* match) {
    FcBool outline = FcFalse;
    int spacing = FC_PROPORTIONAL;
    FcChar8* file = nullptr;
    return FcPatternGetBool(match, FC_OUTLINE, 0, &outline) == FcResultMatch && outline &&
           FcPatternGetInteger(match, FC_SPACING, 0, &spacing) == FcResultMatch && spacing == FC_MONO &&
           FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
}

}  // namespace

unsigned int Windows1252ToUnicode(unsigned char code) {
    static const unsigned short k80to9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (code >= 0x80 && code <= 0x9F) return k80to9F[code - 0x80];
    return code;
}

bool FindOutlineFont(std::string& file, int& faceIndex) {
    if (!FcInit()) return false;
    std::string found;
    for (const char* wanted : {"Courier New:bold", "monospace:bold"}) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(wanted));
        if (!pattern) continue;
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) continue;
        const bool usable = isMonospacedOutline(match);
        if (usable) {
            FcChar8* path = nullptr;
            int index = 0;
            FcPatternGetString(match, FC_FILE, 0, &path);
            if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
            found = reinterpret_cast<const char*>(path);
            faceIndex = index;
        }
        FcPatternDestroy(match);
        if (usable) break;
    }
    // The lookup runs once per run and nothing else here uses fontconfig: free its caches.
    FcFini();
    if (found.empty()) return false;
    file = found;
    return true;
}

bool TessellateFont(const std::string& file, int faceIndex, FontGeometry& out) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face face = nullptr;
    GLUtesselator* tess = nullptr;
    bool ok = FT_New_Face(library, file.c_str(), faceIndex, &face) == 0 && FT_IS_SCALABLE(face) &&
              face->units_per_EM > 0 && FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0 &&
              (tess = gluNewTess()) != nullptr;
    if (ok) {
        gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&onBegin));
        gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(&onEdgeFlag));
        gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&onVertex));
        gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&onEnd));
        gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&onCombine));
        gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&onError));

        FontGeometry geometry;
        geometry.file = file;
        const double scale = 1.0 / face->units_per_EM;
        FT_Outline_Funcs funcs{};
        funcs.move_to = &moveTo;
        funcs.line_to = &lineTo;
        funcs.conic_to = &conicTo;
        funcs.cubic_to = &cubicTo;
        std::vector<Point> triangles;

        // Code 255 stays an empty glyph with zero metrics.
        for (int code = 0; code < kFontCodes - 1; ++code) {
            FontGeometry::Glyph& glyph = geometry.glyphs[code];
            glyph.first = static_cast<int>(geometry.vertices.size() / 6);
            const FT_UInt index = FT_Get_Char_Index(face, Windows1252ToUnicode(static_cast<unsigned char>(code)));
            // A code the face lacks shows the face's missing-glyph box (index 0).
            if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) continue;
            const FT_GlyphSlot slot = face->glyph;
            glyph.metrics.gmfCellIncX = static_cast<float>(slot->metrics.horiAdvance * scale);
            if (slot->format != FT_GLYPH_FORMAT_OUTLINE) continue;

            OutlineWalk walk;
            walk.scale = scale;
            if (FT_Outline_Decompose(&slot->outline, &funcs, &walk) != 0) continue;
            cleanContours(walk.contours);
            if (walk.contours.empty()) continue;

            double minX = walk.contours[0][0].x, maxX = minX, minY = walk.contours[0][0].y, maxY = minY;
            const Contour* largest = &walk.contours[0];
            for (const Contour& c : walk.contours) {
                for (const Point& p : c) {
                    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
                    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
                }
                if (std::fabs(signedArea(c)) > std::fabs(signedArea(*largest))) largest = &c;
            }
            glyph.metrics.gmfBlackBoxX = static_cast<float>(maxX - minX);
            glyph.metrics.gmfBlackBoxY = static_cast<float>(maxY - minY);
            glyph.metrics.gmfptGlyphOriginX = static_cast<float>(minX);
            glyph.metrics.gmfptGlyphOriginY = static_cast<float>(maxY);

            const bool evenOdd = (slot->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
            if (!tessellate(tess, walk.contours, evenOdd, triangles)) continue;
            auto& v = geometry.vertices;
            const Vec3 front{0, 0, 1}, back{0, 0, -1};
            for (const Point& p : triangles) emit(v, front, p.x, p.y, 0);
            for (size_t i = triangles.size(); i >= 3; i -= 3) {
                emit(v, back, triangles[i - 3].x, triangles[i - 3].y, -kFontDepth);
                emit(v, back, triangles[i - 1].x, triangles[i - 1].y, -kFontDepth);
                emit(v, back, triangles[i - 2].x, triangles[i - 2].y, -kFontDepth);
            }
            // The outer contour runs clockwise in TrueType faces: filled on its right.
            emitSides(v, walk.contours, signedArea(*largest) < 0);
            glyph.count = static_cast<int>(v.size() / 6) - glyph.first;
            geometry.left = std::min(geometry.left, static_cast<float>(minX));
            geometry.right = std::max(geometry.right, static_cast<float>(maxX) - glyph.metrics.gmfCellIncX);
            geometry.bottom = std::min(geometry.bottom, static_cast<float>(minY));
            geometry.top = std::max(geometry.top, static_cast<float>(maxY));
        }
        out = std::move(geometry);
    }
    if (tess) gluDeleteTess(tess);
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
}
