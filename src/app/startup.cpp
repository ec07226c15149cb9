// Start-up: settings, developer options, models, sound, pads, the window, the network
// session and the high-score list, then the main loop.
#include "app/startup.h"

#include <cstdio>
#include <string>

#include "app/dev_options.h"
#include "app/game_boxes.h"
#include "app/game_window.h"
#include "app/high_score_file.h"
#include "app/input_script.h"
#include "app/main_loop.h"
#include "app/settings.h"
#include "assets/milkshape_model.h"
#include "game/game_state.h"
#include "platform/gamepad.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "platform/timer.h"
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
    loop.setRumble(settings.rumble);
    if (!loop.openTrace()) {
        std::fprintf(stderr, "puckslide3d: cannot write trace %s\n", options.traceFile.c_str());
        return 2;
    }
    // The window first: a guest starts playing the moment it has joined, before the host
    // could take the time a new window takes for silence.
    if (!OpenGameWindow(g, g.fullscreen)) return 0;
    // A guest's window and speakers stay its own: the game it plays becomes the host's.
    const bool networkStarted = loop.startNetwork({g.fullscreen, settings.sound}, settings.rendezvous, error);
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
    loop.startWorldList(options.worldScores.empty() ? settings.worldScores : options.worldScores);
    const int result = loop.run();
    SoundShutdown();
    return result;
}
