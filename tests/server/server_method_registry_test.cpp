#include "server/method_registry.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace cmp::server {
namespace {

using Kind = fw::RemoteValue::Kind;
using Args = std::vector<fw::RemoteValue>;

const QString module = QStringLiteral("Cmp03100.rdmLancaSoliCmp");

class MethodRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // GetMedia(CDPRODUTO, var MEDIA, var QTDE): answers for the operator
        // and fills in the two by-reference values.
        registry.add(
            module, QStringLiteral("GetMedia"),
            {Kind::String, Param::byReference(Kind::Number), Param::byReference(Kind::Number)},
            [](CallContext& context, Args& args) {
                args[1] = 12.5;
                args[2] = args[2].toNumber() + 1;
                return fw::RemoteValue(context.operatorCode + args[0].toString());
            });
    }

    CallOutcome call(const QString& method, Args args, const QString& inModule = module)
    {
        CallContext context{QStringLiteral("0001"), {}};
        return registry.invoke({inModule, method, std::move(args)}, context);
    }

    MethodRegistry registry;
};

TEST_F(MethodRegistryTest, shouldRunTheMethodAndSendByReferenceArgumentsBack)
{
    // A whole number serves a decimal argument.
    const CallOutcome outcome = call(QStringLiteral("GetMedia"), {"0000001234", {}, 4});

    ASSERT_EQ(outcome.failure, CallFailure::None) << outcome.reply.error.toStdString();
    EXPECT_EQ(outcome.reply.result.toString(), QStringLiteral("00010000001234"));
    ASSERT_EQ(outcome.reply.args.size(), 3u);
    EXPECT_TRUE(outcome.reply.args[0].isNull()) << "by-value arguments are not sent back";
    EXPECT_EQ(outcome.reply.args[1].toNumber(), 12.5);
    EXPECT_EQ(outcome.reply.args[2].toNumber(), 5.0);
}

TEST_F(MethodRegistryTest, shouldRefuseCallsThatDoNotMatchADeclaredMethod)
{
    struct Case
    {
        const char* what;
        QString module;
        QString method;
        Args args;
        CallFailure failure;
        QString mentions;
    };
    using enum CallFailure;
    const QString media = QStringLiteral("GetMedia");
    const Args three{"a", {}, {}};
    const std::vector<Case> cases{
        {"unknown module", "Cmp.rdmNada", media, three, UnknownMethod, "Cmp.rdmNada"},
        {"unknown method", module, "GetNada", {}, UnknownMethod, "GetNada"},
        {"method of another module", "Cmp.rdmCompras", media, three, UnknownMethod,
         "Cmp.rdmCompras"},
        {"too few arguments", module, media, {"a", {}}, BadArguments, "3"},
        {"too many arguments", module, media, {"a", {}, {}, {}}, BadArguments, "3"},
        {"wrong kind", module, media, {"a", QDate(2026, 12, 7), {}}, BadArguments, "data"},
        {"null by value", module, media, {{}, {}, {}}, BadArguments, "nulo"},
    };
    for (const Case& c : cases) {
        const CallOutcome outcome = call(c.method, c.args, c.module);
        EXPECT_EQ(outcome.failure, c.failure) << c.what;
        EXPECT_FALSE(outcome.reply.ok) << c.what;
        EXPECT_TRUE(outcome.reply.error.contains(c.mentions))
            << c.what << ": " << outcome.reply.error.toStdString();
    }
}

TEST_F(MethodRegistryTest, shouldAnswerWhatTheMethodThrowsWithAnErrorAndKeepServing)
{
    const auto throwing = [this](const char* method, std::function<void()> fault) {
        registry.add(module, QLatin1String(method), {}, [fault](CallContext&, Args&) {
            fault();
            return fw::RemoteValue();
        });
        return call(QLatin1String(method), {});
    };

    // A refusal reaches the user word for word.
    const CallOutcome refusal = throwing("Confirmar", [] {
        throw ServerError(QStringLiteral("Requisição já aprovada pelo gerente."));
    });
    EXPECT_EQ(refusal.failure, CallFailure::MethodFailed);
    EXPECT_EQ(refusal.reply.error, QStringLiteral("Requisição já aprovada pelo gerente."));

    // A fault names the method; its details stay in the server's log.
    const CallOutcome fault = throwing(
        "GetSolicita", [] { throw std::runtime_error("relation \"SOLICMP\" does not exist"); });
    const CallOutcome oddFault = throwing("GetJustSoli", [] { throw 42; });
    for (const CallOutcome& outcome : {fault, oddFault}) {
        EXPECT_EQ(outcome.failure, CallFailure::MethodFailed);
        EXPECT_FALSE(outcome.reply.ok);
        EXPECT_TRUE(outcome.reply.error.contains(QLatin1String("Erro interno")));
        EXPECT_FALSE(outcome.reply.error.contains(QLatin1String("SOLICMP")));
    }
    EXPECT_EQ(call(QStringLiteral("GetMedia"), {"a", {}, 1}).failure, CallFailure::None);
}

} // namespace
} // namespace cmp::server
