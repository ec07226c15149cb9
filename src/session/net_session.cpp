#include "session/net_session.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "game/turn.h"
#include "net/game_record.h"
#include "net/state_codec.h"
#include "platform/pacing.h"
#include "platform/timer.h"
#include "platform/virtual_keys.h"

namespace {

// One guest and one spare slot, through which a second guest hears why it is refused.
constexpr int kHostSlots = 2;
constexpr float kJoinTimeoutMs = 5000.0f;
constexpr int kJoinPollMs = 50;
// While the two sides meet, the socket is looked at this often (probes go out every 50 ms).
constexpr int kMeetingPollMs = 10;
// A guest has this long to answer the seat's challenge.
constexpr float kProofMs = 10000.0f;
// After this many guests failed to prove they hold the code, it is retired for a new one.
constexpr int kRefusalsBeforeNewCode = 5;
// How long a side that leaves makes sure the other hears it.
constexpr int kFarewellMs = 500;
// A side that may not advance looks at the network this often.
constexpr int kWaitPollMs = 1;
// Confirmed states are compared this often.
constexpr uint32_t kChecksumEvery = 16;
constexpr size_t kKeptChecksums = 64;
// The reliable channel carries the start and the heals; records go unreliable.
constexpr bool kReliable = true;

// The game's frame as the rollback runs it: no drawing, the effects listed.
void stepGame(GameState& g, const FrameInput& in, Effects& fx) {
    FrameView nothingDrawn;
    AdvanceFrame(g, in, fx, nothingDrawn);
}

}  // namespace

void NetSession::take(ConfirmedFrame& c, Live&& live) {
    c.shown = std::move(live.shown);
    c.rollback = live.rollback;
    c.waits = live.waits;
    c.madeAtMs = live.madeAtMs;
}

// ===========================================================================
// Opening: the host listens, the guest joins and takes the host's game over.
// ===========================================================================

bool NetSession::host(const SessionOptions& options, std::string& error) {
    greeting_ = net::Greeting(options.version);
    injectAt_ = options.injectDesync;
    awaitGuest_ = options.awaitGuest;
    meeting_.setRelayRefreshMs(options.relayRefreshMs);
    const uint16_t port = options.port ? options.port : net::kDefaultPort;
    if (!net_.listen(options.hostAddress, port, kHostSlots, net::kMaxMessageBytes, error)) {
        error = "cannot host on port " + std::to_string(port) + ": " + error;
        return false;
    }
    std::fprintf(stderr, "puckslide3d: hosting on %s port %u (UDP); a guest joins with --join %s:%u\n",
                 options.hostAddress.empty() ? "every interface," : (options.hostAddress + ",").c_str(), port,
                 options.hostAddress.empty() ? "THIS-MACHINE" : options.hostAddress.c_str(), port);
    hostAddress_ = options.hostAddress;
    hostPort_ = port;
    net_.setFilter([this](const RawDatagram& d) { return meeting_.filter(d, nowMs()); });
    reach_.start(options, port);
    return startInvite(options, port, error);
}

// The host invites with a code: its rendezvous's lookup id, or this machine's address, and
// a secret only the invited hold.
bool NetSession::startInvite(const SessionOptions& options, uint16_t port, std::string& error) {
    if (!options.rendezvous.empty()) {
        net::Endpoint rendezvous;
        std::string why;
        if (ResolveEndpoint(options.rendezvous, net::kRendezvousPort, rendezvous, why))
            meeting_.start(rendezvous, net::NewRandom64(), 0, hostAddresses(), nowMs());
        else
            std::fprintf(stderr, "puckslide3d: the rendezvous %s cannot be used (%s): the invite code names this "
                         "machine instead\n", options.rendezvous.c_str(), why.c_str());
    }
    (void)port;
    if (!newCode()) {
        error = "cannot make an invite code: the key of its secret could not be made";
        return false;
    }
    return true;
}

std::vector<net::Endpoint> NetSession::hostAddresses() const {
    std::vector<net::Endpoint> own;
    uint32_t chosen = 0;
    if (!hostAddress_.empty() && ResolveIpv4(hostAddress_, chosen) && chosen != 0)
        own.push_back({chosen, hostPort_});
    else
        own = OwnAddresses(hostPort_);
    const auto router = reach_.routerAnswer();
    if (router && router->port != 0) own.insert(own.begin(), *router);
    if (own.size() > net::kMaxOwnAddresses - 1) own.resize(net::kMaxOwnAddresses - 1);  // room for a relayed one
    return own;
}

