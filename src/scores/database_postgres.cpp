#include <pqxx/pqxx>

#include "scores/database.h"

namespace pqxx {
// A parameter goes to libpq as text: a blob in PostgreSQL's hex form of bytea.
template <>
struct string_traits<scores::Param> {
    static constexpr const char* name() noexcept { return "scores::Param"; }
    static constexpr bool has_null() noexcept { return true; }
    static bool is_null(const scores::Param& p) { return p.kind == scores::Param::Kind::Null; }
    static std::string to_string(const scores::Param& p) {
        if (p.kind == scores::Param::Kind::Int) return std::to_string(p.number);
        if (p.kind == scores::Param::Kind::Text) return p.text;
        static const char hex[] = "0123456789abcdef";
        std::string out = "\\x";
        out.reserve(2 + 2 * p.text.size());
        for (unsigned char c : p.text) {
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        return out;
    }
};
}  // namespace pqxx

namespace scores {

namespace {

constexpr pqxx::oid kByteaOid = 17;

class Postgres : public Database {
public:
    explicit Postgres(const std::string& conninfo) : connection_(conninfo) {}

    std::vector<Row> exec(const std::string& sql, const std::vector<Param>& params) override {
        try {
            pqxx::nontransaction w(connection_);
            const pqxx::result r = w.exec_params(sql, pqxx::prepare::make_dynamic_params(params));
            std::vector<Row> rows;
            for (const auto& row : r) {
                Row out;
                for (const auto& field : row) {
                    if (field.is_null()) out.emplace_back();
                    else if (field.type() == kByteaOid) out.emplace_back(pqxx::binarystring(field).str());
                    else out.emplace_back(std::string(field.c_str(), field.size()));
                }
                rows.push_back(std::move(out));
            }
            return rows;
        } catch (const pqxx::failure& e) {
            throw DatabaseError(e.what());
        }
    }
    bool postgres() const override { return true; }

private:
    pqxx::connection connection_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& conninfo) {
    try {
        return std::make_unique<Postgres>(conninfo);
    } catch (const std::exception& e) {
        throw DatabaseError(std::string("cannot reach PostgreSQL: ") + e.what());
    }
}

}  // namespace scores
