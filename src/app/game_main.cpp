#include "app/game_main.h"

#include <cstdio>

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

#include "app/carry_out.h"
#include "app/game_boxes.h"
#include "app/dev_options.h"
#include "app/game_recording.h"
#include "app/game_window.h"
#include "app/guest_return.h"
#include "app/high_score_file.h"
#include "app/input_script.h"
#include "app/net_reach.h"
#include "app/net_session.h"
#include "app/pad_players.h"
#include "game/players.h"
#include "app/settings.h"
#include "app/trace_writer.h"
#include "game/turn.h"
#include "assets/milkshape_model.h"
#include "game/game_state.h"
#include "render/window_view.h"
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
        if (options_.injectDesync >= 0) session_.injectDesyncAt(options_.injectDesync);
        if (options_.host) return session_.host(options_, error);
        if (options_.join) {
            DevOptions chosen = options_;  // --join alone: the one game the local network offers
            if (chosen.joinHost.empty() && !FindLanGame(chosen, error)) return false;
            ownFullscreen_ = g_.fullscreen;  // the window is the guest's own; the game becomes the host's
            if (!session_.join(chosen, g_, error)) return false;
        }
        return true;
    }
    bool isGuest() const { return session_.isGuest() && session_.playing(); }
    void setStickDeadZone(int percent) { pads_.setStickDeadZone(percent); }
    // A guest plays the game's sounds only if its own settings let it.
    void setOwnSound(bool on) { ownSound_ = on; }

    // The game's start is complete (the high-score list read): recording and replay
    // begin from it. false: the record could not be written or read (`error` says why).
    bool startRecordAndReplay(std::string& error) {
        if (!options_.replayFile.empty()) {
            net::RecordStart start;
            if (!LoadRecord(options_.replayFile, start, replay_, error)) return false;
            if (!net::ApplyRecordStart(start, g_)) {
                error = options_.replayFile + ": its game's start is damaged";
                return false;
            }
            replaying_ = true;
        }
        // A guest's record starts from the host's game as it joined.
        if (!options_.recordFile.empty() && !recorder_.open(options_.recordFile, g_, isGuest())) {
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
                    if (!isGuest()) ApplyInputMessages(g_, pending_);
                    return endProgram(/*killWindow=*/true, /*writeTurn=*/!isGuest());
                }
                if (event.type == WindowEvent::Type::Pads) pads_.collect(g_, pending_, ConnectedPads());
                InputMessage m;
                if (InputMessageOf(event, m)) {
                    if (isGuest())
                        ownInput(m);
                    else
                        pending_.players[0].messages.push_back(m);
                }
                continue;
            }
            if (session_.awaitingFirstGuest()) {
                session_.service(kAwaitPollMs, g_, static_cast<uint32_t>(frame_), reseed(), fixedReseed());
                continue;
            }
            if (!makeFrame()) return 0;
        }
    }

