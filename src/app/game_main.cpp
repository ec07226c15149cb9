#include "app/game_main.h"

#include <cstdio>

#include <ctime>
#include <utility>
#include <vector>

#include "app/carry_out.h"
#include "app/dev_options.h"
#include "app/game_recording.h"
#include "app/game_window.h"
#include "app/high_score_file.h"
#include "app/input_script.h"
#include "app/net_reach.h"
#include "app/net_session.h"
#include "app/pad_players.h"
#include "app/settings.h"
#include "app/trace_writer.h"
#include "app/turn.h"
#include "assets/milkshape_model.h"
#include "game/game_state.h"
#include "platform/gamepad.h"
#include "platform/message_box.h"
#include "platform/pacing.h"
#include "platform/screenshot.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "platform/turn_log.h"
#include "platform/virtual_keys.h"
#include "platform/window.h"

namespace {

struct FixedModel {
    Model* GameState::*slot;
    const char* file;
    GameBox failure;
};

// Loaded once at start-up; the mallet file serves both mallets. The logo plane is
// never drawn, yet it is part of the game's data like the others: an install that
// lacks it is refused at start-up instead of passing unnoticed.
constexpr FixedModel kFixedModels[] = {
    {&GameState::pPuk, "data/model/puk.ms3d", GameBox::PuckModelFailed},
    {&GameState::pSchiesser, "data/model/schiesser.ms3d", GameBox::MalletModelFailed},
    {&GameState::pGegner, "data/model/schiesser.ms3d", GameBox::MalletModelFailed},
    {&GameState::pKZMPlane, "data/model/kzmplane.ms3d", GameBox::PlaneModelFailed},
};

bool loadFixedModels(GameState& g) {
    for (const FixedModel& m : kFixedModels) {
        if (!(g.*m.slot)->loadModelData(m.file)) {
            ShowGameBox(m.failure);
            return false;
        }
    }
    return true;
}

class MainLoop {
public:
    MainLoop(GameState& g, const DevOptions& options, const InputScript& script)
        : g_(g), options_(options), script_(script) {}

    bool openTrace() {
        if (options_.traceFile.empty()) return true;
        if (!trace_.open(options_.traceFile)) return false;
        CurrentTurnLog().recordTexts = true;
        return true;
    }

    // A network session starts before the window opens. false: no port could be
    // opened or no session joined, and `error` says why; the game goes on alone.
    bool startNetwork(std::string& error) {
        if (options_.host) return host_.start(options_, error);
        if (options_.join) {
            DevOptions chosen = options_;  // --join alone: the one game the local network offers
            if (chosen.joinHost.empty() && !FindLanGame(chosen, error)) return false;
            return guest_.join(chosen, error);
        }
        return true;
    }
    bool isGuest() const { return guest_.inSession(); }
    void setStickDeadZone(int percent) { pads_.setStickDeadZone(percent); }

    // The game's start is complete (the high-score list read): recording and replay
    // begin from it. false: the record could not be written or read (`error` says why).
    bool startRecordAndReplay(std::string& error) {
        if (!options_.replayFile.empty()) {
            net::RecordStart start;
            if (!LoadRecord(options_.replayFile, start, replay_, error)) return false;
            net::ApplyRecordStart(start, g_);
            replaying_ = true;
        }
        if (!options_.recordFile.empty() && !recorder_.open(options_.recordFile, g_)) {
            error = "cannot write the record " + options_.recordFile;
            return false;
        }
        return true;
    }

    int run() {
        for (;;) {
            queueScriptedInput();
            WindowEvent event;
            if (HandleOneMessage(event)) {
                if (event.type == WindowEvent::Type::Close) {
                    ApplyInputMessages(g_, pending_);
                    return endProgram(/*killWindow=*/true, /*writeTurn=*/true);
                }
                if (event.type == WindowEvent::Type::Pads) pads_.collect(g_, pending_, ConnectedPads());
                InputMessage m;
                if (InputMessageOf(event, m)) pending_.players[0].messages.push_back(m);
                continue;
            }
            if (guest_.inSession()) {
                if (!guestTurn()) return 0;
                continue;
            }
            if (host_.awaitingFirstGuest()) {
                host_.service(kAwaitPollMs);
                continue;
            }
            if (!makeFrame()) return 0;
        }
    }

private:
    static constexpr int kAwaitPollMs = 10;

