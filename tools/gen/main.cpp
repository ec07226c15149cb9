// puckslide3d-gen: writes the game's data (models, textures, sounds, icons, the configuration file)
// below a folder, and renders tables for a look at them.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config.h"
#include "icon.h"
#include "models.h"
#include "sounds.h"
#include "viewer.h"

namespace {

const char* kUsage =
    "usage: puckslide3d-gen [--out DIR] [--skip-encoded]\n"
    "         writes data/model, data/sounds, data/icons and Data/system/config.cfg below DIR\n"
    "         (default: .);\n"
    "         --skip-encoded leaves out the MP3s, which need lame and espeak-ng\n"
    "       puckslide3d-gen --view TABLE --png FILE [--opaque]\n"
    "         renders table 1 to 11 from the game's default camera (needs a display)\n";

bool makeDirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        std::string part = path.substr(0, i);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return false;
            continue;
        }
        if (mkdir(part.c_str(), 0755) != 0) return false;
    }
    return true;
}

// Leaves a file alone when it already holds these bytes, so a regeneration touches nothing
// that did not change.
bool writeIfChanged(const std::string& path, const std::vector<uint8_t>& bytes, bool& changed) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old == bytes) {
                changed = false;
                return true;
            }
        }
    }
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return false;
    }
    changed = true;
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = ".", png;
    bool skipEncoded = false, opaque = false;
    int view = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) out = argv[++i];
        else if (a == "--skip-encoded") skipEncoded = true;
        else if (a == "--view" && i + 1 < argc) view = std::atoi(argv[++i]);
        else if (a == "--png" && i + 1 < argc) png = argv[++i];
        else if (a == "--opaque") opaque = true;
        else {
            std::fputs(kUsage, a == "--help" ? stdout : stderr);
            return a == "--help" ? 0 : 2;
        }
    }

    std::string error;
    std::vector<gen::BuiltModel> models;
    if (!gen::buildModels(models, error)) {
        std::fprintf(stderr, "puckslide3d-gen: %s\n", error.c_str());
        return 1;
    }
    if (view) {
        if (png.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (!gen::renderTable(models, view, !opaque, png, error)) {
            std::fprintf(stderr, "puckslide3d-gen: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    std::vector<gen::OutputFile> files;
    if (!gen::modelFiles(models, files, error)) {
        std::fprintf(stderr, "puckslide3d-gen: %s\n", error.c_str());
        return 1;
    }
    gen::effectFiles(files);
    if (!gen::iconFiles(files, error)) {
        std::fprintf(stderr, "puckslide3d-gen: %s\n", error.c_str());
        return 1;
    }
    if (!skipEncoded && !gen::encodedFiles(files, error)) {
        std::fprintf(stderr, "puckslide3d-gen: %s (--skip-encoded leaves the MP3s as they are)\n", error.c_str());
        return 1;
    }
    std::string config = gen::configText();
    files.push_back({"Data/system/config.cfg", std::vector<uint8_t>(config.begin(), config.end())});

    size_t written = 0, bytes = 0;
    for (const gen::OutputFile& f : files) {
        std::string path = out + "/" + f.path;
        bool changed = false;
        if (!makeDirs(path.substr(0, path.rfind('/'))) || !writeIfChanged(path, f.bytes, changed)) {
            std::fprintf(stderr, "puckslide3d-gen: cannot write %s\n", path.c_str());
            return 1;
        }
        written += changed;
        bytes += f.bytes.size();
    }
    std::printf("%zu files, %zu bytes, %zu changed\n", files.size(), bytes, written);
    return 0;
}
