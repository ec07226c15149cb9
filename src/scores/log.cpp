#include <chrono>
#include <cstdio>

#include "scores/service.h"

namespace scores {

void Log(const std::string& event, std::initializer_list<std::pair<const char*, std::string>> fields) {
    std::string line = "puckslide3d-scores: event=" + event;
    for (const auto& f : fields) {
        line += ' ';
        line += f.first;
        line += '=';
        // a value with a space is quoted, so the line splits into its pairs
        const bool quote = f.second.find_first_of(" \"") != std::string::npos;
        if (quote) line += '"';
        for (char c : f.second) line += c == '"' ? '\'' : static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        if (quote) line += '"';
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);  // one call, so lines of several threads do not mix
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace scores