bool NetSession::newCode() {
    Invite invite;
    invite.salt = net::NewSeatSalt();
    invite.code.secret = net::NewInviteSecret();
    if (!net::DeriveSeatKey(invite.code.secret, invite.salt, invite.key)) return false;
    invite.code.kind = meeting_.active() ? net::InviteCode::Kind::Rendezvous : net::InviteCode::Kind::Direct;
    invite_ = invite;
    return true;
}

// The code is shown once it names where the game is: the rendezvous has registered it, or
// the router has said whether it forwards the port.
void NetSession::showCode() {
    if (!invite_ || invite_->shown) return;
    net::InviteCode& code = invite_->code;
    if (code.kind == net::InviteCode::Kind::Rendezvous) {
        if (meeting_.lookupId() == 0) return;
        code.lookupId = meeting_.lookupId();
    } else {
        const auto router = reach_.routerAnswer();
        if (!router) return;
        const std::vector<net::Endpoint> own = hostAddresses();
        const net::Endpoint at = router->port != 0 ? *router : own.empty() ? net::Endpoint{0x7F000001, hostPort_} : own.front();
        code.ipv4 = at.ipv4;
        code.port = at.port;
    }
    invite_->shown = true;
    const std::string text = net::FormatInviteCode(code);
    std::fprintf(stderr, "puckslide3d: invite code %s\n", text.c_str());
    Effect e{Effect::Kind::InviteCode};
    e.text = text;
    shellFx_.push_back(e);
}

bool NetSession::needsProof(uint32_t ip) const { return invite_ && !OnOwnNetwork(ip); }

void NetSession::sendAll(const std::vector<Outgoing>& out) {
    for (const Outgoing& o : out) net_.sendRaw(o.to.ipv4, o.to.port, o.bytes);
}

uint64_t NetSession::nowMs() const { return static_cast<uint64_t>(TimerGetTime()); }

bool NetSession::join(const SessionOptions& options, GameState& g, const OwnSettings& own, std::string& error) {
    guest_ = true;
    greeting_ = net::Greeting(options.version);
    injectAt_ = options.injectDesync;
    std::string where;
    net::Endpoint target;
    if (!options.joinCode.empty()) {
        where = options.joinCode;
        if (!joinByCode(options, target, error) || !net_.connectTo(target.ipv4, target.port, greeting_)) {
            if (error.empty()) error = "no connection could be started";
            error = "cannot join " + where + ": " + error;
            close();
            return false;
        }
    } else {
        target.port = options.port ? options.port : net::kDefaultPort;
        where = options.joinHost + ":" + std::to_string(target.port);
        if (!net_.connect(options.joinHost, target.port, greeting_, net::kMaxMessageBytes, error)) {
            error = "cannot join " + where + ": " + error;
            return false;
        }
        std::fprintf(stderr, "puckslide3d: joining %s\n", where.c_str());
    }
    return handshake(where, target.port, g, own, error);
}

