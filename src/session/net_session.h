// One game at two machines, by rollback. At the join the host sends its game once;
// from then on both sides run the same game on the same per-frame input records.
// Each side makes every frame at once with its own record and a prediction of the
// other's, sends its records (each packet repeating those not yet confirmed) and,
// when the other's real record differs from the prediction, runs the frames since
// the newest confirmed state again (session/rollback.h). Every 16 confirmed frames the
// sides compare checksums; after a mismatch the host sends its confirmed state and
// the guest takes it over. A side silent for 3 seconds, or one that leaves, ends the
// session: the host plays on alone, the guest returns to its own game.
//
// The shell runs the frames, draws them and carries out their effects; the session
// says when a frame may be made, with which input, and what only a session does to it:
// a guest's own keys, window and speakers, and what its trace shows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/effects.h"
#include "game/frame_input.h"
#include "game/game_state.h"
#include "game/turn.h"
#include "net/invite_code.h"
#include "net/protocol.h"
#include "net/seat_proof.h"
#include "platform/net_transport.h"
#include "platform/turn_log.h"
#include "session/guest_own.h"
#include "session/meeting.h"
#include "session/net_reach.h"
#include "session/rollback.h"
#include "session/session_options.h"
#include "session/session_pace.h"
#include "session/time_sync.h"

// Where a guest joining now begins: the host's frame and what the session's reseeds start from.
struct JoinPoint {
    uint32_t frame = 0;
    uint32_t reseed = 0;
    bool fixedReseed = false;  // --seed: every reseed uses it
};

// What this side showed of a frame when it made it, as the shell drew it.
struct FrameShown {
    long ownFrame = 0;  // this side's own frame count
    bool drawn = false;
    ShownPositions positions;
    TurnLog log;        // the effects played, the texts printed
};

// A frame both sides' records are known for, in frame order.
struct ConfirmedFrame {
    uint32_t frame = 0;
    FrameInput input;
    GameState after;
    FrameShown shown;
    int rollback = 0;         // frames run again in the turn that first made it
    int waits = 0;            // loop turns this side waited for the other before it made it
    double madeAtMs = 0;      // when it made it, on the machine's monotonic clock
    int desyncs = 0;          // found so far in the session
    bool confirmed = true;    // false: the session ended before the other's record arrived
};

// A confirmed frame as this side's trace shows it.
struct SessionTraceLine {
    long frame = 0;                      // a guest's own frame, the host's session frame
    std::optional<uint32_t> hostFrame;   // a guest's: the session's frame
    GameState state;                     // with a guest's own window's mode and activity
    const ConfirmedFrame* confirmed = nullptr;
};

class NetSession {
public:
    // The host: opens the port and says on standard error where it listens.
    bool host(const SessionOptions& options, std::string& error);
    // The guest: connects and waits for the host's game, which `g` takes over (its
    // shared fields) together with the session's first frame; its own window and
    // speakers stay as `own` says. false: `error` says why.
    bool join(const SessionOptions& options, GameState& g, const OwnSettings& own, std::string& error);

    bool isOpen() const { return net_.isOpen(); }
    bool isGuest() const { return guest_; }
    bool playing() const { return peer_ >= 0; }
    bool awaitingFirstGuest() const { return awaitGuest_ && !hadGuest_; }

    // Takes in what arrived, waiting up to waitMs. A guest joining the host gets the game
    // `g` as it stands at `at`, from which the session begins.
    void service(int waitMs, const GameState& g, const JoinPoint& at);
    // What the session asks of the shell between frames (an invite code for the clipboard).
    Effects takeShellEffects() { return std::exchange(shellFx_, {}); }
    // The frame's pacing wait, listening meanwhile.
    void pacingWait(float pacedMs, const GameState& g, const JoinPoint& at);

    // A message of a playing guest's own window: taken (true), it never enters the host's game.
    bool takeOwnInput(const InputMessage& m);

    // The start of a session frame: what arrived is confirmed and, after a wrong prediction,
    // the frames since the confirmed state run again into `g`.
    struct FrameStart {
        int rerun = 0;               // frames run again
        Effects late;                // sounds and music a re-run has and its first run had not
        bool make = true;            // false: no frame this turn (this side waits, or the guest left)
        bool ownWindowAnew = false;  // the guest's F1: its own window in its other mode
    };
    FrameStart beginFrame(GameState& g, float frameMs, const JoinPoint& at);
    // A guest's record: the directions of its own keys and of its pad.
    PlayerInput guestRecord(const GameState& g, const Directions& pad) const;
    // The input of the frame to be made: the local record and the other's, known or predicted.
    FrameInput nextInput(const PlayerInput& local) { return rollback_.nextInput(local); }
    // false: a guest whose own window is minimised draws nothing.
    bool drawsFrames() const { return !guest_ || own_.shown(); }
    // The frame's effects as this side carries them out (a guest's speakers are its own).
    void keepOwnSound(Effects& fx) const {
        if (guest_) own_.keepOwnSound(fx);
    }
    // A side's pads feel only its own player's rumble: the host's player 1's, a guest's Player2's.
    void keepOwnRumble(Effects& fx) const { KeepPlayersRumble(fx, guest_ ? 1 : 0); }
    bool& ownFullscreen() { return own_.fullscreen(); }
    // After the frame: what this side showed of it; the records go out.
    void advanced(FrameShown shown);

