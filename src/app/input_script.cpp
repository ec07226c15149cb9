#include "app/input_script.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/pad_script.h"
#include "platform/virtual_keys.h"

namespace {

bool parseNumber(const std::string& word, long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(word.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

struct NamedKey {
    const char* name;
    int code;
};

constexpr NamedKey kNamedKeys[] = {
    {"ESC", kKeyEscape}, {"ENTER", kKeyEnter}, {"SPACE", kKeySpace}, {"BACK", kKeyBackspace},
    {"UP", kKeyUp}, {"DOWN", kKeyDown}, {"LEFT", kKeyLeft}, {"RIGHT", kKeyRight},
    {"PGUP", kKeyPageUp}, {"PGDN", kKeyPageDown}, {"SHIFT", kKeyShift}, {"CTRL", kKeyCtrl},
};

}  // namespace

int KeyCodeFromName(const std::string& name) {
    for (const NamedKey& key : kNamedKeys)
        if (name == key.name) return key.code;
    if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
        return name[0];
    if (name.size() >= 2 && name[0] == 'F') {
        long n = 0;
        if (parseNumber(name.substr(1), n) && n >= 1 && n <= 12) return static_cast<int>(kKeyF1 - 1 + n);
    }
    long code = 0;
    if (parseNumber(name, code) && code >= 0 && code <= 255) return static_cast<int>(code);
    return -1;
}

bool ParseInputScript(const std::string& text, InputScript& script, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;

        auto fail = [&](const std::string& why) {
            error = "script line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        long frame = 0;
        if (!parseNumber(w[0], frame) || frame < 0) return fail("frame number expected, got '" + w[0] + "'");
        if (w.size() < 2) return fail("event expected");
        const std::string& event = w[1];
        auto& events = script.byFrame[frame];

        if (event == "down" || event == "up" || event == "tap") {
            if (w.size() != 3) return fail(event + " takes one key");
            const int code = KeyCodeFromName(w[2]);
            if (code < 0) return fail("unknown key '" + w[2] + "'");
            if (event == "up") {
                events.push_back({SyntheticMessage::KeyUp, code, 0});
            } else {
                events.push_back({SyntheticMessage::KeyDown, code, 0});
                if (event == "tap") script.byFrame[frame + 1].push_back({SyntheticMessage::KeyUp, code, 0});
            }
        } else if (event == "mouse" || event == "click") {
            long x = 0, y = 0;
            if (w.size() != 4 || !parseNumber(w[2], x) || !parseNumber(w[3], y) || x < 0 || y < 0 ||
                x > 65535 || y > 65535)
                return fail(event + " takes X Y in client pixels");
            events.push_back({event == "mouse" ? SyntheticMessage::MouseMove : SyntheticMessage::MouseDown,
                              static_cast<int>(x), static_cast<int>(y)});
        } else if (event == "close" || event == "minimize" || event == "restore") {
            if (w.size() != 2) return fail(event + " takes no arguments");
            events.push_back({event == "close"      ? SyntheticMessage::Close
                              : event == "minimize" ? SyntheticMessage::Minimize
                                                    : SyntheticMessage::Restore,
                              0, 0});
        } else if (event == "pad") {
            ScriptedPadAction action;
            std::string why;
            if (!ParsePadEvent(w, action, why)) return fail(why);
            script.padsByFrame[frame].push_back(action);
        } else {
            return fail("unknown event '" + event + "'");
        }
    }
    return true;
}

bool LoadInputScript(const std::string& path, InputScript& script, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read script " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseInputScript(text.str(), script, error);
}
