// What the service answers, as text: the JSON of each endpoint and the web page of both lists.
#pragma once

#include <string>
#include <vector>

#include "scores/rules.h"
#include "scores/store.h"

namespace scores {

std::string ErrorJson(const std::string& why);
std::string QueuedJson(const std::string& id);
std::string RunJson(const std::string& id, const RunView& run);
std::string ListJson(const std::vector<ListLine>& lines);
// Both lists on one page that reads without script, on a phone too; each line links to its record.
std::string ListsPage(const std::vector<ListLine>& single, const std::vector<ListLine>& multi);

}  // namespace scores
