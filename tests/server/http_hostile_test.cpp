// The HTTP server under requests an attacker would send. Each test sends one
// kind, and meanwhile measures the server's peak memory (this process's, the
// server runs in it) and how long /health takes to answer others.
#include "server/http_server.h"

#include "server/http_endpoints.h"
#include "server/http_test_client.h"
#include "server/peak_memory.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"
#include "server/tls_certificate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace cmp::server {
namespace {

using namespace std::chrono_literals;
using test::RawConnection;

constexpr std::size_t maxBodyBytes = 1024 * 1024;
constexpr auto headerTimeout = 2s;
constexpr long memoryAllowanceKiB = 16 * 1024;
// Far above what an idle server needs, far below a request read whole.
constexpr auto healthAllowance = 2000ms;

// Asks /health every few milliseconds on a thread of its own and keeps the
// slowest answer; a refused or failed answer counts as endless.
class HealthWatch
{
public:
    explicit HealthWatch(int port, bool tls = false)
        : thread_([this, port, tls] {
              const test::HttpTestClient client(port, tls);
              while (!done_) {
                  const auto start = std::chrono::steady_clock::now();
                  const bool answered = client.get("/health").status == 200;
                  const auto took = std::chrono::steady_clock::now() - start;
                  slowest_ = std::max(slowest_.load(), answered ? took : 1h);
                  std::this_thread::sleep_for(20ms);
              }
          })
    {}
    ~HealthWatch() { slowest(); }

    std::chrono::milliseconds slowest()
    {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        return std::chrono::duration_cast<std::chrono::milliseconds>(slowest_.load());
    }

private:
    std::atomic<bool> done_{false};
    std::atomic<std::chrono::steady_clock::duration> slowest_{};
    std::thread thread_;
};

struct Cost
{
    long peakGrowthKiB = 0;
    std::chrono::milliseconds slowestHealth{};
};

std::ostream& operator<<(std::ostream& out, const Cost& cost)
{
    return out << "peak memory +" << cost.peakGrowthKiB << " KiB, slowest /health "
               << cost.slowestHealth.count() << " ms";
}

class HostileRequests : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        http_.emplace(server(), httpOptions());
        token_ = signedInToken();
    }

    void TearDown() override
    {
        http_.reset();
        ServerTest::TearDown();
    }

    static HttpOptions httpOptions()
    {
        HttpOptions options;
        options.threads = 2;
        options.maxBodyBytes = maxBodyBytes;
        options.headerTimeout = headerTimeout;
        options.readTimeout = 3s;
        options.keepAliveTimeout = 2s;
        options.maxConnectionsPerAddress = 8;
        return options;
    }

    int port() const { return http_->port(); }
    const QString& token() const { return token_; }

    // Runs the attack; its cost shows in the test's XML report under its name.
    template <typename Attack>
    Cost measure(const std::string& what, Attack attack, int port = 0, bool tls = false)
    {
        test::resetPeakMemory();
        const long before = test::peakMemoryKiB();
        HealthWatch health(port ? port : this->port(), tls);
        attack();
        const std::chrono::milliseconds slowest = health.slowest();
        const Cost cost{test::peakMemoryKiB() - before, slowest};
        RecordProperty(what, ::testing::PrintToString(cost));
        return cost;
    }

private:
    std::optional<HttpServer> http_;
    QString token_;
};

struct UnreadBody
{
    const char* what;
    std::string head;
    int status;
};

TEST_P(HostileRequests, shouldAnswerBodiesItWillNotReadBeforeReadingThem)
{
    const std::string bearer = "Authorization: Bearer " + token().toStdString() + "\r\n";
    const std::string chunked = "Transfer-Encoding: chunked\r\n\r\n";
    const std::vector<UnreadBody> cases{
        {"chunked call without token", "POST /call HTTP/1.1\r\n" + chunked, 401},
        {"chunked sign-in past its limit", "POST /signin HTTP/1.1\r\n" + chunked, 413},
        {"chunked call past the limit", "POST /call HTTP/1.1\r\n" + bearer + chunked, 413},
        {"compressed sign-in",
         "POST /signin HTTP/1.1\r\nContent-Encoding: gzip\r\nContent-Length: 500000\r\n\r\n", 415},
        {"1 TiB call without token", "POST /call HTTP/1.1\r\nContent-Length: 1099511627776\r\n\r\n",
         401},
        {"1 TiB call", "POST /call HTTP/1.1\r\n" + bearer + "Content-Length: 1099511627776\r\n\r\n",
         413},
        {"1 TiB sign-in", "POST /signin HTTP/1.1\r\nContent-Length: 1099511627776\r\n\r\n", 413},
        {"silent call without token", "POST /call HTTP/1.1\r\nContent-Length: 1000\r\n\r\n", 401},
    };
    // 64 KiB chunks, up to 64 MiB, for as long as the server takes them.
    const std::string chunk = "10000\r\n" + std::string(0x10000, '[') + "\r\n";
    for (const UnreadBody& c : cases) {
        int status = 0;
        const auto start = std::chrono::steady_clock::now();
        const Cost cost = measure(c.what, [&] {
            RawConnection attacker(port());
            attacker.send(c.head);
            if (c.head.find("Content-Length: 1000\r\n") == std::string::npos)
                for (int sent = 0; sent < 1024 && attacker.send(chunk); ++sent) {
                }
            status = RawConnection::statusOf(attacker.receive(5s));
        });
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(status, c.status) << c.what;
        EXPECT_LT(took, 3s) << c.what;
        EXPECT_LT(cost.peakGrowthKiB, memoryAllowanceKiB) << c.what << ": " << cost;
        EXPECT_LT(cost.slowestHealth, healthAllowance) << c.what << ": " << cost;
    }
}

