#include "app/main_loop.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "app/carry_out.h"
#include "app/dev_options.h"
#include "app/game_window.h"
#include "game/game_state.h"
#include "net/game_record.h"
#include "net/invite_code.h"
#include "platform/gamepad.h"
#include "platform/screenshot.h"
#include "platform/turn_log.h"
#include "platform/window.h"
#include "render/window_view.h"
#include "session/guest_return.h"
#include "session/net_reach.h"

namespace {

// Until a first guest has joined (--await-guest), the host looks at the network this often.
constexpr int kAwaitPollMs = 10;

// The clipboard's text when it is an invite code (blanks around it left out), else nothing.
std::string InviteCodeOnClipboard() {
    std::string text = ClipboardText();
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text.size() > 64) return {};
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    net::InviteCode code;
    return net::ParseInviteCode(text, code) == net::CodeParse::Ok ? text : std::string{};
}

}  // namespace

bool MainLoop::openTrace() {
    if (options_.traceFile.empty()) return true;
    if (!trace_.open(options_.traceFile)) return false;
    CurrentTurnLog().recordTexts = true;
    return true;
}

bool MainLoop::startNetwork(const OwnSettings& own, const std::string& rendezvousSetting, std::string& error) {
    SessionOptions session = SessionOptionsOf(options_, rendezvousSetting);
    if (session.host) return session_.host(session, error);
    if (session.join) {
        // --join alone: an invite code on the clipboard, else the one game the local network offers
        if (session.joinHost.empty() && session.joinCode.empty()) {
            const std::string clipboard = InviteCodeOnClipboard();
            if (!clipboard.empty()) {
                session.joinCode = clipboard;
                std::fprintf(stderr, "puckslide3d: joining with the invite code on the clipboard\n");
            } else if (!FindLanGame(session, error)) {
                return false;
            }
        }
        if (!session_.join(session, g_, own, error)) return false;
    }
    return true;
}

bool MainLoop::startRecordAndReplay(std::string& error) {
    if (!options_.replayFile.empty()) {
        net::RecordStart start;
        if (!LoadRecord(options_.replayFile, start, replay_, error)) return false;
        std::string refused;
        if (!net::ApplyRecordStart(start, g_, &refused)) {
            error = options_.replayFile + ": its game's start is damaged (" + refused + ")";
            return false;
        }
        judge_.emplace(g_);
        replaying_ = true;
    }
    // A guest's record starts from the host's game as it joined.
    if (!options_.recordFile.empty() && !recorder_.open(options_.recordFile, g_)) {
        error = "cannot write the record " + options_.recordFile;
        return false;
    }
    return true;
}

// Only a game this machine plays and records from its start: not a replay, not a guest's.
void MainLoop::startWorldList(const std::string& url) {
    if (!replaying_ && !isGuest()) world_.start(url, g_);
}

int MainLoop::run() {
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
            if (InputMessageOf(event, m) && !session_.takeOwnInput(m)) pending_.players[0].messages.push_back(m);
            continue;
        }
        if (session_.awaitingFirstGuest()) {
            session_.service(kAwaitPollMs, g_, joinPoint());
            CarryOut(g_, session_.takeShellEffects(), /*writeHighScores=*/false, /*newWindows=*/false);
            continue;
        }
        if (!makeFrame()) return 0;
    }
}

JoinPoint MainLoop::joinPoint() const {
    const bool fixed = options_.seed.has_value();
    return {static_cast<uint32_t>(frame_), fixed ? *options_.seed : static_cast<uint32_t>(std::time(nullptr)), fixed};
}

// The scripted messages of a frame join the queue before that frame is made,
// so the loop handles them one per turn, exactly like real input.
void MainLoop::queueScriptedInput() {
    if (queuedFrame_ >= frame_) return;
    for (auto pads = script_.padsByFrame.upper_bound(queuedFrame_);
         pads != script_.padsByFrame.end() && pads->first <= frame_; ++pads)
        for (const ScriptedPadAction& action : pads->second) ApplyScriptedPad(action);
    for (auto events = script_.byFrame.upper_bound(queuedFrame_);
         events != script_.byFrame.end() && events->first <= frame_; ++events)
        for (const ScriptedEvent& e : events->second) PostSyntheticMessage(e.message, e.a, e.b);
    queuedFrame_ = frame_;
}

void MainLoop::screenshot(long frame) {
    auto shot = options_.screenshots.find(frame);
    if (shot != options_.screenshots.end() && !SaveScreenshotPNG(shot->second.c_str()))
        std::fprintf(stderr, "puckslide3d: could not save screenshot %s\n", shot->second.c_str());
}

// The frame's input: what arrived since the last frame and both players' held
// directions; or the recorded frame's.
FrameInput MainLoop::takeInput() {
    if (replaying_) {
        pending_ = FrameInput{};  // the player watches: live input plays no part
        return replay_[static_cast<size_t>(frame_)].input;
    }
    FrameInput in = std::exchange(pending_, FrameInput{});
    for (int p = 0; p < kPlayerCount; ++p) in.players[p].held = pads_.directions(p);
    in.reseed = joinPoint().reseed;
    return in;
}

// The pads each player's rumble goes to. A guest's own pad, seated here as player 1, plays Player2.
RumblePads MainLoop::rumblePads() const {
    RumblePads pads;
    if (!rumble_) return pads;
    if (isGuest()) pads.pad[1] = pads_.player1Pad();
    else pads = {{pads_.player1Pad(), pads_.player2Pad()}};
    return pads;
}

