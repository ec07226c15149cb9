#include "app/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr size_t kMaxLineLength = 200;
constexpr size_t kMaxFileBytes = 64 * 1024;
constexpr int kMinDeadZone = 5, kMaxDeadZone = 90;

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t") + 1 - first);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Text is what a text editor writes: no NUL or other control bytes but tab and line ends.
size_t firstNonTextByte(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return i;
    }
    return std::string::npos;
}

bool parsePercent(const std::string& value, int low, int high, int& out) {
    if (value.empty() || value.size() > 3) return false;
    for (char c : value)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const int n = std::atoi(value.c_str());
    if (n < low || n > high) return false;
    out = n;
    return true;
}

template <typename T>
struct Word {
    const char* word;
    T value;
};

template <typename T, size_t N>
bool parseWord(const std::string& value, const Word<T> (&words)[N], T& out) {
    for (const Word<T>& w : words)
        if (lower(value) == w.word) {
            out = w.value;
            return true;
        }
    return false;
}

constexpr Word<FullscreenChoice> kFullscreenWords[] = {
    {"ask", FullscreenChoice::Ask}, {"yes", FullscreenChoice::Yes}, {"no", FullscreenChoice::No}};
constexpr Word<bool> kOnOff[] = {{"on", true}, {"off", false}};
constexpr Word<RenderSize> kRenderSizeWords[] = {
    {"auto", RenderSize::Auto}, {"screen", RenderSize::Screen}, {"design", RenderSize::Design}};

// The steering keys: letters and digits, the way they are labelled on the player's keyboard.
// M, N and V keep their own meaning in play, so they steer nothing.
bool parseKey(const std::string& value, int& key) {
    if (value.size() != 1) return false;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
    if (!std::isalnum(static_cast<unsigned char>(c)) || c == 'M' || c == 'N' || c == 'V') return false;
    key = c;
    return true;
}

struct Binding {
    const char* name;
    int SteeringKeys::*key;
    bool nearMallet;
};
constexpr Binding kBindings[] = {
    {"near_up", &SteeringKeys::up, true},     {"near_down", &SteeringKeys::down, true},
    {"near_left", &SteeringKeys::left, true}, {"near_right", &SteeringKeys::right, true},
    {"far_up", &SteeringKeys::up, false},     {"far_down", &SteeringKeys::down, false},
    {"far_left", &SteeringKeys::left, false}, {"far_right", &SteeringKeys::right, false},
};
constexpr int kBindingCount = static_cast<int>(sizeof kBindings / sizeof kBindings[0]);

// Through a named reference: GCC 12 makes `(c ? x : y).*member` a copy, not x's or y's field.
int& boundKey(Settings& s, const Binding& b) {
    SteeringKeys& keys = b.nearMallet ? s.bindings.near : s.bindings.far;
    return keys.*b.key;
}
int keyOf(const Settings& s, const Binding& b) {
    const SteeringKeys& keys = b.nearMallet ? s.bindings.near : s.bindings.far;
    return keys.*b.key;
}

std::string keyName(int key) { return std::string(1, static_cast<char>(key)); }

// A host name or address, with a port from 1 to 65535 after a colon or none.
bool isHostAndPort(const std::string& value) {
    const size_t colon = value.rfind(':');
    const std::string host = value.substr(0, colon);
    if (host.empty() || host.find_first_of(" \t/") != std::string::npos) return false;
    if (colon == std::string::npos) return true;
    const std::string port = value.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
    const long n = std::stol(port);
    return n >= 1 && n <= 65535;
}

// One `name = value`; false with the reason when the line cannot be used.
bool applyLine(const std::string& name, const std::string& value, Settings& s, int bindingLine[], int lineNumber,
               std::string& why) {
    if (name == "fullscreen") {
        if (parseWord(value, kFullscreenWords, s.fullscreen)) return true;
        why = "fullscreen is ask, yes or no, not '" + value + "'";
    } else if (name == "sound") {
        if (parseWord(value, kOnOff, s.sound)) return true;
        why = "sound is on or off, not '" + value + "'";
    } else if (name == "rumble") {
        if (parseWord(value, kOnOff, s.rumble)) return true;
        why = "rumble is on or off, not '" + value + "'";
    } else if (name == "music_volume" || name == "effects_volume") {
        if (parsePercent(value, 0, 100, name == "music_volume" ? s.musicVolume : s.effectsVolume)) return true;
        why = name + " is a whole number from 0 to 100, not '" + value + "'";
    } else if (name == "render_size") {
        if (parseWord(value, kRenderSizeWords, s.renderSize)) return true;
        why = "render_size is auto, screen or design, not '" + value + "'";
    } else if (name == "rendezvous") {
        if (isHostAndPort(value)) {
            s.rendezvous = value;
            return true;
        }
        why = "rendezvous is HOST or HOST:PORT, not '" + value + "'";
    } else if (name == "world_scores") {
        if (IsWorldListUrl(value)) {
            s.worldScores = value;
            return true;
        }
        why = "world_scores is an http:// or https:// URL, not '" + value + "'";
    } else if (name == "stick_dead_zone") {
        if (parsePercent(value, kMinDeadZone, kMaxDeadZone, s.stickDeadZone)) return true;
        why = "stick_dead_zone is a whole number from " + std::to_string(kMinDeadZone) + " to " +
              std::to_string(kMaxDeadZone) + ", not '" + value + "'";
    } else {
        for (int i = 0; i < kBindingCount; ++i) {
            if (name != kBindings[i].name) continue;
            if (parseKey(value, boundKey(s, kBindings[i]))) {
                bindingLine[i] = lineNumber;
                return true;
            }
            why = name + " is a letter or a digit but M, N and V, not '" + value + "'";
            return false;
        }
        why = "unknown setting '" + name + "'";
        return false;
    }
    return false;
}

