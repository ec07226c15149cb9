#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "assets_test_support.h"
#include "scores/rules.h"
#include "scores/store.h"
#include "scores/views.h"

using namespace scores;

namespace {

verify::Verdict proven(std::vector<std::string> switches, const std::string& name = "ACE") {
    verify::Verdict v;
    v.kind = verify::Verdict::Kind::Proven;
    v.frames = 3000;
    v.entry = verify::LadderEntry{false, name, 21, 2932, 2914, std::move(switches)};
    return v;
}

}  // namespace

TEST(ScoresRules, OnlyAProvenNameOfALadderPlayedAsDesignedIsListed) {
    verify::Verdict left{verify::Verdict::Kind::Refused, 9, "the replay left the recorded game at frame 7", {}};
    verify::Verdict noName = proven({});
    noName.entry.reset();
    EXPECT_EQ(Admit(left, true).reason, left.reason);
    EXPECT_EQ(Admit(noName, true).reason, "the record stores no name in the high-score list");
    const Outcome switched = Admit(proven({"computer", "table"}), false);
    EXPECT_TRUE(!switched.proven && switched.reason.find("switched by key: computer, table") != std::string::npos);
    EXPECT_TRUE(Admit(proven({"computer"}), true).proven);
    const Outcome latin1 = Admit(proven({}, "J\xd6"), false);  // a Latin-1 name is listed as UTF-8
    EXPECT_TRUE(latin1.proven && latin1.entry.name == "J\xc3\x96");
}

TEST(ScoresRules, RunsPerAddressRefillOverAMinuteAndOldAddressesAreForgotten) {
    RateLimit limit(30, 2);
    int64_t retry = 0;
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(limit.take("a", 1000, retry)) << i;
    EXPECT_FALSE(limit.take("a", 1000, retry));
    EXPECT_EQ(retry, 2000);
    EXPECT_TRUE(limit.take("b", 1000, retry));  // another address has its own
    EXPECT_FALSE(limit.take("a", 2999, retry));
    EXPECT_TRUE(limit.take("a", 3000, retry));
    EXPECT_TRUE(limit.take("c", 3000, retry));
    EXPECT_EQ(limit.addresses(), 2u);
    EXPECT_TRUE(limit.take("b", 3000, retry));  // b was forgotten: a full bucket again
}

TEST(ScoresRules, AnAddressHoldsItsShareOfConnectionsAndIsForgottenWhenItHasNone) {
    ConnectionLimit two(2), none(0);
    EXPECT_TRUE(two.open("a") && two.open("a") && two.open("b"));
    EXPECT_FALSE(two.open("a"));
    two.close("a");
    EXPECT_TRUE(two.open("a"));
    for (const char* address : {"a", "a", "b", "never"}) two.close(address);
    EXPECT_EQ(two.addresses(), 0u);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(none.open("a"));
}

TEST(ScoresRules, RequestsSayOnlyWhatTheyMay) {
    ListQuery q;
    std::string error;
    const std::string single = "single", multi = "multi", other = "doubles", n = "25";
    EXPECT_TRUE(ParseListQuery(&multi, &n, q, error) && q.multiplayer && q.limit == 25);
    EXPECT_TRUE(ParseListQuery(&single, nullptr, q, error) && !q.multiplayer && q.limit == kDefaultLimit);
    for (const std::string bad : {"0", "101", "-1", "1e2", "", "99999999999"})
        EXPECT_FALSE(ParseListQuery(&single, &bad, q, error)) << bad;
    EXPECT_FALSE(ParseListQuery(&other, nullptr, q, error) || ParseListQuery(nullptr, nullptr, q, error));
    EXPECT_TRUE(IsRunId(RunIdOf(nullptr, 0)) && !IsRunId(RunIdOf(nullptr, 0).substr(1) + "G"));
    EXPECT_EQ(HtmlEscaped("<b>&'\"\x01\xc3\x96"), "&lt;b&gt;&amp;&#39;&quot;&#1;\xc3\x96");
    EXPECT_EQ(ListsPage({ListLine{"ab", "<i>", 3, 9, 0}}, {}).find("<i>"), std::string::npos);
}

// The store's queue and list, on a real SQLite file (the same statements run on PostgreSQL in e2e.test_scores).
TEST(ScoresStore, LeasesHandEachRunToOneWorkerAtATimeAndTheListKeepsItsOrder) {
    TempDir dir;
    Store store(OpenSqlite(dir.file("s.sqlite")));
    store.migrate();
    store.migrate();  // a second start changes nothing
    EXPECT_EQ(store.schemaVersion(), kSchemaVersion);
    EXPECT_TRUE(store.submit("r1", std::string("\0\1", 2), "a", 100));
    EXPECT_FALSE(store.submit("r1", "other", "b", 200));
    const auto first = store.take(1000, kLeaseMs, 11);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->record == std::string("\0\1", 2) && first->waitedMs == 900);
    EXPECT_FALSE(store.take(1000 + kLeaseMs - 1, kLeaseMs, 12));  // held
    const auto again = store.take(1000 + kLeaseMs, kLeaseMs, 13);  // the lease ran out
    ASSERT_TRUE(again && again->attempts == 2);
    Outcome o = Admit(proven({}), false);
    EXPECT_FALSE(store.finish(*first, o, 5000));  // too late: the run is another's
    EXPECT_TRUE(store.finish(*again, o, 5000));
    EXPECT_FALSE(store.finish(*again, o, 5001));  // and never twice
    EXPECT_TRUE(!store.take(1000000, kLeaseMs, 14) && store.run("r1")->status == "proven");

    // The list comes back in the rules' order, whatever the order the runs were proven in.
    std::mt19937 random(7);
    std::vector<ListLine> expected;
    for (int i = 0; i < 40; ++i) {
        const std::string id = "x" + std::to_string(i);
        store.submit(id, "r", "a", i);
        const auto job = store.take(10000, kLeaseMs, 100 + i);
        o.entry.score = int(random() % 4);
        o.entry.ladderFrames = long(random() % 3);
        const int64_t at = 20000 + int64_t(random() % 5);
        store.finish(*job, o, at);
        expected.push_back(ListLine{job->id, "ACE", o.entry.score, o.entry.ladderFrames, at});
    }
    expected.push_back(ListLine{"r1", "ACE", 21, 2914, 5000});
    std::sort(expected.begin(), expected.end(), ListsBefore);
    expected.resize(30);
    const std::vector<ListLine> listed = store.list(false, 30);
    ASSERT_EQ(listed.size(), expected.size());
    for (size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i].id, expected[i].id) << i;
    EXPECT_TRUE(store.list(true, 30).empty());
}