    // The scripted messages of a frame join the queue before that frame is made,
    // so the loop handles them one per turn, exactly like real input. A guest's
    // frames may move on by more than one: the frames passed over deliver theirs too.
    void queueScriptedInput() {
        if (queuedFrame_ >= frame_) return;
        for (auto pads = script_.padsByFrame.upper_bound(queuedFrame_);
             pads != script_.padsByFrame.end() && pads->first <= frame_; ++pads)
            for (const ScriptedPadAction& action : pads->second) ApplyScriptedPad(action);
        for (auto events = script_.byFrame.upper_bound(queuedFrame_);
             events != script_.byFrame.end() && events->first <= frame_; ++events)
            for (const ScriptedEvent& e : events->second) PostSyntheticMessage(e.message, e.a, e.b);
        queuedFrame_ = frame_;
    }

    void screenshot(long frame) {
        auto shot = options_.screenshots.find(frame);
        if (shot != options_.screenshots.end() && !SaveScreenshotPNG(shot->second.c_str()))
            std::fprintf(stderr, "puckslide3d: could not save screenshot %s\n", shot->second.c_str());
    }

    // A guest's turn in a session; false: the program has ended.
    bool guestTurn() {
        pads_.collect(g_, pending_, ConnectedPads());
        const FrameInput input = std::exchange(pending_, FrameInput{});
        const GuestTurn turn = guest_.turn(g_, input, pads_.directions(0), trace_, frame_);
        if (turn.quit) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        if (turn.drew) {
            screenshot(frame_ - 1);
            SwapGLBuffers();
        }
        if (!turn.ended && g_.keys[kKeyF1]) {
            g_.keys[kKeyF1] = false;
            g_.fullscreen = !g_.fullscreen;
            KillGLWindow();
            if (!OpenGameWindow(g_)) {
                endProgram(/*killWindow=*/false, /*writeTurn=*/false);
                return false;
            }
        }
        if (options_.frames >= 0 && frame_ >= options_.frames) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        return true;
    }

    // The frame's input: what arrived since the last frame, the held directions of
    // both players, the reseed value; or the recorded frame's.
    FrameInput takeInput() {
        if (replaying_) {
            pending_ = FrameInput{};  // the player watches: live input plays no part
            return replay_[static_cast<size_t>(frame_)].input;
        }
        FrameInput in = std::exchange(pending_, FrameInput{});
        in.players[0].held = pads_.directions(0);
        Directions& second = in.players[1].held;
        second = pads_.directions(1);
        const Directions guest = host_.guestDirections();
        second = {second.up || guest.up, second.left || guest.left, second.down || guest.down,
                  second.right || guest.right};
        in.player2Remote = host_.hasGuest();
        in.reseed = options_.seed ? *options_.seed : static_cast<uint32_t>(std::time(nullptr));
        return in;
    }

