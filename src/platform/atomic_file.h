// Replacing a file's contents so that a crash or a full disk never leaves it half written.
#pragma once

#include <string>

// Writes the text to a temporary file beside `path`, flushes it to disk and renames it
// over `path`: a failure at any point leaves the old file as it was. A file the player
// has made read-only is left alone (false).
bool ReplaceFileContents(const std::string& path, const std::string& text);
