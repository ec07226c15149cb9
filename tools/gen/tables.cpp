// The six table models: a textured playing surface with its markings painted on, rails with
// openings at the goal mouths, a goal pocket behind every mouth, and an apron around it all.
#include <cmath>
#include <functional>

#include "models.h"

namespace gen {

Picture goalNetPicture();

namespace {

constexpr int kSurfaceWidth = 256, kSurfaceHeight = 512;
constexpr int kRailsSize = 256;
constexpr int kBandRows = 64;
enum Band { kTopBand = 0, kFrontBand = 1, kSideBand = 2, kBackBand = 3 };
constexpr double kTileLength = 64.0;  // units of rail per repeat of its texture
constexpr double kRailTopY = kSurfaceY + kRailHeight;
constexpr double kPocketBackTopY = kSurfaceY + 4.0;
constexpr const char* kGoalTexture = "data/model/goal.bmp";

struct TableStyle {
    const char* file;
    std::function<Colour(double x, double z)> surface;
    Colour line, accent, spot;
    // u in [0, 1) along the rail (tiles), t in [0, 1] from the bottom of a face to its top.
    std::function<Colour(double u, double t)> rail;
    double gloss;  // strength of the highlight along the rail tops
};

// Position inside a band of the rail picture: t = 0 at the face's bottom, 1 at its top; one
// row of margin keeps the linear filter from reaching into the next band.
double bandV(Band band, double t) {
    double rowTop = band * kBandRows + 1.0, rowBottom = band * kBandRows + kBandRows - 1.0;
    double row = rowBottom + (rowTop - rowBottom) * t;
    return 1.0 - row / kRailsSize;
}

double heightT(double y) { return (y - kApronBottomY) / (kRailTopY - kApronBottomY); }

class TableBuilder {
public:
    TableBuilder(Mesh& mesh) : m_(mesh) {}

    // A vertical wall facing +x or -x at `x`.
    void wallX(double x, double y0, double y1, double z0, double z1, bool facingPlus) {
        Band band = kSideBand;
        auto uv = [&](double y, double z) { return UV{z / kTileLength, bandV(band, heightT(y))}; };
        if (facingPlus)
            m_.quad({x, y0, z1}, {x, y0, z0}, {x, y1, z0}, {x, y1, z1}, uv(y0, z1), uv(y0, z0), uv(y1, z0), uv(y1, z1));
        else
            m_.quad({x, y0, z0}, {x, y0, z1}, {x, y1, z1}, {x, y1, z0}, uv(y0, z0), uv(y0, z1), uv(y1, z1), uv(y1, z0));
    }

    // A vertical wall facing +z (toward the player and the camera) or -z at `z`.
    void wallZ(double z, double y0, double y1, double x0, double x1, bool facingPlus) {
        Band band = facingPlus ? kFrontBand : kBackBand;
        auto uv = [&](double y, double x) { return UV{x / kTileLength, bandV(band, heightT(y))}; };
        if (facingPlus)
            m_.quad({x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}, uv(y0, x0), uv(y0, x1), uv(y1, x1), uv(y1, x0));
        else
            m_.quad({x1, y0, z}, {x0, y0, z}, {x0, y1, z}, {x1, y1, z}, uv(y0, x1), uv(y0, x0), uv(y1, x0), uv(y1, x1));
    }

    void top(double x0, double x1, double z0, double z1, double y) {
        bool alongX = (x1 - x0) >= (z1 - z0);
        auto uv = [&](double x, double z) {
            if (alongX) return UV{x / kTileLength, bandV(kTopBand, (z - z0) / (z1 - z0))};
            return UV{z / kTileLength, bandV(kTopBand, (x - x0) / (x1 - x0))};
        };
        m_.quad({x0, y, z1}, {x1, y, z1}, {x1, y, z0}, {x0, y, z0}, uv(x0, z1), uv(x1, z1), uv(x1, z0), uv(x0, z0));
    }

