// The high-score file's text: five header lines, ten names, a separator word and ten
// scores; read at start-up, rewritten after each name entry.
#include "game/high_score_list.h"

#include <climits>
#include <cstdio>

#include "game/game_state.h"

namespace {

constexpr int kListSize = 10;
constexpr int kNameWords = 11;   // the ten names and the separator
constexpr int kScoreWords = 11;  // the last read meets the end of the file
constexpr size_t kMaxWord = 255;

constexpr const char* kHeader[] = {
    "Puckslyde3D",
    "Don't change this file or Puckslide3D won't work!",
    "Homepage: puckslide3d.example",
    "Contact: puckslide3d.example/contact",
    "This file belongs to Puckslide3D by Marbeck Valentino",
};

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One whitespace-separated word; a longer word keeps only its first kMaxWord bytes,
// so a hostile file costs time in proportion to its size and no more memory than that.
bool readWord(std::istream& in, std::string& word) {
    word.clear();
    std::streambuf* buf = in.rdbuf();
    if (!buf) return false;
    int c = buf->sgetc();
    while (c != EOF && isBlank(c)) c = buf->snextc();
    if (c == EOF) return false;
    while (c != EOF && !isBlank(c)) {
        if (word.size() < kMaxWord) word.push_back(static_cast<char>(c));
        c = buf->snextc();
    }
    return true;
}

// Decimal with an optional sign, nothing else, within the range of an int.
bool parseScore(const std::string& word, int& value) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
    if (i == word.size()) return false;
    long long v = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') return false;
        v = v * 10 + (word[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

std::string StoredNameWord(const std::string& name) {
    if (name.empty()) return "-";
    std::string word = name;
    for (char& c : word)
        if (c == ' ') c = '_';
    return word;
}

std::string NameFromStoredWord(const std::string& word) {
    if (word == "-") return std::string();
    std::string name = word;
    for (char& c : name)
        if (c == '_') c = ' ';
    return name;
}

bool ReadHighScores(std::istream& in, GameState& g) {
    std::string word;
    for (;;) {
        if (!readWord(in, word)) return false;
        if (word == "Valentino") break;
    }
    g.zeichen = word;
    for (int slot = 0; slot < kNameWords; ++slot) {
        if (!readWord(in, word)) return true;
        g.HSname[slot] = NameFromStoredWord(word);
    }
    for (int slot = 0; slot < kScoreWords; ++slot) {
        int score = 0;
        if (!readWord(in, word) || !parseScore(word, score)) break;
        g.hsscore[slot] = score;
    }
    return true;
}

std::string ConfigFileText(const GameState& g) {
    std::string text;
    for (const char* line : kHeader) {
        text += line;
        text += '\n';
    }
    for (int slot = 0; slot < kListSize; ++slot) {
        text += StoredNameWord(g.HSname[slot]);
        text += '\n';
    }
    text += "//Nothing\n";
    for (int slot = 0; slot < kListSize; ++slot) {
        text += std::to_string(g.hsscore[slot]);
        text += '\n';
    }
    return text;
}

bool QualifiesForHighScores(const GameState& g) { return g.HSfinalscore >= g.hsscore[0]; }

void InsertHighScore(GameState& g) {
    for (int i = kListSize - 1; i >= 0; --i) {
        if (g.hsscore[i] > g.HSfinalscore) continue;
        // The lowest entry drops out into the scratch slot; the ones up to i move down.
        g.HSname[10] = g.HSname[0];
        g.hsscore[10] = g.hsscore[0];
        for (int k = 1; k <= i; ++k) {
            g.HSname[k - 1] = g.HSname[k];
            g.hsscore[k - 1] = g.hsscore[k];
        }
        g.HSname[i] = g.HS;
        g.hsscore[i] = g.HSfinalscore;
        return;
    }
}
