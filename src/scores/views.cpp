#include "scores/views.h"

#include <cstdio>

namespace scores {

namespace {

// A small JSON writer: RapidJSON's first grows its empty stack from a null pointer, which
// clang's UBSan stops the fuzzer on. Text is UTF-8 and goes out as it is, quotes and control characters escaped.
class Json {
public:
    Json& key(const char* k) {
        text(k);
        out_ += ':';
        fresh_ = true;
        return *this;
    }
    Json& text(const std::string& s) {
        comma();
        out_ += '"';
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out_ += escaped;
            } else {
                out_ += static_cast<char>(c);
            }
        }
        out_ += '"';
        return *this;
    }
    Json& number(int64_t v) {
        comma();
        out_ += std::to_string(v);
        return *this;
    }
    Json& open(char bracket) {
        comma();
        out_ += bracket;
        fresh_ = true;
        return *this;
    }
    Json& close(char bracket) {
        out_ += bracket;
        fresh_ = false;
        return *this;
    }
    const std::string& str() const { return out_; }

private:
    void comma() {
        if (!fresh_) out_ += ',';
        fresh_ = false;
    }
    std::string out_;
    bool fresh_ = true;
};

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

std::string ErrorJson(const std::string& why) { return Json().open('{').key("error").text(why).close('}').str(); }

std::string QueuedJson(const std::string& id) {
    return Json().open('{').key("id").text(id).key("status").text("queued").close('}').str();
}

std::string RunJson(const std::string& id, const RunView& run) {
    Json j;
    // a run a worker holds is still queued to the one who sent it
    j.open('{').key("id").text(id).key("status").text(run.status == "working" ? "queued" : run.status);
    if (run.status == "proven")
        j.key("name").text(run.name).key("ladder").text(run.ladder).key("score").number(run.score);
    if (run.status == "proven" || run.status == "refused") j.key("frames").number(run.frames);
    if (run.status == "proven") j.key("ladder_frames").number(run.ladderFrames);
    if (run.status == "refused") j.key("reason").text(run.reason);
    return j.key("attempts").number(run.attempts).close('}').str();
}

std::string ListJson(const std::vector<ListLine>& lines) {
    Json j;
    j.open('[');
    for (size_t i = 0; i < lines.size(); ++i)
        j.open('{').key("rank").number(int64_t(i + 1)).key("name").text(lines[i].name).key("score").number(lines[i].score)
            .key("frames").number(lines[i].ladderFrames).key("id").text(lines[i].id).close('}');
    return j.close(']').str();
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