// A key bound twice steers two ways at once: the binding the file set last takes its
// default again, until no key is bound twice. Each round undoes a binding from the file,
// and the defaults differ from each other, so there are at most as many rounds as bindings.
void undoKeysBoundTwice(Settings& s, int bindingLine[], std::vector<SettingsProblem>& problems) {
    const Settings defaults;
    for (int round = 0; round < kBindingCount; ++round) {
        int undone = -1, other = -1;
        for (int a = 0; a < kBindingCount && undone < 0; ++a)
            for (int b = a + 1; b < kBindingCount && undone < 0; ++b)
                if (keyOf(s, kBindings[a]) == keyOf(s, kBindings[b]))
                    undone = bindingLine[a] > bindingLine[b] ? a : b, other = undone == a ? b : a;
        if (undone < 0) return;
        const int key = keyOf(defaults, kBindings[undone]);
        problems.push_back({bindingLine[undone], "key " + keyName(keyOf(s, kBindings[undone])) + " is bound twice (also " +
                                                     kBindings[other].name + "); " + kBindings[undone].name + " stays " +
                                                     keyName(key)});
        boundKey(s, kBindings[undone]) = key;
        bindingLine[undone] = 0;
    }
}

}  // namespace

bool IsWorldListUrl(const std::string& s) {
    const size_t scheme = s.rfind("https://", 0) == 0 ? 8 : s.rfind("http://", 0) == 0 ? 7 : 0;
    return scheme && s.size() > scheme && s[scheme] != '/' && s.size() < 2048 &&
           s.find_first_of(" \t\r\n\"<>\\") == std::string::npos;
}

void ParseSettings(const std::string& text, Settings& settings, std::vector<SettingsProblem>& problems) {
    const size_t bad = firstNonTextByte(text);
    if (bad != std::string::npos) {
        const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(bad), '\n'));
        problems.push_back({line, "not a text file (a control byte); every setting keeps its default"});
        return;
    }
    if (text.size() > kMaxFileBytes) {
        problems.push_back({1, "larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB; every setting keeps its default"});
        return;
    }
    int bindingLine[kBindingCount] = {};
    int lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        if (line.size() > kMaxLineLength) {
            problems.push_back({lineNumber, "line longer than " + std::to_string(kMaxLineLength) + " characters; ignored"});
            continue;
        }
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (trimmed(line).empty()) continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            problems.push_back({lineNumber, "'" + trimmed(line) + "' is not of the form name = value; ignored"});
            continue;
        }
        const std::string name = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
        std::string why;
        if (!applyLine(name, value, settings, bindingLine, lineNumber, why))
            problems.push_back({lineNumber, why + "; ignored"});
    }
    undoKeysBoundTwice(settings, bindingLine, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const SettingsProblem& a, const SettingsProblem& b) { return a.line < b.line; });
}

std::string SettingsFilePath(const char* xdgConfigHome, const char* home) {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG base directory rules say.
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        base = xdgConfigHome;
    else if (home && home[0] != '\0')
        base = std::string(home) + "/.config";
    else
        return "";
    return base + "/puckslide3d/settings.conf";
}

Settings LoadSettings() {
    Settings settings;
    const std::string path = SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) return settings;  // no file: the defaults
    std::string text;
    text.resize(kMaxFileBytes + 1);
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    std::vector<SettingsProblem> problems;
    if (in.bad()) problems.push_back({1, "cannot be read; every setting keeps its default"});
    else ParseSettings(text, settings, problems);
    for (const SettingsProblem& p : problems)
        std::fprintf(stderr, "puckslide3d: %s:%d: %s\n", path.c_str(), p.line, p.text.c_str());
    return settings;
}
