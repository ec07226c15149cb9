#include "app/net_session.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "app/dev_options.h"
#include "app/game_window.h"
#include "app/high_score_file.h"
#include "app/key_merge.h"
#include "app/players.h"
#include "app/trace_writer.h"
#include "assets/model.h"
#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/sounds.h"
#include "game/table.h"
#include "game/table_setup.h"
#include "net/state_codec.h"
#include "platform/message_box.h"
#include "platform/pacing.h"
#include "platform/render_state.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "platform/virtual_keys.h"
#include "platform/window.h"

namespace {

// One guest and one spare slot, through which a second guest hears why it is refused.
constexpr int kHostSlots = 2;
// Past this round trip each frame waits longer, in proportion, instead of the guest falling behind.
constexpr float kSmoothRoundTripMs = 100.0f;
constexpr float kJoinTimeoutMs = 5000.0f;
constexpr int kJoinPollMs = 50;
// The guest's turn waits this long for a frame before it looks at its window again.
constexpr int kGuestPollMs = 1;
// A guest with nothing new to say still speaks this often, so the host knows it is there.
constexpr float kKeepAliveMs = 100.0f;
// States kept as bases for the changes of later frames (2.5 s at the paced rate).
constexpr uint32_t kKeptStates = 256;
// A guest that confirms no effects for this long is not listening.
constexpr size_t kMaxPendingEffects = 4096;
constexpr const char* kStartupPuck = "data/model/puk.ms3d";

std::string gameVersion(const DevOptions& options) {
    return options.netVersion.empty() ? PUCKSLIDE_VERSION : options.netVersion;
}

void forgetBefore(uint32_t frame, std::map<uint32_t, std::vector<uint8_t>>& states) {
    if (frame >= kKeptStates) states.erase(states.begin(), states.lower_bound(frame - kKeptStates));
}

uint8_t directionBits(const Directions& d) {
    return static_cast<uint8_t>((d.up ? net::kUp : 0) | (d.left ? net::kLeft : 0) | (d.down ? net::kDown : 0) |
                                (d.right ? net::kRight : 0));
}

Directions directionsOf(uint8_t bits) {
    Directions d;
    d.up = bits & net::kUp;
    d.left = bits & net::kLeft;
    d.down = bits & net::kDown;
    d.right = bits & net::kRight;
    return d;
}

// The guest's own player: its W A S D (a pad joins here as one more source).
// The guest's W A S D and its first pad, whichever holds a direction.
Directions guestDirections(const KeyMerge& keys, const Directions& pad) {
    const HeldKeys& k = keys.held(KeySource::Keyboard);
    Directions d;
    d.up = k.test('W') || pad.up;
    d.left = k.test('A') || pad.left;
    d.down = k.test('S') || pad.down;
    d.right = k.test('D') || pad.right;
    return d;
}

}  // namespace

// ===========================================================================
// Host
// ===========================================================================

bool HostSession::start(const DevOptions& options, std::string& error) {
    greeting_ = net::Greeting(gameVersion(options));
    awaitGuest_ = options.awaitGuest;
    const uint16_t port = options.port ? options.port : net::kDefaultPort;
    if (!net_.listen(options.hostAddress, port, kHostSlots, net::kMaxMessageBytes, error)) {
        error = "cannot host on port " + std::to_string(port) + ": " + error;
        return false;
    }
    std::fprintf(stderr, "puckslide3d: hosting on %s port %u (UDP); a guest joins with --join %s:%u\n",
                 options.hostAddress.empty() ? "every interface," : (options.hostAddress + ",").c_str(), port,
                 options.hostAddress.empty() ? "THIS-MACHINE" : options.hostAddress.c_str(), port);
    reach_.start(options, port);
    return true;
}

void HostSession::service(GameState& g, KeyMerge& keys, int waitMs) {
    if (!isOpen()) return;
    NetEvent e;
    for (bool first = true; net_.poll(e, first ? waitMs : 0); first = false) {
        switch (e.type) {
            case NetEvent::Type::Connect: accept(e); break;
            case NetEvent::Type::Receive:
                if (e.peer == guest_) receive(e);
                break;
            case NetEvent::Type::Disconnect:
                if (e.peer == guest_) endSession(g, keys, "it left the session");
                break;
        }
    }
    if (hasGuest() && endRequested_) {
        net_.disconnectNow(guest_, net::FarewellData(net::Farewell::Left, greeting_));
        endSession(g, keys, endReason_);
    }
    if (hasGuest() && TimerGetTime() - lastHeardMs_ > kSessionSilenceMs) {
        net_.disconnectNow(guest_, net::FarewellData(net::Farewell::Left, greeting_));
        endSession(g, keys, "silent for more than 3 seconds");
    }
}

