#include <sqlite3.h>

#include <map>

#include "scores/database.h"

namespace scores {

namespace {

// Writers wait for each other this long before a statement fails.
constexpr int kBusyTimeoutMs = 10000;

class Sqlite : public Database {
public:
    explicit Sqlite(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw DatabaseError(path + ": " + why);
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    }
    ~Sqlite() override {
        for (auto& s : statements_) sqlite3_finalize(s.second);
        sqlite3_close(db_);
    }

    std::vector<Row> exec(const std::string& sql, const std::vector<Param>& params) override {
        sqlite3_stmt* s = statement(sql);
        for (size_t i = 0; i < params.size(); ++i) {
            const Param& p = params[i];
            const int at = static_cast<int>(i + 1);
            if (p.kind == Param::Kind::Int) sqlite3_bind_int64(s, at, p.number);
            else if (p.kind == Param::Kind::Text) sqlite3_bind_text(s, at, p.text.data(), int(p.text.size()), SQLITE_STATIC);
            else if (p.kind == Param::Kind::Bytes) sqlite3_bind_blob(s, at, p.text.data(), int(p.text.size()), SQLITE_STATIC);
            else sqlite3_bind_null(s, at);
        }
        std::vector<Row> rows;
        int step;
        while ((step = sqlite3_step(s)) == SQLITE_ROW) {
            Row row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                if (sqlite3_column_type(s, c) == SQLITE_NULL) {
                    row.emplace_back();
                    continue;
                }
                const void* bytes = sqlite3_column_blob(s, c);
                row.emplace_back(std::string(static_cast<const char*>(bytes), sqlite3_column_bytes(s, c)));
            }
            rows.push_back(std::move(row));
        }
        const std::string why = step == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        if (!why.empty()) throw DatabaseError(why);
        return rows;
    }
    bool postgres() const override { return false; }

private:
    // Each statement prepared once; $N becomes SQLite's ?N, the same numbered parameter.
    sqlite3_stmt* statement(const std::string& sql) {
        auto found = statements_.find(sql);
        if (found != statements_.end()) return found->second;
        std::string own = sql;
        for (char& c : own)
            if (c == '$') c = '?';
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, own.c_str(), -1, &s, nullptr) != SQLITE_OK) throw DatabaseError(sqlite3_errmsg(db_));
        statements_[sql] = s;
        return s;
    }

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& path) { return std::make_unique<Sqlite>(path); }

}  // namespace scores
