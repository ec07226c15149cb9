#include "app/trace_writer.h"

#include <cstdio>

#include "game/game_state.h"
#include "platform/turn_log.h"

namespace {

class JsonObject {
public:
    explicit JsonObject(std::string& out) : out_(out) { out_ += '{'; }
    ~JsonObject() { out_ += '}'; }

    void key(const char* name) {
        if (!first_) out_ += ',';
        first_ = false;
        out_ += '"';
        out_ += name;
        out_ += "\":";
    }
    void field(const char* name, int v) { key(name); out_ += std::to_string(v); }
    void field(const char* name, bool v) { key(name); out_ += v ? "true" : "false"; }
    void field(const char* name, float v) { key(name); appendFloat(out_, v); }
    void field(const char* name, const std::string& v) { key(name); appendString(out_, v); }

    // Nine significant digits bring every float back exactly.
    static void appendFloat(std::string& out, float v) {
        if (v != v || v == 1.0f / 0.0f || v == -1.0f / 0.0f) {
            out += "null";  // JSON has no NaN or infinity
            return;
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v));
        out += buffer;
    }

    // Bytes above 127 are the game's single-byte characters: written as their code points.
    static void appendString(std::string& out, const std::string& s) {
        out += '"';
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
        out += '"';
    }

private:
    std::string& out_;
    bool first_ = true;
};

}  // namespace

std::string TraceLine(long frame, const GameState& g, const TurnLog& log) {
    std::string out;
    {
        JsonObject o(out);
        o.key("frame");
        out += std::to_string(frame);
        o.field("menu", g.menu);
        o.field("hauptmenu_nr", g.hauptmenu_nr);
        o.field("menu_1_nr", g.menu_1_nr);
        o.field("table", g.table);
        o.field("x", g.x);
        o.field("z", g.z);
        o.field("move_x", g.move_x);
        o.field("move_z", g.move_z);
        o.field("schiesser_x", g.schiesser_x);
        o.field("schiesser_z", g.schiesser_z);
        o.field("schiesser_v_x", g.schiesser_v_x);
        o.field("schiesser_v_z", g.schiesser_v_z);
        o.field("gegner_x", g.gegner_x);
        o.field("gegner_z", g.gegner_z);
        o.field("gegner_v_x", g.gegner_v_x);
        o.field("gegner_v_z", g.gegner_v_z);
        o.field("gegner_point_x", g.gegner_point_x);
        o.field("gegner_point_z", g.gegner_point_z);
        o.field("my_score", g.my_score);
        o.field("his_score", g.his_score);
        o.field("a_round", g.a_round);
        o.field("m_round", g.m_round);
        o.field("player1_turn", g.player1_turn);
        o.field("pl1_final_score", g.pl1_final_score);
        o.field("pl2_final_score", g.pl2_final_score);
        o.field("HSfinalscore", g.HSfinalscore);
        o.field("artif_int", g.artif_int);
        o.field("play_video", g.play_video);
        o.field("video", g.video);
        o.field("my_goal", g.my_goal);
        o.field("mouse", g.mouse);
        o.field("sound", g.sound);
        o.field("blend_fac", g.blend_fac);
        o.field("adjust", g.adjust);
        o.field("take_table", g.take_table);
        o.field("puk_rad", g.puk_rad);
        o.field("camera_x", g.camera_x);
        o.field("camera_y", g.camera_y);
        o.field("camera_z", g.camera_z);
        o.field("rot", g.rot);
        o.field("rot_fac", g.rot_fac);
        o.field("fullscreen", g.fullscreen);
        o.field("active", g.active);
        o.field("gl_blend", g.gl_blend);
        o.field("gl_lighting", g.gl_lighting);
        o.field("HS", g.HS);

        o.key("HSname");
        out += '[';
        for (int i = 0; i < 10; ++i) {
            if (i) out += ',';
            JsonObject::appendString(out, g.HSname[i]);
        }
        out += ']';
        o.key("hsscore");
        out += '[';
        for (int i = 0; i < 10; ++i) {
            if (i) out += ',';
            out += std::to_string(g.hsscore[i]);
        }
        out += ']';

        auto stringArray = [&](const char* name, const std::vector<std::string>& items) {
            o.key(name);
            out += '[';
            for (size_t i = 0; i < items.size(); ++i) {
                if (i) out += ',';
                JsonObject::appendString(out, items[i]);
            }
            out += ']';
        };
        stringArray("sounds", log.sounds);
        stringArray("music", log.music);

        o.key("texts");
        out += '[';
        for (size_t i = 0; i < log.texts.size(); ++i) {
            const PrintedText& t = log.texts[i];
            if (i) out += ',';
            JsonObject text(out);
            text.field("s", t.s);
            text.field("x", t.x);
            text.field("y", t.y);
            text.key("rgba");
            out += '[';
            for (int c = 0; c < 4; ++c) {
                if (c) out += ',';
                JsonObject::appendFloat(out, t.rgba[c]);
            }
            out += ']';
        }
        out += ']';

        o.key("boxes");
        out += '[';
        for (size_t i = 0; i < log.boxes.size(); ++i) {
            if (i) out += ',';
            JsonObject box(out);
            box.field("caption", log.boxes[i].caption);
            box.field("text", log.boxes[i].text);
        }
        out += ']';
    }
    return out;
}

TraceWriter::~TraceWriter() {
    if (file_) std::fclose(file_);
}

bool TraceWriter::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void TraceWriter::writeFrame(long frame, const GameState& g, const TurnLog& log) {
    writeLine(TraceLine(frame, g, log));
}

void TraceWriter::writeLine(const std::string& line) {
    if (!file_) return;
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);  // a crash must not lose the frames before it
}
