#include "scenario/runner.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/net_connection.h"
#include "framework/ui/host_context.h"
#include "framework/ui/lookups.h"
#include "framework/ui/password.h"
#include "framework/ui/ui_port.h"
#include "scenario/command_line.h"
#include "scenario/commands.h"
#include "server/http_server.h"
#include "server/server.h"
#include "support/sql_backends.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>

namespace cmp::scenario {
namespace {

using namespace cmp::fw;

// A small screen with one control of each kind the commands act on.
class TestScreen : public Form
{
public:
    TestScreen() : Form(QStringLiteral("frmTeste"))
    {
        SetCaption(QStringLiteral("Tela de Teste"));
        auto& codigo = create<Edit>(QStringLiteral("edtCodigo"));
        codigo.OnExit = [](Control& edit) {
            if (edit.Text().isEmpty())
                MensErro(QStringLiteral("Código deve ser informado."), true);
        };
        codigo.OnKeyDown = [this](Control&, Key& key, Shift shift) {
            if (key == Qt::Key_Return && shift == Qt::ControlModifier)
                control(QStringLiteral("lblResultado")).SetCaption(QStringLiteral("ctrl+enter"));
        };
        create<Edit>(QStringLiteral("edtNome"));
        // At most three digits: a handler that reads what was typed so far.
        create<Edit>(QStringLiteral("edtQtde")).OnKeyPress = [](Control& edit, QChar& key) {
            if (key.isDigit() && edit.Text().size() >= 3)
                key = QChar();
        };
        create<Label>(QStringLiteral("lblResultado"));
        create<SpeedButton>(QStringLiteral("sbtServidor")).OnClick = [](Control&) {
            TNetConnection server(QStringLiteral("Cmp03100.rdmLancaSoliCmp"));
            server.Call(QStringLiteral("GetImpedirAlt"), {RemoteValue(QStringLiteral("0001"))});
            server.Call(QStringLiteral("GetMedia"));
        };
        auto& gravar = create<SpeedButton>(QStringLiteral("sbtGravar"));
        gravar.OnClick = [](Control&) {
            if (uiPort().ask({QStringLiteral("Gravar?")}) == MsgButton::Yes)
                uiPort().showInfo(QStringLiteral("Gravado."));
        };
        create<SpeedButton>(QStringLiteral("sbtBloqueado")).SetEnabled(false);
        create<SpeedButton>(QStringLiteral("sbtDialogo")).OnClick = [this](Control&) {
            openDialog();
        };

        produtos.AddField(QStringLiteral("CDPRODUTO"), FieldType::String, 4);
        produtos.AddField(QStringLiteral("NMPRODUTO"), FieldType::String, 20);
        produtos.CreateDataSet();
        for (const auto& [code, name] : {std::pair{"0101", "Arroz"}, {"0102", "Feijão"}}) {
            produtos.Append();
            produtos.FieldByName(QStringLiteral("CDPRODUTO")).SetAsString(code);
            produtos.FieldByName(QStringLiteral("NMPRODUTO")).SetAsString(QString::fromUtf8(name));
            produtos.Post();
        }
        produtos.First();
        auto& grid = create<DBGrid>(QStringLiteral("grdProdutos"));
        grid.SetDataSource(&dtsProdutos);
        createPromptButtons();
        createMatrix();
    }
    ~TestScreen() override { Destroy(); }

    ClientDataSet produtos;
    DataSource dtsProdutos{&produtos};

private:
    void show(const QString& text) { control(QStringLiteral("lblResultado")).SetCaption(text); }
    QString productName() const
    {
        return produtos.FieldByName(QStringLiteral("NMPRODUTO")).AsString();
    }

    // One button per kind of prompt; each shows in lblResultado what it got.
    void createPromptButtons()
    {
        const auto button = [this](const char* name, std::function<void()> action) {
            create<SpeedButton>(QString::fromLatin1(name)).OnClick = [action](Control&) {
                action();
            };
        };
        button("sbtPesquisa", [this] {
            if (Pesquisar({produtos, QStringLiteral("Produtos"), QStringLiteral("CDPRODUTO")}))
                show(productName());
        });
        button("sbtLista", [this] {
            QString list = QStringLiteral("_0101_");
            if (PesquisaLista(produtos, QStringLiteral("CDPRODUTO"), QStringLiteral("Produtos"),
                              list))
                show(list);
        });
        button("sbtSenha", [this] {
            show(CriaConfSenha(QStringLiteral("000000000002"), QStringLiteral("Senha"),
                               QStringLiteral("Gerente"))
                     ? QStringLiteral("confirmada")
                     : QStringLiteral("recusada"));
        });
        button("sbtOpcao", [this] {
            show(QString::number(
                uiPort().askCustom({QStringLiteral("Qual?"),
                                    MsgType::Confirmation,
                                    {QStringLiteral("Um"), QStringLiteral("Dois")}})));
        });
    }

