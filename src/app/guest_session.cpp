// The guest's side of a session: the host's frames taken in and drawn, its effects
// played once, the player's directions sent back.
#include "app/net_session.h"

#include <cstdio>

#include "app/dev_options.h"
#include "app/game_window.h"
#include "app/players.h"
#include "app/turn.h"
#include "game/boxes.h"
#include "game/game_state.h"
#include "net/state_codec.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "platform/virtual_keys.h"

namespace {

constexpr float kJoinTimeoutMs = 5000.0f;
constexpr int kJoinPollMs = 50;
// The guest's turn waits this long for a frame before it looks at its window again.
constexpr int kGuestPollMs = 1;
// A guest with nothing new to say still speaks this often, so the host knows it is there.
constexpr float kKeepAliveMs = 100.0f;

// The guest's own player: its near keys and its first pad, whichever holds a direction.
Directions guestDirections(const GameState& g, const Directions& pad) {
    const Directions keys = NearKeyDirections(g, g.key_sources.held(KeySource::Keyboard));
    return {keys.up || pad.up, keys.left || pad.left, keys.down || pad.down, keys.right || pad.right};
}

}  // namespace

bool GuestSession::join(const DevOptions& options, std::string& error) {
    greeting_ = net::Greeting(SessionVersion(options));
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
    a.reseed = m.reseed;
    states_[m.frame] = a.state;
    ForgetStatesBefore(m.frame, states_);
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
        case net::EffectKind::Box: {
            // The host's player answers it; here it is only reported.
            const BoxWords words = GameBoxWords(static_cast<GameBox>(effect.index));
            log.boxes.push_back({words.caption, words.text, effect.index});
            std::fprintf(stderr, "puckslide3d: the host shows %s: %s\n", words.caption, words.text);
            break;
        }
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

// The host's frame, drawn again from the state it was drawn from and its reseed
// value; the effects of its turn come separately.
bool GuestSession::draw(GameState& g, const Arrived& a, GuestTurn& result) {
    if (!a.drawn || !g.active) return true;
    if (!models_.follow(g)) return false;
    CurrentTurnLog().texts.clear();
    WindowView view;
    DrawFrameOf(g, a.reseed, view);
    drawnTexts_ = std::move(CurrentTurnLog().texts);
    CurrentTurnLog().texts.clear();
    drawnFrame_ = a.frame;
    result.drew = true;
    return true;
}

GuestTurn GuestSession::turn(GameState& g, const FrameInput& input, const Directions& pad, TraceWriter& trace,
                             long& frame) {
    GuestTurn result;
    CurrentTurnLog().clear();
    ApplyInputMessages(g, input);

    const uint8_t directions = net::DirectionBits(guestDirections(g, pad));
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

void GuestSession::close() {
    if (inSession_) net_.disconnectNow(0, net::FarewellData(net::Farewell::Left, greeting_));
    inSession_ = false;
    net_.close();
}
