// The gateway's HTTP layer against raw sockets: limits enforced while reading, timeouts, strict
// framing and pipelining.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "HttpMessage.h"
#include "HttpServer.h"
#include "RawHttpClient.h"

namespace {

using namespace basalt_host::serve;
using namespace std::chrono_literals;

class HttpLayer : public ::testing::Test {
protected:
    virtual HttpLimits limits() const {
        HttpLimits limits;
        limits.headerTime = 400ms;
        limits.idleTime = 400ms;
        limits.bodyTime = 400ms;
        return limits;
    }
    void SetUp() override {
        m_server = std::make_unique<HttpServer>(
            limits(),
            [this](HttpRequest request, Reply reply) {
                ++handled;
                HttpResponse response;
                response.body = request.method + " " + request.path + " [" +
                                std::to_string(request.body.size()) + "]";
                for (const auto& [name, value] : request.params) {
                    response.body += " " + name + "=" + value;
                }
                if (request.path == "/slow") {
                    // Answered later from another thread, as a provider call would be.
                    std::thread([reply, response] {
                        std::this_thread::sleep_for(200ms);
                        reply(response);
                    }).detach();
                    return;
                }
                reply(std::move(response));
            },
            [](int status, const std::string&, const std::string&) {
                HttpResponse response;
                response.status = status;
                response.body = "<a href=\"/browse\">refused " + std::to_string(status) + "</a>";
                return response;
            });
        port = m_server->listen("127.0.0.1", 0);
        ASSERT_GT(port, 0);
        m_thread = std::thread([this] { m_server->run(); });
    }
    void TearDown() override {
        m_server->stop();
        m_thread.join();
    }

    // One request on a new connection; the response.
    std::string exchange(const std::string& bytes) {
        RawHttpClient client(port);
        client.send(bytes);
        return client.response();
    }