    // Confirmed frames, in order, for the trace and the record; at the end, the frames
    // never confirmed as they were last made.
    std::vector<ConfirmedFrame> takeConfirmed();
    SessionTraceLine traceLine(const ConfirmedFrame& c) const;

    // The session has ended (the peer left or fell silent): why, once.
    bool ended(std::string& why);
    // This side leaves (a guest's ESC); the peer hears it at once.
    void leave();
    void close();

private:
    // The host's invite: a code (of its rendezvous registration, or naming this machine's
    // address), its secret and the key a guest's proof is checked with.
    struct Invite {
        net::InviteCode code;
        net::SeatSalt salt{};
        net::SeatKey key;
        bool shown = false;   // printed
        int refusals = 0;     // proofs refused since the code was made
    };
    bool startInvite(const SessionOptions& options, uint16_t port, std::string& error);
    // A new code and key. false: the key could not be made.
    bool newCode();
    void showCode();
    // Where this host may be reached: its own addresses and the router's, if it forwards the port.
    std::vector<net::Endpoint> hostAddresses() const;
    // A guest from this machine or its own local network needs no code.
    bool needsProof(uint32_t ip) const;
    void proof(const NetEvent& e, const GameState& g, const JoinPoint& at);
    bool joinByCode(const SessionOptions& options, net::Endpoint& target, std::string& error);
    bool handshake(const std::string& where, uint16_t port, GameState& g, const OwnSettings& own, std::string& error);
    void meet();
    void sendAll(const std::vector<Outgoing>& out);
    uint64_t nowMs() const;
    void begin(const NetEvent& e, const GameState& g, const JoinPoint& at);
    void accept(const NetEvent& e, const GameState& g, const JoinPoint& at);
    void refuse(const NetEvent& e, net::Farewell why, const std::string& reason);
    void receive(const std::vector<uint8_t>& bytes);
    void compareChecksum(uint32_t frame, uint32_t checksum);
    int catchUp(GameState& g);
    // false while this side is too far ahead: beyond the rollback window, or ahead of the
    // other by the time sync (the sides meet in the middle).
    bool mayAdvance();
    // While this side waits: its records the other has not acknowledged go out again, once a
    // frame time (`frameMs`, or kWaitingResendMs if that is shorter), so that records lost in a
    // dark spell are sent again and the other side keeps hearing this one.
    void keepTalking(float frameMs);
    void sendInputs();
    void end(const std::string& why);
    // The frames never confirmed go to the trace and the record as they were last made.
    void keepUnconfirmed();
    void confirmed(uint32_t frame, const FrameInput& input, const GameState& after);
    std::string farewellText(uint32_t data) const;

    // What the first run of a frame showed, until the frame is confirmed.
    struct Live {
        FrameShown shown;
        int rollback = 0, waits = 0;
        double madeAtMs = 0;
    };
    static void take(ConfirmedFrame& c, Live&& live);

    NetTransport net_;
    HostReach reach_;  // the local network's searches and the router's port
    HostMeeting meeting_;                   // the host's registration at its rendezvous
    std::optional<GuestMeeting> guestMeeting_;
    std::optional<Invite> invite_;
    std::optional<uint64_t> guestSecret_;   // a guest joining by code: the code's secret
    std::string hostAddress_;               // the host's --host address, empty: every interface
    uint16_t hostPort_ = 0;
    int provingPeer_ = -1;                  // a guest answering the seat's challenge
    net::SeatChallenge challenge_;
    float provingSinceMs_ = 0;
    Effects shellFx_;
    bool guest_ = false;
    GuestOwn own_;
    uint32_t greeting_ = 0;
    bool awaitGuest_ = false, hadGuest_ = false;
    int peer_ = -1;
    std::string peerAddress_;
    float joinedAtMs_ = 0, lastHeardMs_ = 0, lastSentMs_ = 0;
    uint64_t sentAtJoin_ = 0, receivedAtJoin_ = 0;
    std::string endReason_;
    bool endPending_ = false;

    Rollback<GameState> rollback_;
    std::map<uint32_t, Live> live_;
    std::vector<ConfirmedFrame> confirmed_;
    uint32_t peerHas_ = 0;                     // the peer has this side's records below this frame
    std::map<uint32_t, uint32_t> checksums_;  // of confirmed frames, by frame
    uint32_t healedAt_ = 0;                    // checksums before this frame are not compared again
    int desyncs_ = 0;
    Effects late_;
    int peerAdvantage_ = 0;
    TimeSync timeSync_;
    int rerun_ = 0;   // frames run again at the start of the frame being made
    int waits_ = 0;   // loop turns the next frame has waited for the other side
    uint32_t checksumSent_ = net::kNoFrame;
    unsigned sentSinceChecksum_ = 0;
    long injectAt_ = -1;
};