// A code of a rendezvous: the two sides meet through it, directly or through its relay;
// a code that names an address: that address.
bool NetSession::joinByCode(const SessionOptions& options, net::Endpoint& target, std::string& error) {
    net::InviteCode code;
    if (net::ParseInviteCode(options.joinCode, code) != net::CodeParse::Ok) {
        error = "this is no invite code: a letter of it may be mistyped";
        return false;
    }
    guestSecret_ = code.secret;
    if (!net_.open(net::kMaxMessageBytes, error)) return false;
    if (code.kind == net::InviteCode::Kind::Direct) {
        target = {code.ipv4, code.port};
        std::fprintf(stderr, "puckslide3d: joining %s\n", net::FormatEndpoint(target).c_str());
        return true;
    }
    net::Endpoint rendezvous;
    if (options.rendezvous.empty()) {
        error = "the code's game is found through a rendezvous, and none is set: set rendezvous = HOST in "
                "settings.conf, as your friend's game has it";
        return false;
    }
    if (!ResolveEndpoint(options.rendezvous, net::kRendezvousPort, rendezvous, error)) return false;
    std::vector<net::Endpoint> own = OwnAddresses(net_.localPort());
    if (own.size() > net::kMaxOwnAddresses - 1) own.resize(net::kMaxOwnAddresses - 1);
    guestMeeting_.emplace(rendezvous, code.lookupId, net::NewRandom64(), own, nowMs());
    guestMeeting_->setRelayRefreshMs(options.relayRefreshMs);
    net_.setFilter([this](const RawDatagram& d) { return guestMeeting_->filter(d, nowMs()); });
    std::fprintf(stderr, "puckslide3d: asking the rendezvous at %s for the game of the code\n",
                 net::FormatEndpoint(rendezvous).c_str());
    using State = GuestMeeting::State;
    while (guestMeeting_->state() == State::Asking || guestMeeting_->state() == State::Meeting) {
        sendAll(guestMeeting_->poll(nowMs()));
        NetEvent ignored;  // nothing of ENet's arrives before the connection
        net_.poll(ignored, kMeetingPollMs);
    }
    sendAll(guestMeeting_->poll(nowMs()));
    if (guestMeeting_->state() == State::Failed) {
        error = guestMeeting_->failure();
        return false;
    }
    target = guestMeeting_->target();
    if (guestMeeting_->relayed())
        std::fprintf(stderr, "puckslide3d: connected through the relay %s\n",
                     net::FormatEndpoint(guestMeeting_->relayServer()).c_str());
    else
        std::fprintf(stderr, "puckslide3d: connected directly to %s\n", net::FormatEndpoint(target).c_str());
    return true;
}

// The connection, the seat's challenge when the host asks for the code, and the host's game.
bool NetSession::handshake(const std::string& where, uint16_t port, GameState& g, const OwnSettings& own,
                           std::string& error) {
    bool connected = false;
    const float start = TimerGetTime();
    while (TimerGetTime() - start < kJoinTimeoutMs) {
        if (guestMeeting_) sendAll(guestMeeting_->poll(nowMs()));
        NetEvent e;
        if (!net_.poll(e, kJoinPollMs)) continue;
        if (e.type == NetEvent::Type::Connect) connected = true;
        if (e.type == NetEvent::Type::Disconnect) {
            error = "cannot join " + where + ": " + farewellText(e.data);
            close();
            return false;
        }
        if (e.type != NetEvent::Type::Receive) continue;
        net::SeatChallengeMessage challenge;
        if (net::DecodeSeatChallenge(e.bytes.data(), e.bytes.size(), challenge)) {
            // Without the code's secret the answer proves nothing, and the host says so.
            net::SeatAnswerMessage answer;
            net::SeatKey key;
            if (guestSecret_ && net::DeriveSeatKey(*guestSecret_, challenge.salt, key))
                answer.mac = net::AnswerSeatChallenge(key, {challenge.salt, challenge.nonce}).mac;
            net_.send(e.peer, net::EncodeSeatAnswer(answer), kReliable);
            net_.flush();
            continue;
        }
        net::StartMessage m;
        if (!net::DecodeStart(e.bytes.data(), e.bytes.size(), m)) continue;
        GameState taken = g;
        std::string refused;
        if (!DecodeSharedState(m.state, taken, &refused)) {
            error = "cannot join " + where + ": the host's game is damaged (" + refused + ")";
            net_.disconnectNow(e.peer, net::FarewellData(net::Farewell::Left, greeting_));
            close();
            return false;
        }
        g = taken;
        peer_ = 0;
        peerAddress_ = where;
        joinedAtMs_ = lastHeardMs_ = TimerGetTime();
        rollback_.start(g, m.frame, /*localPlayer=*/1, m.reseed, m.fixedReseed, stepGame);
        own_.start(own);
        peerHas_ = m.frame;
        std::fprintf(stderr, "puckslide3d: joined the game at %s\n", where.c_str());
        return true;
    }
    error = "cannot join " + where + ": " +
            (connected ? "the host sent no game within 5 seconds"
                       : "no game answered within 5 seconds: no game may be hosting there, a firewall may block "
                         "UDP port " + std::to_string(port) + ", or the host's router may not forward it");
    close();
    return false;
}

