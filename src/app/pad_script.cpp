#include "app/pad_script.h"

#include <cerrno>
#include <cstdlib>

namespace {

// SDL's names, in PadButton and PadAxis order.
constexpr const char* kButtonNames[kPadButtonCount] = {
    "a", "b", "x", "y", "back", "guide", "start", "leftstick", "rightstick",
    "leftshoulder", "rightshoulder", "dpup", "dpdown", "dpleft", "dpright"};
constexpr const char* kAxisNames[kPadAxisCount] = {"leftx", "lefty", "rightx", "righty", "triggerleft", "triggerright"};

template <size_t N>
int indexOf(const char* const (&names)[N], const std::string& name) {
    for (size_t i = 0; i < N; ++i)
        if (name == names[i]) return static_cast<int>(i);
    return -1;
}

bool axisValue(const std::string& word, int& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -32768 || v > 32767) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

bool ParsePadEvent(const std::vector<std::string>& w, ScriptedPadAction& action, std::string& why) {
    using Kind = ScriptedPadAction::Kind;
    if (w.size() < 4 || (w[2] != "1" && w[2] != "2")) {
        why = "pad takes a pad number 1 or 2 and an event";
        return false;
    }
    action = ScriptedPadAction{};
    action.pad = w[2][0] - '0';
    const std::string& event = w[3];
    if ((event == "add" || event == "remove") && w.size() == 4) {
        action.kind = event == "add" ? Kind::Add : Kind::Remove;
        return true;
    }
    if (event == "button" && w.size() == 6 && (w[5] == "down" || w[5] == "up")) {
        action.kind = Kind::Button;
        action.control = indexOf(kButtonNames, w[4]);
        action.value = w[5] == "down";
        if (action.control >= 0) return true;
        why = "unknown pad button '" + w[4] + "'";
        return false;
    }
    if (event == "axis" && w.size() == 6) {
        action.kind = Kind::Axis;
        action.control = indexOf(kAxisNames, w[4]);
        if (action.control >= 0 && axisValue(w[5], action.value)) return true;
        why = "pad axis takes a NAME and a VALUE from -32768 to 32767";
        return false;
    }
    why = "pad N takes add, remove, button NAME down|up or axis NAME VALUE";
    return false;
}
