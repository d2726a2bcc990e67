#include "HttpServer.h"

#include <sys/socket.h>

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <list>
#include <mutex>
#include <optional>
#include <vector>

#include "HttpText.h"

namespace basalt_host::serve {

class Connection;

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

std::string_view view(beast::string_view text) {
    return {text.data(), text.size()};
}

bool isFormContent(std::string_view contentType) {
    std::string_view type = trimmedWhiteSpace(contentType.substr(0, contentType.find(';')));
    return headerNamesEqual(type, "application/x-www-form-urlencoded");
}

}  // namespace

struct HttpServer::State {
    // One network thread, told to asio: handlers posted from it stay on its own queue without
    // waking anyone.
    State() : io(1) {}
    HttpLimits limits;
    RequestHandler handler;
    ErrorPage errorPage;
    std::atomic<std::size_t> connections{0};
    // The connections waiting for a whole request (a first one, or the next on a kept-alive
    // connection, header and body), the one waiting longest first: at the connection limit it makes
    // room, so that connections opened and left silent cannot lock everyone else out. Before io,
    // whose handlers, destroyed with it, hold connections that then leave the list.
    std::mutex waitingMutex;
    std::list<std::weak_ptr<Connection>> waiting;
    bool makeRoom();
    net::io_context io;
    // On a strand of its own: the accept loop and stop() touch it from different threads.
    tcp::acceptor acceptor{net::make_strand(io)};

    struct Repeating {
        Repeating(net::io_context& io, std::chrono::milliseconds period, std::function<void()> work)
            : timer(io), period(period), work(std::move(work)) {}
        void arm() {
            timer.expires_after(period);
            timer.async_wait([this](beast::error_code ec) {
                if (!ec) {
                    work();
                    arm();
                }
            });
        }
        net::steady_timer timer;
        std::chrono::milliseconds period;
        std::function<void()> work;
    };
    std::vector<std::unique_ptr<Repeating>> timers;

    void accept();
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, HttpServer::State& state)
        : m_stream(std::move(socket)),
          m_state(state),
          m_buffer(state.limits.headerBytes + state.limits.bodyBytes + 16 * 1024),
          m_idle(m_stream.get_executor()) {}
    ~Connection() {
        leaveWaiting();
        --m_state.connections;
    }

    // Closes the connection to make room for a new one (the limit is reached): chosen while
    // it waited for a request; a request that arrives meanwhile is not served.
    void evict() {
        net::post(m_stream.get_executor(), [self = shared_from_this()] { self->close(); });
    }

    void start() {
        beast::error_code ignored;
        // Each answer goes out in one write; without this the client's delayed ACK stalls
        // every answer on a kept-alive connection.
        m_stream.socket().set_option(tcp::no_delay(true), ignored);
        tcp::endpoint peer = m_stream.socket().remote_endpoint(ignored);
        if (!ignored) {
            m_client = peer.address().to_string();
        }
        awaitRequest();
    }

