// Any bytes as the settings file: every value the reader keeps is one the game can use,
// no key steers two ways, and every problem names a line of the text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Settings s;
    std::vector<SettingsProblem> problems;
    ParseSettings(text, s, problems);
    if (s.musicVolume < 0 || s.musicVolume > 100 || s.effectsVolume < 0 || s.effectsVolume > 100 ||
        s.stickDeadZone < 5 || s.stickDeadZone > 90)
        std::abort();
    const int keys[] = {s.bindings.near.up, s.bindings.near.down, s.bindings.near.left, s.bindings.near.right,
                        s.bindings.far.up,  s.bindings.far.down,  s.bindings.far.left,  s.bindings.far.right};
    for (int a = 0; a < 8; ++a) {
        if (!((keys[a] >= 'A' && keys[a] <= 'Z') || (keys[a] >= '0' && keys[a] <= '9'))) std::abort();
        for (int b = a + 1; b < 8; ++b)
            if (keys[a] == keys[b]) std::abort();
    }
    const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    for (const SettingsProblem& p : problems)
        if (p.line < 1 || p.line > lines || p.text.empty()) std::abort();
    return 0;
}
