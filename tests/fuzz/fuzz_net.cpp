// Any bytes as a network message, as a state, as a search of the local network and
// as a datagram reaching two games that meet through their routers: each reader stays
// inside the bytes, and what it accepts is exactly what the writer makes of the result,
// so nothing half-read ever reaches the game. A state the bounds let through is played for a few frames,
// keys pressed, without a sanitizer's complaint; a refused one names its field.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/turn.h"
#include "game/game_state.h"
#include "net/discovery.h"
#include "net/protocol.h"
#include "net/punch_probe.h"
#include "net/state_codec.h"
#include "platform/virtual_keys.h"
#include "session/meeting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    net::StartMessage start;
    if (net::DecodeStart(data, size, start) && net::EncodeStart(start) != bytes) std::abort();
    net::InputsMessage inputs;
    if (net::DecodeInputs(data, size, inputs) && net::EncodeInputs(inputs) != bytes) std::abort();
    net::HealMessage heal;
    if (net::DecodeHeal(data, size, heal) && net::EncodeHeal(heal) != bytes) std::abort();

    static const uint32_t greeting = net::Greeting(PUCKSLIDE_VERSION);
    if (net::DecodeDiscoveryRequest(data, size, greeting) && net::EncodeDiscoveryRequest(greeting) != bytes) std::abort();
    net::DiscoveryAnswer answer;
    if (net::DecodeDiscoveryAnswer(data, size, greeting, answer) && net::EncodeDiscoveryAnswer(greeting, answer) != bytes) std::abort();
    net::SeatChallengeMessage challenge;
    if (net::DecodeSeatChallenge(data, size, challenge) && net::EncodeSeatChallenge(challenge) != bytes) std::abort();
    net::SeatAnswerMessage seatAnswer;
    if (net::DecodeSeatAnswer(data, size, seatAnswer) && net::EncodeSeatAnswer(seatAnswer) != bytes) std::abort();
    net::PunchProbe probe;
    if (net::DecodePunchProbe(data, size, probe) && net::EncodePunchProbe(probe) != bytes) std::abort();
    // From the rendezvous and from anywhere else, to both sides of a meeting.
    const net::Endpoint rendezvous{0x2D2D0001, 27317}, elsewhere{0x2D2D0201, 40000};
    GuestMeeting guest(rendezvous, 0x12345, 7, {{0xC0A80111, 27315}}, 0);
    HostMeeting host;
    host.start(rendezvous, 7, 0, {{0xC0A80211, 40000}}, 0);
    for (const net::Endpoint& from : {rendezvous, elsewhere}) {
        const RawDatagram d{from.ipv4, from.port, data, size};
        guest.filter(d, 10), host.filter(d, 10);
    }
    guest.poll(20), host.poll(20);

    GameState g;
    std::string refused;
    if (!DecodeSharedState(bytes, g, &refused)) return refused.empty() ? (std::abort(), 0) : 0;
    if (EncodeSharedState(g) != bytes) std::abort();
    FrameInput keys;
    for (int key : {kKeyEnter, kKeyDown, kKeyEscape, kKeyPageUp, kKeySpace, int('M'), int('N'), int('A'), kKeyLetterUp,
                    kKeyNextPlace})
        keys.players[0].messages.push_back({InputMessage::Kind::KeyDown, KeySource::Keyboard, static_cast<uint8_t>(key)});
    for (const FrameInput& in : {FrameInput{}, keys, FrameInput{}}) AdvanceFrame(g, in);
    return 0;
}
