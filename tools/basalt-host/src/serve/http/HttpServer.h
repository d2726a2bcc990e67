#pragma once
// The gateway's HTTP/1.1 server on Boost.Beast over Asio. One network thread serves every
// connection; what a request asks for is handed to the gateway, which answers through a
// callback from any thread. Everything read from the network is bounded while it is read:
// the header's bytes and fields, the body (chunked too), and the time each part may take.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "HttpMessage.h"

namespace basalt_host::serve {

struct HttpLimits {
    std::size_t headerBytes = 16 * 1024;  // request line and header fields together
    std::size_t targetBytes = 4 * 1024;   // the request line's target (414 beyond it)
    std::size_t headerFields = 100;
    // Fields of a form or query: the gateway's forms have a handful, and each field costs the
    // pages and the provider's documents work.
    std::size_t formFields = 100;
    std::size_t bodyBytes = 64 * 1024;
    std::size_t connections = 1024;  // past it the one waiting longest for a request makes room
    std::chrono::milliseconds headerTime{10000};  // from the first byte to the blank line
    std::chrono::milliseconds bodyTime{20000};
    std::chrono::milliseconds idleTime{30000};  // a kept-alive connection with no request
    std::chrono::milliseconds writeTime{20000};
};

using Reply = std::function<void(HttpResponse)>;
// Called on the network thread; must return quickly, and call reply once (from any thread).
using RequestHandler = std::function<void(HttpRequest, Reply)>;
// The answer to a request the server refuses itself (status 400, 404, 413, 414, 431, 501...),
// given the request's Accept-Language when its header was read, and the client's address.
using ErrorPage = std::function<HttpResponse(int status, const std::string& acceptLanguage,
                                             const std::string& client)>;

class HttpServer {
public:
    // One network thread (the one in run()): reading and writing a request is a small part of
    // the gateway's cost, and a single thread hands no handler to another, so no request waits
    // for a second wake-up.
    HttpServer(HttpLimits limits, RequestHandler handler, ErrorPage errorPage);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and listens; the port bound (port 0 picks a free one), or 0 when it cannot.
    int listen(const std::string& address, int port);

    // Serves on the calling thread, the network thread, until stop().
    void run();
    // Stops accepting and closes every connection; safe from any thread.
    void stop();

    // Runs work on the network thread every period (the gateway's own timers).
    void every(std::chrono::milliseconds period, std::function<void()> work);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace basalt_host::serve
