#include "app/world_list.h"

#include <curl/curl.h>
#include <rapidjson/document.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "net/game_record.h"
#include "verify/verify_record.h"

namespace {

constexpr long kConnectSeconds = 5;
constexpr long kSendSeconds = 30;
constexpr auto kQuitWait = std::chrono::seconds(3);  // what a send in flight may add to quitting
constexpr int kVerdictPolls = 120;                   // --send-record waits a minute for the verdict
constexpr auto kVerdictPoll = std::chrono::milliseconds(500);
constexpr size_t kMaxQueued = 4;

size_t keep(char* data, size_t size, size_t count, void* out) {
    auto* body = static_cast<std::string*>(out);
    if (body->size() > 65536) return 0;  // the service answers in a few hundred bytes
    body->append(data, size * count);
    return size * count;
}

int abandoned(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return flag && static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// One request: false with what failed in `error`; the answer's status and body otherwise.
bool request(const std::string& url, const std::vector<uint8_t>* post, long& status, std::string& body,
             std::string& error, const std::atomic<bool>* abandon) {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    CURL* curl = ready ? curl_easy_init() : nullptr;
    if (!curl) return error = "libcurl could not start", false;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
    char why[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kSendSeconds);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, why);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abandoned);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abandon));
    if (post) {
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(post->data()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(post->size()));
    }
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) error = *why ? why : curl_easy_strerror(code);
    return code == CURLE_OK;
}

// A string member of the service's JSON answer, or empty.
std::string member(const std::string& json, const char* name) {
    rapidjson::Document d;
    d.Parse(json.c_str(), json.size());
    if (d.HasParseError() || !d.IsObject() || !d.HasMember(name) || !d[name].IsString()) return {};
    return d[name].GetString();
}

std::string trimmed(std::string url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace

bool SendRecord(const std::string& url, const std::vector<uint8_t>& record, std::string& id, std::string& error,
                const std::atomic<bool>* abandon) {
    long status = 0;
    std::string body;
    if (!request(trimmed(url) + "/runs", &record, status, body, error, abandon)) return false;
    id = member(body, "id");
    if (status == 202 && !id.empty()) return true;
    const std::string why = member(body, "error");
    error = "the service answered " + std::to_string(status) + (why.empty() ? "" : ": " + why);
    return false;
}

int SendRecordFile(const std::string& url, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> record;
    char chunk[65536];
    while (in && record.size() <= verify::kMaxRecordBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        record.insert(record.end(), chunk, chunk + in.gcount());
    if (!in.eof()) return std::fprintf(stderr, "puckslide3d: cannot read %s\n", path.c_str()), 2;
    std::string id, error;
    if (!SendRecord(url, record, id, error)) {
        std::fprintf(stderr, "puckslide3d: could not send %s to the world list at %s: %s\n", path.c_str(), url.c_str(),
                     error.c_str());
        return 2;
    }
    const std::string run = trimmed(url) + "/runs/" + id;
    std::fprintf(stderr, "puckslide3d: sent to the world list: %s\n", run.c_str());
    for (int i = 0; i < kVerdictPolls; ++i) {
        long status = 0;
        std::string body;
        if (request(run, nullptr, status, body, error, nullptr) && status == 200) {
            const std::string verdict = member(body, "status");
            if (verdict == "proven" || verdict == "refused") {
                std::printf("%s\n", body.c_str());
                return verdict == "proven" ? 0 : 1;
            }
        }
        std::this_thread::sleep_for(kVerdictPoll);
    }
    std::fprintf(stderr, "puckslide3d: no verdict on %s within a minute\n", run.c_str());
    return 2;
}

void WorldList::start(const std::string& url, const GameState& g) {
    if (url.empty()) return;
    url_ = trimmed(url);
    record_ = net::EncodeRecordStart(net::RecordStartOf(g));
    keeping_ = true;
    sender_ = std::thread([this] { sendLoop(); });
}

void WorldList::frame(const FrameInput& input, const GameState& after) {
    if (!keeping_) return;
    const std::vector<uint8_t> bytes = net::EncodeRecordedFrame({input, net::StateChecksum(after)});
    if (record_.size() + bytes.size() > verify::kMaxRecordBytes) {
        std::fprintf(stderr, "puckslide3d: the session's record passed the world list's cap of %zu bytes: "
                             "no more ladders of it are sent\n", verify::kMaxRecordBytes);
        return stop();
    }
    record_.insert(record_.end(), bytes.begin(), bytes.end());
}

void WorldList::nameStored() {
    if (!keeping_) return;
    std::lock_guard<std::mutex> lock(m_);
    if (queue_.size() >= kMaxQueued) return;
    queue_.push_back(record_);
    cv_.notify_all();
}

void WorldList::stop() {
    keeping_ = false;
    record_.clear();
    record_.shrink_to_fit();
}

void WorldList::finish() {
    if (!sender_.joinable()) return;
    stop();
    {
        std::unique_lock<std::mutex> lock(m_);
        quitting_ = true;
        cv_.notify_all();
        if (!cv_.wait_for(lock, kQuitWait, [this] { return queue_.empty() && !busy_; })) abandon_ = true;
    }
    sender_.join();
}

void WorldList::sendLoop() {
    for (;;) {
        std::vector<uint8_t> record;
        {
            std::unique_lock<std::mutex> lock(m_);
            cv_.wait(lock, [this] { return quitting_ || !queue_.empty(); });
            if (queue_.empty() || abandon_) return;
            record = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        std::string id, error;
        if (SendRecord(url_, record, id, error, &abandon_))
            std::fprintf(stderr, "puckslide3d: sent to the world list: %s/runs/%s\n", url_.c_str(), id.c_str());
        else
            std::fprintf(stderr, "puckslide3d: could not send the ladder to the world list at %s: %s\n", url_.c_str(),
                         error.c_str());
        std::lock_guard<std::mutex> lock(m_);
        busy_ = false;
        cv_.notify_all();
    }
}
