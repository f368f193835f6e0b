#include "server/admin_cli.h"

#include "db/demo_data.h"
#include "server/server.h"
#include "server/server_fixture.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <thread>

using namespace cmp::server;
using namespace cmp::test;

namespace {

// Collects what cmp-admin says and answers its password prompts from a list,
// like a script piping into it.
class ScriptedConsole : public AdminConsole
{
public:
    void print(const QString& text) override { out += text; }
    void error(const QString& text) override { err += text; }
    bool interactive() const override { return false; }
    QString readPassword(const QString&) override
    {
        if (passwords.empty())
            return {};
        const QString next = passwords.front();
        passwords.pop_front();
        return next;
    }

    std::deque<QString> passwords;
    QString out;
    QString err;
};

struct Outcome
{
    int exitCode;
    QString out;
    QString err;
};

// cmp-admin on an empty database of its own: a SQLite file, or a fresh
// schema on PostgreSQL whose password comes from CMP_PG_PASSWORD.
class AdminOnBackend : public BackendTest
{
protected:
    QStringList databaseArguments()
    {
        if (GetParam() == Backend::SQLite)
            return {"--sqlite", folder_.filePath("cmp.sqlite")};
        return {"--pg-host",   qEnvironmentVariable("CMP_PG_HOST"),
                "--pg-port",   qEnvironmentVariable("CMP_PG_PORT", "5432"),
                "--pg-user",   qEnvironmentVariable("CMP_PG_USER"),
                "--pg-db",     qEnvironmentVariable("CMP_PG_DB"),
                "--pg-schema", currentSchema(db())};
    }

    Outcome admin(const QStringList& command, const QStringList& passwords = {})
    {
        return adminOn(databaseArguments(), command, passwords);
    }

    // Safe on any thread: the database arguments are read before, on the
    // test's own connection.
    static Outcome adminOn(const QStringList& database, const QStringList& command,
                           const QStringList& passwords = {})
    {
        ScriptedConsole console;
        console.passwords.assign(passwords.begin(), passwords.end());
        const int code = runAdmin(QStringList{"cmp-admin"} + database + command, console);
        return {code, console.out, console.err};
    }

    ServerOptions serverOptions()
    {
        ServerOptions options;
        options.database = GetParam() == Backend::SQLite
                               ? DatabaseConfig::sqlite(folder_.filePath("cmp.sqlite"))
                               : postgresConfig(currentSchema(db()));
        return options;
    }

    bool signsIn(const QString& code, const QString& password)
    {
        return Server(serverOptions()).signIn(code, password).ok;
    }

    int requisitions()
    {
        Server server(serverOptions());
        QSqlQuery query("SELECT COUNT(*) FROM SOLICITA", server.database().connection());
        query.next();
        return query.value(0).toInt();
    }