void HostSession::accept(const NetEvent& e) {
    if (e.data != greeting_) {
        refuse(e, net::Farewell::OtherVersion,
               "it runs version " + net::GreetingVersion(e.data) + ", this game " + net::GreetingVersion(greeting_));
        return;
    }
    if (hasGuest()) {
        refuse(e, net::Farewell::Busy, "the game already has a guest");
        return;
    }
    guest_ = e.peer;
    reach_.setBusy(true);
    hadGuest_ = true;
    guestAddress_ = e.address;
    joinedAtMs_ = lastHeardMs_ = TimerGetTime();
    sentAtJoin_ = net_.bytesSent();
    receivedAtJoin_ = net_.bytesReceived();
    directions_ = 0;
    inputSequence_ = 0;
    endRequested_ = false;
    ackedFrame_ = lastSentFrame_ = net::kNoFrame;
    roundTripMs_ = 0;
    sentStates_.clear();
    sentAtMs_.clear();
    pending_.clear();
    firstPending_ = 0;
    std::fprintf(stderr, "puckslide3d: a guest joined from %s\n", guestAddress_.c_str());
}

void HostSession::refuse(const NetEvent& e, net::Farewell why, const std::string& reason) {
    std::fprintf(stderr, "puckslide3d: refused a guest from %s: %s\n", e.address.c_str(), reason.c_str());
    net_.disconnect(e.peer, net::FarewellData(why, greeting_));
}

void HostSession::receive(const NetEvent& e) {
    net::InputMessage m;
    if (!net::DecodeInput(e.bytes.data(), e.bytes.size(), m)) return;
    lastHeardMs_ = TimerGetTime();
    // Unreliable packets may come late: only a newer record replaces the held directions.
    if (m.sequence > inputSequence_) {
        inputSequence_ = m.sequence;
        directions_ = m.directions;
    }
    if (m.ackFrame != net::kNoFrame && lastSentFrame_ != net::kNoFrame && m.ackFrame <= lastSentFrame_ &&
        (ackedFrame_ == net::kNoFrame || m.ackFrame > ackedFrame_)) {
        ackedFrame_ = m.ackFrame;
        const auto sent = sentAtMs_.find(m.ackFrame);
        if (sent != sentAtMs_.end()) {
            const float sample = lastHeardMs_ - sent->second - static_cast<float>(m.heldMs);
            roundTripMs_ = roundTripMs_ == 0 ? sample : 0.875f * roundTripMs_ + 0.125f * sample;
        }
    }
    if (m.ackEvent <= firstPending_ + pending_.size()) {
        while (firstPending_ < m.ackEvent) {
            pending_.pop_front();
            ++firstPending_;
        }
    }
}

void HostSession::endSession(GameState& g, KeyMerge& keys, const char* why) {
    keys.releaseAll(g, KeySource::Remote);
    keys.rest(g, KeySource::Keyboard, HeldKeys{});
    const float seconds = (TimerGetTime() - joinedAtMs_) / 1000.0f;
    std::fprintf(stderr, "puckslide3d: the guest from %s has left (%s); %llu bytes sent, %llu received in %.1f s\n",
                 guestAddress_.c_str(), why, static_cast<unsigned long long>(net_.bytesSent() - sentAtJoin_),
                 static_cast<unsigned long long>(net_.bytesReceived() - receivedAtJoin_), seconds);
    guest_ = -1;
    reach_.setBusy(false);
    endRequested_ = false;
    pending_.clear();
    sentStates_.clear();
    sentAtMs_.clear();
}

