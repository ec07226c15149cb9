#include "app/trace_writer.h"

#include <cmath>
#include <cstdio>

#include <rapidjson/encodings.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "game/state_fields.h"
#include "platform/turn_log.h"
#include "session/net_session.h"

namespace {

// Every line is plain ASCII: what is not is escaped.
using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::ASCII<>>;

// The high-score lists show their ten places; the slots behind them are scratch.
constexpr size_t kListedPlaces = 10;

class Line {
public:
    Line() : json_(buffer_) { json_.StartObject(); }
    std::string finish() {
        json_.EndObject();
        return buffer_.GetString();
    }

    Line& key(const char* name) {
        json_.Key(name);
        return *this;
    }
    void value(int v) { json_.Int(v); }
    void value(long v) { json_.Int64(v); }
    void value(unsigned v) { json_.Uint(v); }
    void value(bool v) { json_.Bool(v); }
    // Nine significant digits bring every float back exactly; JSON has no NaN or infinity.
    void value(float v) {
        if (!std::isfinite(v)) {
            json_.Null();
            return;
        }
        char digits[32];
        const int n = std::snprintf(digits, sizeof digits, "%.9g", static_cast<double>(v));
        json_.RawValue(digits, static_cast<size_t>(n), rapidjson::kNumberType);
    }
    // One decimal: the tenth of a millisecond.
    void tenths(double v) {
        char digits[32];
        const int n = std::snprintf(digits, sizeof digits, "%.1f", v);
        json_.RawValue(digits, static_cast<size_t>(n), rapidjson::kNumberType);
    }
    // Bytes above 127 are the game's single-byte characters, written as their code points.
    void value(const std::string& s) {
        std::string utf8;
        for (unsigned char c : s) {
            if (c < 0x80) {
                utf8 += static_cast<char>(c);
            } else {
                utf8 += static_cast<char>(0xC0 | (c >> 6));
                utf8 += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        json_.String(utf8.c_str(), static_cast<rapidjson::SizeType>(utf8.size()));
    }
    template <class T, size_t N>
    void value(const T (&items)[N]) {
        json_.StartArray();
        for (size_t i = 0; i < N && i < kListedPlaces; ++i) value(items[i]);
        json_.EndArray();
    }
    void value(const std::vector<std::string>& items) {
        json_.StartArray();
        for (const std::string& item : items) value(item);
        json_.EndArray();
    }
    void startObject() { json_.StartObject(); }
    void endObject() { json_.EndObject(); }
    void startArray() { json_.StartArray(); }
    void endArray() { json_.EndArray(); }

private:
    rapidjson::StringBuffer buffer_;
    JsonWriter json_;
};

// The fields the state list marks as traced, in its order.
struct TracedFields {
    Line& line;
    template <class T, bool Shared, class... B>
    void operator()(const char* name, const T& v, Marks<Shared, true>, B...) { line.key(name).value(v); }
    template <class T, bool Shared, class... B>
    void operator()(const char*, const T&, Marks<Shared, false>, B...) {}
};

// The state's fields and the turn's log, after the fields that come first.
void addStateAndLog(Line& line, const GameState& g, const TurnLog& log) {
    VisitStateFields(g, TracedFields{line});
    line.key("sounds").value(log.sounds);
    line.key("music").value(log.music);
    line.key("rumble").value(log.rumble);
    line.key("texts").startArray();
    for (const PrintedText& t : log.texts) {
        line.startObject();
        line.key("s").value(t.s);
        line.key("x").value(t.x);
        line.key("y").value(t.y);
        line.key("rgba").startArray();
        for (float c : t.rgba) line.value(c);
        line.endArray();
        line.endObject();
    }
    line.endArray();
    line.key("boxes").startArray();
    for (const ShownBox& b : log.boxes) {
        line.startObject();
        line.key("caption").value(b.caption);
        line.key("text").value(b.text);
        line.endObject();
    }
    line.endArray();
}

}  // namespace

std::string TraceLine(long frame, const GameState& g, const TurnLog& log) {
    Line line;
    line.key("frame").value(frame);
    addStateAndLog(line, g, log);
    return line.finish();
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

void TraceWriter::writeSessionFrame(const SessionTraceLine& session) {
    const ConfirmedFrame& c = *session.confirmed;
    Line line;
    line.key("frame").value(session.frame);
    if (session.hostFrame) line.key("host_frame").value(*session.hostFrame);
    line.key("confirmed").value(c.confirmed);
    line.key("drawn").value(c.shown.drawn);
    line.key("rollback").value(c.rollback);
    line.key("waits").value(c.waits);
    line.key("made_ms").tenths(c.madeAtMs);
    line.key("desyncs").value(c.desyncs);
    const ShownPositions& p = c.shown.positions;
    line.key("shown").startObject();
    line.key("x").value(p.x);
    line.key("z").value(p.z);
    line.key("schiesser_x").value(p.schiesser_x);
    line.key("schiesser_z").value(p.schiesser_z);
    line.key("gegner_x").value(p.gegner_x);
    line.key("gegner_z").value(p.gegner_z);
    line.endObject();
    addStateAndLog(line, session.state, c.shown.log);
    writeLine(line.finish());
}

void TraceWriter::writeLine(const std::string& line) {
    if (!file_) return;
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);  // a crash must not lose the frames before it
}