    QTemporaryDir folder_;
};

TEST_P(AdminOnBackend, shouldCreateSchemaOnceAndReportVersionsEachTime)
{
    const Outcome created = admin({"migrate"});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_TRUE(created.out.startsWith("Schema version 0 -> ")) << created.out.toStdString();
    EXPECT_TRUE(created.out.endsWith(": created.\n")) << created.out.toStdString();

    const QString latest = created.out.section(' ', 4, 4).chopped(1);
    const Outcome again = admin({"migrate"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, QString("Schema version %1 -> %1: already up to date.\n").arg(latest));
}

TEST_P(AdminOnBackend, shouldLoadDemoOnlyIntoEmptyDatabaseAndGenerateOnTopOfIt)
{
    // Given a database with the demo data
    const Outcome demo = admin({"demo"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err.toStdString();
    EXPECT_TRUE(signsIn(cmp::db::demoOperator, cmp::db::demoPassword));

    // A second load is refused, saying why
    const Outcome second = admin({"demo"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains("already holds data")) << second.err.toStdString();

    // Generating adds the requisitions asked for, reporting progress up to 100%
    const int before = requisitions();
    const Outcome generated = admin({"generate", "--requisitions", "30"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err.toStdString();
    EXPECT_TRUE(generated.out.contains("Generating requisitions: 100% (30 of 30), "))
        << generated.out.toStdString();
    EXPECT_TRUE(generated.out.contains("Wrote 30 requisitions in")) << generated.out.toStdString();
    EXPECT_EQ(requisitions(), before + 30);
}

TEST_P(AdminOnBackend, shouldLetTwoGenerateRunsWriteAtTheSameTime)
{
    ASSERT_EQ(admin({"demo"}).exitCode, 0);
    const int before = requisitions();

    std::vector<Outcome> outcomes(2);
    std::vector<std::thread> runs;
    const QStringList database = databaseArguments();
    for (Outcome& outcome : outcomes)
        runs.emplace_back([&] {
            outcome = adminOn(database, {"generate", "--requisitions", "200"});
        });
    for (std::thread& run : runs)
        run.join();

    for (const Outcome& outcome : outcomes)
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(requisitions(), before + 400);
}

TEST_P(AdminOnBackend, shouldLetOperatorsSignInOnlyWithTheirCurrentPasswordUntilDisabled)
{
    ASSERT_EQ(admin({"migrate"}).exitCode, 0);

    // Added with a short code, stored padded to twelve
    const Outcome added =
        admin({"operator", "add", "7", "Maria Souza", "--email", "m@x.br"}, {"abc123"});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, "Operator 000000000007 added.\n");
    EXPECT_TRUE(signsIn("000000000007", "abc123"));

    // A new password replaces the old one
    ASSERT_EQ(admin({"operator", "password", "7"}, {"novo-segredo"}).exitCode, 0);
    EXPECT_FALSE(signsIn("000000000007", "abc123"));
    EXPECT_TRUE(signsIn("000000000007", "novo-segredo"));

    // Disabled, it can no longer sign in
    ASSERT_EQ(admin({"operator", "disable", "000000000007"}).exitCode, 0);
    EXPECT_FALSE(signsIn("000000000007", "novo-segredo"));

    // Refusals change nothing and say why
    const struct
    {
        QStringList command;
        QStringList passwords;
        const char* message;
    } refusals[] = {
        {{"operator", "add", "7", "Outra"}, {"x"}, "Operator 000000000007 already exists."},
        {{"operator", "add", "8", "Sem Senha"}, {}, "The password is empty."},
        {{"operator", "add", "1234567890123", "Longo"}, {"x"}, "more than 12 characters"},
        {{"operator", "password", "99"}, {"x"}, "There is no operator 000000000099."},
        {{"operator", "disable", "99"}, {}, "There is no operator 000000000099."},
    };
    for (const auto& refusal : refusals) {
        const Outcome outcome = admin(refusal.command, refusal.passwords);
        EXPECT_EQ(outcome.exitCode, 1) << refusal.command.join(' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(refusal.message)) << outcome.err.toStdString();
    }
    EXPECT_FALSE(signsIn("000000000008", "x"));
}

INSTANTIATE_TEST_SUITE_P(Backends, AdminOnBackend,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

TEST(AdminCommandLine, shouldRefuseWrongUsageWithMessageAndExitCodeInsteadOfActing)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("cmp.sqlite");
    const struct
    {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--sqlite", path}, 2, "no command given"},
        {{"--sqlite", path, "drop"}, 2, "unknown command \"drop\""},
        {{"migrate"}, 2, "give either --sqlite or --pg-host"},
        {{"--sqlite", path, "--pg-host", "db", "migrate"}, 2, "give either --sqlite or --pg-host"},
        {{"--sqlite", path, "--bogus", "migrate"}, 2, "Unknown option 'bogus'"},
        {{"--sqlite", path, "generate"}, 2, "generate needs --requisitions COUNT"},
        {{"--sqlite", path, "generate", "--requisitions", "0"},
         2,
         "--requisitions must be a number"},
        {{"--sqlite", path, "migrate", "--email", "a@b"},
         2,
         "--email is not an option of \"migrate\""},
        {{"--sqlite", path, "operator", "add", "7"}, 2, "\"operator add\" takes CODE NAME"},
        {{"--sqlite", path, "operator", "disable", "7"}, 1, "no schema yet"},
        {{"--pg-host", "localhost", "--pg-port", "99999", "migrate"},
         2,
         "--pg-port must be a number"},
    };
    for (const auto& c : cases) {
        ScriptedConsole console;
        EXPECT_EQ(runAdmin(QStringList{"cmp-admin"} + c.arguments, console), c.exitCode)
            << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(console.err.contains(c.message)) << console.err.toStdString();
        EXPECT_TRUE(console.out.isEmpty());
    }
    // Nothing above created the database file
    EXPECT_FALSE(QFile::exists(path));

    ScriptedConsole help;
    EXPECT_EQ(runAdmin({"cmp-admin", "--help"}, help), 0);
    EXPECT_TRUE(help.out.contains("operator add CODE NAME"));
}

} // namespace
