// The main loop: each turn handles one waiting window message or makes one frame, alone
// or in a network session, and ends the program when the game or the player says so.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/carry_out.h"
#include "app/game_recording.h"
#include "app/input_script.h"
#include "app/loaded_models.h"
#include "app/pad_players.h"
#include "app/trace_writer.h"
#include "app/world_list.h"
#include "game/frame_input.h"
#include "game/turn.h"
#include "net/game_record.h"
#include "session/net_session.h"
#include "verify/replay_judge.h"

struct DevOptions;
struct GameState;

class MainLoop {
public:
    MainLoop(GameState& g, const DevOptions& options, const InputScript& script)
        : g_(g), options_(options), script_(script) {}

    // false: the trace file could not be opened.
    bool openTrace();
    // A network session starts before the window opens. false: no port could be
    // opened or no session joined, and `error` says why; the game goes on alone.
    bool startNetwork(const OwnSettings& own, const std::string& rendezvousSetting, std::string& error);
    bool isGuest() const { return session_.isGuest() && session_.playing(); }
    void setStickDeadZone(int percent) { pads_.setStickDeadZone(percent); }
    void setRumble(bool on) { rumble_ = on; }
    // The game's start is complete (the high-score list read): recording and replay
    // begin from it. false: the record could not be written or read (`error` says why).
    bool startRecordAndReplay(std::string& error);
    // The world list the ladders' records go to, from now on; empty: none.
    void startWorldList(const std::string& url);
    int run();

private:
    JoinPoint joinPoint() const;
    void queueScriptedInput();
    void screenshot(long frame);
    FrameInput takeInput();
    RumblePads rumblePads() const;
    bool makeFrame();
    bool sessionFrame(float pacedMs);
    bool afterTurn(TurnOutcome outcome, CarriedOut carried, bool traced);
    bool sessionEnded(const std::string& why);
    void writeConfirmed();
    void judgeReplayedFrame(TurnOutcome outcome, const Effects& fx);
    void finishTurn();
    int endProgram(bool killWindow, bool writeTurn);

    GameState& g_;
    const DevOptions& options_;
    const InputScript& script_;
    TraceWriter trace_;
    FrameInput pending_;
    PadPlayers pads_;
    NetSession session_;
    LoadedModels models_;
    RecordWriter recorder_;
    WorldList world_;
    std::vector<net::RecordedFrame> replay_;
    bool replaying_ = false;
    std::optional<verify::ReplayJudge> judge_;
    bool rumble_ = true;
    long frame_ = 0;
    long queuedFrame_ = -1;
};
