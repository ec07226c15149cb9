#include "scores/views.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace scores {

namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

template <typename Fill>
std::string object(Fill fill) {
    rapidjson::StringBuffer out;
    Writer w(out);
    w.StartObject();
    fill(w);
    w.EndObject();
    return out.GetString();
}

void field(Writer& w, const char* key, const std::string& value) {
    w.Key(key);
    w.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void field(Writer& w, const char* key, int64_t value) {
    w.Key(key);
    w.Int64(value);
}

void table(std::string& page, const char* title, const std::vector<ListLine>& lines) {
    page += "<h2>" + std::string(title) + "</h2>\n";
    if (lines.empty()) {
        page += "<p>No proven run yet.</p>\n";
        return;
    }
    page += "<table>\n<tr><th>#</th><th>Name</th><th>Score</th><th>Frames</th></tr>\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        const ListLine& l = lines[i];
        page += "<tr><td>" + std::to_string(i + 1) + "</td><td><a href=\"/runs/" + l.id + "/record\">" +
                HtmlEscaped(l.name) + "</a></td><td>" + std::to_string(l.score) + "</td><td>" +
                std::to_string(l.ladderFrames) + "</td></tr>\n";
    }
    page += "</table>\n";
}

}  // namespace

std::string ErrorJson(const std::string& why) {
    return object([&](Writer& w) { field(w, "error", why); });
}

std::string QueuedJson(const std::string& id) {
    return object([&](Writer& w) {
        field(w, "id", id);
        field(w, "status", "queued");
    });
}

std::string RunJson(const std::string& id, const RunView& run) {
    return object([&](Writer& w) {
        field(w, "id", id);
        // a run a worker holds is still queued to the one who sent it
        field(w, "status", run.status == "working" ? "queued" : run.status);
        if (run.status == "proven") {
            field(w, "name", run.name);
            field(w, "ladder", run.ladder);
            field(w, "score", run.score);
            field(w, "frames", run.frames);
            field(w, "ladder_frames", run.ladderFrames);
        } else if (run.status == "refused") {
            field(w, "frames", run.frames);
            field(w, "reason", run.reason);
        }
        field(w, "attempts", run.attempts);
    });
}

std::string ListJson(const std::vector<ListLine>& lines) {
    rapidjson::StringBuffer out;
    Writer w(out);
    w.StartArray();
    for (size_t i = 0; i < lines.size(); ++i) {
        w.StartObject();
        field(w, "rank", static_cast<int64_t>(i + 1));
        field(w, "name", lines[i].name);
        field(w, "score", lines[i].score);
        field(w, "frames", lines[i].ladderFrames);
        field(w, "id", lines[i].id);
        w.EndObject();
    }
    w.EndArray();
    return out.GetString();
}

std::string ListsPage(const std::vector<ListLine>& single, const std::vector<ListLine>& multi) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Puckslide 3D world list</title><style>"
        "body{font-family:sans-serif;max-width:40em;margin:auto;padding:0 .5em}"
        "table{border-collapse:collapse;width:100%}td,th{padding:.3em;text-align:left;border-bottom:1px solid #ccc}"
        "td:nth-child(n+3),th:nth-child(n+3){text-align:right}"
        "</style></head><body>\n<h1>Puckslide 3D world list</h1>\n"
        "<p>Every score here was proven by replaying its record. Each name links to its record:"
        " watch it with <code>puckslide3d --replay FILE</code>.</p>\n";
    table(page, "Singleplayer ladder", single);
    table(page, "Multiplayer ladder", multi);
    return page + "</body></html>\n";
}

}  // namespace scores
