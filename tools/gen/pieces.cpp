// The pucks, the mallet, the logo plane and the goal net picture. Models are drawn unlit
// during play, so their pictures carry the shading of a light from above the player's end.
#include <algorithm>
#include <cmath>

#include "models.h"

namespace gen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSegments = 48;
constexpr int kLatheSize = 128;

struct ProfilePoint {
    double r, y;
};

// Arc length along the profile to each point.
std::vector<double> arcLengths(const std::vector<ProfilePoint>& p) {
    std::vector<double> s(p.size(), 0.0);
    for (size_t i = 1; i < p.size(); ++i) s[i] = s[i - 1] + std::hypot(p[i].r - p[i - 1].r, p[i].y - p[i - 1].y);
    return s;
}

// Outward normal of the profile segment from a to b, as (radial, up).
std::pair<double, double> segmentNormal(ProfilePoint a, ProfilePoint b) {
    double dr = b.r - a.r, dy = b.y - a.y;
    double len = std::hypot(dr, dy);
    return {-dy / len, dr / len};
}

// Turns the profile (from the top of the axis outward and down) around the vertical axis
// through (cx, cz). The picture wraps once around (u) and runs down the profile (v).
void lathe(Mesh& mesh, const std::vector<ProfilePoint>& profile, double cx, double cz) {
    const std::vector<double> s = arcLengths(profile);
    const double total = s.back();
    for (size_t i = 0; i + 1 < profile.size(); ++i) {
        auto [nr, ny] = segmentNormal(profile[i], profile[i + 1]);
        for (int j = 0; j < kSegments; ++j) {
            double a0 = 2 * kPi * j / kSegments, a1 = 2 * kPi * (j + 1) / kSegments;
            auto pos = [&](const ProfilePoint& p, double a) { return Vec3{cx + p.r * std::cos(a), p.y, cz + p.r * std::sin(a)}; };
            auto nrm = [&](double a) { return Vec3{nr * std::cos(a), ny, nr * std::sin(a)}; };
            Vec3 p00 = pos(profile[i], a0), p01 = pos(profile[i], a1);
            Vec3 p10 = pos(profile[i + 1], a0), p11 = pos(profile[i + 1], a1);
            UV t00{double(j) / kSegments, 1.0 - s[i] / total}, t01{double(j + 1) / kSegments, 1.0 - s[i] / total};
            UV t10{double(j) / kSegments, 1.0 - s[i + 1] / total}, t11{double(j + 1) / kSegments, 1.0 - s[i + 1] / total};
            // Going down the profile and round by increasing angle turns away from the outside,
            // so the corners are taken the other way round.
            if (profile[i].r > 0) mesh.triangle(p00, p01, p11, t00, t01, t11, nrm(a0), nrm(a1), nrm(a1));
            if (profile[i + 1].r > 0) mesh.triangle(p00, p11, p10, t00, t11, t10, nrm(a0), nrm(a1), nrm(a0));
        }
    }
}

struct Light {
    Vec3 toLight = normalized({-0.35, 0.8, 0.55});
    Vec3 toEye = normalized({0.0, 0.48, 0.88});
};

// The picture of a lathed model, lit as the game's camera sees it.
Picture paintLathe(const std::vector<ProfilePoint>& profile, const std::function<Colour(double r, double s)>& albedo,
                   double specular) {
    const std::vector<double> s = arcLengths(profile);
    const double total = s.back();
    Light light;
    Vec3 half = normalized(light.toLight + light.toEye);
    Picture p(kLatheSize, kLatheSize);
    p.shade([&](int px, int py) {
        double a = 2 * kPi * (px + 0.5) / kLatheSize;
        double along = (py + 0.5) / kLatheSize * total;
        size_t i = 0;
        while (i + 2 < profile.size() && s[i + 1] < along) ++i;
        double f = s[i + 1] > s[i] ? std::clamp((along - s[i]) / (s[i + 1] - s[i]), 0.0, 1.0) : 0.0;
        double r = profile[i].r + (profile[i + 1].r - profile[i].r) * f;
        auto [nr, ny] = segmentNormal(profile[i], profile[i + 1]);
        Vec3 n{nr * std::cos(a), ny, nr * std::sin(a)};
        double diffuse = std::max(0.0, n.x * light.toLight.x + n.y * light.toLight.y + n.z * light.toLight.z);
        double highlight = std::pow(std::max(0.0, n.x * half.x + n.y * half.y + n.z * half.z), 24.0) * specular;
        return albedo(r, along) * (0.4 + 0.6 * diffuse) + Colour{highlight, highlight, highlight};
    });
    return p;
}