private:
    static constexpr int kAwaitPollMs = 10;
    // A side that may not run ahead looks at the network this often.
    static constexpr int kStallPollMs = 1;

    uint32_t reseed() const { return options_.seed ? *options_.seed : static_cast<uint32_t>(std::time(nullptr)); }
    bool fixedReseed() const { return options_.seed.has_value(); }

    // The scripted messages of a frame join the queue before that frame is made,
    // so the loop handles them one per turn, exactly like real input.
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

    // A guest's own keys and window: its keys become its player's directions, Esc
    // leaves, F1 is its own window's; none of them enters the host's game.
    void ownInput(const InputMessage& m) {
        switch (m.kind) {
            case InputMessage::Kind::KeyDown: ownKeys_.press(ownKeyTable_, KeySource::Keyboard, m.key); break;
            case InputMessage::Kind::KeyUp: ownKeys_.release(ownKeyTable_, KeySource::Keyboard, m.key); break;
            case InputMessage::Kind::Activity: ownActive_ = m.x != 0; break;
            case InputMessage::Kind::MouseMove: break;
        }
    }

    // The frame's input: what arrived since the last frame and both players' held
    // directions; or the recorded frame's.
    FrameInput takeInput() {
        if (replaying_) {
            pending_ = FrameInput{};  // the player watches: live input plays no part
            return replay_[static_cast<size_t>(frame_)].input;
        }
        FrameInput in = std::exchange(pending_, FrameInput{});
        for (int p = 0; p < kPlayerCount; ++p) in.players[p].held = pads_.directions(p);
        in.reseed = reseed();
        return in;
    }

    // false: the program has ended.
    bool makeFrame() {
        if (replaying_ && static_cast<size_t>(frame_) >= replay_.size()) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        pads_.collect(g_, pending_, ConnectedPads());  // a new screen or seat gives a held stick its new meaning
        const float paced = 2.0f * static_cast<float>(g_.steps[g_.adjust]);
        if (!options_.noPacing) session_.pacingWait(paced, g_, static_cast<uint32_t>(frame_), reseed(), fixedReseed());
        else session_.service(0, g_, static_cast<uint32_t>(frame_), reseed(), fixedReseed());
        std::string why;
        if (session_.ended(why) && !sessionEnded(why)) return false;
        if (session_.playing()) return sessionFrame(paced);
        writeConfirmed();  // the last frames of a session that has just ended

        const FrameInput input = takeInput();
        Effects fx;
        WindowView view([this] {
            screenshot(frame_);
            SwapGLBuffers();
        });
        const TurnOutcome outcome = AdvanceFrame(g_, input, fx, view);
        recorder_.frame(input, g_);
        if (replaying_) checkReplayedState();
        const CarriedOut carried = CarryOut(g_, fx, /*writeHighScores=*/!replaying_, /*newWindows=*/true);
        return afterTurn(outcome, carried, /*traced=*/true);
    }

    // A frame of a network session, on either side.
    bool sessionFrame(float pacedMs) {
        const int rerun = session_.catchUp(g_);
        CarryOut(g_, session_.takeLateEffects(), /*writeHighScores=*/false, /*newWindows=*/false);
        writeConfirmed();
        if (!session_.mayAdvance()) {
            ++waits_;
            session_.service(kStallPollMs, g_, static_cast<uint32_t>(frame_), reseed(), fixedReseed());
            session_.keepTalking(pacedMs);
            return true;
        }
        const bool guest = session_.isGuest();
        if (guest && ownKeyTable_[kKeyEscape]) {
            ownKeyTable_[kKeyEscape] = false;  // taken, or the menu of its own game would act on it
            session_.leave();
            return true;
        }
        if (guest && ownKeyTable_[kKeyF1]) {  // the guest's own window
            ownKeyTable_[kKeyF1] = false;
            KillGLWindow();
            if (!OpenGameWindow(g_, ownFullscreen_)) return endProgram(/*killWindow=*/false, /*writeTurn=*/false), false;
        }
        PlayerInput local;
        if (guest) {
            const Directions keys = NearKeyDirections(g_, ownKeys_.held(KeySource::Keyboard));
            const Directions pad = pads_.directions(0);
            local.held = {keys.up || pad.up, keys.left || pad.left, keys.down || pad.down, keys.right || pad.right};
            pending_ = FrameInput{};
        } else {
            local = takeInput().players[0];
            // A second pad at the host is Player2 too: the guest's directions come through the network.
            local.held = pads_.directions(0);
        }
        const FrameInput input = session_.nextInput(local);
        if (!models_.follow(g_)) return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;

        Effects fx;
        WindowView drawing([this] {
            screenshot(frame_);
            SwapGLBuffers();
        });
        FrameView hidden;  // a guest's minimised window draws nothing
        FrameView& view = guest && !ownActive_ ? hidden : static_cast<FrameView&>(drawing);
        const TurnOutcome outcome = AdvanceFrame(g_, input, fx, view);
        if (guest && !ownSound_)  // the host's sound flag is the game's; the speakers are the guest's
            fx.erase(std::remove_if(fx.begin(), fx.end(), [](const Effect& e) {
                         return e.kind == Effect::Kind::Sound || e.kind == Effect::Kind::PlayMusic;
                     }), fx.end());
        const CarriedOut carried = CarryOut(g_, fx, /*writeHighScores=*/!guest, /*newWindows=*/!guest);
        LiveFrame live;
        live.ownFrame = frame_;
        live.drawn = &view == &drawing && drawing.drawn();
        live.shown = drawing.shown();
        live.rollback = rerun;
        live.waits = std::exchange(waits_, 0);
        live.madeAtMs = MachineClockMs();
        live.log = CurrentTurnLog();
        session_.advanced(std::move(live));
        CurrentTurnLog().clear();
        writeConfirmed();
        // The host's quit ends the session for the guest by the host's leaving.
        return afterTurn(guest ? TurnOutcome::Continue : outcome, carried, /*traced=*/false);
    }

    // The end of a turn: the program may end; the trace line; the frame count.
    bool afterTurn(TurnOutcome outcome, CarriedOut carried, bool traced) {
        if (carried == CarriedOut::WindowLost) return endProgram(/*killWindow=*/false, /*writeTurn=*/traced), false;
        if (outcome == TurnOutcome::Quit || carried == CarriedOut::Quit)
            return endProgram(/*killWindow=*/true, /*writeTurn=*/traced), false;
        if (traced) finishTurn();
        ++frame_;
        if (options_.frames >= 0 && frame_ >= options_.frames) return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;
        return true;
    }

    // The session is over: the host plays on alone; the guest returns to its own game.
    bool sessionEnded(const std::string& why) {
        writeConfirmed();
        if (!session_.isGuest()) return true;
        recorder_.close();  // the guest's own game was not part of the session it recorded
        session_.close();
        if (!ReturnToOwnGame(g_, models_, ownFullscreen_, why)) return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;
        ownKeys_ = KeyMerge{};
        return true;
    }

    // The trace and the record of the frames both sides' records are known for.
    void writeConfirmed() {
        for (ConfirmedFrame& c : session_.takeConfirmed()) {
            recorder_.frame(c.input, c.after);
            if (!trace_.isOpen()) continue;
            GameState shown = c.after;
            const bool guest = session_.isGuest();
            if (guest) shown.fullscreen = ownFullscreen_, shown.active = ownActive_;
            std::string line = TraceLine(guest ? c.live.ownFrame : static_cast<long>(c.frame), shown, c.live.log);
            const ShownPositions& p = c.live.shown;
            char extra[512];
            std::snprintf(extra, sizeof extra,
                          "%s\"confirmed\":%s,\"drawn\":%s,\"rollback\":%d,\"waits\":%d,\"made_ms\":%.1f,\"desyncs\":%d,"
                          "\"shown\":{\"x\":%.9g,\"z\":%.9g,\"schiesser_x\":%.9g,\"schiesser_z\":%.9g,\"gegner_x\":%.9g,"
                          "\"gegner_z\":%.9g},",
                          guest ? ("\"host_frame\":" + std::to_string(c.frame) + ",").c_str() : "",
                          c.confirmed ? "true" : "false", c.live.drawn ? "true" : "false", c.live.rollback, c.live.waits,
                          c.live.madeAtMs, c.desyncs, p.x, p.z, p.schiesser_x, p.schiesser_z, p.gegner_x, p.gegner_z);
            line.insert(line.find(',') + 1, extra);
            trace_.writeLine(line);
        }
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
        if (writeTurn) finishTurn();
        session_.close();
        writeConfirmed();
        if (killWindow) KillGLWindow();
        return 0;
    }

    GameState& g_;
    const DevOptions& options_;
    const InputScript& script_;
    TraceWriter trace_;
    FrameInput pending_;
    PadPlayers pads_;
    NetSession session_;
    LoadedModels models_;
    KeyMerge ownKeys_;  // a guest's own keyboard, apart from the host's game
    KeyTable ownKeyTable_ = {};
    bool ownActive_ = true, ownFullscreen_ = false, ownSound_ = true;
    RecordWriter recorder_;
    std::vector<net::RecordedFrame> replay_;
    bool replaying_ = false;
    bool replayDiverged_ = false;
    long frame_ = 0;
    long queuedFrame_ = -1;
    int waits_ = 0;  // loop turns the next frame of a session has waited for the other side
};

}  // namespace

int WinMain(const DevOptions& options) {
    GameState g;  // the running game's one state
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
    loop.setOwnSound(settings.sound);
    if (!loop.openTrace()) {
        std::fprintf(stderr, "puckslide3d: cannot write trace %s\n", options.traceFile.c_str());
        return 2;
    }
    // The window first: a guest starts playing the moment it has joined, before the host
    // could take the time a new window takes for silence.
    if (!OpenGameWindow(g, g.fullscreen)) return 0;
    const bool networkStarted = loop.startNetwork(error);
    if (!networkStarted) {
        std::fprintf(stderr, "puckslide3d: %s; playing alone\n", error.c_str());
        MessageBox("Network", (error + ".").c_str(), MbButtons::Ok, MbIcon::Exclamation);
    }
    // A guest shows the host's list; its own is read when the session ends.
    if (!loop.isGuest() && !ReadConfigFile(g)) ShowGameBox(GameBox::ConfigOpenFailed);
    if (!loop.startRecordAndReplay(error)) {
        std::fprintf(stderr, "puckslide3d: %s\n", error.c_str());
        KillGLWindow();
        return 2;
    }
    const int result = loop.run();
    SoundShutdown();
    return result;
}
