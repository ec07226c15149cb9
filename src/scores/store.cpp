#include "scores/store.h"

#include <cstdlib>

namespace scores {

namespace {

// The schema's steps; step N brings version N-1 to N. A blob is BYTEA in PostgreSQL, BLOB in SQLite.
std::vector<std::string> schemaStep(int version, bool postgres) {
    const std::string blob = postgres ? "BYTEA" : "BLOB";
    if (version == 1)
        return {"CREATE TABLE runs ("
                " id TEXT PRIMARY KEY,"  // the SHA-256 of the record
                " record " + blob + " NOT NULL,"
                " address TEXT NOT NULL,"
                " received_ms BIGINT NOT NULL,"
                " status TEXT NOT NULL DEFAULT 'queued',"
                " lease_until_ms BIGINT NOT NULL DEFAULT 0,"
                " lease_token BIGINT NOT NULL DEFAULT 0,"
                " attempts INTEGER NOT NULL DEFAULT 0,"
                " frames BIGINT, reason TEXT, ladder TEXT, name TEXT, score INTEGER, ladder_frames BIGINT,"
                " proven_ms BIGINT)",
                "CREATE INDEX runs_queue ON runs (lease_until_ms, received_ms) WHERE status IN ('queued', 'working')",
                "CREATE INDEX runs_list ON runs (ladder, score DESC, ladder_frames, proven_ms, id) WHERE status = 'proven'"};
    if (version == 2) return {"CREATE INDEX runs_refused ON runs (received_ms) WHERE status = 'refused'"};
    return {};
}

int64_t number(const std::optional<std::string>& v) { return v ? std::strtoll(v->c_str(), nullptr, 10) : 0; }

}  // namespace

Store::Store(std::unique_ptr<Database> db) : db_(std::move(db)) {
    if (!db_->postgres()) {
        // Readers go on while a worker writes; a crash of the machine may lose the last moments, not the file.
        db_->exec("PRAGMA journal_mode = WAL");
        db_->exec("PRAGMA synchronous = NORMAL");
    }
}

int Store::schemaVersion() {
    const auto rows = db_->exec("SELECT MAX(version) FROM schema_version");
    return rows.empty() ? 0 : static_cast<int>(number(rows[0][0]));
}

void Store::migrate() {
    const bool pg = db_->postgres();
    // Fronts and workers starting together take turns: an advisory lock, or SQLite's write lock.
    db_->exec(pg ? "SELECT pg_advisory_lock(27318)" : "BEGIN IMMEDIATE");
    try {
        db_->exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        for (int v = schemaVersion() + 1; v <= kSchemaVersion; ++v) {
            if (pg) db_->exec("BEGIN");
            for (const std::string& statement : schemaStep(v, pg)) db_->exec(statement);
            db_->exec("INSERT INTO schema_version (version) VALUES ($1)", {Int(v)});
            if (pg) db_->exec("COMMIT");
        }
        db_->exec(pg ? "SELECT pg_advisory_unlock(27318)" : "COMMIT");
    } catch (...) {
        db_->exec("ROLLBACK");
        if (pg) db_->exec("SELECT pg_advisory_unlock(27318)");
        throw;
    }
}

bool Store::submit(const std::string& id, const std::string& record, const std::string& address, int64_t nowMs) {
    return !db_->exec("INSERT INTO runs (id, record, address, received_ms) VALUES ($1, $2, $3, $4)"
                      " ON CONFLICT (id) DO NOTHING RETURNING id",
                      {Text(id), Bytes(record), Text(address), Int(nowMs)})
                .empty();
}

std::optional<Job> Store::take(int64_t nowMs, int64_t leaseMs, int64_t token) {
    const bool pg = db_->postgres();
    // A queued run's lease_until_ms is 0: it is taken as one whose lease ran out (rules.h LeaseRunOut).
    // PostgreSQL's workers skip the rows others hold; SQLite's take the write lock first.
    const std::string sql =
        "UPDATE runs SET status = 'working', lease_until_ms = $1, lease_token = $2, attempts = attempts + 1"
        " WHERE id = (SELECT id FROM runs WHERE status IN ('queued', 'working') AND lease_until_ms <= $3"
        " ORDER BY lease_until_ms, received_ms LIMIT 1" + std::string(pg ? " FOR UPDATE SKIP LOCKED" : "") + ")"
        " RETURNING id, record, received_ms, attempts";
    if (!pg) db_->exec("BEGIN IMMEDIATE");
    std::vector<Row> rows;
    try {
        rows = db_->exec(sql, {Int(nowMs + leaseMs), Int(token), Int(nowMs)});
        if (!pg) db_->exec("COMMIT");
    } catch (...) {
        if (!pg) db_->exec("ROLLBACK");
        throw;
    }
    if (rows.empty()) return std::nullopt;
    Job job;
    job.id = *rows[0][0];
    job.record = *rows[0][1];
    job.waitedMs = nowMs - number(rows[0][2]);
    job.attempts = static_cast<int>(number(rows[0][3]));
    job.token = token;
    return job;
}

bool Store::finish(const Job& job, const Outcome& o, int64_t nowMs) {
    if (!o.proven)
        return !db_->exec("UPDATE runs SET status = 'refused', frames = $1, reason = $2"
                          " WHERE id = $3 AND status = 'working' AND lease_token = $4 RETURNING id",
                          {Int(o.frames), Text(o.reason), Text(job.id), Int(job.token)})
                    .empty();
    return !db_->exec("UPDATE runs SET status = 'proven', frames = $1, ladder = $2, name = $3, score = $4,"
                      " ladder_frames = $5, proven_ms = $6"
                      " WHERE id = $7 AND status = 'working' AND lease_token = $8 RETURNING id",
                      {Int(o.frames), Text(o.entry.multiplayer ? "multi" : "single"), Text(o.entry.name),
                       Int(o.entry.score), Int(o.entry.ladderFrames), Int(nowMs), Text(job.id), Int(job.token)})
                .empty();
}

long Store::forgetRefused(int64_t receivedBeforeMs) {
    // In batches, so no statement holds the table for long however many there are.
    constexpr int kBatch = 1000;
    long forgotten = 0;
    for (size_t n = kBatch; n == kBatch; forgotten += static_cast<long>(n))
        n = db_->exec("DELETE FROM runs WHERE id IN (SELECT id FROM runs WHERE status = 'refused' AND received_ms < $1"
                      " LIMIT $2) RETURNING id",
                      {Int(receivedBeforeMs), Int(kBatch)})
                .size();
    return forgotten;
}

std::optional<RunView> Store::run(const std::string& id) {
    const auto rows = db_->exec("SELECT status, frames, reason, ladder, name, score, ladder_frames, attempts"
                                " FROM runs WHERE id = $1",
                                {Text(id)});
    if (rows.empty()) return std::nullopt;
    const Row& r = rows[0];
    RunView v;
    v.status = *r[0];
    v.frames = static_cast<long>(number(r[1]));
    v.reason = r[2].value_or("");
    v.ladder = r[3].value_or("");
    v.name = r[4].value_or("");
    v.score = static_cast<int>(number(r[5]));
    v.ladderFrames = static_cast<long>(number(r[6]));
    v.attempts = static_cast<int>(number(r[7]));
    return v;
}

std::optional<std::string> Store::record(const std::string& id) {
    const auto rows = db_->exec("SELECT record FROM runs WHERE id = $1", {Text(id)});
    if (rows.empty()) return std::nullopt;
    return rows[0][0];
}

std::vector<ListLine> Store::list(bool multiplayer, int limit) {
    const auto rows = db_->exec("SELECT id, name, score, ladder_frames, proven_ms FROM runs"
                                " WHERE status = 'proven' AND ladder = $1"
                                " ORDER BY score DESC, ladder_frames, proven_ms, id LIMIT $2",
                                {Text(multiplayer ? "multi" : "single"), Int(limit)});
    std::vector<ListLine> lines;
    for (const Row& r : rows) {
        ListLine l;
        l.id = *r[0];
        l.name = r[1].value_or("");
        l.score = static_cast<int>(number(r[2]));
        l.ladderFrames = static_cast<long>(number(r[3]));
        l.provenMs = number(r[4]);
        lines.push_back(std::move(l));
    }
    return lines;
}

}  // namespace scores
