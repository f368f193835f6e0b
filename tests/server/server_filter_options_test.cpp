#include "server/filter_options.h"

#include "db/password_hash.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/net_connection.h"
#include "framework/ui/scripted_ui_port.h"
#include "server/in_process_transport.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using fw::FilterOption;
using fw::FilterOptions;
using Args = std::vector<fw::RemoteValue>;

constexpr auto otherOperator = "TESTE02";

// A requisition filter in miniature: a buyer list and a branch list.
class TfrmFiltroTeste : public fw::TfrmFiltroPadrao
{
public:
    explicit TfrmFiltroTeste(const QString& screenCode = QStringLiteral("CMP03107"))
        : TfrmFiltroPadrao(QStringLiteral("frmFiltroTeste"), screenCode)
    {}

    fw::Edit& edtComprador = create<fw::Edit>(QStringLiteral("edtComprador"));
    fw::Edit& edtFili = create<fw::Edit>(QStringLiteral("edtFili"));

protected:
    FilterOptions GetOptions() const override
    {
        return {{QStringLiteral("stComprador"), edtComprador.Text()},
                {QStringLiteral("stFili"), edtFili.Text()}};
    }
    void SetOptions(const FilterOptions& options) override
    {
        for (const FilterOption& option : options)
            control(option.name == QLatin1String("stFili") ? QStringLiteral("edtFili")
                                                           : QStringLiteral("edtComprador"))
                .SetText(option.value);
    }
};

// The filter dialog against a real server in the same process.
class FilterOptionsTest : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        insertOtherOperator();
        previousPort = fw::SetUiPort(&ui);
        fw::TNetConnection::SetEmbeddedTransport(std::make_shared<InProcessTransport>(server()));
        signInAs(test::testOperator);
    }

    void TearDown() override
    {
        fw::TNetConnection::SignOut();
        fw::TNetConnection::SetEmbeddedTransport(nullptr);
        fw::SetUiPort(previousPort);
        ServerTest::TearDown();
    }

    void signInAs(const QString& operatorCode)
    {
        fw::TNetConnection::SignOut();
        fw::TNetConnection connection(rdmLancaSoliCmp);
        ASSERT_TRUE(connection.SignIn(operatorCode, test::testPassword).ok);
    }

    static void type(TfrmFiltroTeste& dialog, const QString& buyers, const QString& branches)
    {
        dialog.userType(QStringLiteral("edtComprador"), buyers);
        dialog.userType(QStringLiteral("edtFili"), branches);
    }

    static QStringList shown(const TfrmFiltroTeste& dialog)
    {
        return {dialog.edtComprador.Text(), dialog.edtFili.Text()};
    }

    CallOutcome call(const QString& method, Args args)
    {
        return server().execute({rdmLancaSoliCmp, method, std::move(args)},
                                fw::TNetConnection::Session().token);
    }

    fw::ScriptedUiPort ui;

private:
    void insertOtherOperator()
    {
        static const QString hash = db::hashPassword(test::testPassword);
        QSqlQuery query(server().database().connection());
        query.prepare(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHAOPER, "
                                     "IDATIVOOPER) VALUES (?, ?, ?, 'S')"));
        for (const QString& value : {QString(otherOperator), QStringLiteral("Outro"), hash})
            query.addBindValue(value);
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }

    fw::UiPort* previousPort = nullptr;
};

