// Two sides of a session, each running every frame at once on its own input and a
// prediction of the other's, with the other's records arriving late and out of order:
// both confirm the same states, the same as one machine running both inputs, and
// their present catches up with the confirmed game once everything has arrived.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "app/rollback.h"
#include "app/turn.h"
#include "game/table.h"
#include "net/state_codec.h"

namespace {

PlayerInput randomRecord(std::mt19937& rng, int player) {
    PlayerInput p;
    if (rng() % 6 == 0) p.held = {rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0};
    if (player == 0 && rng() % 9 == 0) {  // the host's keys: camera, transparency, its own mallet
        const int keys[] = {'W', 'A', 'S', 'D', 'M', 'N', 38, 40, 'V'};
        p.messages.push_back({rng() % 2 ? InputMessage::Kind::KeyDown : InputMessage::Kind::KeyUp,
                              KeySource::Keyboard, static_cast<uint8_t>(keys[rng() % std::size(keys)])});
    }
    return p;
}

struct Side {
    Rollback rollback;
    GameState present;
    std::vector<std::vector<uint8_t>> confirmed;  // the state each confirmed frame ended with
    int reruns = 0;
};

struct InFlight {
    uint32_t due, frame;
    int to;
    PlayerInput record;
};

}  // namespace

TEST(Rollback, BothSidesConfirmTheStatesOneMachineReachesAndThePresentCatchesUp) {
    GameState start;
    ASSERT_TRUE(ApplyTableConstants(start, 2));
    start.menu = false, start.hauptmenu_nr = 113, start.artif_int = false, start.move_x = 5, start.move_z = -3;
    constexpr uint32_t kStart = 40, kFrames = 1500;
    std::mt19937 rng(11);
    std::vector<PlayerInput> records[2];
    for (int p = 0; p < 2; ++p)
        for (uint32_t f = 0; f < kFrames; ++f) records[p].push_back(randomRecord(rng, p));

    Side sides[2];
    for (int p = 0; p < 2; ++p) {
        sides[p].rollback.start(start, kStart, p, 77, false);
        sides[p].present = start;
    }
    std::vector<InFlight> flight;
    for (uint32_t tick = 0; tick < kFrames * 3; ++tick) {
        for (int p = 0; p < 2; ++p) {  // what is due arrives, in any order
            for (auto it = flight.begin(); it != flight.end();)
                if (it->to == p && it->due <= tick) {
                    sides[p].rollback.remote(it->frame, it->record);
                    it = flight.erase(it);
                } else {
                    ++it;
                }
            Side& s = sides[p];
            s.reruns += s.rollback.catchUp(
                s.present,
                [&](uint32_t, const FrameInput&, const GameState& after) { s.confirmed.push_back(EncodeSharedState(after)); },
                {});
            const uint32_t f = s.rollback.next();
            if (f - kStart >= kFrames || !s.rollback.mayAdvance()) continue;
            const PlayerInput& mine = records[p][f - kStart];
            AdvanceFrame(s.present, s.rollback.nextInput(mine));
            s.rollback.advanced();
            if (rng() % 20 != 0)  // a twentieth are lost on the way and never arrive
                flight.push_back({tick + 1 + static_cast<uint32_t>(rng() % 7), f, 1 - p, mine});
        }
        if (tick % 50 == 0) {  // every record is sent again until it has arrived
            for (int p = 0; p < 2; ++p)
                for (const auto& [frame, record] : sides[p].rollback.local())
                    if (frame >= sides[1 - p].rollback.remoteUpTo())
                        flight.push_back({tick + 3, frame, 1 - p, record});
        }
    }

    // One machine with both records.
    GameState straight = start;
    std::vector<std::vector<uint8_t>> expected;
    for (uint32_t f = 0; f < kFrames; ++f) {
        FrameInput in;
        in.players[0] = records[0][f], in.players[1] = records[1][f];
        in.reseed = sides[0].rollback.reseedOf(kStart + f), in.player2Remote = true;
        AdvanceFrame(straight, in);
        expected.push_back(EncodeSharedState(straight));
    }
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(sides[p].confirmed.size(), kFrames) << "side " << p;
        for (uint32_t f = 0; f < kFrames; ++f) ASSERT_EQ(sides[p].confirmed[f], expected[f]) << "side " << p << " frame " << f;
        EXPECT_EQ(EncodeSharedState(sides[p].present), expected.back()) << "side " << p;
        EXPECT_GT(sides[p].reruns, 0);  // the predictions were put to the test
    }
    EXPECT_GT(straight.my_score + straight.his_score, 0);
}
