// The requisition filter on the embedded demo: what its creation loads into
// the requisition state, how it checks the criteria, what it sends to the server
// and how it rides out a server that goes away.
#include "approval/Cli_cmp03107.h"
#include "data/requisition_state.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/standard_controls.h"
#include "support/core_application.h"
#include "support/module_session.h"

#include <QCoreApplication>

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03107::frmFiltroSolicita;
using Cli_cmp03107::TfrmFiltroSolicita;

namespace {

class RequisitionFilter : public test::ModuleSession
{
protected:
    // Opens the module and acts in the filter it opens.
    void openModule(const std::function<void(TfrmFiltroSolicita&)>& act)
    {
        ui.actInNextModal([act](Form& form) {
            act(static_cast<TfrmFiltroSolicita&>(form));
            return int(mrNone);
        });
        IniProc();
        ASSERT_EQ(ui.pendingAnswers(), 0) << "the filter did not open";
    }

    static void cancel(TfrmFiltroSolicita& filter)
    {
        filter.userClick(QStringLiteral("sbtCancel"));
    }

    QStringList errors() const { return ui.texts(UiEventKind::Error); }
    QString refusalShownAtEachAttempt(const std::function<void(TfrmFiltroSolicita&)>& prepare);
    static data::RequisitionState& state() { return frmFiltroSolicita->state; }
};

TEST_F(RequisitionFilter, shouldLoadTheCentersParametersAndTheOperatorsPermissionsOnCreation)
{
    openModule([](TfrmFiltroSolicita& filter) {
        EXPECT_TRUE(filter.grbComprador.Visible());
        EXPECT_FALSE(filter.btpFilial.Enabled());
        cancel(filter);
    });
    EXPECT_TRUE(state().buyerShown);
    for (const QString& key : data::permissionKeys)
        EXPECT_TRUE(state().hasPermission(key)) << "the center locks automatic requisitions";
}

TEST_F(RequisitionFilter, shouldGrantNoPermissionWhereAutomaticRequisitionsAreNotLocked)
{
    exec(QStringLiteral("UPDATE PARASUPRI SET IDBLOQALTSOLAUT = 'N', IDULTCOMPSOL = 'N'"));
    openModule(cancel);
    EXPECT_FALSE(state().hasPermission(QStringLiteral("EXCLUIR_SOLICITACAO")));
    EXPECT_FALSE(state().cdsPermissoes.Active()) << "not even asked";
    EXPECT_FALSE(state().buyerShown);
    EXPECT_FALSE(frmFiltroSolicita->grbComprador.Visible());
}

TEST_F(RequisitionFilter, shouldFixTheBranchListOfAnOperatorBoundToOneBranch)
{
    setHost([](HostContext& context) { context.branchBound = true; });
    openModule([](TfrmFiltroSolicita& filter) {
        EXPECT_TRUE(filter.rbtFilialLista.Checked());
        EXPECT_FALSE(filter.grbFilial.Enabled());
        EXPECT_FALSE(filter.medAgrupFilial.EnabledInTree());
        cancel(filter);
    });
    EXPECT_EQ(Cli_cmp03107::stListaFilial, "_0004_");
}

TEST_F(RequisitionFilter, shouldKeepTheDialogOnTheDateToCorrectUntilTheRangesAreComplete)
{
    openModule([](TfrmFiltroSolicita& filter) {
        filter.userType(QStringLiteral("depEntrIni"), QStringLiteral("31/02/2026"));
        EXPECT_FALSE(filter.userFocus(QStringLiteral("depEntrFim")));
        filter.userType(QStringLiteral("depEntrIni"), QStringLiteral("10/12/2026"));
        filter.userType(QStringLiteral("depEntrFim"), QStringLiteral("09/12/2026"));
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        EXPECT_EQ(filter.ActiveControl(), &filter.depEntrIni);
        filter.userType(QStringLiteral("depEntrFim"), QStringLiteral("10/12/2026"));

        filter.userType(QStringLiteral("depEmisIni"), QStringLiteral("01/12/2026"));
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        EXPECT_EQ(filter.ActiveControl(), &filter.depEmisFim);
        EXPECT_TRUE(filter.Modal()) << "the dialog stays as the user left it";

        filter.userType(QStringLiteral("depEmisFim"), QStringLiteral("01/12/2026"));
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma"))) << "equal dates are a range";
    });
    EXPECT_EQ(
        errors(),
        (QStringList{"'31/02/2026' não é uma data válida.",
                     "Data de entrega inicial deve ser menor ou igual a data de entrega final.",
                     "Data de solicitação final deve ser informada."}));
    EXPECT_EQ(frmFiltroSolicita->ModalResult(), mrOk);
    EXPECT_EQ(Cli_cmp03107::stSol, "");
    EXPECT_EQ(Cli_cmp03107::stEntr, "");
    EXPECT_EQ(frmFiltroSolicita->snapshot.requisitionTo, QDate(2026, 12, 1));
}

TEST_F(RequisitionFilter, shouldTakeADateTypedAndThenClearedAsNoDate)
{
    openModule([](TfrmFiltroSolicita& filter) {
        for (const char* field : {"depEmisIni", "depEmisFim"}) {
            filter.userType(QString::fromLatin1(field), QStringLiteral("01/12/2026"));
            // What the date editor holds once the user has cleared it.
            filter.userType(QString::fromLatin1(field), QStringLiteral("  /  /    "));
        }
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_TRUE(ui.texts(UiEventKind::Question).isEmpty()) << "the server took the criteria";
    EXPECT_EQ(Cli_cmp03107::stSol, "T");
}

TEST_F(RequisitionFilter, shouldPickTheRequestingBranchesAmongAllOrAmongTheGroups)
{
    openModule([this](TfrmFiltroSolicita& filter) {
        filter.userClick(QStringLiteral("rbtFilialLista"));
        ui.pickListNext({QStringLiteral("0004")});
        EXPECT_TRUE(filter.userClick(QStringLiteral("btpFilial")));
        EXPECT_EQ(Cli_cmp03107::stListaFilial, "_0004_");

        filter.userType(QStringLiteral("medAgrupFilial"), QStringLiteral("2"));
        filter.userFocus(QStringLiteral("depEmisIni"));
        EXPECT_EQ(filter.edtAgrupFilial.Text(), "Restaurantes Industriais");
        ui.pickListNext({QStringLiteral("0006"), QStringLiteral("0007")});
        EXPECT_TRUE(filter.userClick(QStringLiteral("btpFilial")));
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_TRUE(errors().isEmpty());
    EXPECT_EQ(Cli_cmp03107::stListaFilial, "_0006_0007_");
}

TEST_F(RequisitionFilter, shouldAskForTheBuyerListPickItAndSaveItWithTheOptions)
{
    openModule([this](TfrmFiltroSolicita& filter) {
        filter.userClick(QStringLiteral("rbtListaComprador"));
        EXPECT_TRUE(filter.sbtComprador.Enabled());
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        EXPECT_EQ(filter.ActiveControl(), &filter.rbtListaComprador);

        ui.pickListNext({QStringLiteral("000000000001")});
        filter.userKey(QStringLiteral("rbtListaComprador"), Qt::Key_F9);
        EXPECT_EQ(Cli_cmp03107::stListaComprador, "_000000000001_");
        filter.userClick(QStringLiteral("btfSaveOpc"));
        filter.userClick(QStringLiteral("rbtTodosComprador"));
        filter.userClick(QStringLiteral("rbtListaDestino"));
        EXPECT_EQ(Cli_cmp03107::stListaComprador, "");
        filter.userClick(QStringLiteral("btfLoadOpc"));
        EXPECT_TRUE(filter.rbtListaComprador.Checked()) << "shown as it will be sent";
        EXPECT_TRUE(filter.sbtComprador.Enabled());
        EXPECT_TRUE(filter.rbtTodosDestino.Checked()) << "no destination list was saved";

        filter.userType(QStringLiteral("medAgrupFilial"), QStringLiteral("a1b2"));
        EXPECT_EQ(filter.medAgrupFilial.Text(), "12") << "the branch group takes digits only";
        cancel(filter);
    });
    EXPECT_EQ(errors(), QStringList{"Comprador deve ser informado."});
    EXPECT_EQ(Cli_cmp03107::stListaComprador, "_000000000001_");
}

TEST_F(RequisitionFilter, shouldReconnectSilentlyThreeTimesThenLetTheUserGiveUp)
{
    openModule([this](TfrmFiltroSolicita& filter) {
        ui.answerNextCustom(firstCustomAnswer + 1);
        setHost([](HostContext& context) {
            context.webURL = QStringLiteral("127.0.0.1");
            context.webPort = 1;
        });
        state().netLancaSoliCmp.Reconnect();
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        EXPECT_TRUE(filter.Modal());
        cancel(filter);
    });
    const QStringList questions = ui.texts(UiEventKind::Question);
    ASSERT_EQ(questions.size(), 1) << "asked only after three silent attempts";
    EXPECT_TRUE(questions.front().startsWith(
        "Não foi possível comunicar com o servidor de aplicação.\n\nErro: "));
    EXPECT_TRUE(questions.front().endsWith("\n\nDeseja tentar restabelecer a conexão?"));
    EXPECT_TRUE(errors().isEmpty());
}

// Confirms after `prepare` and declines the reconnection: the refusal is shown
// at the first attempt and at each of the three more, then asked about once.
QString RequisitionFilter::refusalShownAtEachAttempt(
    const std::function<void(TfrmFiltroSolicita&)>& prepare)
{
    openModule([&](TfrmFiltroSolicita& filter) {
        prepare(filter);
        ui.answerNextCustom(firstCustomAnswer + 1);
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        cancel(filter);
    });
    const QStringList shown = errors();
    EXPECT_EQ(shown.size(), 4);
    if (shown.isEmpty())
        return {};
    EXPECT_EQ(shown, QStringList(shown.size(), shown.front()));
    const QStringList questions = ui.texts(UiEventKind::Question);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(!questions.isEmpty() &&
                questions.front().contains(QStringLiteral("Erro: ") + shown.front()));
    return shown.front();
}

TEST_F(RequisitionFilter, shouldShowCriteriaTheServerCannotReadAtEachAttemptThenAsk)
{
    // Options saved long ago hold a buyer list the server cannot read.
    exec(QStringLiteral("INSERT OR REPLACE INTO OPCFILTRO (CDOPERADOR, CDTELA, TXOPCOES) "
                        "VALUES ('000000000001', 'CMP03107', 'stComprador=abc')"));
    EXPECT_EQ(refusalShownAtEachAttempt([](TfrmFiltroSolicita& filter) {
                  filter.userClick(QStringLiteral("btfLoadOpc"));
              }),
              QStringLiteral("Lista de compradores inválida: \"abc\"."));
}

TEST_F(RequisitionFilter, shouldShowAReplyRefusedWholeAtEachAttemptThenAsk)
{
    // Another operator's code than the session's is refused by the server.
    EXPECT_FALSE(refusalShownAtEachAttempt([this](TfrmFiltroSolicita&) {
                     setHost([](HostContext& context) { context.operatorCode = "000000000002"; });
                 }).isEmpty());
}

TEST_F(RequisitionFilter, shouldEndTheConfirmationWhenTheOperatorDoesNotRenewAnEndedSession)
{
    openModule([this](TfrmFiltroSolicita& filter) {
        // The operator was disabled meanwhile: the server ends the session.
        exec(QStringLiteral("UPDATE OPERADOR SET IDATIVOOPER = 'N' "
                            "WHERE CDOPERADOR = '000000000001'"));
        ui.cancelNext(); // the password asked again
        EXPECT_FALSE(filter.userClick(QStringLiteral("sbtConfirma")));
        cancel(filter);
    });
    EXPECT_EQ(errors().size(), 1);
    EXPECT_TRUE(ui.texts(UiEventKind::Question).isEmpty()) << "no reconnection offered";
    EXPECT_EQ(ui.texts(UiEventKind::Password).size(), 1);
}

TEST_F(RequisitionFilter, shouldLoadOnceTheServerIsBackAfterAFailedAttempt)
{
    openModule([](TfrmFiltroSolicita& filter) {
        // A connection left pointing nowhere: the reconnection asks the host again.
        state().netLancaSoliCmp.Disconnect();
        state().netLancaSoliCmp.SetWebURL(QStringLiteral("127.0.0.1"));
        state().netLancaSoliCmp.SetWebPort(1);
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_TRUE(ui.texts(UiEventKind::Question).isEmpty());
    EXPECT_FALSE(state().cdsFilialSoli.IsEmpty());
    EXPECT_TRUE(state().cdsServSolicita.Active());
}

TEST_F(RequisitionFilter, shouldSendTheApprovalStatesTickedForTheManagerChosen)
{
    openModule([](TfrmFiltroSolicita& filter) {
        ASSERT_TRUE(filter.grbGerente.Visible());
        EXPECT_FALSE(filter.rbtAprova.EnabledInTree()) << "the operator is no manager";
        filter.userType(QStringLiteral("medGerente"), QStringLiteral("1"));
        EXPECT_FALSE(filter.userFocus(QStringLiteral("depEmisIni")));
        EXPECT_EQ(filter.ActiveControl(), &filter.medGerente);

        filter.userType(QStringLiteral("medGerente"), QStringLiteral("4"));
        filter.userFocus(QStringLiteral("depEmisIni"));
        EXPECT_EQ(filter.edtGerente.Text(), "João Batista Almeida");
        filter.userClick(QStringLiteral("rbtNaoAprova"));
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_EQ(errors(), QStringList{"Gerente não cadastrado."});
    EXPECT_EQ(Cli_cmp03107::stAprovacao, "_S_X");
    EXPECT_EQ(Cli_cmp03107::stGerente, "000000000004");
    EXPECT_EQ(Cli_cmp03107::stTodosGerente, "");
}

TEST_F(RequisitionFilter, shouldNotRestrictTheApprovalWhileTheManagerGroupIsHidden)
{
    exec(QStringLiteral("UPDATE PARASUPRI SET IDULTDESTSOL = 'N'"));
    openModule([](TfrmFiltroSolicita& filter) {
        EXPECT_FALSE(filter.grbGerente.Visible());
        filter.rbtAprova.SetChecked(false);
        EXPECT_TRUE(filter.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_EQ(Cli_cmp03107::stAprovacao, "T");
}

} // namespace
