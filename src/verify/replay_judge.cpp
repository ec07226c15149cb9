#include "verify/replay_judge.h"

#include <cstdio>

#include "game/game_state.h"
#include "game/screen_numbers.h"

namespace verify {

namespace {

constexpr unsigned kComputerSwitch = 1;
constexpr unsigned kTableSwitch = 2;
constexpr int kFinalRound = 3;  // the multiplayer ladder's final, played by the two humans
constexpr int kListSize = 10;

// As menu_flow.cpp sets it: on for every match but the multiplayer final.
bool designedComputer(const GameState& g, bool multiplayer) { return !multiplayer || g.m_round < kFinalRound; }

bool asked(const Effects& fx, Effect::Kind kind) {
    for (const Effect& e : fx)
        if (e.kind == kind) return true;
    return false;
}

bool listHolds(const GameState& g, const std::string& name, int score) {
    for (int i = 0; i < kListSize; ++i)
        if (g.HSname[i] == name && g.hsscore[i] == score) return true;
    return false;
}

void jsonString(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7e) {  // any other byte as the code point of its Latin-1 reading
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace

ReplayJudge::ReplayJudge(const GameState& start)
    : namesProvable_(start.menu && start.a_round == 1 && start.m_round == 1 && start.player1_turn &&
                     start.pl1_final_score == 0 && start.pl2_final_score == 0) {}

ReplayJudge::Ladder ReplayJudge::ladderOf(int screen) {
    if (screen == Screen::Singleplayer || screen == Screen::SingleplayerRepeat) return kSingle;
    if (screen == Screen::Multiplayer || screen == Screen::MultiplayerRepeat) return kMulti;
    return kNoLadder;
}

void ReplayJudge::before(const GameState& g) {
    menuBefore_ = g.menu;
    screenBefore_ = g.hauptmenu_nr;
    takeTableBefore_ = g.take_table;
}

void ReplayJudge::after(const GameState& g, const Effects& fx, TurnOutcome outcome, uint32_t recordedChecksum) {
    if (leftAt_ < 0 && net::StateChecksum(g) != recordedChecksum) leftAt_ = frame_;
    if (outcome == TurnOutcome::Quit && quitAt_ < 0) quitAt_ = frame_;
    watchLadders(g, fx);
    ++frame_;
}

void ReplayJudge::watchLadders(const GameState& g, const Effects& fx) {
    const Ladder was = ladderOf(screenBefore_);
    const Ladder now = ladderOf(g.hauptmenu_nr);
    if (menuBefore_ && !g.menu && now != kNoLadder && firstMatch_[now] < 0) firstMatch_[now] = frame_;
    if (!menuBefore_ && was != kNoLadder) {
        // Only a key changes these in play: the computer's switch, and a table the match did not draw.
        if (!g.menu && g.artif_int != designedComputer(g, was == kMulti)) switches_[was] |= kComputerSwitch;
        if (asked(fx, Effect::Kind::LoadTable) && (takeTableBefore_ == 0 || g.table != takeTableBefore_))
            switches_[was] |= kTableSwitch;
    }
    if (was != kNoLadder && g.hauptmenu_nr == Screen::NameEntry) naming_ = was;
    if (screenBefore_ != Screen::NameEntry || !asked(fx, Effect::Kind::WriteHighScores)) return;
    if (namesProvable_ && naming_ != kNoLadder && firstMatch_[naming_] >= 0 && listHolds(g, g.HS, g.HSfinalscore)) {
        LadderEntry e;
        e.multiplayer = naming_ == kMulti;
        e.name = g.HS;
        e.score = g.HSfinalscore;
        e.frame = frame_;
        e.ladderFrames = frame_ - firstMatch_[naming_];
        if (switches_[naming_] & kComputerSwitch) e.switches.push_back("computer");
        if (switches_[naming_] & kTableSwitch) e.switches.push_back("table");
        entry_ = std::move(e);
    }
    naming_ = kNoLadder;
}

bool ReplayJudge::done(size_t recordFrames) const {
    return quitAt_ >= 0 || static_cast<size_t>(frame_) >= recordFrames;
}

Verdict ReplayJudge::verdict(size_t recordFrames) const {
    Verdict v;
    v.frames = static_cast<long>(recordFrames);
    v.kind = Verdict::Kind::Refused;
    if (leftAt_ >= 0) {
        v.reason = "the replay left the recorded game at frame " + std::to_string(leftAt_);
    } else if (quitAt_ >= 0 && static_cast<size_t>(quitAt_) + 1 < recordFrames) {
        v.reason = "the game ended at frame " + std::to_string(quitAt_) + ", before the end of the record";
    } else {
        v.kind = Verdict::Kind::Proven;
        v.entry = entry_;
    }
    return v;
}

std::string VerdictJson(const Verdict& v) {
    const bool proven = v.kind == Verdict::Kind::Proven;
    std::string out = std::string("{\"verdict\": \"") + (proven ? "proven" : "refused") + "\", \"frames\": " +
                      std::to_string(v.frames);
    if (!proven) {
        out += ", \"reason\": ";
        jsonString(out, v.reason);
    } else if (!v.entry) {
        out += ", \"entry\": null";
    } else {
        const LadderEntry& e = *v.entry;
        out += std::string(", \"entry\": {\"ladder\": \"") + (e.multiplayer ? "multi" : "single") + "\", \"name\": ";
        jsonString(out, e.name);
        out += ", \"score\": " + std::to_string(e.score) + ", \"frame\": " + std::to_string(e.frame) +
               ", \"ladder_frames\": " + std::to_string(e.ladderFrames) + ", \"switches\": [";
        for (size_t i = 0; i < e.switches.size(); ++i) {
            if (i) out += ", ";
            jsonString(out, e.switches[i]);
        }
        out += "]}";
    }
    return out + "}";
}

}  // namespace verify
