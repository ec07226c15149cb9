#include "viewer.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <map>

namespace gen {

namespace {

constexpr int kWidth = 800, kHeight = 600;

class Window {
public:
    Window() {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        window_ = SDL_CreateWindow("puckslide3d-gen", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window_) context_ = SDL_GL_CreateContext(window_);
    }
    ~Window() {
        if (context_) SDL_GL_DeleteContext(context_);
        if (window_) SDL_DestroyWindow(window_);
        SDL_Quit();
    }
    bool ok() const { return context_ != nullptr; }

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

// Textures as the game makes them: level 0 only, linear filters, default wrapping.
class Textures {
public:
    GLuint get(const std::string& path, const std::vector<BuiltModel>& models) {
        auto it = names_.find(path);
        if (it != names_.end()) return it->second;
        for (const BuiltModel& m : models)
            for (const auto& [p, picture] : m.pictures)
                if (p == path) {
                    std::vector<unsigned char> rgb;
                    for (int y = picture.height() - 1; y >= 0; --y)
                        for (int x = 0; x < picture.width(); ++x) {
                            const Colour& c = picture.at(x, y);
                            for (double v : {c.r, c.g, c.b})
                                rgb.push_back(static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)));
                        }
                    GLuint name = 0;
                    glGenTextures(1, &name);
                    glBindTexture(GL_TEXTURE_2D, name);
                    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                    glTexImage2D(GL_TEXTURE_2D, 0, 3, picture.width(), picture.height(), 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                    names_[path] = name;
                    return name;
                }
        return names_[path] = 0;
    }

private:
    std::map<std::string, GLuint> names_;
};

void drawMesh(const Mesh& mesh, const std::vector<BuiltModel>& models, Textures& textures) {
    for (const MeshGroup& g : mesh.groups()) {
        GLuint texture = g.material >= 0 ? textures.get(mesh.materials()[g.material].texture, models) : 0;
        if (texture) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glEnable(GL_TEXTURE_2D);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        glBegin(GL_TRIANGLES);
        for (int ti : g.triangles) {
            const MeshTriangle& t = mesh.triangles()[ti];
            for (int k = 0; k < 3; ++k) {
                const Vec3& p = mesh.vertices()[t.vertex[k]];
                glNormal3d(t.normal[k].x, t.normal[k].y, t.normal[k].z);
                glTexCoord2d(t.uv[k].u, t.uv[k].v);
                glVertex3d(p.x, p.y, p.z);
            }
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

const Mesh* findMesh(const std::vector<BuiltModel>& models, const std::string& path) {
    for (const BuiltModel& m : models)
        if (m.path == path) return &m.mesh;
    return nullptr;
}

bool writePng(const std::string& path, const std::vector<unsigned char>& rgbBottomUp, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = h - 1; y >= 0; --y) png_write_row(png, const_cast<png_bytep>(&rgbBottomUp[static_cast<size_t>(y) * w * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

bool renderTable(const std::vector<BuiltModel>& models, int table, bool blended, const std::string& png, std::string& error) {
    const TableRules* rules = nullptr;
    for (const TableRules& r : tableRules())
        if (r.number == table) rules = &r;
    if (!rules) {
        error = "no table " + std::to_string(table);
        return false;
    }
    const Mesh* tableMesh = findMesh(models, std::string("data/model/") + rules->model);
    const Mesh* puck = findMesh(models, table >= 7 ? "data/model/puk2.ms3d" : "data/model/puk.ms3d");
    const Mesh* mallet = findMesh(models, "data/model/schiesser.ms3d");
    if (!tableMesh || !puck || !mallet) {
        error = "a model is missing";
        return false;
    }
    Window window;
    if (!window.ok()) {
        error = std::string("no GL window: ") + SDL_GetError();
        return false;
    }
    Textures textures;

    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(kWidth) / kHeight, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    if (blended) glEnable(GL_BLEND); else glDisable(GL_BLEND);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(150, 380, 610, 150, 0, 0, 0, 1, 0);
    glTranslatef(0, 70, 0);
    glColor4f(1, 1, 1, 0.4f);
    drawMesh(*tableMesh, models, textures);
    glColor4f(0, 0.7f, 0, 1);
    glPushMatrix();
    glTranslated(150, 0, rules->schiesser_z);
    drawMesh(*mallet, models, textures);
    glPopMatrix();
    glColor4f(0, 0, 0.7f, 1);
    glPushMatrix();
    glTranslated(150, 0, rules->gegner_z);
    drawMesh(*mallet, models, textures);
    glPopMatrix();
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    glTranslated(rules->puck_x, -10, rules->puck_z);
    drawMesh(*puck, models, textures);
    glPopMatrix();
    glFinish();

    std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (!writePng(png, pixels, kWidth, kHeight)) {
        error = "cannot write " + png;
        return false;
    }
    return true;
}

}  // namespace gen
