// One game at two machines, by rollback. At the join the host sends its game once;
// from then on both sides run the same game on the same per-frame input records.
// Each side makes every frame at once with its own record and a prediction of the
// other's, sends its records (each packet repeating those not yet confirmed) and,
// when the other's real record differs from the prediction, runs the frames since
// the newest confirmed state again (app/rollback.h). Every 16 confirmed frames the
// sides compare checksums; after a mismatch the host sends its confirmed state and
// the guest takes it over. A side silent for 3 seconds, or one that leaves, ends the
// session: the host plays on alone, the guest returns to its own game.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/net_reach.h"
#include "app/rollback.h"
#include "app/session_pace.h"
#include "app/time_sync.h"
#include "game/frame_input.h"
#include "game/game_state.h"
#include "game/turn.h"
#include "net/protocol.h"
#include "platform/net_transport.h"
#include "platform/turn_log.h"

struct DevOptions;

// The version a game announces: its own, or --net-version's.
std::string SessionVersion(const DevOptions& options);

// What a side showed of a frame when it first made it.
struct LiveFrame {
    long ownFrame = 0;        // this side's own frame count
    bool drawn = false;
    ShownPositions shown;
    int rollback = 0;         // frames run again in the turn that made it
    int waits = 0;            // loop turns this side waited for the other before making it
    double madeAtMs = 0;      // when, on the machine's monotonic clock
    TurnLog log;              // the effects played, the texts printed
};

// A frame both sides' records are known for, in frame order.
struct ConfirmedFrame {
    uint32_t frame = 0;
    FrameInput input;
    GameState after;
    LiveFrame live;
    int desyncs = 0;          // found so far in the session
    bool confirmed = true;    // false: the session ended before the other's record arrived
};

class NetSession {
public:
    // The host: opens the port and says on standard error where it listens.
    bool host(const DevOptions& options, std::string& error);
    // The guest: connects and waits for the host's game, which `g` takes over (its
    // shared fields) together with the session's first frame. false: `error` says why.
    bool join(const DevOptions& options, GameState& g, std::string& error);

    bool isOpen() const { return net_.isOpen(); }
    bool isGuest() const { return guest_; }
    bool playing() const { return peer_ >= 0; }
    bool awaitingFirstGuest() const { return awaitGuest_ && !hadGuest_; }

    // Takes in what arrived, waiting up to waitMs. A guest joining the host gets the game
    // `g` as it stands before `frame`, from which the session begins.
    void service(int waitMs, const GameState& g, uint32_t frame, uint32_t reseed, bool fixedReseed);
    // The frame's pacing wait, listening meanwhile.
    void pacingWait(float pacedMs, const GameState& g, uint32_t frame, uint32_t reseed, bool fixedReseed);

    // Before a frame: confirms what arrived and, after a wrong prediction, runs the frames
    // since the confirmed state again into `g`, playing effects they have that their first
    // run did not. Returns the frames run again.
    int catchUp(GameState& g);
    // false while this side is too far ahead: beyond the rollback window, or clearly
    // further ahead of the other than the other is of it (the sides meet in the middle).
    bool mayAdvance();
    // While this side waits: its records the other has not acknowledged go out again, once a
    // frame time (`frameMs`, or kWaitingResendMs if that is shorter), so that records lost in a
    // dark spell are sent again and the other side keeps hearing this one.
    void keepTalking(float frameMs);
    uint32_t nextFrame() const { return rollback_.next(); }
    FrameInput nextInput(const PlayerInput& local) { return rollback_.nextInput(local); }
    // After the frame: what this side showed of it; the records go out.
    void advanced(LiveFrame live);
    // Confirmed frames, in order, for the trace and the record; at the end, the frames
    // never confirmed as they were last made.
    std::vector<ConfirmedFrame> takeConfirmed();
    // Sounds and music that a frame run again has and its first run had not.
    Effects takeLateEffects() { return std::exchange(late_, {}); }

    // The session has ended (the peer left or fell silent): why, once.
    bool ended(std::string& why);
    // This side leaves (a guest's ESC); the peer hears it at once.
    void leave();
    void close();

    // A developer's desync: the confirmed state of `frame` is changed by a hair.
    void injectDesyncAt(long frame) { injectAt_ = frame; }

private:
    void accept(const NetEvent& e, const GameState& g, uint32_t frame, uint32_t reseed, bool fixedReseed);
    void refuse(const NetEvent& e, net::Farewell why, const std::string& reason);
    void receive(const std::vector<uint8_t>& bytes);
    void compareChecksum(uint32_t frame, uint32_t checksum);
    void sendInputs();
    void end(const std::string& why);
    // The frames never confirmed go to the trace and the record as they were last made.
    void keepUnconfirmed();
    void confirmed(uint32_t frame, const FrameInput& input, const GameState& after);
    std::string farewellText(uint32_t data) const;

    NetTransport net_;
    HostReach reach_;  // the local network's searches and the router's port
    bool guest_ = false;
    uint32_t greeting_ = 0;
    bool awaitGuest_ = false, hadGuest_ = false;
    int peer_ = -1;
    std::string peerAddress_;
    float joinedAtMs_ = 0, lastHeardMs_ = 0, lastSentMs_ = 0;
    uint64_t sentAtJoin_ = 0, receivedAtJoin_ = 0;
    std::string endReason_;
    bool endPending_ = false;

    Rollback rollback_;
    std::map<uint32_t, LiveFrame> live_;
    std::vector<ConfirmedFrame> confirmed_;
    uint32_t peerHas_ = 0;                     // the peer has this side's records below this frame
    std::map<uint32_t, uint32_t> checksums_;  // of confirmed frames, by frame
    uint32_t healedAt_ = 0;                    // checksums before this frame are not compared again
    int desyncs_ = 0;
    Effects late_;
    int peerAdvantage_ = 0;
    TimeSync timeSync_;
    uint32_t checksumSent_ = net::kNoFrame;
    unsigned sentSinceChecksum_ = 0;
    long injectAt_ = -1;
};