std::string NetSession::farewellText(uint32_t data) const {
    switch (net::FarewellOf(data)) {
        case net::Farewell::Busy: return "the host already has a guest";
        case net::Farewell::OtherVersion:
            return "the host runs version " + net::GreetingVersion(net::FarewellGreeting(data)) + ", this game " +
                   net::GreetingVersion(greeting_);
        case net::Farewell::Left: return guest_ ? "the host has left" : "it left the session";
        case net::Farewell::WrongCode:
            return guestSecret_ ? "the host did not accept the invite code"
                                : "the host lets in only a guest with its invite code: join with --join CODE";
        case net::Farewell::None: break;
    }
    return guest_ ? "the host closed the connection" : "it left the session";
}

void NetSession::accept(const NetEvent& e, const GameState& g, const JoinPoint& at) {
    if (e.data != greeting_) {
        refuse(e, net::Farewell::OtherVersion,
               "it runs version " + net::GreetingVersion(e.data) + ", this game " + net::GreetingVersion(greeting_));
        return;
    }
    if (playing() || provingPeer_ >= 0) {
        refuse(e, net::Farewell::Busy, "the game already has a guest");
        return;
    }
    if (!needsProof(e.ip)) {
        begin(e, g, at);
        return;
    }
    // From beyond this machine's own network: the seat is the invited guest's only.
    provingPeer_ = e.peer;
    provingSinceMs_ = TimerGetTime();
    challenge_ = net::NewSeatChallenge(invite_->salt);
    net_.send(e.peer, net::EncodeSeatChallenge({challenge_.salt, challenge_.nonce}), kReliable);
    net_.flush();
}

void NetSession::proof(const NetEvent& e, const GameState& g, const JoinPoint& at) {
    net::SeatAnswerMessage answer;
    if (!net::DecodeSeatAnswer(e.bytes.data(), e.bytes.size(), answer)) return;
    provingPeer_ = -1;
    if (net::SeatAnswerValid(invite_->key, challenge_, {answer.mac})) {
        begin(e, g, at);
        return;
    }
    refuse(e, net::Farewell::WrongCode, "it did not prove it holds the invite code");
    if (++invite_->refusals < kRefusalsBeforeNewCode) return;
    std::fprintf(stderr, "puckslide3d: %d guests could not prove they hold the invite code: it is retired\n",
                 kRefusalsBeforeNewCode);
    if (meeting_.active()) {
        const net::Endpoint rendezvous = meeting_.rendezvous();
        sendAll(meeting_.stop(nowMs()));
        meeting_.start(rendezvous, net::NewRandom64(), 0, hostAddresses(), nowMs());
    }
    newCode();
}

void NetSession::begin(const NetEvent& e, const GameState& g, const JoinPoint& at) {
    peer_ = e.peer;
    reach_.setBusy(true);
    hadGuest_ = true;
    peerAddress_ = e.address;
    joinedAtMs_ = lastHeardMs_ = TimerGetTime();
    sentAtJoin_ = net_.bytesSent();
    receivedAtJoin_ = net_.bytesReceived();
    desyncs_ = 0;
    healedAt_ = at.frame;
    live_.clear();
    confirmed_.clear();
    checksums_.clear();
    peerAdvantage_ = 0;
    timeSync_ = TimeSync{};
    rollback_.start(g, at.frame, /*localPlayer=*/0, at.reseed, at.fixedReseed, stepGame);
    peerHas_ = at.frame;
    net_.send(peer_, net::EncodeStart({at.frame, at.reseed, at.fixedReseed, EncodeSharedState(g)}), kReliable);
    net_.flush();
    std::fprintf(stderr, "puckslide3d: a guest joined from %s\n", peerAddress_.c_str());
    const bool relayed = meeting_.throughRelay(e.ip, e.port);
    std::vector<Outgoing> out;
    meeting_.guestArrived(relayed, nowMs(), out);
    sendAll(out);
    if (relayed)
        std::fprintf(stderr, "puckslide3d: connected through the relay %s\n", net::FormatEndpoint(meeting_.relayServer()).c_str());
    else
        std::fprintf(stderr, "puckslide3d: connected directly to %s\n", peerAddress_.c_str());
}