    // A solid block of rail with the faces that can be seen; `inner*` faces stop at `innerBottom`.
    struct Faces {
        bool minusX = true, plusX = true, minusZ = true, plusZ = true;
        double minusXBottom = kApronBottomY, plusXBottom = kApronBottomY;
        double minusZBottom = kApronBottomY, plusZBottom = kApronBottomY;
    };
    void block(double x0, double x1, double z0, double z1, const Faces& f, double topY = kRailTopY) {
        if (x1 - x0 <= 0 || z1 - z0 <= 0) return;
        top(x0, x1, z0, z1, topY);
        if (f.minusX) wallX(x0, f.minusXBottom, topY, z0, z1, false);
        if (f.plusX) wallX(x1, f.plusXBottom, topY, z0, z1, true);
        if (f.minusZ) wallZ(z0, f.minusZBottom, topY, x0, x1, false);
        if (f.plusZ) wallZ(z1, f.plusZBottom, topY, x0, x1, true);
    }

private:
    Mesh& m_;
};

void buildTableMesh(Mesh& mesh, const TableModelPlan& s, const std::string& surfacePath, const std::string& railsPath) {
    const double X0 = s.min_x - kRailInset, X1 = s.max_x + kRailInset;
    const double Z0 = s.min_z - kRailInset, Z1 = s.max_z + kRailInset;
    const double W = kRailWidth;

    MeshMaterial surface;
    surface.name = "surface";
    surface.ambient = {0.6f, 0.6f, 0.6f, 1.0f};
    surface.diffuse = {0.9f, 0.9f, 0.9f, 1.0f};
    surface.specular = {0.3f, 0.3f, 0.3f, 1.0f};
    surface.shininess = 40.0f;
    surface.texture = surfacePath;
    MeshMaterial rails = surface;
    rails.name = "rails";
    rails.specular = {0.5f, 0.5f, 0.5f, 1.0f};
    rails.shininess = 60.0f;
    rails.texture = railsPath;
    MeshMaterial goal = surface;
    goal.name = "goal";
    goal.specular = {0.0f, 0.0f, 0.0f, 1.0f};
    goal.shininess = 0.0f;
    goal.texture = kGoalTexture;
    int surfaceMaterial = mesh.addMaterial(surface);
    int railsMaterial = mesh.addMaterial(rails);
    int goalMaterial = mesh.addMaterial(goal);

    // The surface first: drawn before the rails and the apron, it hides what lies below it.
    mesh.beginGroup("surface", surfaceMaterial);
    auto surfaceUV = [&](double x, double z) { return UV{(x - X0) / (X1 - X0), 1.0 - (z - Z0) / (Z1 - Z0)}; };
    mesh.quad({X0, kSurfaceY, Z1}, {X1, kSurfaceY, Z1}, {X1, kSurfaceY, Z0}, {X0, kSurfaceY, Z0}, surfaceUV(X0, Z1),
              surfaceUV(X1, Z1), surfaceUV(X1, Z0), surfaceUV(X0, Z0));

    mesh.beginGroup("goals", goalMaterial);
    for (int end = 0; end < 2; ++end) {
        const bool far = end == 0;
        const double edge = far ? Z0 : Z1;
        const double back = far ? Z0 - W - kPocketDepth : Z1 + W + kPocketDepth;
        for (auto [mouthMin, mouthMax] : s.mouths) {
            const double a = mouthMin, b = mouthMax;
            auto uv = [&](double x, double z) { return UV{x / 32.0, z / 32.0}; };
            double zLo = std::min(edge, back), zHi = std::max(edge, back);
            mesh.quad({a, kPocketFloorY, zHi}, {b, kPocketFloorY, zHi}, {b, kPocketFloorY, zLo}, {a, kPocketFloorY, zLo},
                      uv(a, zHi), uv(b, zHi), uv(b, zLo), uv(a, zLo));
            // The step down from the surface into the pocket.
            UV s0{0, 0.45}, s1{(b - a) / 32.0, 0.45}, s2{(b - a) / 32.0, 0.55}, s3{0, 0.55};
            if (far)
                mesh.quad({b, kPocketFloorY, edge}, {a, kPocketFloorY, edge}, {a, kSurfaceY, edge}, {b, kSurfaceY, edge}, s0, s1,
                          s2, s3);
            else
                mesh.quad({a, kPocketFloorY, edge}, {b, kPocketFloorY, edge}, {b, kSurfaceY, edge}, {a, kSurfaceY, edge}, s0, s1,
                          s2, s3);
        }
    }

    mesh.beginGroup("rails", railsMaterial);
    TableBuilder t(mesh);
    struct Pocket {
        double a, b, z0, z1;
        bool far;
    };
    std::vector<Pocket> pockets;
    // Side rails run the whole length, corners included.
    {
        TableBuilder::Faces left;
        left.plusXBottom = kSurfaceY;
        t.block(X0 - W, X0, Z0 - W, Z1 + W, left);
        TableBuilder::Faces right;
        right.minusXBottom = kSurfaceY;
        t.block(X1, X1 + W, Z0 - W, Z1 + W, right);
    }
    // End rails, interrupted by the mouths.
    for (int end = 0; end < 2; ++end) {
        const bool far = end == 0;
        const double z0 = far ? Z0 - W : Z1, z1 = far ? Z0 : Z1 + W;
        double from = X0;
        auto segment = [&](double x0, double x1) {
            TableBuilder::Faces f;
            f.minusX = x0 > X0;
            f.plusX = x1 < X1;
            f.minusXBottom = f.plusXBottom = kPocketFloorY;
            if (far) f.plusZBottom = kSurfaceY; else f.minusZBottom = kSurfaceY;
            t.block(x0, x1, z0, z1, f);
        };
        for (auto [a, b] : s.mouths) {
            segment(from, a);
            from = b;
        }
        segment(from, X1);

        // Pocket walls behind every mouth: rail on the outside, net on the inside, and a low
        // back wall so the net shows through the opening from the far end too.
        const double pz0 = far ? Z0 - W - kPocketDepth - kPocketWall : Z1 + W;
        const double pz1 = far ? Z0 - W : Z1 + W + kPocketDepth + kPocketWall;
        const double wallZ0 = far ? pz0 + kPocketWall : pz0, wallZ1 = far ? pz1 : pz1 - kPocketWall;
        for (auto [mouthMin, mouthMax] : s.mouths) {
            const double a = mouthMin, b = mouthMax;
            TableBuilder::Faces side, backWall;
            side.minusZ = side.plusZ = false;  // against the rail and the back wall
            side.plusX = false;
            t.block(a - kPocketWall, a, wallZ0, wallZ1, side);
            side.plusX = true;
            side.minusX = false;
            t.block(b, b + kPocketWall, wallZ0, wallZ1, side);
            if (far) {
                backWall.plusZ = false;
                t.block(a - kPocketWall, b + kPocketWall, pz0, pz0 + kPocketWall, backWall, kPocketBackTopY);
            } else {
                backWall.minusZ = false;
                t.block(a - kPocketWall, b + kPocketWall, pz1 - kPocketWall, pz1, backWall, kPocketBackTopY);
            }
            pockets.push_back({a, b, wallZ0, wallZ1, far});
        }
    }

    mesh.beginGroup("goal walls", goalMaterial);
    for (const Pocket& p : pockets) {
        t.wallX(p.a, kPocketFloorY, kRailTopY, p.z0, p.z1, true);
        t.wallX(p.b, kPocketFloorY, kRailTopY, p.z0, p.z1, false);
        if (p.far)
            t.wallZ(p.z0, kPocketFloorY, kPocketBackTopY, p.a, p.b, true);
        else
            t.wallZ(p.z1, kPocketFloorY, kPocketBackTopY, p.a, p.b, false);
    }
}

// ---- pictures ----------------------------------------------------------------------------

Picture paintSurface(const TableModelPlan& s, const TableStyle& style) {
    const double X0 = s.min_x - kRailInset, X1 = s.max_x + kRailInset;
    const double Z0 = s.min_z - kRailInset, Z1 = s.max_z + kRailInset;
    Picture p(kSurfaceWidth, kSurfaceHeight);
    Canvas c(p, X0, Z0, X1, Z1);
    p.shade([&](int px, int py) { return style.surface(c.worldX(px), c.worldZ(py)); });

    const double midX = (s.min_x + s.max_x) / 2.0;
    // A border line just inside the rails.
    c.paint([&](double x, double z) { return std::abs(boxShape(X0 + 7, Z0 + 7, X1 - 7, Z1 - 7)(x, z)) - 0.9; },
            style.line, 0.55);
    // Goal creases around every mouth, and the line a standard puck's centre crosses to score.
    for (auto [a, b] : s.mouths) {
        const double cx = (a + b) / 2.0, r = (b - a) / 2.0 + 16.0;
        for (double zEdge : {Z0, Z1}) {
            c.paint(circleShape(cx, zEdge, r), style.accent, 0.28);
            c.paint(ringShape(cx, zEdge, r, 1.3), style.accent, 0.95);
        }
        c.paint(segmentShape(a, s.min_z + 4.0, b, s.min_z + 4.0, 0.8), style.line, 0.8);
        c.paint(segmentShape(a, s.max_z - 4.0, b, s.max_z - 4.0, 0.8), style.line, 0.8);
    }
    // Where the halves meet: the band the mallets' discs reach from either side.
    c.paint(boxShape(X0, kCentreLineMinZ, X1, kCentreLineMaxZ), style.line, 0.95);
    const double centreZ = (kCentreLineMinZ + kCentreLineMaxZ) / 2.0;
    c.paint(ringShape(midX, centreZ, 46.0, 1.6), style.line, 0.95);
    c.paint(circleShape(midX, centreZ, 6.0), style.spot, 1.0);
    // Face-off spots where the puck is served after a goal.
    for (double gz : s.serveZ) {
        c.paint(circleShape(kServeX, gz, 4.5), style.spot, 1.0);
        c.paint(circleShape(kServeX, -gz, 4.5), style.spot, 1.0);
        c.paint(ringShape(kServeX, gz, 14.0, 0.8), style.spot, 0.6);
        c.paint(ringShape(kServeX, -gz, 14.0, 0.8), style.spot, 0.6);
    }
    return p;
}

Picture paintRails(const TableStyle& style) {
    Picture p(kRailsSize, kRailsSize);
    p.shade([&](int px, int py) {
        const int band = py / kBandRows;
        const double u = (px + 0.5) / kRailsSize;
        const double t = 1.0 - (py % kBandRows + 0.5) / kBandRows;
        Colour base = style.rail(u, t);
        switch (band) {
            case kTopBand: {
                // Rounded look: a highlight along the middle of the top, darker edges.
                double across = std::abs(t - 0.5) * 2.0;
                double shade = 1.0 - 0.25 * across * across;
                double gloss = style.gloss * std::exp(-std::pow((t - 0.62) / 0.12, 2.0));
                return base * shade + Colour{gloss, gloss, gloss};
            }
            case kFrontBand: {
                double shade = 0.55 + 0.3 * t;
                double lip = t > 0.93 ? 0.25 : 0.0;  // the top edge catches the light
                return base * shade + Colour{lip, lip, lip} * style.gloss * 2.0;
            }
            case kSideBand:
                return base * (0.5 + 0.22 * t);
            default:
                return base * (0.32 + 0.12 * t);
        }
    });
    return p;
}

// ---- the six looks -------------------------------------------------------------------------

Colour ice(double x, double z) {
    double scratch = fractalNoise(x * 0.02, z * 0.3, 11, 3);
    double cloud = fractalNoise(x * 0.01, z * 0.01, 12, 4);
    return mix(rgb(0xd6e6f2), rgb(0xa9c9e4), cloud * 0.8) + Colour{1, 1, 1} * ((scratch - 0.5) * 0.08);
}

Colour felt(double x, double z) {
    double fibre = fractalNoise(x * 0.5, z * 0.5, 21, 2);
    double patch = fractalNoise(x * 0.012, z * 0.012, 22, 3);
    return mix(rgb(0x1d6a3c), rgb(0x2a8450), patch) * (0.9 + 0.2 * fibre);
}

Colour neon(double x, double z) {
    Colour base = mix(rgb(0x121c44), rgb(0x1e2e66), fractalNoise(x * 0.01, z * 0.01, 31, 3));
    // A faint grid every 25 units.
    double gx = std::abs(std::fmod(std::abs(x), 25.0) - 12.5), gz = std::abs(std::fmod(std::abs(z), 25.0) - 12.5);
    double grid = std::max(std::exp(-std::pow((12.5 - gx) / 0.9, 2.0)), std::exp(-std::pow((12.5 - gz) / 0.9, 2.0)));
    return base + rgb(0x2a6f9a) * (grid * 0.6);
}

Colour sand(double x, double z) {
    double grain = valueNoise(x * 0.9, z * 0.9, 41);
    double dune = fractalNoise(x * 0.015 + z * 0.004, z * 0.02, 42, 3);
    return mix(rgb(0xe0a25a), rgb(0xf0c27e), dune) * (0.93 + 0.12 * grain);
}

Colour starfield(double x, double z) {
    Colour base = mix(rgb(0x3c1a5a), rgb(0x5a2a7e), fractalNoise(x * 0.008, z * 0.008, 51, 4));
    uint32_t cell = hash32(static_cast<uint32_t>(std::floor(x / 6.0) * 7919.0 + std::floor(z / 6.0) * 104729.0 + 1e6));
    if ((cell & 63u) == 0) {
        double cx = std::floor(x / 6.0) * 6.0 + 3.0, cz = std::floor(z / 6.0) * 6.0 + 3.0;
        double d = std::hypot(x - cx, z - cz);
        base = base + Colour{1, 0.9, 1} * (0.5 * std::exp(-d * d / 1.5));
    }
    return base;
}

Colour maple(double x, double z) {
    // Planks along z, 20 units wide, with staggered joints.
    double plank = std::floor(x / 20.0);
    double offset = std::fmod(plank * 137.0, 160.0);
    double along = z + offset;
    double joint = std::abs(std::fmod(std::abs(along), 160.0) - 80.0);
    uint32_t tone = hash32(static_cast<uint32_t>(plank + 1000) * 31u + static_cast<uint32_t>(std::floor(along / 160.0) + 1000));
    double grain = fractalNoise(x * 0.35, along * 0.02, 61 + (tone & 7u), 3);
    Colour base = mix(rgb(0xcf9f62), rgb(0xe3bc84), (tone & 255u) / 255.0) * (0.88 + 0.2 * grain);
    double seamX = std::abs(std::fmod(std::abs(x), 20.0) - 10.0);
    if (seamX > 9.5 || joint > 79.5) base = base * 0.7;
    return base;
}

Colour plasticRail(Colour c, double u, double t) { return c * (0.95 + 0.08 * fractalNoise(u * 32.0, t * 4.0, 71, 2, 32)); }

const std::vector<TableStyle>& tableStyles() {
    static const std::vector<TableStyle> styles = {
        {"table.ms3d", ice, rgb(0xd02030), rgb(0x2050d0), rgb(0xd02030),
         [](double u, double t) { return plasticRail(rgb(0xc8202c), u, t); }, 0.35},
        {"table2.ms3d", felt, rgb(0xf2ead0), rgb(0xe0b040), rgb(0xf2ead0),
         [](double u, double t) {
             double grain = fractalNoise(u * 8.0, t * 24.0 + 3.0 * valueNoise(u * 4.0, t * 3.0, 81, 4), 82, 3, 8);
             return mix(rgb(0x5a2412), rgb(0x8a4222), grain);
         },
         0.2},
        {"table3.ms3d", neon, rgb(0x40f0ff), rgb(0xff40c0), rgb(0xffffff),
         [](double u, double t) {
             double streak = 0.5 + 0.5 * std::sin(t * 9.0 + 1.3);
             return mix(rgb(0x707884), rgb(0xe4ecf4), streak) * (0.97 + 0.05 * valueNoise(u * 64.0, t * 2.0, 91, 64));
         },
         0.5},
        {"table4.ms3d", sand, rgb(0x2a1a10), rgb(0x8a2a10), rgb(0x2a1a10),
         [](double u, double t) {
             Colour c = rgb(0x26262a) * (0.95 + 0.1 * valueNoise(u * 128.0, t * 16.0, 101, 128));
             if (t > 0.42 && t < 0.58) c = rgb(0xf0c020);  // a yellow stripe along the rubber
             return c;
         },
         0.15},
        {"table5.ms3d", starfield, rgb(0xffc0f0), rgb(0xff60b0), rgb(0xffffff),
         [](double u, double t) {
             double sheen = 0.5 + 0.5 * std::sin(t * 7.0 + 0.8);
             double brushed = valueNoise(u * 128.0, t * 40.0, 121, 128);
             return mix(rgb(0x8a6a18), rgb(0xf0d060), sheen) * (0.92 + 0.12 * brushed);
         },
         0.45},
        {"table7.ms3d", maple, rgb(0xf4f0e0), rgb(0x30a060), rgb(0xf4f0e0),
         [](double u, double t) {
             Colour c = rgb(0x1c4a30) * (0.95 + 0.08 * valueNoise(u * 64.0, t * 8.0, 111, 64));
             if (std::abs(t - 0.8) < 0.03) c = rgb(0xe8e8e0);  // pinstripe
             return c;
         },
         0.25},
    };
    return styles;
}

}  // namespace

bool buildTableModels(std::vector<BuiltModel>& models, std::string& error) {
    std::vector<TableModelPlan> plans;
    if (!tableModelPlans(plans, error)) return false;
    for (const TableModelPlan& plan : plans) {
        const TableStyle* style = nullptr;
        for (const TableStyle& st : tableStyles())
            if (plan.file == st.file) style = &st;
        if (!style) {
            error = "no look for " + plan.file;
            return false;
        }
        std::string stem = plan.file.substr(0, plan.file.find('.'));
        BuiltModel m;
        m.path = "data/model/" + plan.file;
        std::string surfacePath = "data/model/" + stem + "_surface.bmp";
        std::string railsPath = "data/model/" + stem + "_rails.bmp";
        buildTableMesh(m.mesh, plan, surfacePath, railsPath);
        m.pictures.emplace_back(surfacePath, paintSurface(plan, *style));
        m.pictures.emplace_back(railsPath, paintRails(*style));
        m.pictures.emplace_back(kGoalTexture, goalNetPicture());
        models.push_back(std::move(m));
    }
    return true;
}

}  // namespace gen
