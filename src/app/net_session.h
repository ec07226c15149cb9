// One game at two machines. The host runs the game as always and, after drawing
// each frame, sends the guest the state that frame was drawn from, the random
// numbers it drew and the effects of its turns. The guest runs no rules of its own:
// it takes the state over, draws the frame again with the same random numbers (so
// it shows what the host showed), plays the host's effects once and sends back its
// player's held directions, which the host feeds into its key table through the
// seats of players.h.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/net_reach.h"
#include "app/players.h"
#include "game/random.h"
#include "net/protocol.h"
#include "platform/net_transport.h"
#include "platform/turn_log.h"

struct DevOptions;
struct GameState;
class KeyMerge;
class TraceWriter;

// A peer not heard from for longer than this is gone.
constexpr float kSessionSilenceMs = 3000.0f;

class HostSession {
public:
    // Opens the port and says on standard error where it listens. false: `error` says why.
    bool start(const DevOptions& options, std::string& error);
    bool isOpen() const { return net_.isOpen(); }
    bool hasGuest() const { return guest_ >= 0; }
    bool awaitingFirstGuest() const { return awaitGuest_ && !hadGuest_; }

    // Takes in what has arrived (joins, leaves, the guest's input), waiting up to waitMs.
    void service(GameState& g, KeyMerge& keys, int waitMs);
    // The frame's pacing wait, listening to the guest meanwhile; the game slows down
    // evenly once the round trip passes 100 ms.
    void pacingWait(GameState& g, KeyMerge& keys, float pacedMs);
    // Around DrawGLScene of `frame`: the state and GL switches it is drawn from, its
    // random draws; afterwards the frame goes out and the guest's input comes into
    // the key table, before the turn's input step.
    void beforeDraw(const GameState& g, long frame, bool glBlend, bool glLighting);
    void afterDraw(GameState& g, KeyMerge& keys, bool drawn);
    // The rest of the turn's effects, before its log is cleared.
    void endTurn(const TurnLog& log);
    // The program ends: the guest hears it at once.
    void close();

private:
    void accept(const NetEvent& e);
    void refuse(const NetEvent& e, net::Farewell why, const std::string& reason);
    void receive(const NetEvent& e);
    void endSession(GameState& g, KeyMerge& keys, const char* why);
    void seatGuest(GameState& g, KeyMerge& keys) const;
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
    bool glBlend_ = false, glLighting_ = true;
    std::vector<uint8_t> state_;
    RandomTape tape_;

    // What the guest has confirmed.
    uint32_t ackedFrame_ = net::kNoFrame;
    uint32_t lastSentFrame_ = net::kNoFrame;
    float roundTripMs_ = 0;
    std::map<uint32_t, std::vector<uint8_t>> sentStates_;
    std::map<uint32_t, float> sentAtMs_;
    std::deque<net::Effect> pending_;
    uint32_t firstPending_ = 0;  // sequence number of pending_.front()
    size_t takenSounds_ = 0, takenMusic_ = 0, takenBoxes_ = 0;
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
    // One turn of the guest: what arrived is taken in, the newest frame drawn and
    // the player's directions sent. `frame` counts the guest's frames; in a session
    // it moves on with the host's frames, also those the network lost.
    GuestTurn turn(GameState& g, KeyMerge& keys, const Directions& pad, TraceWriter& trace, long& frame);
    // The program ends: the host hears it at once.
    void close();

private:
    struct Arrived {
        uint32_t frame = 0;
        bool drawn = true, glBlend = false, glLighting = true;
        std::vector<uint32_t> randoms;
        std::vector<uint8_t> state;
    };

    void handle(const NetEvent& e);
    void receiveFrame(const std::vector<uint8_t>& bytes);
    void playEffect(const net::Effect& effect);
    void sendInput(uint8_t directions);
    long guestFrameOf(uint32_t hostFrame) const;
    void writeTraceLine(TraceWriter& trace, const GameState& g, uint32_t hostFrame);
    bool draw(GameState& g, const Arrived& a, GuestTurn& result);
    bool loadModels(GameState& g);
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
    RandomTape tape_;

    int loadedTable_ = 0;
    const char* loadedPuck_ = nullptr;
};
