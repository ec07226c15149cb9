#include "scores/rules.h"

#include <openssl/sha.h>

#include <algorithm>
#include <tuple>

#include "net/game_record.h"

namespace scores {

std::string RunIdOf(const uint8_t* data, size_t size) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(data, size, digest);
    static const char hex[] = "0123456789abcdef";
    std::string id;
    for (unsigned char c : digest) {
        id += hex[c >> 4];
        id += hex[c & 15];
    }
    return id;
}

bool IsRunId(const std::string& s) {
    return s.size() == 2 * SHA256_DIGEST_LENGTH && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string Utf8OfLatin1(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

Outcome Admit(const verify::Verdict& v, bool acceptSwitched) {
    Outcome o;
    o.frames = v.frames;
    if (v.kind != verify::Verdict::Kind::Proven) {
        o.reason = v.reason;
    } else if (!v.entry) {
        o.reason = "the record stores no name in the high-score list";
    } else if (!v.entry->switches.empty() && !acceptSwitched) {
        o.reason = "the ladder was not played as designed: switched by key: ";
        for (size_t i = 0; i < v.entry->switches.size(); ++i) o.reason += (i ? ", " : "") + v.entry->switches[i];
    } else {
        o.proven = true;
        o.entry = *v.entry;
        o.entry.name = Utf8OfLatin1(o.entry.name);
    }
    return o;
}

Shape ShapeOf(const uint8_t* data, size_t size) {
    Shape s;
    if (size > verify::kMaxRecordBytes) {
        s.tooLarge = true;
        s.problem = "larger than the cap of " + std::to_string(verify::kMaxRecordBytes) + " bytes";
        return s;
    }
    net::RecordReader reader(data, size);
    net::RecordStart start;
    net::RecordedFrame frame;
    std::string error;
    if (!reader.start(start, error)) return s.problem = error, s;
    while (reader.framesRead() <= verify::kMaxRecordFrames && reader.next(frame, error)) {
    }
    if (!error.empty()) return s.problem = error, s;
    if (reader.framesRead() > verify::kMaxRecordFrames) {
        s.tooLarge = true;
        s.problem = "longer than the cap of " + std::to_string(verify::kMaxRecordFrames) + " frames";
    }
    return s;
}

bool ListsBefore(const ListLine& a, const ListLine& b) {
    return std::make_tuple(-int64_t{a.score}, a.ladderFrames, a.provenMs, std::cref(a.id)) <
           std::make_tuple(-int64_t{b.score}, b.ladderFrames, b.provenMs, std::cref(b.id));
}

bool ParseListQuery(const std::string* ladder, const std::string* limit, ListQuery& q, std::string& error) {
    if (!ladder || (*ladder != "single" && *ladder != "multi")) {
        error = "ladder must be single or multi";
        return false;
    }
    q.multiplayer = *ladder == "multi";
    q.limit = kDefaultLimit;
    if (limit) {
        if (limit->empty() || limit->size() > 3 || limit->find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(*limit) < 1 || std::stoi(*limit) > kMaxLimit) {
            error = "limit must be a number from 1 to " + std::to_string(kMaxLimit);
            return false;
        }
        q.limit = std::stoi(*limit);
    }
    return true;
}

bool RateLimit::take(const std::string& address, int64_t nowMs, int64_t& retryMs) {
    const int64_t perRunMs = 60000 / std::max<uint32_t>(perMinute_, 1);
    const int64_t windowMs = perRunMs * perMinute_;
    auto found = table_.find(address);
    int64_t fullAt = nowMs;
    if (found != table_.end()) {
        fullAt = std::max(found->second->second, nowMs);
        order_.erase(found->second);
        table_.erase(found);
    }
    // The bucket holds what is left of the window; a run costs perRunMs of it.
    const bool allowed = perMinute_ > 0 && fullAt + perRunMs - nowMs <= windowMs;
    retryMs = allowed ? 0 : fullAt + perRunMs - windowMs - nowMs;
    if (allowed) fullAt += perRunMs;
    order_.emplace_front(address, fullAt);
    table_[address] = order_.begin();
    while (table_.size() > max_) {
        table_.erase(order_.back().first);
        order_.pop_back();
    }
    return allowed;
}

bool ConnectionLimit::open(const std::string& address) {
    uint32_t& n = open_[address];
    if (perAddress_ > 0 && n >= perAddress_) return false;
    ++n;
    return true;
}

void ConnectionLimit::close(const std::string& address) {
    const auto found = open_.find(address);
    if (found != open_.end() && --found->second == 0) open_.erase(found);
}

std::string HtmlEscaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                if (c < 0x20 || c == 0x7f) out += "&#" + std::to_string(c) + ";";
                else out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace scores
