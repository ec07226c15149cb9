#include "platform/data_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"

#ifndef PUCKSLIDE_DATA_FROM_BIN
#define PUCKSLIDE_DATA_FROM_BIN "../share/puckslide3d"
#endif

namespace {

constexpr const char* kModelFolder = "data/model";
constexpr const char* kUserFolder = "Data/";
constexpr const char* kGameFolderName = "puckslide3d";

DataLocations& locations() {
    static DataLocations l;
    return l;
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Appends a relative path, taking each ".." off the end rather than keeping it, so the
// folder reads as it is installed ("/usr/share/puckslide3d", not "/usr/bin/../share/...").
std::string joinRelative(std::string base, const std::string& relative) {
    std::stringstream parts(relative);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            base = parentOf(base);
            continue;
        }
        if (base.back() != '/') base += '/';
        base += part;
    }
    return base;
}

bool isDirectory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        // The player's folders are the player's own, as XDG asks.
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return isDirectory(path.c_str());
}

bool readWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return !in.bad();
}

}  // namespace

DataLocations LocateData(bool workdirHoldsModels, const std::string& executable, const char* xdgDataHome,
                         const char* home) {
    DataLocations l;
    if (workdirHoldsModels) return l;
    l.installed = true;
    l.dataDir = joinRelative(parentOf(executable), PUCKSLIDE_DATA_FROM_BIN);
    l.userDir = PlayerFolder(xdgDataHome, home);
    return l;
}

std::string PlayerFolder(const char* xdgDataHome, const char* home) {
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG base directory rules say.
    std::string base;
    if (xdgDataHome && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else {
        std::string homeDir = home && home[0] ? home : "";
        if (homeDir.empty())
            if (const passwd* pw = ::getpwuid(::getuid())) homeDir = pw->pw_dir ? pw->pw_dir : "";
        base = (homeDir.empty() ? std::string(".") : homeDir) + "/.local/share";
    }
    return joinRelative(base, kGameFolderName);
}

std::string PlayerFolder() { return PlayerFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

void InitDataPaths() {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string executable = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    locations() = LocateData(isDirectory(kModelFolder), executable, std::getenv("XDG_DATA_HOME"),
                             std::getenv("HOME"));
}

std::string DataPath(const std::string& gamePath) {
    const DataLocations& l = locations();
    if (!l.installed || gamePath.empty() || gamePath[0] == '/') return gamePath;
    const bool players = gamePath.compare(0, std::char_traits<char>::length(kUserFolder), kUserFolder) == 0;
    return (players ? l.userDir : l.dataDir) + "/" + gamePath;
}

bool PrepareUserFile(const std::string& gamePath) {
    const DataLocations& l = locations();
    if (!l.installed) return true;
    const std::string path = DataPath(gamePath);
    if (!makeFolders(parentOf(path))) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) return true;

    std::string shipped;
    if (!readWholeFile(l.dataDir + "/" + gamePath, shipped)) return false;
    // Written whole under a name of its own, then linked into place: link() refuses to replace
    // a file, so a second copy of the game starting at the same moment cannot overwrite one
    // that already holds a high score.
    const std::string temp = path + ".new" + std::to_string(::getpid());
    if (!ReplaceFileContents(temp, shipped)) return false;
    bool ok = ::link(temp.c_str(), path.c_str()) == 0 || errno == EEXIST;
    // A file system without hard links: a rename, once the name is still free.
    if (!ok && ::lstat(path.c_str(), &st) != 0) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    ::unlink(temp.c_str());
    return ok;
}