void HostSession::pacingWait(GameState& g, KeyMerge& keys, float pacedMs) {
    const bool slow = hasGuest() && roundTripMs_ > kSmoothRoundTripMs;
    const float end = TimerGetTime() + (slow ? pacedMs * roundTripMs_ / kSmoothRoundTripMs : pacedMs);
    // Whole milliseconds in the network's wait, the rest in the timer's.
    for (float left = end - TimerGetTime(); hasGuest() && left >= 1.0f; left = end - TimerGetTime())
        service(g, keys, static_cast<int>(left));
    PacingWait(end - TimerGetTime());
}

void HostSession::beforeDraw(const GameState& g, long frame, bool glBlend, bool glLighting) {
    prepared_ = hasGuest();
    if (!prepared_) return;
    frame_ = static_cast<uint32_t>(frame);
    glBlend_ = glBlend;
    glLighting_ = glLighting;
    state_ = EncodeSharedState(g);
    tape_ = RandomTape{};
    SetRandomTape(&tape_);
}

void HostSession::afterDraw(GameState& g, KeyMerge& keys, bool drawn) {
    SetRandomTape(nullptr);
    if (prepared_ && hasGuest()) {
        takeEffects(CurrentTurnLog());
        sendFrame(drawn);
    }
    prepared_ = false;
    service(g, keys, 0);
    if (hasGuest()) seatGuest(g, keys);
}

// The guest's directions steer whatever mallet the seats give Player2; in Player2's
// own ladder matches the host's W A S D rest. Menus are the host's alone.
void HostSession::seatGuest(GameState& g, KeyMerge& keys) const {
    const bool play = !g.menu;
    keys.hold(g, KeySource::Remote, play ? MalletKeys(Player2Mallet(g), directionsOf(directions_)) : HeldKeys{});
    const Directions all{true, true, true, true};
    const bool hostRests = play && Player1Mallet(g) == Mallet::None;
    keys.rest(g, KeySource::Keyboard, hostRests ? MalletKeys(Mallet::Near, all) : HeldKeys{});
}

void HostSession::sendFrame(bool drawn) {
    net::FrameMessage m;
    m.frame = frame_;
    m.drawn = drawn;
    m.glBlend = glBlend_;
    m.glLighting = glLighting_;
    static const std::vector<uint8_t> nothing;
    const auto base = ackedFrame_ == net::kNoFrame ? sentStates_.end() : sentStates_.find(ackedFrame_);
    m.baseline = base == sentStates_.end() ? net::kNoFrame : ackedFrame_;
    m.delta = net::MakeDelta(base == sentStates_.end() ? nothing : base->second, state_);
    m.randoms = tape_.values;
    if (m.randoms.size() > net::kMaxRandoms) m.randoms.resize(net::kMaxRandoms);
    m.firstEvent = firstPending_;
    for (size_t i = 0; i < pending_.size() && i < net::kMaxEvents; ++i) m.events.push_back(pending_[i]);
    net_.send(guest_, net::EncodeFrame(m));
    net_.flush();

    sentStates_[frame_] = std::move(state_);
    sentAtMs_[frame_] = TimerGetTime();
    forgetBefore(frame_, sentStates_);
    if (frame_ >= kKeptStates) sentAtMs_.erase(sentAtMs_.begin(), sentAtMs_.lower_bound(frame_ - kKeptStates));
    lastSentFrame_ = frame_;
}

void HostSession::takeEffects(const TurnLog& log) {
    auto add = [this](net::EffectKind kind, int index) {
        if (index >= 0) pending_.push_back({frame_, kind, static_cast<uint8_t>(index)});
    };
    for (; takenSounds_ < log.sounds.size(); ++takenSounds_) add(net::EffectKind::Sound, net::SoundIndex(log.sounds[takenSounds_]));
    for (; takenMusic_ < log.music.size(); ++takenMusic_) add(net::EffectKind::Music, net::MusicIndex(log.music[takenMusic_]));
    for (; takenBoxes_ < log.boxes.size(); ++takenBoxes_)
        add(net::EffectKind::Box, net::BoxIndex(log.boxes[takenBoxes_].caption, log.boxes[takenBoxes_].text));
    if (pending_.size() > kMaxPendingEffects) {
        endRequested_ = true;
        endReason_ = "it confirmed nothing the host sent";
    }
}

void HostSession::endTurn(const TurnLog& log) {
    if (hasGuest()) takeEffects(log);
    takenSounds_ = takenMusic_ = takenBoxes_ = 0;
}