    // Rows keyed by name and code, drawn as the name; totals drawn as "Total".
    void createMatrix()
    {
        itens.AddField(QStringLiteral("NMPRODUTO"), FieldType::String, 20);
        itens.AddField(QStringLiteral("DTENTREGA"), FieldType::Date);
        itens.AddField(QStringLiteral("QTSOLI"), FieldType::Float);
        itens.CreateDataSet();
        for (const auto& [product, day, quantity] :
             {std::tuple{"Arroz||0101", 7, 5.0}, {"Feijão||0102", 8, 2.5}}) {
            itens.Append();
            itens.FieldByName(QStringLiteral("NMPRODUTO")).SetAsString(QString::fromUtf8(product));
            itens.FieldByName(QStringLiteral("DTENTREGA")).SetValue(QDate(2026, 12, day));
            itens.FieldByName(QStringLiteral("QTSOLI")).SetValue(quantity);
            itens.Post();
        }
        auto& matrix = create<DecisionGrid>(QStringLiteral("degItemSoli"));
        matrix.Build(itens, QStringLiteral("NMPRODUTO"), QStringLiteral("DTENTREGA"),
                     QStringLiteral("QTSOLI"));
        matrix.OnDrawCell = [](DecisionGrid& grid, int, int row, DecisionGrid::CellDraw& draw) {
            if (draw.kind == DecisionGrid::CellKind::RowLabel)
                draw.text = draw.text.section(QStringLiteral("||"), 0, 0);
            else if (draw.kind == DecisionGrid::CellKind::TotalLabel)
                draw.text = QStringLiteral("Total");
            else if (draw.kind == DecisionGrid::CellKind::Data &&
                     grid.RowLabel(row).startsWith(QStringLiteral("Feij")))
                draw.color = DecisionGrid::CellColor::Yellow;
        };
    }

    ClientDataSet itens;