void NetSession::refuse(const NetEvent& e, net::Farewell why, const std::string& reason) {
    std::fprintf(stderr, "puckslide3d: refused a guest from %s: %s\n", e.address.c_str(), reason.c_str());
    net_.disconnect(e.peer, net::FarewellData(why, greeting_));
}

// ===========================================================================
// Every frame: records in and out, checksums, heals.
// ===========================================================================

void NetSession::service(int waitMs, const GameState& g, const JoinPoint& at) {
    if (!isOpen()) return;
    meet();
    NetEvent e;
    for (bool first = true; net_.poll(e, first ? waitMs : 0); first = false) {
        switch (e.type) {
            case NetEvent::Type::Connect:
                if (!guest_) accept(e, g, at);
                break;
            case NetEvent::Type::Receive:
                if (e.peer == peer_) receive(e.bytes);
                else if (!guest_ && e.peer == provingPeer_) proof(e, g, at);
                break;
            case NetEvent::Type::Disconnect:
                if (e.peer == peer_) end(farewellText(e.data));
                if (e.peer == provingPeer_) provingPeer_ = -1;
                break;
        }
    }
    if (provingPeer_ >= 0 && TimerGetTime() - provingSinceMs_ > kProofMs) {
        std::fprintf(stderr, "puckslide3d: refused a guest: it did not answer the seat's challenge\n");
        net_.disconnectNow(provingPeer_, net::FarewellData(net::Farewell::WrongCode, greeting_));
        provingPeer_ = -1;
    }
    if (playing() && TimerGetTime() - lastHeardMs_ > kSessionSilenceMs) {
        net_.disconnectNow(peer_, net::FarewellData(net::Farewell::Left, greeting_));
        end(guest_ ? "the host has been silent for more than 3 seconds" : "silent for more than 3 seconds");
    }
}

// What meeting the other side needs now: the rendezvous, probes, the relay; and the news.
void NetSession::meet() {
    if (guest_) {
        if (guestMeeting_) sendAll(guestMeeting_->poll(nowMs()));
        return;
    }
    if (meeting_.active()) meeting_.setOwn(hostAddresses());
    sendAll(meeting_.poll(nowMs()));
    for (std::string news; meeting_.takeNews(news);) std::fprintf(stderr, "puckslide3d: %s\n", news.c_str());
    showCode();
}

void NetSession::pacingWait(float pacedMs, const GameState& g, const JoinPoint& at) {
    const float end = TimerGetTime() + pacedMs;
    // Whole milliseconds in the network's wait, the rest in the timer's.
    for (float left = end - TimerGetTime(); isOpen() && left >= 1.0f; left = end - TimerGetTime())
        service(static_cast<int>(left), g, at);
    PacingWait(end - TimerGetTime());
}

void NetSession::receive(const std::vector<uint8_t>& bytes) {
    net::InputsMessage inputs;
    net::HealMessage heal;
    if (net::DecodeInputs(bytes.data(), bytes.size(), inputs)) {
        lastHeardMs_ = TimerGetTime();
        for (size_t i = 0; i < inputs.records.size(); ++i)
            rollback_.remote(inputs.firstFrame + static_cast<uint32_t>(i), inputs.records[i]);
        if (inputs.ack > peerHas_ && inputs.ack <= rollback_.next()) peerHas_ = inputs.ack;
        peerAdvantage_ = inputs.advantage;
        if (inputs.checksumFrame != net::kNoFrame) compareChecksum(inputs.checksumFrame, inputs.checksum);
    } else if (guest_ && net::DecodeHeal(bytes.data(), bytes.size(), heal)) {
        lastHeardMs_ = TimerGetTime();
        GameState state = rollback_.confirmedState();
        std::string refused;
        if (!DecodeSharedState(heal.state, state, &refused)) {
            net_.disconnectNow(peer_, net::FarewellData(net::Farewell::Left, greeting_));
            end("the host's game is damaged (" + refused + ")");
            return;
        }
        GameState present = state;
        rollback_.adopt(state, heal.frame, present, [this](uint32_t f, const FrameInput& in, const GameState& after) {
            confirmed(f, in, after);
        });
        healedAt_ = heal.frame;
        std::fprintf(stderr, "puckslide3d: took the host's game over at frame %u\n", heal.frame);
    }
    // Anything else is not for us, or damaged: dropped, the session goes on.
}