private:
    // Waits for the next request's first bytes within the idle time (pipelined bytes already
    // read are used at once).
    void awaitRequest() {
        enterWaiting();
        if (m_buffer.size() > 0) {
            readHeader();
            return;
        }
        m_stream.expires_after(m_state.limits.idleTime);
        m_stream.async_read_some(m_buffer.prepare(4096),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                     if (ec) {
                                         self->close();
                                         return;
                                     }
                                     self->m_buffer.commit(n);
                                     self->readHeader();
                                 });
    }

    void readHeader() {
        enterWaiting();
        m_parser.emplace();
        m_parser->header_limit(static_cast<std::uint32_t>(m_state.limits.headerBytes));
        m_parser->body_limit(m_state.limits.bodyBytes);
        m_language.clear();
        m_stream.expires_after(m_state.limits.headerTime);
        http::async_read_header(
            m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec) {
        // On a timeout the stream has closed the socket already: nothing can be answered.
        if (ec == beast::error::timeout) {
            close();
            return;
        }
        if (ec == http::error::header_limit) {
            refuse(requestLineTooLong() ? 414 : 431);
            return;
        }
        if (ec == http::error::body_limit) {
            refuse(413);
            return;
        }
        if (ec == http::error::end_of_stream || ec == http::error::partial_message ||
            ec == net::error::eof || ec == net::error::connection_reset) {
            close();
            return;
        }
        if (ec) {
            refuse(400);
            return;
        }
        const auto& head = m_parser->get();
        m_language = std::string(head[http::field::accept_language]);
        m_keepAlive = head.keep_alive();
        if (head.target().size() > m_state.limits.targetBytes) {
            refuse(414);
            return;
        }
        if (static_cast<std::size_t>(std::distance(head.begin(), head.end())) >
            m_state.limits.headerFields) {
            refuse(431);
            return;
        }
        std::size_t codings = head.count(http::field::transfer_encoding);
        if (codings > 0) {
            // A length said two ways is read differently by different servers: refused.
            if (head.count(http::field::content_length) > 0) {
                refuse(400);
                return;
            }
            // chunked alone is all this server decodes.
            if (codings > 1 ||
                !headerNamesEqual(trimmedWhiteSpace(view(head[http::field::transfer_encoding])),
                                  "chunked")) {
                refuse(501);
                return;
            }
        }
        if (head.method() == http::verb::unknown) {
            refuse(501);
            return;
        }
        if (!m_parser->is_done() &&
            headerNamesEqual(trimmedWhiteSpace(view(head[http::field::expect])), "100-continue")) {
            auto next = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                           head.version());
            m_stream.expires_after(m_state.limits.writeTime);
            http::async_write(m_stream, *next,
                              [self = shared_from_this(), next](beast::error_code ec, std::size_t) {
                                  if (ec) {
                                      self->close();
                                      return;
                                  }
                                  self->readBody();
                              });
            return;
        }
        readBody();
    }

    void readBody() {
        if (m_parser->is_done()) {
            dispatch();
            return;
        }
        m_stream.expires_after(m_state.limits.bodyTime);
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec == http::error::body_limit) {
                                 self->refuse(413);
                             } else if (ec == http::error::partial_message ||
                                        ec == net::error::eof || ec == beast::error::timeout) {
                                 self->close();
                             } else if (ec) {
                                 self->refuse(400);
                             } else {
                                 self->dispatch();
                             }
                         });
    }

    // Whether the request line alone was past the header limit (414 rather than 431): the
    // parser has taken no target yet. (What it read is gone from the buffer by then.)
    bool requestLineTooLong() const { return m_parser->get().target().empty(); }

    void dispatch() {
        // Until the whole request is in (a body sent slowly too), the connection may be made to
        // make room.
        if (!leaveWaiting()) {
            close();  // it made room for another connection meanwhile
            return;
        }
        m_stream.expires_never();
        http::request<http::string_body> message = m_parser->release();
        m_version = message.version();
        HttpRequest request;
        request.method = std::string(message.method_string());
        std::string_view target = view(message.target());
        std::size_t question = target.find('?');
        request.path = std::string(target.substr(0, question));
        if (question != std::string_view::npos) {
            request.query = std::string(target.substr(question + 1));
        }
        for (const auto& field : message) {
            request.headers.emplace_back(std::string(field.name_string()),
                                         std::string(field.value()));
        }
        request.body = std::move(message.body());
        request.clientAddress = m_client;
        std::optional<NameValues> params;
        if (message.method() == http::verb::post &&
            isFormContent(view(message[http::field::content_type]))) {
            params = parseFormText(request.body);
        } else {
            params = parseFormText(request.query);
        }
        if (request.path.empty() || request.path.front() != '/' || !params ||
            params->size() > m_state.limits.formFields) {
            refuse(400);
            return;
        }
        request.params = std::move(*params);
        // Set before the handler runs: it may answer at once, on this thread.
        m_phase.store(0);
        m_nextError.clear();
        if (m_keepAlive) {
            if (m_buffer.size() > 0) {
                m_phase.store(kNextRead);  // pipelined: the next request is here already
            } else {
                readAhead();
            }
        }
        auto self = shared_from_this();
        m_state.handler(std::move(request),
                        [self](HttpResponse response) { self->answer(std::move(response)); });
    }

    // The answer to the request dispatched, from whichever thread has it. Nothing else writes
    // to the socket meanwhile, so the answer goes out from here when the socket takes it whole
    // at once, without waiting for a network thread; what is left runs on the connection's
    // strand. A kept-alive connection is already waiting for the next request (readAhead):
    // the network thread is woken by that request, not once more by this answer.
    void answer(HttpResponse answer) {
        const bool keepAlive = m_keepAlive;
        auto bytes = std::make_shared<std::string>(responseText(answer, keepAlive));
        ssize_t sent = ::send(m_stream.socket().native_handle(), bytes->data(), bytes->size(),
                              MSG_DONTWAIT | MSG_NOSIGNAL);
        std::size_t done = sent > 0 ? static_cast<std::size_t>(sent) : 0;
        if (keepAlive && done == bytes->size()) {
            answerOut();
            return;
        }
        net::post(m_stream.get_executor(), [self = shared_from_this(), bytes, done, keepAlive] {
            if (done == bytes->size()) {
                self->linger();  // not kept alive
                return;
            }
            self->m_stream.expires_after(self->m_state.limits.writeTime);
            net::async_write(self->m_stream, net::buffer(*bytes) + done,
                             [self, bytes, keepAlive](beast::error_code ec, std::size_t) {
                                 if (ec) {
                                     self->close();
                                 } else if (keepAlive) {
                                     self->answerOut();
                                 } else {
                                     self->linger();
                                 }
                             });
        });
    }

    // Waits for the next request while the answer to this one is being made: no time limit on
    // the read itself, the idle time counting from the answer (idleCheck).
    void readAhead() {
        ++m_round;
        armIdle(m_state.limits.idleTime);
        m_stream.async_read_some(m_buffer.prepare(4096),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                     self->m_nextError = ec;
                                     if (!ec) {
                                         self->m_buffer.commit(n);
                                     }
                                     if (self->m_phase.fetch_or(kNextRead) & kAnswerOut) {
                                         self->nextRequest();
                                     }
                                 });
    }

    // The answer is written whole; from any thread, which then leaves the socket alone.
    void answerOut() {
        m_answeredAt.store(std::chrono::steady_clock::now().time_since_epoch().count());
        if (m_phase.fetch_or(kAnswerOut) & kNextRead) {
            net::post(m_stream.get_executor(),
                      [self = shared_from_this()] { self->nextRequest(); });
        } else {
            enterWaiting();  // kept alive, with nothing asked yet
        }
    }

    // Both the answer and the next request's first bytes (or the end of the connection) are
    // in: on the strand.
    void nextRequest() {
        ++m_round;
        m_idle.cancel();
        m_phase.store(0);
        if (m_nextError) {
            close();
            return;
        }
        readHeader();
    }

    void armIdle(std::chrono::steady_clock::duration after) {
        m_idle.expires_after(after);
        m_idle.async_wait([self = shared_from_this(), round = m_round](beast::error_code ec) {
            if (!ec && round == self->m_round) {
                self->idleCheck();
            }
        });
    }

    // A kept-alive connection is closed when no request has come for the idle time after the
    // answer; while the answer is still being made it is not idle.
    void idleCheck() {
        const unsigned phase = m_phase.load();
        if (phase & kNextRead) {
            return;
        }
        if (!(phase & kAnswerOut)) {
            armIdle(m_state.limits.idleTime);
            return;
        }
        auto answeredAt = std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(m_answeredAt.load()));
        auto left = answeredAt + m_state.limits.idleTime - std::chrono::steady_clock::now();
        if (left.count() > 0) {
            armIdle(left);
            return;
        }
        close();  // the pending read ends, and with it the connection
    }

    // Answers and closes: the rest of what the client sent cannot be trusted to be framed.
    void refuse(int status) {
        m_version = 11;
        writeAndClose(m_state.errorPage(status, m_language, m_client));
    }

    // The answer as it goes on the wire, written straight into one string (a stream and a
    // header container cost more than the page itself). The body's length is always given, and
    // whether the connection stays open said as HTTP/1.0 and 1.1 each expect.
    std::string responseText(const HttpResponse& answer, bool keepAlive) const {
        const bool old = m_version == 10;
        std::string text;
        std::size_t size = answer.body.size() + 96;
        for (const auto& [name, value] : answer.headers) {
            size += name.size() + value.size() + 4;
        }
        text.reserve(size);
        text += old ? "HTTP/1.0 " : "HTTP/1.1 ";
        text += std::to_string(answer.status);
        text += ' ';
        text += statusReason(answer.status);
        text += "\r\n";
        for (const auto& [name, value] : answer.headers) {
            text += name;
            text += ": ";
            text += value;
            text += "\r\n";
        }
        if (old && keepAlive) {
            text += "Connection: keep-alive\r\n";
        } else if (!old && !keepAlive) {
            text += "Connection: close\r\n";
        }
        text += "Content-Length: ";
        text += std::to_string(answer.body.size());
        text += "\r\n\r\n";
        text += answer.body;
        return text;
    }

    // Writes the answer and closes.
    void writeAndClose(const HttpResponse& answer) {
        auto bytes = std::make_shared<std::string>(responseText(answer, false));
        m_stream.expires_after(m_state.limits.writeTime);
        net::async_write(m_stream, net::buffer(*bytes),
                         [self = shared_from_this(), bytes](beast::error_code ec, std::size_t) {
                             if (ec) {
                                 self->close();
                             } else {
                                 self->linger();
                             }
                         });
    }

    // Ends the sending side and reads what the client still sends for a moment, so the
    // answer is not lost to a reset from unread data.
    void linger() {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(std::chrono::seconds(2));
        drain();
    }

    void drain() {
        m_buffer.clear();
        m_stream.async_read_some(m_buffer.prepare(4096),
                                 [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                     if (ec) {
                                         self->close();
                                     } else {
                                         self->drain();
                                     }
                                 });
    }

    void close() {
        beast::error_code ignored;
        m_idle.cancel();
        m_stream.socket().close(ignored);
    }

    // Among the connections waiting for a request, from now on unless already there (a request
    // that trickles in keeps the place its wait began with).
    void enterWaiting() {
        std::lock_guard lock(m_state.waitingMutex);
        if (!m_waitingPlace && !m_evicted) {
            m_waitingPlace = m_state.waiting.insert(m_state.waiting.end(), weak_from_this());
        }
    }

    // Out of the waiting connections (a whole request is in); false when the connection was
    // chosen to make room meanwhile.
    bool leaveWaiting() {
        std::lock_guard lock(m_state.waitingMutex);
        if (m_waitingPlace) {
            m_state.waiting.erase(*m_waitingPlace);
            m_waitingPlace.reset();
        }
        return !m_evicted;
    }

    beast::tcp_stream m_stream;
    HttpServer::State& m_state;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::string m_client;
    std::string m_language;
    bool m_keepAlive = false;
    unsigned m_version = 11;
    // While a request is answered: whether its answer is out (set by whichever thread wrote
    // it) and whether the next request's bytes have been read; the one who completes the pair
    // goes on to that request.
    static constexpr unsigned kAnswerOut = 1;
    static constexpr unsigned kNextRead = 2;
    std::atomic<unsigned> m_phase{0};
    std::atomic<std::chrono::steady_clock::rep> m_answeredAt{0};
    beast::error_code m_nextError;
    net::steady_timer m_idle;
    unsigned m_round = 0;  // which wait the idle timer belongs to (strand only)
    // Under m_state.waitingMutex.
    std::optional<std::list<std::weak_ptr<Connection>>::iterator> m_waitingPlace;
    bool m_evicted = false;

    friend struct HttpServer::State;
};