    void openDialog()
    {
        TfrmRotiGeral dialog(QStringLiteral("frmDialogo"), QStringLiteral("TST002"));
        dialog.SetCaption(QStringLiteral("Diálogo"));
        auto& nome = dialog.create<Edit>(QStringLiteral("edtNome"));
        dialog.create<SpeedButton>(QStringLiteral("sbtMedia")).OnClick = [](Control&) {
            TNetConnection(QStringLiteral("Cmp03100.rdmLancaSoliCmp"))
                .Call(QStringLiteral("GetMedia"));
        };
        TNetConnection(QStringLiteral("Cmp03100.rdmLancaSoliCmp"))
            .Call(QStringLiteral("DescComplProd"));
        if (uiPort().showModal(dialog) == mrOk)
            control(QStringLiteral("lblResultado")).SetCaption(nome.Text());
    }
};

// The module the tests open as TESTE: the screen above, and what the host
// context held when it opened.
std::unique_ptr<TestScreen> screen;
HostContext openedWith;

RunOptions testOptions()
{
    ModuleEntry entry{[] {},
                      [] {
                          openedWith = hostContext();
                          screen = std::make_unique<TestScreen>();
                          uiPort().showModeless(*screen);
                      },
                      [] { screen.reset(); }};
    RunOptions options;
    options.modules.insert(QStringLiteral("TESTE"), entry);
    return options;
}

RunReport run(const QString& text)
{
    Runner runner(parseScript(text, QStringLiteral("t.scn")), testOptions());
    return runner.run();
}

QString failuresOf(const RunReport& report)
{
    return report.failures.join(u'\n');
}

TEST(ScenarioScript, shouldSplitWordsWithQuotesEscapesAndComments)
{
    EXPECT_EQ(splitWords(QStringLiteral(R"(type edtNome "Feijão \"preto\" \\ #1" # comment)")),
              (QStringList{"type", "edtNome", "Feijão \"preto\" \\ #1"}));
    EXPECT_EQ(splitWords(QStringLiteral("expect text edt \"\"")),
              (QStringList{"expect", "text", "edt", ""}));
    EXPECT_TRUE(splitWords(QStringLiteral("   # only a comment")).isEmpty());
    EXPECT_THROW(splitWords(QStringLiteral("type a \"open")), std::invalid_argument);
    EXPECT_THROW(splitWords(QStringLiteral(R"(type a "x\n")")), std::invalid_argument);
}

TEST(ScenarioScript, shouldRefuseBadLinesNamingFileAndLine)
{
    const struct
    {
        const char* text;
        const char* error;
    } cases[] = {
        {"click a\nfrobnicate x", "t.scn:2: unknown command \"frobnicate\""},
        {"click", "t.scn:1: usage: click CONTROL"},
        {"key edtCodigo Ctrl+Banana", "t.scn:1: \"Ctrl+Banana\" is not a key"},
        {"answer Talvez", "t.scn:1: \"Talvez\" is not a button"},
        {"pick row 0", "t.scn:1: \"0\" is not a whole number of at least 1"},
        {"row grdProdutos 0", "t.scn:1: \"0\" is not a row number from 1 or COLUMN=TEXT"},
        {"signin 1 demo date 31/02/2026", "t.scn:1: \"31/02/2026\" is not a date"},
        {"expect color edtNome azul", "t.scn:1: \"azul\" is not a colour role"},
        {"keys edtNome \"Feijão\"", "t.scn:1: \"ã\" has no key of its own"},
        {"\n\nend", "t.scn:3: \"end\" without a block to end"},
        {"modal frmA\nclick x\nend maybe", "t.scn:3: \"maybe\" is not a modal result"},
        {"# head\nmodal frmA\nclick x", "t.scn:2: \"modal frmA\" has no \"end\""},
    };
    for (const auto& c : cases) {
        try {
            parseScript(QString::fromUtf8(c.text), QStringLiteral("t.scn"));
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ScriptError& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QString::fromUtf8(c.error)))
                << error.what();
        }
    }
}

// Grids, pages, selection, search and modal blocks are driven by the scenario files;
// this covers the commands those files do not use.
TEST(ScenarioRunner, shouldDriveScreenThroughItsControls)
{
    const RunReport report = run(QStringLiteral(R"(
open TESTE
expect focus edtCodigo
# Leaving the code empty is refused; the focus stays.
leave edtCodigo
expect error "Código deve ser informado."
expect focus edtCodigo
type edtCodigo "0101"
key edtCodigo Ctrl+Enter
expect text lblResultado "ctrl+enter"
leave edtCodigo
expect focus edtNome
answer Sim
click sbtGravar
expect question "Gravar?"
expect info "Gravado."
expect cell grdProdutos 1 2 "Arroz"
expect no messages
# Key by key, the key handler sees each character land.
keys edtQtde "12345"
expect text edtQtde "123"
keys edtNome "Ab 1,5"
expect text edtNome "Ab 1,5"
)"));
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
}

TEST(ScenarioRunner, shouldAnswerEveryKindOfPrompt)
{
    const PasswordChecker previous =
        SetPasswordChecker([](const QString&, const QString& password) {
            return password == QLatin1String("segredo");
        });
    const RunReport report = run(QStringLiteral(R"(
open TESTE
pick 0102
click sbtPesquisa
expect text lblResultado "Feijão"
pick row 1
click sbtPesquisa
expect text lblResultado "Arroz"
pick list 0101 0102
click sbtLista
expect text lblResultado "_0101_0102_"
password segredo
click sbtSenha
expect text lblResultado "confirmada"
password errada
click sbtSenha
expect error "Senha não confere."
expect text lblResultado "recusada"
answer 11
click sbtOpcao
expect question "Qual?"
expect text lblResultado "11"
)"));
    SetPasswordChecker(previous);
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
}

// The dialog's answer is written inside its block and the later question's
// after it: each prompt gets its own.
TEST(ScenarioRunner, shouldQueueBlockAnswersInScriptOrder)
{
    const RunReport report = run(QStringLiteral(R"(
open TESTE
modal frmDialogo
  key edtNome Esc
end cancel
click sbtDialogo
answer Não
click sbtGravar
expect no messages
)"));
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
}

// The matrix's own drawing decides the colour.
TEST(ScenarioRunner, shouldCheckTheMatrixCellColourAsDrawn)
{
    const RunReport report = run(QStringLiteral(R"(
open TESTE
type edtCodigo "0101"
cell degItemSoli Arroz "07/12/2026"
expect cellcolor degItemSoli Arroz "07/12/2026" info
expect cellcolor degItemSoli Feijão "08/12/2026" yellow
expect cellcolor degItemSoli Total Sum grey
)"));
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
}

// The calls of a dialog's lines count for the action that opened it too.
TEST(ScenarioRunner, shouldTellWhichServerCallsTheLastActionMade)
{
    const RunReport report = run(QStringLiteral(R"(
open TESTE
type edtCodigo "0101"
click sbtServidor
expect calls GetImpedirAlt GetMedia
expect calls GetImpedirAlt GetMedia
modal frmDialogo
  expect calls DescComplProd
  type edtNome "x"
  expect no calls
  click sbtMedia
  expect calls GetMedia
  click sbtConfirma
  expect no calls
end ok
click sbtDialogo
expect calls DescComplProd GetMedia
type edtNome "y"
expect no calls
)"));
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
}

TEST(ScenarioRunner, shouldReportWhereAndWhatWasSeen)
{
    const struct
    {
        const char* text;
        const char* failure;
    } cases[] = {
        {"open TESTE\ntype edtCodigo \"1\"\nexpect text edtCodigo \"2\"",
         "t.scn:3: expect text edtCodigo \"2\"\n    the text is \"1\""},
        {"open TESTE\nleave edtCodigo\nexpect info \"Gravado.\"",
         "t.scn:3: expect info \"Gravado.\"\n    the next message is error \"Código deve ser "
         "informado.\""},
        {"open TESTE\nleave edtCodigo",
         "t.scn:2: error \"Código deve ser informado.\" was shown and not expected"},
        {"open TESTE\nanswer Sim", "t.scn:2: answer Sim\n    no prompt came for this answer"},
        {"open TESTE\nmodal frmDialogo\nend", "t.scn:2: modal frmDialogo\n    no such form opened"},
        {"open TESTE\nclick sbtGravar", "t.scn:2: click sbtGravar\n    unscripted prompt: No "
                                        "scripted answer for: question \"Gravar?\""},
        {"open TESTE\nmodal frmOutro\nend\nclick sbtDialogo",
         "t.scn:2: modal frmOutro\n    the modal form that opened is frmDialogo"},
        {"open TESTE\nmodal frmDialogo\ntype edtNome \"x\"\nend\nclick sbtDialogo",
         "t.scn:2: modal frmDialogo\n    frmDialogo is still open at the end of its block"},
        {"open TESTE\nmodal frmDialogo\nclick sbtCancel\nend ok\nclick sbtDialogo",
         "t.scn:2: modal frmDialogo\n    frmDialogo ended with cancel"},
        {"open TESTE\nclick sbtBloqueado",
         "t.scn:2: click sbtBloqueado\n    sbtBloqueado is disabled"},
        {"open TESTE\ntype edtNada \"x\"",
         "t.scn:2: type edtNada \"x\"\n    frmTeste has no control edtNada"},
        {"click sbtGravar",
         "t.scn:1: click sbtGravar\n    no form was shown through the UI port yet"},
        {"open TESTE\npick 0999\nclick sbtPesquisa",
         "unscripted prompt: Scripted key 0999 is not a row of"},
        {"open TESTE\nexpect cellcolor degItemSoli Arroz \"07/12/2026\" yellow",
         "    the cell is info"},
        {"open TESTE\nclick sbtServidor\nexpect calls GetMedia",
         "t.scn:3: expect calls GetMedia\n    the action of line 2 called GetImpedirAlt GetMedia"},
    };
    for (const auto& c : cases) {
        const QString failures = failuresOf(run(QString::fromUtf8(c.text)));
        EXPECT_TRUE(failures.contains(QString::fromUtf8(c.failure))) << "script:\n"
                                                                     << c.text << "\nreported:\n"
                                                                     << failures.toStdString();
    }
}

TEST(ScenarioRunner, shouldSignInAndCheckTheDatabase)
{
    const RunReport report = run(QStringLiteral(R"(
signin 000000000001 demo branch 0004 date 06/12/2026 bound
sql UPDATE PARASUPRI SET IDULTCOMPSOL = 'N' WHERE CDFILIAL = '0001'
expect rows "SELECT * FROM PARASUPRI WHERE IDULTCOMPSOL = 'N'" 2
open TESTE
)"));
    EXPECT_TRUE(report.passed()) << failuresOf(report).toStdString();
    EXPECT_EQ(openedWith.operatorCode, QStringLiteral("000000000001"));
    EXPECT_EQ(openedWith.processingBranch, QStringLiteral("0004"));
    EXPECT_TRUE(openedWith.branchBound);
    ASSERT_TRUE(openedWith.processingDate);
    EXPECT_EQ(openedWith.processingDate(QStringLiteral("0001")), QDate(2026, 12, 6));

    const QString badSql = failuresOf(run(QStringLiteral("sql UPDATE NADA SET X = 1")));
    EXPECT_TRUE(badSql.contains(QStringLiteral("t.scn:1: sql UPDATE NADA SET X = 1\n    ")))
        << badSql.toStdString();

    const QString refused = failuresOf(run(QStringLiteral("signin 000000000001 errada")));
    EXPECT_TRUE(refused.contains(
        QStringLiteral("t.scn:1: signin 000000000001 errada\n    sign-in refused")))
        << refused.toStdString();
}

// A schema of its own on the test PostgreSQL, served by an application
// server over HTTP on a free port, as cmp-server serves it.
class RemoteServerFixture
{
public:
    RemoteServerFixture()
    {
        remote.database = server::DatabaseConfig::postgres(
            qEnvironmentVariable("CMP_PG_HOST"),
            qEnvironmentVariable("CMP_PG_PORT", QStringLiteral("5432")).toInt(),
            qEnvironmentVariable("CMP_PG_USER"), qEnvironmentVariable("CMP_PG_PASSWORD"),
            qEnvironmentVariable("CMP_PG_DB"));
        remote.database.schema = QStringLiteral("cmp_scenario_%1").arg(getpid());
        administer(QStringLiteral("CREATE SCHEMA %1"));
        server::ServerOptions options;
        options.database = remote.database;
        options.tokenLifetime = std::chrono::hours(1);
        server_.emplace(std::move(options));
        http_.emplace(*server_, server::HttpOptions{});
        remote.host = QStringLiteral("127.0.0.1");
        remote.port = http_->port();
    }
    ~RemoteServerFixture()
    {
        http_.reset();
        server_.reset();
        administer(QStringLiteral("DROP SCHEMA %1 CASCADE"));
    }

    RemoteServer remote;

private:
    void administer(const QString& statement)
    {
        const QString name = QStringLiteral("scenario_test_admin");
        {
            QSqlDatabase db = remote.database.addConnection(name);
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery query(db);
            query.exec(QStringLiteral("SET client_min_messages TO WARNING"));
            ASSERT_TRUE(query.exec(statement.arg(remote.database.schema)))
                << query.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(name);
    }

    std::optional<server::Server> server_;
    std::optional<server::HttpServer> http_;
};

TEST(ScenarioRemote, shouldRunEachFileAgainstTheServerOnTheDemoDataAgain)
{
    if (!test::postgresConfigured())
        GTEST_SKIP() << "PostgreSQL not configured: run under scripts/with-postgres";
    // The HTTP transport waits for replies in an event loop.
    int argc = 1;
    char name[] = "scenario_runner_test";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv);
    const RemoteServerFixture fixture;
    RunOptions options = testOptions();
    options.remote = fixture.remote;
    const auto runRemote = [&](const char* text) {
        Runner runner(parseScript(QString::fromUtf8(text), QStringLiteral("t.scn")), options);
        return failuresOf(runner.run()).toStdString();
    };
    EXPECT_EQ(runRemote(R"(
signin 000000000001 demo branch 0004
sql UPDATE PARASUPRI SET IDULTCOMPSOL = 'N' WHERE CDFILIAL = '0001'
expect value "SELECT IDULTCOMPSOL FROM PARASUPRI WHERE CDFILIAL = '0001'" "N"
open TESTE
)"),
              "");
    EXPECT_EQ(openedWith.webURL, QStringLiteral("127.0.0.1")) << "the screens call the server";
    EXPECT_EQ(openedWith.webPort, fixture.remote.port);
    EXPECT_EQ(runRemote(R"(
expect value "SELECT IDULTCOMPSOL FROM PARASUPRI WHERE CDFILIAL = '0001'" "S"
)"),
              "")
        << "the next file starts from the demo data";
}

TEST(ScenarioCommand, shouldRefuseAServerWhoseDatabaseItCannotRecreate)
{
    const auto run = [](QStringList arguments, QString* error) {
        arguments.prepend(QStringLiteral("cmp-scenario"));
        QString out;
        QTextStream outStream(&out);
        QTextStream errStream(error);
        return runScenarioCommand(arguments, outStream, errStream);
    };
    struct Case
    {
        QStringList arguments;
        const char* refusal;
    };
    const Case cases[] = {
        {{"--server", "compras:8080", "--sqlite", "cmp.sqlite", "a.scn"}, "--pg-schema"},
        {{"--server", "compras", "--pg-host", "db", "--pg-schema", "s", "a.scn"}, "host:port"},
        {{"--server", "compras:8080", "--pg-host", "db", "--pg-schema", "a;b", "a.scn"},
         "not a plain schema name"},
        {{"--server", "compras:8080"}, "usage"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_EQ(run(c.arguments, &error), 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.refusal))) << error.toStdString();
    }
}

} // namespace
} // namespace cmp::scenario
