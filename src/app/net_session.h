// One game at two machines. The host runs the game as always and, after each
// frame, sends the guest the state that frame was drawn from, the frame's reseed
// value and the effects of its turns. The guest runs no rules of its own: it takes
// the state over, draws the frame from it (so it shows what the host showed), plays
// the host's effects once and sends back its player's held directions, which are
// Player2's held directions in the host's input records.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/loaded_models.h"
#include "app/net_reach.h"
#include "game/frame_input.h"
#include "net/protocol.h"
#include "platform/net_transport.h"
#include "platform/turn_log.h"

struct DevOptions;
struct GameState;
class TraceWriter;

// A peer not heard from for longer than this is gone.
constexpr float kSessionSilenceMs = 3000.0f;
// States kept as bases for the changes of later frames (2.5 s at the paced rate).
constexpr uint32_t kKeptStates = 256;

// The version a game announces: its own, or --net-version's.
std::string SessionVersion(const DevOptions& options);
// Forgets the states too old to be a base any more.
void ForgetStatesBefore(uint32_t frame, std::map<uint32_t, std::vector<uint8_t>>& states);

class HostSession {
public:
    // Opens the port and says on standard error where it listens. false: `error` says why.
    bool start(const DevOptions& options, std::string& error);
    bool isOpen() const { return net_.isOpen(); }
    bool hasGuest() const { return guest_ >= 0; }
    bool awaitingFirstGuest() const { return awaitGuest_ && !hadGuest_; }

    // Takes in what has arrived (joins, leaves, the guest's input), waiting up to waitMs.
    void service(int waitMs);
    // The frame's pacing wait, listening to the guest meanwhile; the game slows down
    // evenly once the round trip passes 100 ms.
    void pacingWait(float pacedMs);
    // The directions the guest holds: Player2's in the next frame's input.
    Directions guestDirections() const;
    // Around the turn of `frame`: the state it starts from and its reseed value;
    // afterwards the frame goes out with the effects the turn carried out.
    void beforeTurn(const GameState& g, long frame, uint32_t reseed);
    void afterTurn(const TurnLog& log, bool drawn);
    // The program ends: the guest hears it at once.
    void close();

private:
    void accept(const NetEvent& e);
    void refuse(const NetEvent& e, net::Farewell why, const std::string& reason);
    void receive(const NetEvent& e);
    void endSession(const char* why);
    void takeEffects(const TurnLog& log);
    void sendFrame(bool drawn);

    NetTransport net_;
    HostReach reach_;  // the local network's searches and the router's port
    uint32_t greeting_ = 0;
    bool awaitGuest_ = false;
    bool hadGuest_ = false;

    int guest_ = -1;
    std::string guestAddress_;
    float joinedAtMs_ = 0, lastHeardMs_ = 0;
    uint64_t sentAtJoin_ = 0, receivedAtJoin_ = 0;
    uint8_t directions_ = 0;
    uint32_t inputSequence_ = 0;
    bool endRequested_ = false;
    const char* endReason_ = "";

    // The frame being made.
    uint32_t frame_ = 0;
    bool prepared_ = false;
    uint32_t reseed_ = 0;
    std::vector<uint8_t> state_;

    // What the guest has confirmed.
    uint32_t ackedFrame_ = net::kNoFrame;
    uint32_t lastSentFrame_ = net::kNoFrame;
    float roundTripMs_ = 0;
    std::map<uint32_t, std::vector<uint8_t>> sentStates_;
    std::map<uint32_t, float> sentAtMs_;
    std::deque<net::Effect> pending_;
    uint32_t firstPending_ = 0;  // sequence number of pending_.front()
};

struct GuestTurn {
    bool drew = false;   // a frame is ready to be presented
    bool ended = false;  // the session ended in this turn; the guest is back at its own main menu
    bool quit = false;   // the program must end (a model failed to load, or the window)
};

class GuestSession {
public:
    // Connects and waits for the host's first frame. false: `error` says why.
    bool join(const DevOptions& options, std::string& error);
    bool inSession() const { return inSession_; }
    // One turn of the guest: its own input applied (keys, mouse, window), what arrived
    // taken in, the newest frame drawn and the player's directions sent. `frame`
    // counts the guest's frames; in a session it moves on with the host's frames,
    // also those the network lost.
    GuestTurn turn(GameState& g, const FrameInput& input, const Directions& pad, TraceWriter& trace, long& frame);
    // The program ends: the host hears it at once.
    void close();

private:
    struct Arrived {
        uint32_t frame = 0;
        bool drawn = true;
        uint32_t reseed = 0;
        std::vector<uint8_t> state;
    };

    void handle(const NetEvent& e);
    void receiveFrame(const std::vector<uint8_t>& bytes);
    void playEffect(const net::Effect& effect);
    void sendInput(uint8_t directions);
    long guestFrameOf(uint32_t hostFrame) const;
    void writeTraceLine(TraceWriter& trace, const GameState& g, uint32_t hostFrame);
    bool draw(GameState& g, const Arrived& a, GuestTurn& result);
    void end(GameState& g, const std::string& why, GuestTurn& result);
    std::string farewellText(uint32_t data) const;

    NetTransport net_;
    uint32_t greeting_ = 0;
    bool inSession_ = false;
    std::string endReason_;
    float lastHeardMs_ = 0, lastSentMs_ = 0, newestArrivedMs_ = 0;
    uint32_t inputSequence_ = 0;
    uint8_t sentDirections_ = 0;

    uint32_t firstFrame_ = net::kNoFrame, newestFrame_ = net::kNoFrame;
    long guestFrameAtJoin_ = 0;
    std::map<uint32_t, std::vector<uint8_t>> states_;
    std::vector<Arrived> arrived_;
    uint32_t nextEvent_ = 0;
    std::map<uint32_t, TurnLog> effectsByFrame_;
    std::vector<PrintedText> drawnTexts_;
    uint32_t drawnFrame_ = net::kNoFrame;

    LoadedModels models_;
};