bool HttpServer::State::makeRoom() {
    std::shared_ptr<Connection> chosen;
    {
        std::lock_guard lock(waitingMutex);
        while (!chosen && !waiting.empty()) {
            chosen = waiting.front().lock();
            waiting.pop_front();
            if (chosen) {
                chosen->m_waitingPlace.reset();
                chosen->m_evicted = true;
            }
        }
    }
    if (!chosen) {
        return false;
    }
    chosen->evict();
    return true;
}

void HttpServer::State::accept() {
    acceptor.async_accept(net::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
        if (!acceptor.is_open()) {
            return;
        }
        if (!ec) {
            if (connections.load() >= limits.connections && !makeRoom()) {
                beast::error_code ignored;
                socket.close(ignored);
            } else {
                ++connections;
                std::make_shared<Connection>(std::move(socket), *this)->start();
            }
        }
        accept();
    });
}

HttpServer::HttpServer(HttpLimits limits, RequestHandler handler, ErrorPage errorPage)
    : m_state(std::make_shared<State>()) {
    m_state->limits = limits;
    m_state->handler = std::move(handler);
    m_state->errorPage = std::move(errorPage);
}

HttpServer::~HttpServer() = default;

int HttpServer::listen(const std::string& address, int port) {
    beast::error_code ec;
    tcp::resolver resolver(m_state->io);
    auto results = resolver.resolve(address, std::to_string(port),
                                    tcp::resolver::numeric_service | tcp::resolver::passive, ec);
    if (ec || results.empty()) {
        return 0;
    }
    tcp::endpoint endpoint = results.begin()->endpoint();
    tcp::acceptor& acceptor = m_state->acceptor;
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor.set_option(net::socket_base::reuse_address(true), ec);
    }
    if (!ec) {
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(net::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        acceptor.close(ec);
        return 0;
    }
    m_state->accept();
    return acceptor.local_endpoint().port();
}

void HttpServer::run() {
    m_state->io.run();
}

void HttpServer::stop() {
    net::post(m_state->acceptor.get_executor(), [state = m_state.get()] {
        beast::error_code ignored;
        state->acceptor.close(ignored);
    });
    m_state->io.stop();
}

void HttpServer::every(std::chrono::milliseconds period, std::function<void()> work) {
    auto repeating = std::make_unique<State::Repeating>(m_state->io, period, std::move(work));
    repeating->arm();
    m_state->timers.push_back(std::move(repeating));
}

}  // namespace basalt_host::serve
