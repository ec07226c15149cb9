// The two databases the store runs on, behind one small interface: PostgreSQL (libpqxx) for a
// service of many machines, SQLite for one machine with no set-up. Statements come from
// scores/store.cpp (the one file of SQL) with numbered parameters ($1, $2, ...) that are always bound, never pasted in.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scores {

struct Param {
    enum class Kind { Null, Int, Text, Bytes } kind = Kind::Null;
    int64_t number = 0;
    std::string text;  // Text, or the bytes of Bytes
};
inline Param Int(int64_t v) { return {Param::Kind::Int, v, {}}; }
inline Param Text(std::string v) { return {Param::Kind::Text, 0, std::move(v)}; }
inline Param Bytes(std::string v) { return {Param::Kind::Bytes, 0, std::move(v)}; }
inline Param Null() { return {}; }

// Each column as text (a number in decimal, a blob as its bytes), or nothing for NULL.
using Row = std::vector<std::optional<std::string>>;

struct DatabaseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Database {
public:
    virtual ~Database() = default;
    // Throws DatabaseError.
    virtual std::vector<Row> exec(const std::string& sql, const std::vector<Param>& params = {}) = 0;
    virtual bool postgres() const = 0;
};

std::unique_ptr<Database> OpenPostgres(const std::string& conninfo);  // throws DatabaseError
std::unique_ptr<Database> OpenSqlite(const std::string& path);       // throws DatabaseError

}  // namespace scores