void NetSession::compareChecksum(uint32_t frame, uint32_t checksum) {
    const auto mine = checksums_.find(frame);
    if (mine == checksums_.end() || frame < healedAt_ || mine->second == checksum) return;
    ++desyncs_;
    healedAt_ = rollback_.confirmed();
    std::fprintf(stderr, "puckslide3d: the games differ at frame %u (desync %d)%s\n", frame, desyncs_,
                 guest_ ? "; waiting for the host's game" : "; sending this game");
    if (guest_) return;
    net_.send(peer_, net::EncodeHeal({rollback_.confirmed(), EncodeSharedState(rollback_.confirmedState())}), kReliable);
    net_.flush();
}

bool NetSession::mayAdvance() {
    if (!rollback_.mayAdvance()) {
        timeSync_.restart();
        return false;
    }
    return !timeSync_.holdBack();
}

int NetSession::catchUp(GameState& g) {
    if (!playing()) return 0;
    return rollback_.catchUp(
        g, [this](uint32_t f, const FrameInput& in, const GameState& after) { confirmed(f, in, after); },
        [this](uint32_t f, const Effects& fx) {
            // Only what the first run of the frame did not play is played now.
            const auto live = live_.find(f);
            if (live == live_.end()) return;
            TurnLog& log = live->second.shown.log;
            for (const Effect& e : fx) {
                const bool sound = e.kind == Effect::Kind::Sound;
                const bool music = e.kind == Effect::Kind::PlayMusic || e.kind == Effect::Kind::StopMusic;
                if (!sound && !music) continue;  // models follow the state; windows and files are the first run's
                const std::string what = sound ? e.file : (e.kind == Effect::Kind::PlayMusic ? "play " : "stop ") + std::string(e.file);
                std::vector<std::string>& played = sound ? log.sounds : log.music;
                if (std::find(played.begin(), played.end(), what) != played.end()) continue;
                played.push_back(what);
                late_.push_back(e);
            }
        });
}

void NetSession::confirmed(uint32_t frame, const FrameInput& input, const GameState& after) {
    if (static_cast<long>(frame) == injectAt_) {
        rollback_.disturbConfirmed([](GameState& s) { s.x += 1.0f; });  // `after` is that state
        std::fprintf(stderr, "puckslide3d: a desync injected at frame %u\n", frame);
    }
    if (!confirmed_.empty() && frame <= confirmed_.back().frame) return;  // a heal confirms again
    ConfirmedFrame c;
    c.frame = frame;
    c.input = input;
    c.after = after;
    const auto live = live_.find(frame);
    if (live != live_.end()) {
        take(c, std::move(live->second));
        live_.erase(live);
    }
    c.desyncs = desyncs_;
    if ((frame + 1) % kChecksumEvery == 0) {
        checksums_[frame] = net::StateChecksum(after);
        if (checksums_.size() > kKeptChecksums) checksums_.erase(checksums_.begin());
    }
    confirmed_.push_back(std::move(c));
}

bool NetSession::takeOwnInput(const InputMessage& m) {
    if (!guest_ || !playing()) return false;
    own_.input(m);
    return true;
}

NetSession::FrameStart NetSession::beginFrame(GameState& g, float frameMs, const JoinPoint& at) {
    FrameStart start;
    start.rerun = rerun_ = catchUp(g);
    start.late = std::exchange(late_, {});
    if (!mayAdvance()) {
        ++waits_;
        service(kWaitPollMs, g, at);
        keepTalking(frameMs);
        start.make = false;
        return start;
    }
    if (!guest_) return start;
    if (own_.takeKey(kKeyEscape)) {  // taken, or the menu of its own game would act on it
        leave();
        start.make = false;
        return start;
    }
    if (own_.takeKey(kKeyF1)) {
        own_.fullscreen() = !own_.fullscreen();
        start.ownWindowAnew = true;
    }
    return start;
}

PlayerInput NetSession::guestRecord(const GameState& g, const Directions& pad) const {
    PlayerInput record;
    record.held = own_.directions(g, pad);
    return record;
}