TEST_P(HostileRequests, shouldKeepParsedJsonProportionalToTheBodyLimit)
{
    // Tiny values make parsed JSON many times larger than its text.
    std::string tinyValues = R"({"module":"Cmp.rdmCompras","method":"GetServerInfo","args":[)";
    while (tinyValues.size() < maxBodyBytes - 16)
        tinyValues += "[],";
    tinyValues += "[]]}";
    std::string signInObjects = R"({"operator":"TESTE01","password":"x","junk":[)";
    while (signInObjects.size() < HttpEndpoints::maxSignInBytes - 16)
        signInObjects += "{},";
    signInObjects += "{}]}";

    const test::HttpTestClient client(port());
    for (const auto& [what, path, body] :
         {std::tuple{"call of tiny values", "/call", tinyValues},
          std::tuple{"sign-in of tiny objects", "/signin", signInObjects}}) {
        int status = 0;
        const Cost cost = measure(what, [&] { status = client.post(path, body, token()).status; });
        EXPECT_EQ(status, 400) << what;
        EXPECT_LT(cost.peakGrowthKiB, memoryAllowanceKiB) << what << ": " << cost;
    }
}

TEST_P(HostileRequests, shouldDropClientsThatTrickleOrStallWithoutHoldingAWorker)
{
    // Forty clients, each from an address of its own, trickle a request head
    // one byte at a time; five more connect and say nothing, five announce a
    // sign-in body and send none. The server has two workers.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int client = 0; client < 50; ++client) {
        const std::string address = "127.0.1." + std::to_string(client + 1);
        slow.push_back(std::make_unique<RawConnection>(port(), address.c_str()));
        ASSERT_TRUE(slow.back()->connected());
    }
    const std::string head = "POST /signin HTTP/1.1\r\nHost: cmp\r\nContent-Length: 40\r\n";
    for (std::size_t client = 45; client < 50; ++client)
        slow[client]->send(head + "\r\n");
    const Cost cost = measure("slow clients", [&] {
        for (std::size_t byte = 0; byte < 12; ++byte) {
            for (std::size_t client = 0; client < 40; ++client)
                slow[client]->send(head.substr(byte, 1));
            std::this_thread::sleep_for(250ms);
        }
    });
    EXPECT_LT(cost.slowestHealth, healthAllowance) << cost;

    // Past the head's deadline every one of them is gone.
    for (const auto& client : slow)
        EXPECT_TRUE(client->closedWithin(1500ms));
}

TEST_P(HostileRequests, shouldCloseConnectionsBeyondTheCapOfTheirAddressAtOnce)
{
    const Cost cost = measure("connections per address", [&] {
        std::vector<std::unique_ptr<RawConnection>> open;
        for (int i = 0; i < httpOptions().maxConnectionsPerAddress; ++i)
            open.push_back(std::make_unique<RawConnection>(port(), "127.0.0.2"));
        std::this_thread::sleep_for(100ms); // until the server counted them

        RawConnection oneTooMany(port(), "127.0.0.2");
        EXPECT_TRUE(oneTooMany.closedWithin(500ms));
        RawConnection otherAddress(port(), "127.0.0.3");
        otherAddress.send("GET /health HTTP/1.1\r\nHost: cmp\r\n\r\n");
        EXPECT_EQ(RawConnection::statusOf(otherAddress.receive(500ms)), 200);
    });
    EXPECT_LT(cost.slowestHealth, healthAllowance) << cost;
}

TEST_P(HostileRequests, shouldDropSilentTlsConnectionsWithoutHoldingAWorker)
{
    QTemporaryDir folder;
    HttpOptions tls = httpOptions();
    tls.certificateFile = folder.filePath(QStringLiteral("cert.pem"));
    tls.keyFile = folder.filePath(QStringLiteral("key.pem"));
    ASSERT_TRUE(test::writeCertificate(tls.certificateFile, tls.keyFile, -1h, 24h));
    HttpServer https(server(), tls);

    std::vector<std::unique_ptr<RawConnection>> silent;
    const Cost cost = measure(
        "silent TLS clients",
        [&] {
            for (int client = 0; client < 20; ++client) {
                const std::string address = "127.0.2." + std::to_string(client + 1);
                silent.push_back(std::make_unique<RawConnection>(https.port(), address.c_str()));
            }
            std::this_thread::sleep_for(1s);
        },
        https.port(), true);
    EXPECT_LT(cost.slowestHealth, healthAllowance) << cost;
    for (const auto& client : silent)
        EXPECT_TRUE(client->closedWithin(headerTimeout + 500ms));
}

INSTANTIATE_TEST_SUITE_P(Backends, HostileRequests, ::testing::Values(test::Backend::SQLite),
                         test::backendName);

} // namespace
} // namespace cmp::server
