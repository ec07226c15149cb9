#include "net/state_codec.h"

#include <cstring>
#include <string>

#include "game/game_state.h"
#include "game/screens/ladder_bracket.h"
#include "game/table.h"

namespace {

// Table bounds and puck radii enter differences and abs(); well inside int range.
constexpr int kMaxGeometry = 1000000;
constexpr size_t kMaxText = 255;
constexpr int kPacingSteps = sizeof(GameState::steps) / sizeof(GameState::steps[0]);

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i(const int& v) { u32(static_cast<uint32_t>(v)); }
    void range(const int& v, int, int) { i(v); }
    void f(const float& v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void b(const bool& v) { out_.push_back(v ? 1 : 0); }
    void s(const std::string& v) {
        const size_t n = v.size() < kMaxText ? v.size() : kMaxText;
        out_.push_back(static_cast<uint8_t>(n));
        out_.insert(out_.end(), v.begin(), v.begin() + static_cast<long>(n));
    }
    void random(const RandomState& v) {
        for (int32_t word : v.r) u32(static_cast<uint32_t>(word));
        out_.push_back(v.front);
        out_.push_back(v.rear);
    }
    void name(const char* const& v) {
        uint8_t index = 0;
        for (int n = 1; n <= kOpponentNameCount && v; ++n)
            if (OpponentName(n) == v) index = static_cast<uint8_t>(n);
        out_.push_back(index);
    }

private:
    std::vector<uint8_t>& out_;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& in) : in_(in) {}
    bool ok() const { return ok_ && pos_ == in_.size(); }

    void i(int& v) { v = static_cast<int>(u32()); }
    void range(int& v, int lowest, int highest) {
        i(v);
        if (v < lowest || v > highest) ok_ = false;
    }
    void f(float& v) {
        const uint32_t bits = u32();
        std::memcpy(&v, &bits, sizeof v);
    }
    void b(bool& v) {
        const uint8_t x = byte();
        if (x > 1) ok_ = false;
        v = x == 1;
    }
    void s(std::string& v) {
        const size_t n = byte();
        if (!take(n)) return;
        v.assign(reinterpret_cast<const char*>(in_.data() + pos_ - n), n);
    }
    void random(RandomState& v) {
        for (int32_t& word : v.r) word = static_cast<int32_t>(u32());
        v.front = byte();
        v.rear = byte();
        if (!ValidRandomState(v)) ok_ = false;
    }
    void name(const char*& v) {
        const uint8_t n = byte();
        if (n > kOpponentNameCount) ok_ = false;
        v = n == 0 ? nullptr : OpponentName(n);
    }

private:
    bool take(size_t n) {
        if (!ok_ || in_.size() - pos_ < n) {
            ok_ = false;
            return false;
        }
        pos_ += n;
        return true;
    }
    uint8_t byte() { return take(1) ? in_[pos_ - 1] : 0; }
    uint32_t u32() {
        if (!take(4)) return 0;
        const uint8_t* p = in_.data() + pos_ - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    const std::vector<uint8_t>& in_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// One list of the shared fields for both directions. Fixed-size fields come
// first and the texts last, so a changed text shifts nothing else.
template <class G, class V>
void visitSharedState(G& g, V& v) {
    auto geometry = [&v](auto& field) { v.range(field, -kMaxGeometry, kMaxGeometry); };
    v.range(g.table, 0, kTableCount);
    geometry(g.table_min_x); geometry(g.table_max_x);
    geometry(g.table_min_z); geometry(g.table_max_z);
    geometry(g.my_goal_min_x); geometry(g.my_goal_max_x);
    geometry(g.my_goal_min_x2); geometry(g.my_goal_max_x2);
    v.f(g.goal_z);
    geometry(g.puk_rad);
    v.range(g.training_tables, 0, kTableCount);

    v.f(g.x); v.f(g.z); v.f(g.move_x); v.f(g.move_z); v.f(g.a); v.f(g.puk_max_v);

    v.f(g.schiesser_x); v.f(g.schiesser_z); v.f(g.schiesser_v_x); v.f(g.schiesser_v_z);
    v.f(g.schiesser_x_start); v.f(g.schiesser_z_start); v.f(g.schiesser_max_v); v.f(g.schiesser_a);

    v.f(g.gegner_x); v.f(g.gegner_z); v.f(g.gegner_v_x); v.f(g.gegner_v_z);
    v.i(g.gegner_point_x); v.i(g.gegner_point_z);
    v.b(g.artif_int);

    v.f(g.camera_x); v.f(g.camera_y); v.f(g.camera_z);

    v.i(g.my_score); v.i(g.his_score);
    v.i(g.pl1_final_score); v.i(g.pl2_final_score);
    v.i(g.a_round); v.i(g.m_round);
    v.b(g.player1_turn);

    v.b(g.menu); v.b(g.sound); v.b(g.play_video); v.b(g.video); v.b(g.my_goal); v.b(g.mouse);
    v.range(g.adjust, 0, kPacingSteps - 1);
    for (auto& step : g.steps) v.i(step);
    v.f(g.blend_fac);
    v.i(g.take_table);
    v.b(g.random);

    v.i(g.hauptmenu_nr); v.i(g.menu_1_nr);
    v.f(g.rot); v.f(g.rot_fac);
    v.b(g.bminus);
    v.b(g.gl_blend); v.b(g.gl_lighting);
    v.random(g.rng);

    for (auto& n : g.name1) v.name(n);
    for (auto& n : g.name2) v.name(n);
    v.i(g.rand_nr);
    for (auto& p : g.x_pos) v.f(p);
    for (auto& p : g.x_pos2) v.f(p);
    for (auto& row : g.win)
        for (auto& w : row) v.b(w);
    for (auto& row : g.win2)
        for (auto& w : row) v.b(w);
    v.b(g.done_1); v.b(g.done_2); v.b(g.done_3); v.b(g.done_21); v.b(g.done_22);
    for (auto& score : g.hsscore) v.i(score);
    v.i(g.HSlenght); v.i(g.HSfinalscore);

    v.f(g.video_x); v.f(g.video_z); v.f(g.video_move_x); v.f(g.video_move_z);
    v.f(g.video_oldx_position); v.f(g.video_oldz_position);

    v.f(g.mouse_movex); v.f(g.mouse_movez);
    v.f(g.mouse_const); v.f(g.mouse_const_z);

    for (auto& name : g.HSname) v.s(name);
    v.s(g.HS);
    v.s(g.zeichen);
}

}  // namespace

std::vector<uint8_t> EncodeSharedState(const GameState& g) {
    std::vector<uint8_t> out;
    out.reserve(1024);
    Writer w(out);
    visitSharedState(g, w);
    return out;
}

bool DecodeSharedState(const std::vector<uint8_t>& bytes, GameState& g) {
    GameState decoded = g;
    Reader r(bytes);
    visitSharedState(decoded, r);
    if (!r.ok()) return false;
    g = decoded;
    return true;
}