void HostSession::close() {
    if (hasGuest()) {
        net_.disconnectNow(guest_, net::FarewellData(net::Farewell::Left, greeting_));
        std::fprintf(stderr, "puckslide3d: the session with %s has ended: the host has left\n", guestAddress_.c_str());
        guest_ = -1;
    }
    reach_.stop();
    net_.close();
}

// ===========================================================================
// Guest
// ===========================================================================

bool GuestSession::join(const DevOptions& options, std::string& error) {
    greeting_ = net::Greeting(gameVersion(options));
    const uint16_t port = options.port ? options.port : net::kDefaultPort;
    const std::string where = options.joinHost + ":" + std::to_string(port);
    if (!net_.connect(options.joinHost, port, greeting_, net::kMaxMessageBytes, error)) {
        error = "cannot join " + where + ": " + error;
        return false;
    }
    std::fprintf(stderr, "puckslide3d: joining %s\n", where.c_str());
    bool connected = false;
    const float start = TimerGetTime();
    while (TimerGetTime() - start < kJoinTimeoutMs) {
        NetEvent e;
        if (!net_.poll(e, kJoinPollMs)) continue;
        if (e.type == NetEvent::Type::Connect) connected = true;
        if (e.type == NetEvent::Type::Disconnect) {
            error = "cannot join " + where + ": " + farewellText(e.data);
            net_.close();
            return false;
        }
        if (e.type == NetEvent::Type::Receive) receiveFrame(e.bytes);
        if (!arrived_.empty()) {
            inSession_ = true;
            lastHeardMs_ = TimerGetTime();
            std::fprintf(stderr, "puckslide3d: joined the game at %s\n", where.c_str());
            return true;
        }
    }
    error = "cannot join " + where + ": " +
            (connected ? "the host sent no frame within 5 seconds"
                       : "no game answered within 5 seconds: no game may be hosting there, a firewall may block "
                         "UDP port " + std::to_string(port) + ", or the host's router may not forward it");
    net_.close();
    return false;
}

std::string GuestSession::farewellText(uint32_t data) const {
    switch (net::FarewellOf(data)) {
        case net::Farewell::Busy: return "the host already has a guest";
        case net::Farewell::OtherVersion:
            return "the host runs version " + net::GreetingVersion(net::FarewellGreeting(data)) + ", this game " +
                   net::GreetingVersion(greeting_);
        case net::Farewell::Left: return "the host has left";
        case net::Farewell::None: break;
    }
    return "the host closed the connection";
}

void GuestSession::handle(const NetEvent& e) {
    if (e.type == NetEvent::Type::Receive) receiveFrame(e.bytes);
    if (e.type == NetEvent::Type::Disconnect) {
        inSession_ = false;
        endReason_ = farewellText(e.data);
    }
}

void GuestSession::receiveFrame(const std::vector<uint8_t>& bytes) {
    net::FrameMessage m;
    if (!net::DecodeFrame(bytes.data(), bytes.size(), m)) return;
    lastHeardMs_ = TimerGetTime();

    // Effects come again until confirmed: each plays once, in order.
    for (size_t i = 0; i < m.events.size(); ++i) {
        const uint32_t sequence = m.firstEvent + static_cast<uint32_t>(i);
        if (sequence < nextEvent_) continue;
        if (sequence > nextEvent_) break;
        playEffect(m.events[i]);
        ++nextEvent_;
    }

    if (newestFrame_ != net::kNoFrame && m.frame <= newestFrame_) return;
    static const std::vector<uint8_t> nothing;
    const auto base = m.baseline == net::kNoFrame ? states_.end() : states_.find(m.baseline);
    if (m.baseline != net::kNoFrame && base == states_.end()) return;
    Arrived a;
    if (!net::ApplyDelta(base == states_.end() ? nothing : base->second, m.delta, a.state)) return;
    GameState probe;
    if (!DecodeSharedState(a.state, probe)) return;
    a.frame = m.frame;
    a.drawn = m.drawn;
    a.glBlend = m.glBlend;
    a.glLighting = m.glLighting;
    a.randoms = std::move(m.randoms);
    states_[m.frame] = a.state;
    forgetBefore(m.frame, states_);
    if (firstFrame_ == net::kNoFrame) firstFrame_ = m.frame;
    newestFrame_ = m.frame;
    newestArrivedMs_ = lastHeardMs_;
    arrived_.push_back(std::move(a));
}

