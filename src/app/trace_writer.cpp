#include "app/trace_writer.h"

#include <cstdio>

#include "game/state_fields.h"
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
    // A list shows the high-score list's ten places; the slots behind them are scratch.
    template <class T, size_t N>
    void field(const char* name, const T (&items)[N]) {
        key(name);
        out_ += '[';
        for (size_t i = 0; i < N && i < kListedPlaces; ++i) {
            if (i) out_ += ',';
            value(items[i]);
        }
        out_ += ']';
    }

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
    static constexpr size_t kListedPlaces = 10;

    void value(int v) { out_ += std::to_string(v); }
    void value(const std::string& v) { appendString(out_, v); }

    std::string& out_;
    bool first_ = true;
};

// The fields the state list marks as traced, in its order.
struct TracedFields {
    JsonObject& o;
    template <class T, bool Shared, class... B>
    void operator()(const char* name, const T& v, Marks<Shared, true>, B...) { o.field(name, v); }
    template <class T, bool Shared, class... B>
    void operator()(const char*, const T&, Marks<Shared, false>, B...) {}
};

}  // namespace

std::string TraceLine(long frame, const GameState& g, const TurnLog& log) {
    std::string out;
    {
        JsonObject o(out);
        o.key("frame");
        out += std::to_string(frame);
        VisitStateFields(g, TracedFields{o});

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
