#include "app/game_main.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/high_score_file.h"
#include "app/controls.h"
#include "app/dev_options.h"
#include "app/game_window.h"
#include "app/input_script.h"
#include "app/key_merge.h"
#include "app/menu_flow.h"
#include "app/net_session.h"
#include "app/pad_players.h"
#include "app/scene_switch.h"
#include "app/settings.h"
#include "app/trace_writer.h"
#include "assets/milkshape_model.h"
#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/table_setup.h"
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
    const char* failure;
};

// Loaded once at start-up; the mallet file serves both mallets. The logo plane is
// never drawn, yet it is part of the game's data like the others: an install that
// lacks it is refused at start-up instead of passing unnoticed.
constexpr FixedModel kFixedModels[] = {
    {&GameState::pPuk, "data/model/puk.ms3d", "Couldn't load the model data\\puk.ms3d"},
    {&GameState::pSchiesser, "data/model/schiesser.ms3d", "Couldn't load the model data\\Schiesser.ms3d"},
    {&GameState::pGegner, "data/model/schiesser.ms3d", "Couldn't load the model data\\Schiesser.ms3d"},
    {&GameState::pKZMPlane, "data/model/kzmplane.ms3d", "Couldn't load the model data\\kzmplane.ms3d"},
};

bool loadFixedModels(GameState& g) {
    for (const FixedModel& m : kFixedModels) {
        if (!(g.*m.slot)->loadModelData(m.file)) {
            MessageBox("Error", m.failure, MbButtons::Ok, MbIcon::Stop);
            return false;
        }
    }
    return true;
}

// The per-turn steps after the frame: menus while a screen is shown, else match end,
// play keys and table set-up, each of which may end the turn.
TurnOutcome inputAndMenuStep(GameState& g) {
    if (g.menu) return MenuStep(g);
    TurnOutcome outcome = MatchEndTest(g);
    if (outcome == TurnOutcome::Continue) outcome = PlayKeysStep(g);
    if (outcome == TurnOutcome::Continue) outcome = TableStep(g);
    return outcome;
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
        if (!options_.joinHost.empty()) return guest_.join(options_, error);
        return true;
    }
    bool isGuest() const { return guest_.inSession(); }
    void setStickDeadZone(int percent) { pads_.setStickDeadZone(percent); }

    int run() {
        for (;;) {
            queueScriptedInput();
            WindowEvent event;
            if (HandleOneMessage(event)) {
                if (event.type == WindowEvent::Type::Pads) pads_.apply(g_, keys_, ConnectedPads());
                if (ApplyWindowEvent(g_, keys_, event)) return endProgram(/*killWindow=*/true, /*writeTurn=*/true);
                continue;
            }
            if (guest_.inSession()) {
                if (!guestTurn()) return 0;
                continue;
            }
            if (host_.awaitingFirstGuest()) {
                host_.service(g_, keys_, kAwaitPollMs);
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
        pads_.apply(g_, keys_, ConnectedPads());
        const GuestTurn turn = guest_.turn(g_, keys_, pads_.player1Directions(), trace_, frame_);
        if (turn.quit) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        if (turn.drew) {
            screenshot(frame_ - 1);
            SwapGLBuffers();
        }
        if (!turn.ended && !fullscreenToggle()) {
            endProgram(/*killWindow=*/false, /*writeTurn=*/false);
            return false;
        }
        if (options_.frames >= 0 && frame_ >= options_.frames) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        return true;
    }

    // false: the program has ended.
    bool makeFrame() {
        pads_.apply(g_, keys_, ConnectedPads());  // a new screen or seat gives a held stick its new meaning
        if (!options_.noPacing) host_.pacingWait(g_, keys_, 2.0f * static_cast<float>(g_.steps[g_.adjust]));
        host_.beforeDraw(g_, frame_, glIsEnabled(GL_BLEND) == GL_TRUE, glIsEnabled(GL_LIGHTING) == GL_TRUE);
        if (g_.active) DrawGLScene(g_);
        host_.afterDraw(g_, keys_, g_.active);
        screenshot(frame_);
        SwapGLBuffers();

        switch (inputAndMenuStep(g_)) {
            case TurnOutcome::Quit:
                endProgram(/*killWindow=*/true, /*writeTurn=*/true);
                return false;
            case TurnOutcome::SceneSwitch:
                if (!SceneSwitch(g_)) {
                    endProgram(/*killWindow=*/false, /*writeTurn=*/true);
                    return false;
                }
                break;
            case TurnOutcome::Continue:
                if (!fullscreenToggle()) {
                    endProgram(/*killWindow=*/false, /*writeTurn=*/true);
                    return false;
                }
                break;
        }
        finishTurn();
        ++frame_;
        if (options_.frames >= 0 && frame_ >= options_.frames) {
            endProgram(/*killWindow=*/true, /*writeTurn=*/false);
            return false;
        }
        return true;
    }

    bool fullscreenToggle() {
        if (!g_.keys[kKeyF1]) return true;
        g_.keys[kKeyF1] = false;
        KillGLWindow();
        g_.fullscreen = !g_.fullscreen;
        return OpenGameWindow(g_);
    }

    void finishTurn() {
        host_.endTurn(CurrentTurnLog());
        if (trace_.isOpen())
            trace_.writeFrame(frame_, g_, CurrentTurnLog(), glIsEnabled(GL_BLEND) == GL_TRUE,
                              glIsEnabled(GL_LIGHTING) == GL_TRUE);
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
    KeyMerge keys_;
    PadPlayers pads_;
    HostSession host_;
    GuestSession guest_;
    long frame_ = 0;
    long queuedFrame_ = -1;
};

}  // namespace

int WinMain(const DevOptions& options) {
    GameState& g = g_game;
    SetMessageBoxesHeadless(options.noDialogs);
    const Settings settings = LoadSettings();
    SetRenderSize(settings.renderSize);
    if (options.seed) SetFixedRandomSeed(*options.seed);

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
    const bool networkStarted = loop.startNetwork(error);
    if (!networkStarted) std::fprintf(stderr, "puckslide3d: %s; playing alone\n", error.c_str());
    if (!OpenGameWindow(g)) return 0;
    if (!networkStarted) MessageBox("Network", (error + ".").c_str(), MbButtons::Ok, MbIcon::Exclamation);
    // A guest shows the host's list; its own is read when the session ends.
    if (!loop.isGuest()) ReadConfigFile(g);
    return loop.run();
}