MeshMaterial pieceMaterial(const std::string& name, const std::string& texture) {
    MeshMaterial m;
    m.name = name;
    m.ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    m.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.specular = {0.6f, 0.6f, 0.6f, 1.0f};
    m.shininess = 50.0f;
    m.texture = texture;
    return m;
}

// A puck: a flat disc with a bevelled edge, its bottom at y = 0.
BuiltModel buildPuck(const std::string& file, double radius, Colour body, Colour ring) {
    const double h = 6.5, bevel = 2.5;
    std::vector<ProfilePoint> profile = {{0, h}, {radius - bevel, h}, {radius - 0.6, h - 0.8}, {radius, h - bevel}, {radius, 0}};
    BuiltModel m;
    m.path = "data/model/" + file + ".ms3d";
    std::string texture = "data/model/" + file + ".bmp";
    m.mesh.beginGroup("puck", m.mesh.addMaterial(pieceMaterial("puck", texture)));
    lathe(m.mesh, profile, 0, 0);
    const double top = radius - bevel;
    m.pictures.emplace_back(texture, paintLathe(profile,
                                                [=](double r, double s) {
                                                    if (s > top + 0.5) return body * 0.8;  // bevel and side
                                                    double ringR = radius * 0.62;
                                                    if (std::abs(r - ringR) < 1.6) return ring;
                                                    if (r < 3.0) return ring;
                                                    return body;
                                                },
                                                0.45));
    return m;
}

// The mallet: a wide foot of the striking radius, a shoulder and a round knob, its bottom at
// y = -10 and its axis at the striking centre, 45 units toward +z from where it is drawn.
BuiltModel buildMallet() {
    std::vector<ProfilePoint> profile = {
        {0, 30},  {5, 29.6}, {9, 28},  {11.5, 25}, {12, 22}, {10.5, 19}, {8, 16},  {7.5, 12},
        {9, 6},   {14, 2.5}, {19, 0.5}, {21.2, -1.2}, {kMalletRadius, -3}, {kMalletRadius, -10},
    };
    BuiltModel m;
    m.path = "data/model/schiesser.ms3d";
    const std::string texture = "data/model/schiesser.bmp";
    m.mesh.beginGroup("mallet", m.mesh.addMaterial(pieceMaterial("mallet", texture)));
    lathe(m.mesh, profile, 0, kStrikeOffset);
    m.pictures.emplace_back(texture, paintLathe(profile,
                                                [](double r, double) {
                                                    // Tinted by the game (green or blue): a light
                                                    // body with a darker band on the foot's rim.
                                                    if (r > 20.5) return Colour{0.55, 0.55, 0.55};
                                                    if (r > 13 && r < 14.5) return Colour{0.7, 0.7, 0.7};
                                                    return Colour{0.95, 0.95, 0.95};
                                                },
                                                0.5));
    return m;
}

// A 5 by 7 dot font for the logo's letters.
const char* glyph(char c) {
    switch (c) {
        case 'P': return "11110100011000111110100001000010000";
        case 'U': return "10001100011000110001100011000101110";
        case 'C': return "01110100011000010000100001000101110";
        case 'K': return "10001100101010011000101001001010001";
        case 'S': return "01111100001000001110000010000111110";
        case 'L': return "10000100001000010000100001000011111";
        case 'I': return "01110001000010000100001000010001110";
        case 'D': return "11100100101000110001100011001011100";
        case 'E': return "11111100001000011110100001000011111";
        case '3': return "11110000010000101110000010000111110";
        default: return "00000000000000000000000000000000000";
    }
}