    // false: the program has ended.
    bool makeFrame() {
        if (replaying_ && static_cast<size_t>(frame_) >= replay_.size()) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        pads_.collect(g_, pending_, ConnectedPads());  // a new screen or seat gives a held stick its new meaning
        if (!options_.noPacing) host_.pacingWait(2.0f * static_cast<float>(g_.steps[g_.adjust]));
        const FrameInput input = takeInput();
        host_.beforeTurn(g_, frame_, input.reseed);

        Effects fx;
        WindowView view([this] {
            screenshot(frame_);
            SwapGLBuffers();
        });
        const TurnOutcome outcome = AdvanceFrame(g_, input, fx, view);
        recorder_.frame(input, g_);
        if (replaying_) checkReplayedState();
        const CarriedOut carried = CarryOut(g_, fx, /*writeHighScores=*/!replaying_);
        host_.afterTurn(CurrentTurnLog(), view.drawn());

        if (carried == CarriedOut::WindowLost) {
            endProgram(/*killWindow=*/false, /*writeTurn=*/true);
            return false;
        }
        if (outcome == TurnOutcome::Quit || carried == CarriedOut::Quit) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/true);
            return false;
        }
        finishTurn();
        ++frame_;
        if (options_.frames >= 0 && frame_ >= options_.frames) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        return true;
    }

    // A replay that leaves the recorded states says so once: the game it shows is no
    // longer the one that was played.
    void checkReplayedState() {
        if (replayDiverged_ || net::StateChecksum(g_) == replay_[static_cast<size_t>(frame_)].checksum) return;
        replayDiverged_ = true;
        std::fprintf(stderr, "puckslide3d: the replay left the recorded game at frame %ld\n", frame_);
    }

    void finishTurn() {
        if (trace_.isOpen()) trace_.writeFrame(frame_, g_, CurrentTurnLog());
        CurrentTurnLog().clear();
    }

    // The turn that ends the program still leaves its trace line. The window is
    // released so a switched display mode comes back even on the immediate exits.
    int endProgram(bool killWindow, bool writeTurn) {
        if (writeTurn && !guest_.inSession()) finishTurn();
        host_.close();
        guest_.close();
        if (killWindow) KillGLWindow();
        return 0;
    }

    GameState& g_;
    const DevOptions& options_;
    const InputScript& script_;
    TraceWriter trace_;
    FrameInput pending_;
    PadPlayers pads_;
    HostSession host_;
    GuestSession guest_;
    RecordWriter recorder_;
    std::vector<net::RecordedFrame> replay_;
    bool replaying_ = false;
    bool replayDiverged_ = false;
    long frame_ = 0;
    long queuedFrame_ = -1;
};

}  // namespace

int WinMain(const DevOptions& options) {
    GameState& g = g_game;
    SetMessageBoxesHeadless(options.noDialogs);
    const Settings settings = LoadSettings();
    SetRenderSize(settings.renderSize);

    InputScript script;
    std::string error;
    if (!options.scriptFile.empty() && !LoadInputScript(options.scriptFile, script, error)) {
        std::fprintf(stderr, "puckslide3d: %s\n", error.c_str());
        return 2;
    }

    g.pTable = new MilkshapeModel;
    g.pPuk = new MilkshapeModel;
    g.pSchiesser = new MilkshapeModel;
    g.pGegner = new MilkshapeModel;
    g.pKZMPlane = new MilkshapeModel;

    TimerInit();
    if (!loadFixedModels(g)) return 0;
    SoundInit();
    SetVolumes(settings.musicVolume, settings.effectsVolume);
    g.sound = settings.sound;
    g.bindings = settings.bindings;
    GamepadInit(PadMappingsFile(), /*scriptedOnly=*/!options.scriptFile.empty());

    g.fullscreen = false;
    if (options.fullscreen)
        g.fullscreen = *options.fullscreen;
    else if (settings.fullscreen != FullscreenChoice::Ask)
        g.fullscreen = settings.fullscreen == FullscreenChoice::Yes;
    else
        g.fullscreen = MessageBox("Start FullScreen?", "Would You Like To Run In Fullscreen Mode?",
                                  MbButtons::YesNo, MbIcon::Question) != MbResult::No;

    MainLoop loop(g, options, script);
    loop.setStickDeadZone(settings.stickDeadZone);
    if (!loop.openTrace()) {
        std::fprintf(stderr, "puckslide3d: cannot write trace %s\n", options.traceFile.c_str());
        return 2;
    }
    // The window first: a guest starts playing the moment it has joined, before the host
    // could take the time a new window takes for silence.
    if (!OpenGameWindow(g)) return 0;
    const bool networkStarted = loop.startNetwork(error);
    if (!networkStarted) {
        std::fprintf(stderr, "puckslide3d: %s; playing alone\n", error.c_str());
        MessageBox("Network", (error + ".").c_str(), MbButtons::Ok, MbIcon::Exclamation);
    }
    // A guest shows the host's list; its own is read when the session ends.
    if (!loop.isGuest()) ReadConfigFile(g);
    if (!loop.startRecordAndReplay(error)) {
        std::fprintf(stderr, "puckslide3d: %s\n", error.c_str());
        KillGLWindow();
        return 2;
    }
    return loop.run();
}
