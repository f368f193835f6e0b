// server_soak: the load of scripts/soak. Many desktop clients against a
// running cmp-server on the demo data, each on a kept-alive connection as the
// desktop client keeps one: sign in, then reads (filter, parameters, lookups)
// and a write now and then, signing in again every two minutes. Prints
// the calls per second each minute; scripts/soak watches the server's memory.
//   usage: server_soak PORT CLIENTS MINUTES
#include "db/demo_data.h"
#include "framework/data/data_packet.h"
#include "framework/net/remote_value.h"
#include "framework/sql/statement_registry.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
using namespace cmp;

std::string json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::string call(const char* module, const char* method, std::vector<fw::RemoteValue> args)
{
    return json(fw::remoteCallToJson({module, method, std::move(args)}));
}

fw::DataPacket oneRow(std::vector<fw::FieldDef> fields, std::vector<QVariant> values)
{
    fw::DataPacket packet;
    packet.fields = std::move(fields);
    packet.rows.emplace_back();
    packet.rows.back().values = std::move(values);
    return packet;
}

// The calls a desktop makes while working, in turn.
std::vector<std::string> workload()
{
    const QString me = db::demoOperator;
    const fw::DataPacket options =
        oneRow({{QStringLiteral("NAME"), fw::FieldType::String, 40},
                {QStringLiteral("VALUE"), fw::FieldType::Memo, 0}},
               {QStringLiteral("stFili"), QStringLiteral("_0004_0005_")});
    const fw::DataPacket branch =
        oneRow({{QStringLiteral("P_CDFILIAL"), fw::FieldType::String, 4}}, {QVariant()});
    const QString all = QStringLiteral("T");
    const fw::RemoteValue noDate;
    // Every branch, every criterion open: the filter's heaviest search.
    const std::vector<fw::RemoteValue> filialSoli{
        QString(), all,    QString(), noDate, noDate,    all, QString(), all, QString(),
        all,       noDate, noDate,    all,    QString(), all, all,       me};
    return {
        call("Cmp.rdmCompras", "GetServerInfo", {}),
        call("Cmp.rdmCompras", "GetFiliaisOperador", {}),
        call("Cmp.rdmCompras", "GetParamCmp", {QString("0001"), QString("SUP")}),
        call("Cmp03100.rdmLancaSoliCmp", "GetParCmpSup", {QString("0004"), me}),
        call("Cmp03100.rdmLancaSoliCmp", "GetParamFilial", {QString("0004")}),
        call("Cmp03100.rdmLancaSoliCmp", "GetPermissoes", {me}),
        call("Cmp03100.rdmLancaSoliCmp", "GetFilialSoli", filialSoli),
        call("Cmp03100.rdmLancaSoliCmp", "GetSolicita",
             {QString("0004"), QString("0004"), QString("0000000001")}),
        call("Cmp03100.rdmLancaSoliCmp", "GetItemSoli",
             {QString("0004"), QString("0004"), QString("0000000001")}),
        call("Cmp03100.rdmLancaSoliCmp", "RunStatement",
             {QString("TfrmFiltroSolicita.qryFilial"), branch}),
        call("Cmp03100.rdmLancaSoliCmp", "SaveFilterOptions", {QString("CMP03107"), options}),
    };
}

// One desktop: a kept-alive connection, opened again when it closes.
class Desktop
{
public:
    explicit Desktop(unsigned short port) : port_(port) {}

    // The status of the answer, 0 when there was none.
    int post(const char* path, const std::string& body, std::string* answer = nullptr)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (!stream_)
                    connect();
                http::request<http::string_body> request(http::verb::post, path, 11);
                request.set(http::field::host, "cmp");
                request.set(http::field::content_type, "application/json");
                if (!token_.empty())
                    request.set(http::field::authorization, "Bearer " + token_);
                request.body() = body;
                request.prepare_payload();
                stream_->expires_after(std::chrono::seconds(60));
                http::write(*stream_, request);
                http::response<http::string_body> response;
                http::read(*stream_, buffer_, response);
                if (answer)
                    *answer = response.body();
                if (!response.keep_alive())
                    stream_.reset();
                return static_cast<int>(response.result_int());
            } catch (const boost::system::system_error&) {
                stream_.reset(); // the server closed a kept-alive connection: once more
            }
        }
        return 0;
    }

    bool signIn()
    {
        token_.clear();
        std::string answer;
        const std::string body =
            json({{"operator", db::demoOperator}, {"password", db::demoPassword}});
        if (post("/signin", body, &answer) != 200)
            return false;
        token_ = QJsonDocument::fromJson(QByteArray::fromStdString(answer))
                     .object()
                     .value("token")
                     .toString()
                     .toStdString();
        return true;
    }

private:
    void connect()
    {
        stream_.emplace(context_);
        stream_->connect({boost::asio::ip::make_address("127.0.0.1"), port_});
        buffer_.clear();
    }

    unsigned short port_;
    boost::asio::io_context context_;
    std::optional<beast::tcp_stream> stream_;
    beast::flat_buffer buffer_;
    std::string token_;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: server_soak PORT CLIENTS MINUTES\n");
        return 2;
    }
    const auto port = static_cast<unsigned short>(std::atoi(argv[1]));
    const int clients = std::atoi(argv[2]);
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(std::atoi(argv[3]));
    const std::vector<std::string> calls = workload();
    constexpr auto signInEvery = std::chrono::minutes(2);
    std::atomic<long> done{0};
    std::atomic<long> failed{0};
    std::vector<std::thread> desktops;
    for (int c = 0; c < clients; ++c)
        desktops.emplace_back([&, c] {
            Desktop desktop(port);
            // Each desktop signs in again every two minutes, the desktops in turn.
            auto nextSignIn = std::chrono::steady_clock::now() + c * signInEvery / clients;
            if (!desktop.signIn())
                ++failed;
            for (long i = c; std::chrono::steady_clock::now() < end; ++i) {
                if (std::chrono::steady_clock::now() >= nextSignIn) {
                    nextSignIn += signInEvery;
                    if (!desktop.signIn())
                        ++failed;
                }
                const int status = desktop.post("/call", calls[std::size_t(i) % calls.size()]);
                ++(status == 200 ? done : failed);
            }
        });
    for (int minute = 1; std::chrono::steady_clock::now() < end; ++minute) {
        const long before = done;
        std::this_thread::sleep_until(
            std::min(end, std::chrono::steady_clock::now() + std::chrono::minutes(1)));
        std::printf("minute %d: %ld calls per second, %ld failed so far\n", minute,
                    (done - before) / 60, failed.load());
        std::fflush(stdout);
    }
    for (std::thread& desktop : desktops)
        desktop.join();
    std::printf("%ld calls, %ld failed\n", done.load(), failed.load());
    return failed == 0 ? 0 : 1;
}