// false: the program has ended.
bool MainLoop::makeFrame() {
    if (replaying_ && static_cast<size_t>(frame_) >= replay_.size()) {
        endProgram(/*killWindow=*/true, /*writeTurn=*/false);
        return false;
    }
    pads_.collect(g_, pending_, ConnectedPads());  // a new screen or seat gives a held stick its new meaning
    const float paced = 2.0f * static_cast<float>(g_.steps[g_.adjust]);
    if (!options_.noPacing) session_.pacingWait(paced, g_, joinPoint());
    else session_.service(0, g_, joinPoint());
    CarryOut(g_, session_.takeShellEffects(), /*writeHighScores=*/false, /*newWindows=*/false);
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
    if (replaying_) judge_->before(g_);
    const TurnOutcome outcome = AdvanceFrame(g_, input, fx, view);
    recorder_.frame(input, g_);
    world_.frame(input, g_);
    if (replaying_) judgeReplayedFrame(outcome, fx);
    else if (std::any_of(fx.begin(), fx.end(), [](const Effect& e) { return e.kind == Effect::Kind::WriteHighScores; }))
        world_.nameStored();
    const CarriedOut carried = CarryOut(g_, fx, /*writeHighScores=*/!replaying_, /*newWindows=*/true, rumblePads());
    return afterTurn(outcome, carried, /*traced=*/true);
}

// A frame of a network session, on either side.
bool MainLoop::sessionFrame(float pacedMs) {
    world_.stop();  // a session's frames are not all this machine's to prove
    const NetSession::FrameStart start = session_.beginFrame(g_, pacedMs, joinPoint());
    CarryOut(g_, start.late, /*writeHighScores=*/false, /*newWindows=*/false);
    writeConfirmed();
    if (!start.make) return true;
    if (start.ownWindowAnew) {
        KillGLWindow();
        if (!OpenGameWindow(g_, session_.ownFullscreen())) return endProgram(/*killWindow=*/false, /*writeTurn=*/false), false;
    }
    const bool guest = session_.isGuest();
    PlayerInput local;
    if (guest) {
        local = session_.guestRecord(g_, pads_.directions(0));
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
    FrameView hidden;
    FrameView& view = session_.drawsFrames() ? static_cast<FrameView&>(drawing) : hidden;
    const TurnOutcome outcome = AdvanceFrame(g_, input, fx, view);
    session_.keepOwnSound(fx);
    session_.keepOwnRumble(fx);
    const CarriedOut carried = CarryOut(g_, fx, /*writeHighScores=*/!guest, /*newWindows=*/!guest, rumblePads());
    session_.advanced({frame_, &view == &drawing && drawing.drawn(), drawing.shown(), CurrentTurnLog()});
    CurrentTurnLog().clear();
    writeConfirmed();
    // The host's quit ends the session for the guest by the host's leaving.
    return afterTurn(guest ? TurnOutcome::Continue : outcome, carried, /*traced=*/false);
}

// The end of a turn: the program may end; the trace line; the frame count.
bool MainLoop::afterTurn(TurnOutcome outcome, CarriedOut carried, bool traced) {
    if (carried == CarriedOut::WindowLost) return endProgram(/*killWindow=*/false, /*writeTurn=*/traced), false;
    if (outcome == TurnOutcome::Quit || carried == CarriedOut::Quit)
        return endProgram(/*killWindow=*/true, /*writeTurn=*/traced), false;
    if (traced) finishTurn();
    ++frame_;
    if (options_.frames >= 0 && frame_ >= options_.frames) return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;
    return true;
}

// The session is over: the host plays on alone; the guest returns to its own game.
bool MainLoop::sessionEnded(const std::string& why) {
    writeConfirmed();
    if (!session_.isGuest()) return true;
    recorder_.close();  // the guest's own game was not part of the session it recorded
    const bool ownFullscreen = session_.ownFullscreen();
    session_.close();
    CurrentTurnLog().clear();
    GuestHome home = ReturnHome(g_, ownFullscreen, why);
    g_ = std::move(home.state);
    if (!models_.backToStart(g_)) return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;
    if (CarryOut(g_, home.fx, /*writeHighScores=*/false, /*newWindows=*/true) != CarriedOut::Done)
        return endProgram(/*killWindow=*/true, /*writeTurn=*/false), false;
    return true;
}

// The trace and the record of the frames both sides' records are known for.
void MainLoop::writeConfirmed() {
    for (const ConfirmedFrame& c : session_.takeConfirmed()) {
        recorder_.frame(c.input, c.after);
        if (trace_.isOpen()) trace_.writeSessionFrame(session_.traceLine(c));
    }
}

// A replay that leaves the recorded states says so once: the game it shows is no
// longer the one that was played. Its last frame says what the verifier says of the record.
void MainLoop::judgeReplayedFrame(TurnOutcome outcome, const Effects& fx) {
    const size_t frames = replay_.size();
    const bool held = judge_->leftAt() < 0;
    judge_->after(g_, fx, outcome, replay_[static_cast<size_t>(frame_)].checksum);
    if (held && judge_->leftAt() >= 0)
        std::fprintf(stderr, "puckslide3d: %s\n", judge_->verdict(frames).reason.c_str());
    if (judge_->done(frames))
        std::fprintf(stderr, "puckslide3d: the record's verdict: %s\n", verify::VerdictJson(judge_->verdict(frames)).c_str());
}

void MainLoop::finishTurn() {
    if (trace_.isOpen()) trace_.writeFrame(frame_, g_, CurrentTurnLog());
    CurrentTurnLog().clear();
}

// The turn that ends the program still leaves its trace line. The window is
// released so a switched display mode comes back even on the immediate exits.
int MainLoop::endProgram(bool killWindow, bool writeTurn) {
    if (writeTurn) finishTurn();
    session_.close();
    writeConfirmed();
    if (killWindow) KillGLWindow();
    world_.finish();
    return 0;
}
