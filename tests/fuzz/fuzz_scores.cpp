// What the list's front reads of a request besides the record (fuzz_verify's): the query of GET /scores as httplib
// splits it and the front judges it, a run id, and any stored name into the JSON and the page. Input: the query, a 0
// byte, the name. A judged query is in range; the name's JSON string ends where it should; the page's link text has no
// bracket or quote of the name.
#include <httplib.h>

#include <cstdlib>
#include <string>

#include "scores/views.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string query = input.substr(0, split);
    const std::string name = split == std::string::npos ? "" : input.substr(split + 1);

    httplib::Params params;
    httplib::detail::parse_query_text(query, params);
    const auto value = [&](const char* key) { return params.count(key) ? &params.find(key)->second : nullptr; };
    scores::ListQuery q;
    std::string error;
    const bool judged = scores::ParseListQuery(value("ladder"), value("limit"), q, error);
    if (judged != error.empty() || (judged && (q.limit < 1 || q.limit > scores::kMaxLimit))) std::abort();
    if (scores::IsRunId(query) && query.size() != 64) std::abort();

    const std::string utf8 = scores::Utf8OfLatin1(name);
    const std::string id = scores::RunIdOf(data, size);
    const std::string json = scores::ListJson({scores::ListLine{id, utf8, 1, 2, 3}});
    size_t at = json.find("\"name\":\"") + 8;  // the name's string ends where the score's key begins
    while (at < json.size() && json[at] != '"') {
        if (static_cast<unsigned char>(json[at]) < 0x20) std::abort();
        at += json[at] == '\\' ? 2 : 1;
    }
    if (json.compare(at, 11, "\",\"score\":1") != 0) std::abort();
    const std::string page = scores::ListsPage({scores::ListLine{id, utf8, 1, 2, 3}}, {});
    const size_t link = page.find("/record\">"), end = page.find("</a>", link);
    if (link == std::string::npos || end == std::string::npos ||
        page.substr(link + 9, end - link - 9).find_first_of("<>\"") != std::string::npos)
        std::abort();
    return 0;
}