    int port = 0;
    std::atomic<int> handled{0};

private:
    std::unique_ptr<HttpServer> m_server;
    std::thread m_thread;
};

const std::string kGet = "GET /browse HTTP/1.1\r\nHost: gw\r\n\r\n";

TEST_F(HttpLayer, RequestsThatCannotBeReadSafelyAreRefusedWithAPage) {
    const std::string post = "POST /logon HTTP/1.1\r\nHost: gw\r\n";
    std::string manyFields = "GET /browse HTTP/1.1\r\nHost: gw\r\n";
    for (int i = 0; i < 150; ++i) {
        manyFields += "X-" + std::to_string(i) + ": 1\r\n";
    }
    // A form of thousands of fields within the body's size: each one costs the pages and the
    // provider's documents work.
    std::string manyFormFields;
    for (int i = 0; i < 5000; ++i) {
        manyFormFields += "f" + std::to_string(i) + "=&";
    }
    const std::pair<std::string, int> refused[] = {
        {post + "Content-Length: 400000000\r\n\r\n", 413},               // the body is never read
        {post + "Transfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\n", 413},  // its size line alone
        {manyFields + "\r\n", 431},
        {"GET /browse HTTP/1.1\r\nHost: gw\r\nCookie: " + std::string(17000, 'a') + "\r\n\r\n",
         431},
        {"GET /browse?filter=" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n", 414},
        // Two lengths, or a length and a coding: either reading smuggles a request past the other.
        {post + "Content-Length: 5\r\nContent-Length: 12\r\n\r\nhello world!", 400},
        {post + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         400},
        {post + "Transfer-Encoding: gzip\r\nContent-Length: 5\r\n\r\nhello", 400},
        // Codings this server does not decode.
        {post + "Transfer-Encoding: gzip\r\n\r\nhello", 501},
        {post + "Transfer-Encoding: gzip, chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 501},
        {"GET /browse?skip=%zz HTTP/1.1\r\nHost: gw\r\n\r\n", 400},
        {post + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
             std::to_string(manyFormFields.size()) + "\r\n\r\n" + manyFormFields,
         400},
        {"GET /browse?" + manyFormFields.substr(0, 800) + " HTTP/1.1\r\nHost: gw\r\n\r\n", 400},
    };
    for (const auto& [bytes, status] : refused) {
        std::string response = exchange(bytes);
        EXPECT_EQ(statusOf(response), status) << bytes.substr(0, 100);
        EXPECT_NE(bodyOf(response).find("refused " + std::to_string(status)), std::string::npos);
    }
    EXPECT_EQ(handled, 0);

    // The same length twice, and a plain chunked body, are fine.
    EXPECT_EQ(statusOf(exchange(post + "Content-Length: 3\r\nContent-Length: 3\r\nContent-Type: "
                                       "application/x-www-form-urlencoded\r\n\r\na=b")),
              200);
    std::string chunked = exchange(post +
                                   "Transfer-Encoding: chunked\r\nContent-Type: "
                                   "application/x-www-form-urlencoded\r\n\r\n4\r\nuser\r\n8\r\n="
                                   "a+b%26c\r\n0\r\n\r\n");
    EXPECT_EQ(bodyOf(chunked), "POST /logon [12] user=a b&c");
}

// A body or a header that streams on is cut off at its limit, long before it ends.
TEST_F(HttpLayer, StreamsPastTheLimitsAreRefusedBeforeTheyEnd) {
    RawHttpClient chunks(port);
    chunks.send("POST /logon HTTP/1.1\r\nHost: gw\r\nTransfer-Encoding: chunked\r\n\r\n");
    std::string chunk = "1000\r\n" + std::string(0x1000, 'a') + "\r\n";
    for (int i = 0; i < 20 && chunks.send(chunk); ++i) {
    }
    // No final chunk was sent: a server that reads the whole body first never answers.
    EXPECT_EQ(statusOf(chunks.response()), 413);
    EXPECT_TRUE(chunks.closedWithin(3s));

    RawHttpClient fields(port);
    fields.send("GET /browse HTTP/1.1\r\nHost: gw\r\n");
    std::string lines;
    for (int i = 0; i < 2000; ++i) {
        lines += "X: " + std::to_string(i) + "\r\n";
    }
    for (int i = 0; i < 50 && fields.send(lines); ++i) {
    }
    EXPECT_EQ(statusOf(fields.response()), 431);
    EXPECT_EQ(handled, 0);
}

TEST_F(HttpLayer, PipelinedRequestsAreAnsweredInOrder) {
    RawHttpClient client(port);
    client.send(
        "GET /slow?n=1 HTTP/1.1\r\nHost: gw\r\n\r\nGET /fast?n=2 HTTP/1.1\r\nHost: "
        "gw\r\n\r\nGET /fast?n=3 HTTP/1.1\r\nHost: gw\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(bodyOf(client.response()), "GET /slow [0] n=1");
    EXPECT_EQ(bodyOf(client.response()), "GET /fast [0] n=2");
    EXPECT_EQ(bodyOf(client.response()), "GET /fast [0] n=3");
    EXPECT_TRUE(client.closedWithin(1s));
}

TEST_F(HttpLayer, SlowClientsNeitherStarveOthersNorStayForever) {
    std::vector<std::unique_ptr<RawHttpClient>> slow;
    for (int i = 0; i < 16; ++i) {
        slow.push_back(std::make_unique<RawHttpClient>(port));
        slow.back()->send("GET /browse HTTP/1.1\r\nX-Slow: ");
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(statusOf(exchange(kGet)), 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);

    // Headers that do not arrive in time end the connection, however they trickle.
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(150ms);
        slow.front()->send("a");
    }
    EXPECT_TRUE(slow.front()->closedWithin(1s));
    EXPECT_TRUE(slow.back()->closedWithin(1s));

    // A kept-alive connection with nothing more to ask is closed after the idle time.
    RawHttpClient idle(port);
    idle.send(kGet);
    EXPECT_EQ(statusOf(idle.response()), 200);
    EXPECT_TRUE(idle.closedWithin(1500ms));
}

class HttpLayerAtItsLimit : public HttpLayer {
protected:
    // Waits long enough that a connection closed within a second was made to leave.
    HttpLimits limits() const override {
        HttpLimits limits;
        limits.connections = 8;
        limits.headerTime = 5s;
        limits.idleTime = 5s;
        return limits;
    }
};

// Connections opened and left silent (or trickling a header or a body) cannot lock others out:
// at the limit the one waiting longest for a whole request makes room, never one whose request
// is being answered.
TEST_F(HttpLayerAtItsLimit, TheConnectionWaitingLongestMakesRoomForANewOne) {
    RawHttpClient busy(port);
    busy.send("GET /slow HTTP/1.1\r\nHost: gw\r\n\r\n");
    std::this_thread::sleep_for(50ms);
    std::vector<std::unique_ptr<RawHttpClient>> silent;
    for (int i = 0; i < 7; ++i) {
        silent.push_back(std::make_unique<RawHttpClient>(port));
        if (i == 0) {  // a body sent slowly
            silent.back()->send("POST /logon HTTP/1.1\r\nHost: gw\r\nContent-Length: 100\r\n\r\na");
        } else if (i == 1) {  // a header sent slowly
            silent.back()->send("GET /browse HTTP/1.1\r\nX-Slow: ");
        }
        std::this_thread::sleep_for(10ms);
    }
    // Eight held: a new client is served all the same, and the oldest silent one goes.
    EXPECT_EQ(statusOf(exchange(kGet)), 200);
    EXPECT_TRUE(silent[0]->closedWithin(1s));
    EXPECT_FALSE(silent[1]->closedWithin(100ms));
    EXPECT_EQ(statusOf(busy.response()), 200);
}

}  // namespace
