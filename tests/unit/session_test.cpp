// The session's rollback core on a toy game whose every state depends on every record:
// two sides running each frame at once on a prediction of the other's record, with the
// records arriving late, out of order or lost and sent again, confirm the states one
// machine reaches with both records, and their present catches up. The time sync holds
// a side back only for a steady lead.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "session/rollback.h"
#include "session/time_sync.h"

namespace {

// A state that remembers the order of everything that happened to it.
struct Toy {
    uint64_t digest = 14695981039346656037ull;
    bool operator==(const Toy& o) const { return digest == o.digest; }
};

void mix(Toy& t, uint64_t v) { t.digest = (t.digest ^ v) * 1099511628211ull; }

void toyStep(Toy& t, const FrameInput& in, Effects& fx) {
    mix(t, in.reseed);
    for (const PlayerInput& p : in.players) {
        mix(t, p.held.up | p.held.left << 1 | p.held.down << 2 | p.held.right << 3);
        for (const InputMessage& m : p.messages) mix(t, m.key);
    }
    if (t.digest % 5 == 0) fx.push_back({Effect::Kind::Sound, "tick"});
}

PlayerInput randomRecord(std::mt19937& rng) {
    PlayerInput p;
    if (rng() % 6 == 0) p.held = {rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0};
    if (rng() % 9 == 0) p.messages.push_back({InputMessage::Kind::KeyDown, KeySource::Keyboard, static_cast<uint8_t>(rng())});
    return p;
}

struct Side {
    Rollback<Toy> rollback;
    Toy present;
    std::vector<Toy> confirmed;  // the state each confirmed frame ended with
    int reruns = 0, rerunEffects = 0;
};

struct InFlight { uint32_t due, frame; int to; PlayerInput record; };

}  // namespace

TEST(Rollback, BothSidesConfirmTheStatesOneMachineReachesAndThePresentCatchesUp) {
    constexpr uint32_t kStart = 40, kFrames = 1500;
    std::mt19937 rng(11);
    std::vector<PlayerInput> records[2];
    for (auto& side : records)
        for (uint32_t f = 0; f < kFrames; ++f) side.push_back(randomRecord(rng));

    Side sides[2];
    for (int p = 0; p < 2; ++p) sides[p].rollback.start(Toy{}, kStart, p, 77, false, toyStep);
    std::vector<InFlight> flight;
    for (uint32_t tick = 0; tick < kFrames * 3; ++tick) {
        for (int p = 0; p < 2; ++p) {  // what is due arrives, in any order
            for (auto it = flight.begin(); it != flight.end();)
                if (it->to == p && it->due <= tick) sides[p].rollback.remote(it->frame, it->record), it = flight.erase(it);
                else ++it;
            Side& s = sides[p];
            s.reruns += s.rollback.catchUp(
                s.present, [&](uint32_t, const FrameInput&, const Toy& after) { s.confirmed.push_back(after); },
                [&](uint32_t, const Effects& fx) { s.rerunEffects += static_cast<int>(fx.size()); });
            const uint32_t f = s.rollback.next();
            if (f - kStart >= kFrames || !s.rollback.mayAdvance()) continue;
            const PlayerInput& mine = records[p][f - kStart];
            Effects fx;
            toyStep(s.present, s.rollback.nextInput(mine), fx), s.rollback.advanced();
            if (rng() % 20 != 0)  // a twentieth are lost on the way and never arrive
                flight.push_back({tick + 1 + static_cast<uint32_t>(rng() % 7), f, 1 - p, mine});
        }
        for (int p = 0; p < 2 && tick % 50 == 0; ++p)  // every record is sent again until it has arrived
            for (const auto& [frame, record] : sides[p].rollback.local())
                if (frame >= sides[1 - p].rollback.remoteUpTo()) flight.push_back({tick + 3, frame, 1 - p, record});
    }

    // One machine with both records.
    Toy straight;
    std::vector<Toy> expected;
    for (uint32_t f = 0; f < kFrames; ++f) {
        FrameInput in;
        in.players[0] = records[0][f], in.players[1] = records[1][f];
        in.reseed = sides[0].rollback.reseedOf(kStart + f), in.player2Remote = true;
        Effects fx;
        toyStep(straight, in, fx), expected.push_back(straight);
    }
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(sides[p].confirmed, expected) << "side " << p;
        EXPECT_EQ(sides[p].present, expected.back()) << "side " << p;
        // the predictions were put to the test, and the frames run again told their effects
        EXPECT_TRUE(sides[p].reruns > 0 && sides[p].rerunEffects > 0) << "side " << p;
    }
}

TEST(TimeSync, JitterNeverHoldsBackASteadyLeadIsHalvedOnceAndOldReadingsAreForgotten) {
    std::mt19937 rng(5);
    TimeSync sync;
    // Even sides on a link whose readings jump by a frame either way: no hold in 60 rounds.
    for (int f = 0; f < 60 * kTimeSyncFrames; ++f)
        ASSERT_FALSE((sync.sample(3 + static_cast<int>(rng() % 3), 3 + static_cast<int>(rng() % 3)), sync.holdBack())) << "frame " << f;
    // Three frames ahead: this side reads 6 more than the other; it holds back three frames,
    // once, and then waits for readings that see the effect.
    const auto holdsAfterRound = [&](int local, int remote) {
        for (int f = 0; f < kTimeSyncFrames; ++f) sync.sample(local, remote);
        int holds = 0;
        while (sync.holdBack()) ++holds;
        return holds;
    };
    EXPECT_EQ(holdsAfterRound(9, 3), 3);
    EXPECT_FALSE(sync.holdBack());
    EXPECT_EQ(holdsAfterRound(3, 9), 0);  // behind: the other holds back
    EXPECT_EQ(holdsAfterRound(60, 0), kMaxHeldFrames);
    // A restart forgets readings taken before it.
    for (int f = 0; f < kTimeSyncFrames - 1; ++f) sync.sample(30, 0);
    sync.restart();
    EXPECT_EQ(holdsAfterRound(4, 4), 0);
}
