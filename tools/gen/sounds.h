// Every sound file of data/sounds.
#pragma once

#include <string>
#include <vector>

#include "models.h"

namespace gen {

// The three WAV effects: plain computation, the same bytes on every run.
void effectFiles(std::vector<OutputFile>& files);

// The match music and the five menu jingles as MP3, made with the Debian programs lame and
// espeak-ng, and "data/sounds/lengths.txt" with the length of each before encoding.
bool encodedFiles(std::vector<OutputFile>& files, std::string& error);

}  // namespace gen
