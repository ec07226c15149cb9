// The high-score list: its rules and the text of the file that holds it.
#pragma once

#include <istream>
#include <string>

struct GameState;

// A name is stored as one word: an empty name as "-", each blank as "_".
// A typed name holds only A-Z, 0-9 and blanks, so neither mark can be typed.
std::string StoredNameWord(const std::string& name);
std::string NameFromStoredWord(const std::string& word);

// Skips the header up to the word "Valentino", then reads eleven names and up
// to eleven scores. A file without that word changes nothing (false).
bool ReadHighScores(std::istream& in, GameState& g);

// The whole file as the game writes it.
std::string ConfigFileText(const GameState& g);

// The list takes a score at least equal to its lowest; ties rank above.
bool QualifiesForHighScores(const GameState& g);
void InsertHighScore(GameState& g);

constexpr int kMaxNameLength = 255;     // what one print can show