TEST_P(FilterOptionsTest, shouldLoadBackWhatTheOperatorSavedForThatScreenOnly)
{
    TfrmFiltroTeste filter;
    type(filter, QStringLiteral("_000000000007_"), QStringLiteral("_0004_"));
    ASSERT_TRUE(filter.userClick(QStringLiteral("btfSaveOpc")));
    // Saving again replaces the list; a value may hold "=".
    type(filter, QStringLiteral("A=B"), QStringLiteral("_0004_0005_"));
    ASSERT_TRUE(filter.userClick(QStringLiteral("btfSaveOpc")));
    type(filter, QString(), QString());

    ASSERT_TRUE(filter.userClick(QStringLiteral("btfLoadOpc")));
    EXPECT_EQ(shown(filter), QStringList({"A=B", "_0004_0005_"}));

    TfrmFiltroTeste otherScreen(QStringLiteral("CMP03110"));
    type(otherScreen, QStringLiteral("kept"), QStringLiteral("kept"));
    ASSERT_TRUE(otherScreen.userClick(QStringLiteral("btfLoadOpc")));
    EXPECT_EQ(shown(otherScreen), QStringList({"kept", "kept"}));

    signInAs(otherOperator);
    TfrmFiltroTeste othersFilter;
    ASSERT_TRUE(othersFilter.userClick(QStringLiteral("btfLoadOpc")));
    EXPECT_EQ(shown(othersFilter), QStringList({"", ""}));

    EXPECT_EQ(
        ui.texts(fw::UiEventKind::Info),
        QStringList({"Opções salvas.", "Opções salvas.", "Não há opções salvas para esta tela.",
                     "Não há opções salvas para esta tela."}));
    EXPECT_TRUE(ui.texts(fw::UiEventKind::Error).isEmpty());
}

TEST_P(FilterOptionsTest, shouldRefuseWhatItCouldNotReadBackAndKeepTheSavedList)
{
    TfrmFiltroTeste filter;
    type(filter, QStringLiteral("_1_"), QStringLiteral("_0004_"));
    ASSERT_TRUE(filter.userClick(QStringLiteral("btfSaveOpc")));

    const auto packet = [](const QString& name, const QString& value) {
        fw::DataPacket options{{{QStringLiteral("NAME"), fw::FieldType::String, 40},
                                {QStringLiteral("VALUE"), fw::FieldType::Memo, 0}},
                               {}};
        options.rows.emplace_back().values = {name, value};
        return options;
    };
    const struct
    {
        const char* what;
        Args args;
    } refused[] = {
        {"empty name", {"CMP03107", packet("", "x")}},
        {"name with =", {"CMP03107", packet("st=Fili", "x")}},
        {"value with a line break", {"CMP03107", packet("stFili", "_0004_\nstX=1")}},
        {"no VALUE field", {"CMP03107", fw::DataPacket{{{"NAME", fw::FieldType::String, 40}}, {}}}},
        {"no screen code", {"  ", packet("stFili", "x")}},
        {"screen code too long", {"CMP031070000", packet("stFili", "x")}},
    };
    for (const auto& r : refused) {
        const CallOutcome outcome = call(QStringLiteral("SaveFilterOptions"), r.args);
        EXPECT_EQ(outcome.failure, CallFailure::MethodFailed) << r.what;
        EXPECT_FALSE(outcome.reply.error.isEmpty()) << r.what;
    }
    // An empty list is no saved list, and no fault either
    fw::DataPacket empty = packet("x", "x");
    empty.rows.clear();
    EXPECT_EQ(call(QStringLiteral("SaveFilterOptions"), {"CMP03110", empty}).failure,
              CallFailure::None);
    EXPECT_TRUE(call(QStringLiteral("GetFilterOptions"), {"CMP03110"})
                    .reply.result.toPacket()
                    .rows.empty());
    // The operator is the signed-in one: there is no argument to name another.
    EXPECT_EQ(call(QStringLiteral("GetFilterOptions"), {"CMP03107", otherOperator}).failure,
              CallFailure::BadArguments);

    // A refused save from the dialog shows the server's text and ends the click.
    type(filter, QStringLiteral("_2_\n_3_"), QStringLiteral("_0009_"));
    EXPECT_FALSE(filter.userClick(QStringLiteral("btfSaveOpc")));
    EXPECT_EQ(ui.texts(fw::UiEventKind::Error).size(), 1);

    ASSERT_TRUE(filter.userClick(QStringLiteral("btfLoadOpc")));
    EXPECT_EQ(shown(filter), QStringList({"_1_", "_0004_"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, FilterOptionsTest,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server