void GuestSession::playEffect(const net::Effect& effect) {
    TurnLog& log = effectsByFrame_[effect.frame];
    switch (effect.kind) {
        case net::EffectKind::Sound:
            log.sounds.push_back(net::SoundAt(effect.index));
            PlaySoundFile(net::SoundAt(effect.index));
            break;
        case net::EffectKind::Music:
            log.music.push_back(net::MusicAt(effect.index));
            MusicCommand(net::MusicAt(effect.index));
            break;
        case net::EffectKind::Box:
            // The host's player answers it; here it is only reported.
            log.boxes.push_back({net::BoxCaptionAt(effect.index), net::BoxTextAt(effect.index)});
            std::fprintf(stderr, "puckslide3d: the host shows %s: %s\n", net::BoxCaptionAt(effect.index),
                         net::BoxTextAt(effect.index));
            break;
    }
}

void GuestSession::sendInput(uint8_t directions) {
    net::InputMessage m;
    m.sequence = ++inputSequence_;
    m.directions = directions;
    m.ackFrame = newestFrame_;
    m.ackEvent = nextEvent_;
    const float held = TimerGetTime() - newestArrivedMs_;
    m.heldMs = static_cast<uint16_t>(held < 0 ? 0 : held > 65535 ? 65535 : held);
    net_.send(0, net::EncodeInput(m));
    net_.flush();
    sentDirections_ = directions;
    lastSentMs_ = TimerGetTime();
}

long GuestSession::guestFrameOf(uint32_t hostFrame) const {
    return guestFrameAtJoin_ + static_cast<long>(hostFrame) - static_cast<long>(firstFrame_);
}

// The host's line for the same frame, with this window's own fields and the
// frame numbers of both sides.
void GuestSession::writeTraceLine(TraceWriter& trace, const GameState& g, uint32_t hostFrame) {
    TurnLog log;
    const auto effects = effectsByFrame_.find(hostFrame);
    if (effects != effectsByFrame_.end()) log = std::move(effects->second);
    effectsByFrame_.erase(effectsByFrame_.begin(), effectsByFrame_.upper_bound(hostFrame));
    if (!trace.isOpen()) return;
    const bool drawn = drawnFrame_ == hostFrame;
    if (drawn) log.texts = drawnTexts_;
    std::string line = TraceLine(guestFrameOf(hostFrame), g, log, glIsEnabled(GL_BLEND) == GL_TRUE,
                                 glIsEnabled(GL_LIGHTING) == GL_TRUE);
    const size_t afterFrame = line.find(',');
    line.insert(afterFrame + 1, "\"host_frame\":" + std::to_string(hostFrame) + ",\"drawn\":" +
                                    (drawn ? "true" : "false") + ",");
    trace.writeLine(line);
}

bool GuestSession::loadModels(GameState& g) {
    if (g.menu) return true;  // the screens draw no model
    const TableConstants* t = TableConstantsOf(g.table);
    if (t && g.table != loadedTable_) {
        if (!g.pTable->loadModelData(t->modelFile)) {
            MessageBox("Error", t->loadFailureMessage, MbButtons::Ok, MbIcon::Stop);
            return false;
        }
        loadedTable_ = g.table;
    }
    const char* puck = PuckModelFile(g.puk_rad);
    if (std::strcmp(puck, loadedPuck_ ? loadedPuck_ : kStartupPuck) != 0) {
        if (!g.pPuk->loadModelData(puck)) {
            MessageBox("Error", PuckModelFailure(g.puk_rad), MbButtons::Ok, MbIcon::Stop);
            return false;
        }
        loadedPuck_ = puck;
    }
    return true;
}

