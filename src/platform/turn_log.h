// What happened during one main-loop turn that a trace line reports: effects
// played, music commands sent, pads rumbled, texts printed and message boxes shown.
#pragma once

#include <string>
#include <vector>

struct PrintedText {
    std::string s;
    float x = 0, y = 0;        // window coordinates, origin top-left, of the print position
    float rgba[4] = {0, 0, 0, 0};
};

struct ShownBox {
    std::string caption;
    std::string text;
    int id = -1;  // the game's identifier of the box, -1 for one of the platform's own
};

struct TurnLog {
    bool recordTexts = false;  // projecting every print costs GL reads: only when tracing
    std::vector<std::string> sounds;
    std::vector<std::string> music;
    std::vector<std::string> rumble;  // what scripted pads were asked for
    std::vector<PrintedText> texts;
    std::vector<ShownBox> boxes;

    void clear() {
        sounds.clear();
        music.clear();
        rumble.clear();
        texts.clear();
        boxes.clear();
    }
};

TurnLog& CurrentTurnLog();
