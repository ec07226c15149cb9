// The host's side of a session: the guest admitted or refused, its directions taken
// in, and each frame sent with the effects not yet confirmed.
#include "app/net_session.h"

#include <cstdio>

#include "app/dev_options.h"
#include "game/game_state.h"
#include "net/state_codec.h"
#include "platform/pacing.h"
#include "platform/timer.h"

namespace {

// One guest and one spare slot, through which a second guest hears why it is refused.
constexpr int kHostSlots = 2;
// Past this round trip each frame waits longer, in proportion, instead of the guest falling behind.
constexpr float kSmoothRoundTripMs = 100.0f;
// A guest that confirms no effects for this long is not listening.
constexpr size_t kMaxPendingEffects = 4096;

}  // namespace

std::string SessionVersion(const DevOptions& options) {
    return options.netVersion.empty() ? PUCKSLIDE_VERSION : options.netVersion;
}

void ForgetStatesBefore(uint32_t frame, std::map<uint32_t, std::vector<uint8_t>>& states) {
    if (frame >= kKeptStates) states.erase(states.begin(), states.lower_bound(frame - kKeptStates));
}

bool HostSession::start(const DevOptions& options, std::string& error) {
    greeting_ = net::Greeting(SessionVersion(options));
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

void HostSession::service(int waitMs) {
    if (!isOpen()) return;
    NetEvent e;
    for (bool first = true; net_.poll(e, first ? waitMs : 0); first = false) {
        switch (e.type) {
            case NetEvent::Type::Connect: accept(e); break;
            case NetEvent::Type::Receive:
                if (e.peer == guest_) receive(e);
                break;
            case NetEvent::Type::Disconnect:
                if (e.peer == guest_) endSession("it left the session");
                break;
        }
    }
    if (hasGuest() && endRequested_) {
        net_.disconnectNow(guest_, net::FarewellData(net::Farewell::Left, greeting_));
        endSession(endReason_);
    }
    if (hasGuest() && TimerGetTime() - lastHeardMs_ > kSessionSilenceMs) {
        net_.disconnectNow(guest_, net::FarewellData(net::Farewell::Left, greeting_));
        endSession("silent for more than 3 seconds");
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

Directions HostSession::guestDirections() const { return hasGuest() ? net::DirectionsOf(directions_) : Directions{}; }

void HostSession::endSession(const char* why) {
    directions_ = 0;
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

void HostSession::pacingWait(float pacedMs) {
    const bool slow = hasGuest() && roundTripMs_ > kSmoothRoundTripMs;
    const float end = TimerGetTime() + (slow ? pacedMs * roundTripMs_ / kSmoothRoundTripMs : pacedMs);
    // Whole milliseconds in the network's wait, the rest in the timer's.
    for (float left = end - TimerGetTime(); hasGuest() && left >= 1.0f; left = end - TimerGetTime())
        service(static_cast<int>(left));
    PacingWait(end - TimerGetTime());
}

void HostSession::beforeTurn(const GameState& g, long frame, uint32_t reseed) {
    prepared_ = hasGuest();
    if (!prepared_) return;
    frame_ = static_cast<uint32_t>(frame);
    reseed_ = reseed;
    state_ = EncodeSharedState(g);
}

void HostSession::afterTurn(const TurnLog& log, bool drawn) {
    if (prepared_ && hasGuest()) {
        takeEffects(log);
        sendFrame(drawn);
    }
    prepared_ = false;
    service(0);
}

void HostSession::sendFrame(bool drawn) {
    net::FrameMessage m;
    m.frame = frame_;
    m.drawn = drawn;
    m.reseed = reseed_;
    static const std::vector<uint8_t> nothing;
    const auto base = ackedFrame_ == net::kNoFrame ? sentStates_.end() : sentStates_.find(ackedFrame_);
    m.baseline = base == sentStates_.end() ? net::kNoFrame : ackedFrame_;
    m.delta = net::MakeDelta(base == sentStates_.end() ? nothing : base->second, state_);
    m.firstEvent = firstPending_;
    for (size_t i = 0; i < pending_.size() && i < net::kMaxEvents; ++i) m.events.push_back(pending_[i]);
    net_.send(guest_, net::EncodeFrame(m));
    net_.flush();

    sentStates_[frame_] = std::move(state_);
    sentAtMs_[frame_] = TimerGetTime();
    ForgetStatesBefore(frame_, sentStates_);
    if (frame_ >= kKeptStates) sentAtMs_.erase(sentAtMs_.begin(), sentAtMs_.lower_bound(frame_ - kKeptStates));
    lastSentFrame_ = frame_;
}

void HostSession::takeEffects(const TurnLog& log) {
    auto add = [this](net::EffectKind kind, int index) {
        if (index >= 0) pending_.push_back({frame_, kind, static_cast<uint8_t>(index)});
    };
    for (const std::string& sound : log.sounds) add(net::EffectKind::Sound, net::SoundIndex(sound));
    for (const std::string& music : log.music) add(net::EffectKind::Music, net::MusicIndex(music));
    for (const ShownBox& box : log.boxes) add(net::EffectKind::Box, box.id);
    if (pending_.size() > kMaxPendingEffects) {
        endRequested_ = true;
        endReason_ = "it confirmed nothing the host sent";
    }
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