// The host's frame, drawn again from the state and random numbers it was drawn
// from; the effects its step plays here are the host's, which come separately.
bool GuestSession::draw(GameState& g, const Arrived& a, GuestTurn& result) {
    if (!a.drawn || !g.active) return true;
    if (!loadModels(g)) return false;
    tape_ = RandomTape{};
    tape_.mode = RandomTape::Mode::Replay;
    tape_.values = a.randoms;
    SetRandomTape(&tape_);
    SetEffectsMuted(true);
    CurrentTurnLog().texts.clear();
    DrawGLScene(g);
    SetEffectsMuted(false);
    SetRandomTape(nullptr);
    drawnTexts_ = std::move(CurrentTurnLog().texts);
    CurrentTurnLog().texts.clear();
    drawnFrame_ = a.frame;
    result.drew = true;
    return true;
}

GuestTurn GuestSession::turn(GameState& g, KeyMerge& keys, const Directions& pad, TraceWriter& trace, long& frame) {
    GuestTurn result;
    CurrentTurnLog().clear();

    const uint8_t directions = directionBits(guestDirections(keys, pad));
    if (directions != sentDirections_) sendInput(directions);
    if (g.keys[kKeyEscape]) {
        // ESC leaves; the key is taken, or the main menu would end the program with it.
        g.keys[kKeyEscape] = false;
        net_.disconnectNow(0, net::FarewellData(net::Farewell::Left, greeting_));
        end(g, "you left it", result);
        return result;
    }

    NetEvent e;
    for (bool first = true; inSession_ && net_.poll(e, first ? kGuestPollMs : 0); first = false) handle(e);
    if (!inSession_) {
        end(g, endReason_, result);
        return result;
    }
    if (TimerGetTime() - lastHeardMs_ > kSessionSilenceMs) {
        net_.disconnectNow(0, net::FarewellData(net::Farewell::Left, greeting_));
        end(g, "the host has been silent for more than 3 seconds", result);
        return result;
    }

    if (!arrived_.empty()) {
        for (size_t i = 0; i < arrived_.size(); ++i) {
            const Arrived& a = arrived_[i];
            DecodeSharedState(a.state, g);
            SetBlending(a.glBlend);
            SetLighting(a.glLighting);
            // The state frame a is drawn from is the one the host's turn a - 1 ended with.
            if (a.frame > firstFrame_) writeTraceLine(trace, g, a.frame - 1);
            if (i + 1 == arrived_.size() && !draw(g, a, result)) {
                result.quit = true;
                return result;
            }
        }
        frame = guestFrameOf(newestFrame_) + 1;
        arrived_.clear();
        sendInput(directions);
    } else if (TimerGetTime() - lastSentMs_ > kKeepAliveMs) {
        sendInput(directions);
    }
    return result;
}

// Back to the guest's own game: the main menu, its own high scores, a fresh window.
void GuestSession::end(GameState& g, const std::string& why, GuestTurn& result) {
    inSession_ = false;
    result.ended = true;
    net_.close();
    arrived_.clear();
    states_.clear();
    effectsByFrame_.clear();
    CurrentTurnLog().clear();
    std::fprintf(stderr, "puckslide3d: the session has ended: %s\n", why.c_str());

    GameState own;
    std::memcpy(own.keys, g.keys, sizeof own.keys);
    own.mouse_x = g.mouse_x;
    own.mouse_y = g.mouse_y;
    own.active = g.active;
    own.fullscreen = g.fullscreen;
    own.pTable = g.pTable;
    own.pPuk = g.pPuk;
    own.pSchiesser = g.pSchiesser;
    own.pGegner = g.pGegner;
    own.pKZMPlane = g.pKZMPlane;
    g = own;
    if (own.sound) StopMusic(kMatchMusic);
    if (loadedPuck_ && std::strcmp(loadedPuck_, kStartupPuck) != 0 && !g.pPuk->loadModelData(kStartupPuck)) {
        MessageBox("Error", PuckModelFailure(g.puk_rad), MbButtons::Ok, MbIcon::Stop);
        result.quit = true;
        return;
    }
    loadedPuck_ = nullptr;
    loadedTable_ = 0;
    KillGLWindow();
    if (!OpenGameWindow(g)) {
        result.quit = true;
        return;
    }
    MessageBox("Network", ("The session has ended: " + why + ".").c_str(), MbButtons::Ok, MbIcon::Information);
    ReadConfigFile(g);
    ReseedRandom();
}

void GuestSession::close() {
    if (inSession_) net_.disconnectNow(0, net::FarewellData(net::Farewell::Left, greeting_));
    inSession_ = false;
    net_.close();
}
