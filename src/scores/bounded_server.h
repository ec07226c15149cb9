// The front's HTTP server: httplib's parsing and routing, with the bounds httplib 0.11 lacks.
// It bounds each read and write, so a client that sends one byte every few seconds could hold a
// serving thread for as long as it liked, and a few such clients every thread. Here each request
// has a time from its first byte to the last of its answer, and one address is served on only so
// many threads at once.
#pragma once

#include <httplib.h>

#include <mutex>

#include "scores/rules.h"
#include "scores/service.h"

namespace scores {

class BoundedServer : public httplib::Server {
public:
    explicit BoundedServer(const Limits& limits) : limits_(limits), connections_(limits.connectionsPerAddress) {}

private:
    // httplib calls this on a serving thread for each connection it accepts.
    bool process_and_close_socket(socket_t sock) override;
    bool serve(socket_t sock, const std::string& address);

    const Limits limits_;
    std::mutex connectionsMutex_;
    ConnectionLimit connections_;
};

}  // namespace scores