void NetSession::advanced(FrameShown shown) {
    const uint32_t frame = rollback_.next();
    timeSync_.sample(rollback_.advantage(), peerAdvantage_);
    rollback_.advanced();
    live_[frame] = {std::move(shown), rerun_, std::exchange(waits_, 0), MachineClockMs()};
    sendInputs();
}

SessionTraceLine NetSession::traceLine(const ConfirmedFrame& c) const {
    SessionTraceLine line;
    line.confirmed = &c;
    line.state = c.after;
    if (guest_) {
        line.frame = c.shown.ownFrame;
        line.hostFrame = c.frame;
        own_.trace(line.state);
    } else {
        line.frame = static_cast<long>(c.frame);
    }
    return line;
}

void NetSession::keepTalking(float frameMs) {
    if (playing() && TimerGetTime() - lastSentMs_ >= std::max(frameMs, kWaitingResendMs)) sendInputs();
}

void NetSession::sendInputs() {
    lastSentMs_ = TimerGetTime();
    net::InputsMessage m;
    m.firstFrame = peerHas_;
    for (auto it = rollback_.local().lower_bound(peerHas_);
         it != rollback_.local().end() && m.records.size() < net::kMaxRecordsPerPacket; ++it)
        m.records.push_back(it->second);
    m.ack = rollback_.remoteUpTo();
    m.advantage = static_cast<int8_t>(std::clamp(rollback_.advantage(), -127, 127));
    // A checksum goes out when it is new, and now and then again in case it was lost.
    if (!checksums_.empty() && (checksums_.rbegin()->first != checksumSent_ || ++sentSinceChecksum_ % 8 == 0)) {
        m.checksumFrame = checksumSent_ = checksums_.rbegin()->first;
        m.checksum = checksums_.rbegin()->second;
    }
    net_.send(peer_, net::EncodeInputs(m), !kReliable);
    net_.flush();
}

std::vector<ConfirmedFrame> NetSession::takeConfirmed() { return std::exchange(confirmed_, {}); }

// ===========================================================================
// The end.
// ===========================================================================

void NetSession::keepUnconfirmed() {
    rollback_.eachUnconfirmed([this](uint32_t frame, const FrameInput& input, const GameState& after) {
        ConfirmedFrame c;
        c.frame = frame;
        c.input = input;
        c.after = after;
        take(c, std::move(live_[frame]));
        c.desyncs = desyncs_;
        c.confirmed = false;
        confirmed_.push_back(std::move(c));
    });
    live_.clear();
}

void NetSession::end(const std::string& why) {
    if (!playing()) return;
    keepUnconfirmed();
    const float seconds = (TimerGetTime() - joinedAtMs_) / 1000.0f;
    if (guest_) {
        std::fprintf(stderr, "puckslide3d: the session has ended: %s\n", why.c_str());
    } else {
        std::fprintf(stderr,
                     "puckslide3d: the guest from %s has left (%s); %llu bytes sent, %llu received in %.1f s\n",
                     peerAddress_.c_str(), why.c_str(),
                     static_cast<unsigned long long>(net_.bytesSent() - sentAtJoin_),
                     static_cast<unsigned long long>(net_.bytesReceived() - receivedAtJoin_), seconds);
    }
    peer_ = -1;
    reach_.setBusy(false);
    if (!guest_) {
        std::vector<Outgoing> out;
        meeting_.guestLeft(nowMs(), out);
        sendAll(out);
    }
    endReason_ = why;
    endPending_ = true;
}

bool NetSession::ended(std::string& why) {
    if (!endPending_) return false;
    endPending_ = false;
    why = endReason_;
    return true;
}

void NetSession::leave() {
    if (!playing()) return;
    net_.disconnectConfirmed(peer_, net::FarewellData(net::Farewell::Left, greeting_), kFarewellMs);
    end("you left it");
}

void NetSession::close() {
    if (playing()) {
        keepUnconfirmed();
        net_.disconnectConfirmed(peer_, net::FarewellData(net::Farewell::Left, greeting_), kFarewellMs);
        if (!guest_)
            std::fprintf(stderr, "puckslide3d: the session with %s has ended: the host has left\n", peerAddress_.c_str());
        peer_ = -1;
    }
    sendAll(meeting_.stop(nowMs()));
    if (guestMeeting_) sendAll(guestMeeting_->stop(nowMs()));
    reach_.stop();
    net_.close();
}