Picture paintLogo() {
    Picture p(256, 128);
    p.shade([](int x, int y) {
        double t = y / 127.0;
        Colour c = mix(rgb(0x10204a), rgb(0x3060b0), t);
        double glow = std::exp(-std::pow((x - 128.0) / 90.0, 2.0) - std::pow((y - 64.0) / 40.0, 2.0));
        return c + Colour{0.15, 0.2, 0.3} * glow;
    });
    // The puck and two mallets as discs.
    Canvas canvas(p, 0, 0, 256, 128);
    canvas.paint(circleShape(128, 98, 11), rgb(0xff7a1a));
    canvas.paint(ringShape(128, 98, 6.5, 1.0), rgb(0xffffff));
    canvas.paint(circleShape(84, 100, 13), rgb(0x20b040));
    canvas.paint(circleShape(172, 100, 13), rgb(0x2050e0));
    canvas.paint(segmentShape(20, 118, 236, 118, 1.5), rgb(0xffffff), 0.7);
    const std::string text = "PUCKSLIDE 3D";
    const int dot = 3, advance = 6 * dot;
    const int x0 = (256 - static_cast<int>(text.size()) * advance + dot) / 2, y0 = 22;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* g = glyph(text[i]);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (g[row * 5 + col] != '1') continue;
                double cx = x0 + static_cast<int>(i) * advance + col * dot + dot / 2.0;
                double cy = y0 + row * dot + dot / 2.0;
                canvas.paint(boxShape(cx - dot / 2.0, cy - dot / 2.0, cx + dot / 2.0, cy + dot / 2.0), rgb(0xffe070));
            }
    }
    return p;
}

BuiltModel buildPlane() {
    BuiltModel m;
    m.path = "data/model/kzmplane.ms3d";
    const std::string texture = "data/model/kzmplane.bmp";
    m.mesh.beginGroup("plane", m.mesh.addMaterial(pieceMaterial("logo", texture)));
    m.mesh.quad({-100, -50, 0}, {100, -50, 0}, {100, 50, 0}, {-100, 50, 0}, {0, 0}, {1, 0}, {1, 1}, {0, 1});
    m.pictures.emplace_back(texture, paintLogo());
    return m;
}

}  // namespace

Picture goalNetPicture() {
    Picture p(64, 64);
    p.shade([](int x, int y) {
        double a = std::abs(std::fmod(x + y + 0.5, 16.0) - 8.0), b = std::abs(std::fmod(x - y + 64.5, 16.0) - 8.0);
        double net = std::max(std::exp(-std::pow((8.0 - a) / 0.9, 2.0)), std::exp(-std::pow((8.0 - b) / 0.9, 2.0)));
        return Colour{0.05, 0.05, 0.07} + Colour{0.45, 0.45, 0.5} * net;
    });
    return p;
}

bool buildTableModels(std::vector<BuiltModel>& models, std::string& error);

bool buildModels(std::vector<BuiltModel>& models, std::string& error) {
    models.clear();
    if (!buildTableModels(models, error)) return false;
    models.push_back(buildPuck("puk", kPuckRadius, rgb(0xff6a10), rgb(0xfff4e0)));
    models.push_back(buildPuck("puk2", kLargePuckRadius, rgb(0xe8f020), rgb(0x202020)));
    models.push_back(buildMallet());
    models.push_back(buildPlane());
    return true;
}

bool modelFiles(const std::vector<BuiltModel>& models, std::vector<OutputFile>& files, std::string& error) {
    for (const BuiltModel& m : models) {
        OutputFile f;
        f.path = m.path;
        if (!m.mesh.toMs3d(f.bytes)) {
            error = m.path + " does not fit the file format";
            return false;
        }
        files.push_back(std::move(f));
        for (const auto& [path, picture] : m.pictures) {
            bool seen = std::any_of(files.begin(), files.end(), [&](const OutputFile& o) { return o.path == path; });
            if (!seen) files.push_back({path, picture.toBmp()});
        }
    }
    return true;
}

}  // namespace gen
