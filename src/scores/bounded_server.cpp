#include "scores/bounded_server.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "scores/views.h"

namespace scores {

namespace {

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool addressOf(socket_t sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if ((peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&a), &length)
              : getsockname(sock, reinterpret_cast<sockaddr*>(&a), &length)) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = "";
    if (a.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (a.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    } else {
        return false;
    }
    ip = text;
    return true;
}

// A connection's bytes for httplib, read ahead in blocks (its header reader asks for one byte at
// a time). Every wait ends at the request's deadline; past it, each read and write fails at once.
class DeadlineStream final : public httplib::Stream {
public:
    DeadlineStream(socket_t sock, int readTimeoutMs, int writeTimeoutMs)
        : sock_(sock), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs) {}

    // Waits up to `idleMs` for the next request to begin; false when none does or the server stops.
    bool awaitRequest(int idleMs, const std::atomic<socket_t>& listening) {
        if (begin_ < end_) return true;  // a pipelined request is already here
        const int64_t until = steadyMs() + idleMs;
        constexpr int kStopCheckMs = 100;
        for (int64_t left; (left = until - steadyMs()) > 0 && listening != INVALID_SOCKET;) {
            pollfd p{sock_, POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>(std::min<int64_t>(left, kStopCheckMs)));
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
        return false;
    }
    void startRequest(int requestMs) { deadlineMs_ = steadyMs() + requestMs; }
    bool timedOut() const { return timedOut_; }

    bool is_readable() const override { return begin_ < end_ || wait(POLLIN, readTimeoutMs_); }
    bool is_writable() const override { return wait(POLLOUT, writeTimeoutMs_); }

    ssize_t read(char* ptr, size_t size) override {
        if (begin_ == end_) {
            if (!wait(POLLIN, readTimeoutMs_)) return -1;
            if (size >= sizeof ahead_) return receive(ptr, size);
            const ssize_t n = receive(ahead_, sizeof ahead_);
            if (n <= 0) return n;
            begin_ = 0;
            end_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, end_ - begin_);
        std::memcpy(ptr, ahead_ + begin_, n);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!wait(POLLOUT, writeTimeoutMs_)) return -1;
        ssize_t n;
        do n = send(sock_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { addressOf(sock_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { addressOf(sock_, false, ip, port); }
    socket_t socket() const override { return sock_; }

private:
    bool wait(short events, int timeoutMs) const {
        const int64_t left = deadlineMs_ - steadyMs();
        if (left <= 0) {
            timedOut_ = true;
            return false;
        }
        pollfd p{sock_, events, 0};
        int r;
        do r = poll(&p, 1, static_cast<int>(std::min<int64_t>(timeoutMs, left)));
        while (r < 0 && errno == EINTR);
        if (r == 0 && steadyMs() >= deadlineMs_) timedOut_ = true;
        return r > 0;
    }
    ssize_t receive(char* ptr, size_t size) {
        ssize_t n;
        do n = recv(sock_, ptr, size, 0);
        while (n < 0 && errno == EINTR);
        return n;
    }

    socket_t sock_;
    int readTimeoutMs_, writeTimeoutMs_;
    int64_t deadlineMs_ = 0;
    mutable bool timedOut_ = false;
    char ahead_[4096];
    size_t begin_ = 0, end_ = 0;
};

// Said before the request is read: a client still sending may miss it, and learns from the close.
void refuse(socket_t sock, const std::string& why) {
    const std::string body = ErrorJson(why);
    const std::string answer = "HTTP/1.1 429 Too Many Requests\r\nContent-Type: application/json\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\nRetry-After: 5\r\nConnection: close\r\n\r\n" + body;
    (void)send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // What has come of the request goes unread; closed on unread bytes, TCP would reset the answer away.
    char unread[4096];
    while (recv(sock, unread, sizeof unread, MSG_DONTWAIT) > 0) {}
}

}  // namespace

bool BoundedServer::process_and_close_socket(socket_t sock) {
    std::string address;
    int port = 0;
    addressOf(sock, true, address, port);
    bool admitted;
    {
        std::lock_guard<std::mutex> lock(connectionsMutex_);
        admitted = connections_.open(address);
    }
    bool served = false;
    if (admitted) {
        served = serve(sock, address);
        std::lock_guard<std::mutex> lock(connectionsMutex_);
        connections_.close(address);
    } else {
        const std::string limit = std::to_string(limits_.connectionsPerAddress);
        refuse(sock, "more than " + limit + " connections at once from this address");
        Log("connection_refused", {{"address", address}, {"open", limit}});
    }
    shutdown(sock, SHUT_RDWR);
    close(sock);
    return served;
}

bool BoundedServer::serve(socket_t sock, const std::string& address) {
    DeadlineStream stream(sock, static_cast<int>(read_timeout_sec_ * 1000 + read_timeout_usec_ / 1000),
                          static_cast<int>(write_timeout_sec_ * 1000 + write_timeout_usec_ / 1000));
    bool served = false;
    for (size_t left = keep_alive_max_count_; left > 0; --left) {
        if (!stream.awaitRequest(static_cast<int>(keep_alive_timeout_sec_ * 1000), svr_sock_)) break;
        stream.startRequest(limits_.requestSeconds * 1000);
        bool closed = false;
        served = process_request(stream, left == 1, closed, nullptr);
        if (stream.timedOut()) {
            Log("request_too_slow", {{"address", address}, {"request_s", std::to_string(limits_.requestSeconds)}});
            return false;
        }
        if (!served || closed) break;
    }
    return served;
}

}  // namespace scores
