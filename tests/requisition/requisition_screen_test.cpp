// The requisition screen on the embedded demo, signed in as operator 1 of
// branch 0004: reaching a branch's requisitions, loading each page's data
// once per requisition, the locks and the commands each page allows.
//
// Branch 0004 (center 0001) locks automatic requisitions, lets only their
// author change requisitions, uses item approval with the integration on;
// its requisitions: 1 manual by operator 7, 2 automatic by operator 8,
// 3 extra by operator 1, 4 by operator 2 with a log and approved items,
// 5 settled by hand, 7 consolidated by the center.
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "requisition/Cli_cmp03100.h"
#include "support/module_session.h"

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03100::frmLancaSoliCmp;
using Cli_cmp03100::TfrmLancaSoliCmp;

namespace {

const QString headerProgress = QStringLiteral("Recebendo dados da solicitação do servidor...");
const QString productsProgress = QStringLiteral("Recebendo produtos do servidor...");

class RequisitionScreen : public test::ModuleSession
{
protected:
    // Opens the module and confirms the filter as it comes.
    TfrmLancaSoliCmp& open()
    {
        ui.actInNextModal([](Form& filter) {
            filter.userClick(QStringLiteral("sbtConfirma"));
            return int(mrNone);
        });
        IniProc();
        return *frmLancaSoliCmp;
    }

    // A requisition of a branch, on a page chosen as the user does.
    TfrmLancaSoliCmp& openRequisition(const QString& branch, const QString& number,
                                      const QString& page)
    {
        auto& screen = open();
        EXPECT_TRUE(screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), branch));
        EXPECT_TRUE(screen.userClick(QStringLiteral("tshPadrao")));
        EXPECT_TRUE(screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), number));
        if (page != QLatin1String("tshPadrao")) {
            EXPECT_TRUE(screen.userClick(page));
        }
        return screen;
    }

    int shown(const QString& progress) const
    {
        return int(ui.texts(UiEventKind::Progress).count(progress));
    }

    static bool enabled(const TfrmLancaSoliCmp& screen, const char* command)
    {
        const auto& button = screen.control<SpeedButton>(QString::fromLatin1(command));
        const auto& entry =
            screen.control<MenuItem>(QStringLiteral("mnu") + QString::fromLatin1(command).mid(3));
        EXPECT_EQ(button.Enabled(), entry.Enabled()) << command << ": button and menu differ";
        return button.Enabled();
    }
};

// --- reaching the requisitions --------------------------------------------------------

TEST_F(RequisitionScreen, shouldShowTheHeaderOnceForEachRequisition)
{
    auto& screen = openRequisition("0004", "0000000003", "tshDadosSoli");

    EXPECT_EQ(screen.dbeNmJustSoli.Color(), ColorRole::Required) << "the branch asks for it";
    EXPECT_EQ(shown(headerProgress), 2) << "header and justification";

    screen.userClick(QStringLiteral("tshPadrao"));
    screen.userClick(QStringLiteral("tshDadosSoli"));
    EXPECT_EQ(shown(headerProgress), 2) << "the same requisition is not fetched again";

    screen.userClick(QStringLiteral("tshPadrao"));
    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000004"));
    screen.userClick(QStringLiteral("tshDadosSoli"));
    EXPECT_EQ(shown(headerProgress), 4);
    EXPECT_FALSE(screen.dckJusExtra.Checked());
    EXPECT_FALSE(screen.dbeNmJustSoli.Enabled()) << "no justification without \"Extra\"";
    EXPECT_EQ(screen.dbeNmJustSoli.Color(), ColorRole::Disabled);
}

TEST_F(RequisitionScreen, shouldFetchTheProductsAgainOnlyForAnotherRequisitionKey)
{
    // The consolidated requisition of the center takes number 3 too.
    exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    exec(QStringLiteral("UPDATE ITEMSOLI SET NRSOLICMP = '0000000003' WHERE CDFILSOLI = '0004' "
                        "AND CDFILLAN = '0001'"));
    exec(QStringLiteral("UPDATE SOLICITA SET NRSOLICMP = '0000000003' WHERE CDFILSOLI = '0004' "
                        "AND CDFILLANCA = '0001'"));
    auto& screen = openRequisition("0004", "0000000003", "tshPadrao");
    const auto choose = [&screen](const char* launching) {
        ASSERT_TRUE(screen.state.cdsServSolicita.Locate(
            QStringLiteral("CDFILLANCA;NRSOLICMP"),
            {QString::fromLatin1(launching), QStringLiteral("0000000003")}));
    };
    choose("0004");
    screen.userClick(QStringLiteral("tshProdutos"));
    EXPECT_EQ(shown(productsProgress), 2) << "matrix source and items";
    EXPECT_EQ(screen.state.cdsItemSoli.RecordCount(), 24);

    screen.userClick(QStringLiteral("tshPadrao"));
    screen.userClick(QStringLiteral("tshProdutos"));
    EXPECT_EQ(shown(productsProgress), 2);

    screen.userClick(QStringLiteral("tshPadrao"));
    choose("0001");
    screen.userClick(QStringLiteral("tshProdutos"));
    EXPECT_EQ(shown(productsProgress), 4);
    EXPECT_EQ(screen.state.cdsItemSoli.FieldByName(QStringLiteral("CDFILLAN")).AsString(), "0001");
}

TEST_F(RequisitionScreen, shouldLoadNothingForARequisitionWithoutNumber)
{
    auto& screen = open();
    screen.state.cdsFilialSoli.EmptyDataSet();
    screen.state.cdsServSolicita.EmptyDataSet();
    const auto before = ui.events().size();
    screen.changePage(screen.tshDadosSoli);
    screen.changePage(screen.tshProdutos);
    EXPECT_EQ(ui.events().size(), before);
}

TEST_F(RequisitionScreen, shouldListTheChosenBranchsRequisitionsWhateverTheListHeld)
{
    auto& screen = open();
    screen.state.cdsServSolicita.EmptyDataSet(); // nothing listed for the first branch
    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0004"));
    screen.userClick(QStringLiteral("tshPadrao"));
    EXPECT_EQ(screen.state.requisition(QStringLiteral("CDFILSOLI")), "0004");
    EXPECT_EQ(screen.state.cdsServSolicita.RecordCount(), 6);
}

TEST_F(RequisitionScreen, shouldFollowTheRequisitionOnTheHeaderPage)
{
    auto& screen = openRequisition("0004", "0000000003", "tshDadosSoli");
    EXPECT_TRUE(screen.dckJusExtra.Enabled()) << "a manual requisition";
    EXPECT_TRUE(screen.dbeNmJustSoli.Enabled());

    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000002"));
    EXPECT_FALSE(screen.dckJusExtra.Enabled()) << "an automatic one";
    EXPECT_FALSE(screen.dbeNmJustSoli.Enabled());
    EXPECT_EQ(screen.dbeNmJustSoli.Color(), ColorRole::Disabled);
}

// --- failures ----------------------------------------------------------------------

TEST_F(RequisitionScreen, shouldShowTheServersErrorAndKeepThePagesDataWhenAFetchFails)
{
    auto& screen = openRequisition("0004", "0000000004", "tshItems");
    screen.userClick(QStringLiteral("tshPadrao"));
    exec(QStringLiteral("DROP TABLE MOVOPSOL"));
    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000003"));

    screen.userClick(QStringLiteral("tshItems"));
    ASSERT_EQ(ui.texts(UiEventKind::Error).size(), 1);
    EXPECT_EQ(screen.state.cdsMovoPSol.RecordCount(), 2) << "the log shown before stays";
    EXPECT_EQ(ui.progressDepth(), 0) << "the animation goes with the failure";
}

// --- parameters -------------------------------------------------------------------

TEST_F(RequisitionScreen, shouldShowTheIntegrationOrThePreviousPurchaseAsTheBranchUses)
{
    auto& screen = open();
    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0004"));
    EXPECT_TRUE(screen.depDtAlteracao.Visible()) << "the integration is on at 0004";
    EXPECT_FALSE(screen.depDtCmpAnterior.Visible());
    EXPECT_TRUE(screen.dbgSolicita.VisibleColumns().size() == screen.dbgSolicita.Columns.size())
        << "status, buyer, destination and settlement all shown";

    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0005"));
    EXPECT_FALSE(screen.depDtAlteracao.Visible());
    EXPECT_TRUE(screen.depDtCmpAnterior.Visible()) << "manager approval on meat at 0005";
    EXPECT_TRUE(screen.state.managerApproval);

    EXPECT_EQ(screen.productTemplate, "qryProdCache") << "inactive products hidden";

    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0004"));
    EXPECT_EQ(screen.productTemplate, "qryProdCacheParam") << "only integrated products";

    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0008"));
    EXPECT_FALSE(screen.depDtAlteracao.Visible());
    EXPECT_FALSE(screen.depDtCmpAnterior.Visible());
    EXPECT_FALSE(screen.state.managerApproval);
    EXPECT_FALSE(screen.panDestino.Visible()) << "center 0002 has no destinations";
}

TEST_F(RequisitionScreen, shouldOfferEveryProductWhereTheInstallationDoesNotHideInactiveOnes)
{
    exec(QStringLiteral("UPDATE PARAMGERAL SET IDCACHPRODFI = 'N'"));
    exec(QStringLiteral("UPDATE PARAFILI SET IDUTILIZAINTSAC = 'S' WHERE CDFILIAL = '0001'"));
    auto& screen = open();
    EXPECT_EQ(screen.productTemplate, "qrySemCacheParam") << "the first branch counts too";
    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0002"));
    EXPECT_EQ(screen.productTemplate, "qrySemCache");
}

TEST_F(RequisitionScreen, shouldLaunchFromTheProcessingBranchAndEnterAggregatesOnlyAtACentral)
{
    auto& screen = open();
    EXPECT_EQ(screen.edtCdFilLanca.Text(), "0004");
    EXPECT_EQ(screen.edtNmFilLanca.Text(), "Restaurante Industrial Sumaré");
    EXPECT_TRUE(enabled(screen, "sbtInclSolicAgreg")) << "free to choose the central";
    screen.userClick(QStringLiteral("sbtFechar"));

    setHost([](HostContext& context) { context.branchBound = true; });
    EXPECT_FALSE(enabled(open(), "sbtInclSolicAgreg")) << "0004 is no school-meal central";
    frmLancaSoliCmp->userClick(QStringLiteral("sbtFechar"));

    setHost([](HostContext& context) { context.processingBranch = QStringLiteral("0050"); });
    EXPECT_TRUE(enabled(open(), "sbtInclSolicAgreg"));
}

TEST_F(RequisitionScreen, shouldMaximizeOnActivationOnlyOnAScreen480PixelsHigh)
{
    setHost([](HostContext& context) { context.screenHeight = 600; });
    auto& screen = open();
    screen.Activate();
    EXPECT_EQ(screen.WindowState(), WindowState::Normal);

    setHost([](HostContext& context) { context.screenHeight = 480; });
    screen.Activate();
    EXPECT_EQ(screen.WindowState(), WindowState::Maximized);
}

// --- locks and commands ------------------------------------------------------------

TEST_F(RequisitionScreen, shouldLockAnAutomaticRequisitionOfABranchThatLocksThem)
{
    exec(QStringLiteral("DELETE FROM AUTLANCSOLI"));
    auto& screen = openRequisition("0004", "0000000002", "tshPadrao");

    EXPECT_TRUE(screen.state.lockedAutomatic());
    EXPECT_FALSE(enabled(screen, "sbtExcluir"));
    EXPECT_FALSE(enabled(screen, "sbtAlterar")) << "never on the list page";
    for (Control* field : std::initializer_list<Control*>{&screen.dbeComprador, &screen.dbeDestino,
                                                          &screen.dbeNmJustSoli})
        EXPECT_EQ(field->Color(), ColorRole::Disabled) << field->Name().toStdString();
    EXPECT_FALSE(screen.btnComprador.Enabled());

    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000003"));
    EXPECT_FALSE(screen.state.lockedAutomatic()) << "the lock goes with the requisition";
    EXPECT_TRUE(enabled(screen, "sbtExcluir"));
    EXPECT_EQ(screen.dbeComprador.Color(), ColorRole::Normal);
}

TEST_F(RequisitionScreen, shouldJudgeApprovedItemsByTheBranchAnotherFilterListsFirst)
{
    // The first branch lets approved items change; 0004 does not.
    exec(QStringLiteral("UPDATE PARCMPSUP SET IDPERALTSAPR = 'SSN', IDUTAPROVSOL = 'S' "
                        "WHERE CDFILIAL = '0001'"));
    auto& screen = open();
    screen.userClick(QStringLiteral("tshPadrao"));
    ui.actInNextModal([this](Form& filter) {
        filter.userClick(QStringLiteral("rbtFilialLista"));
        ui.pickListNext({QStringLiteral("0004")});
        filter.userClick(QStringLiteral("btpFilial"));
        filter.userClick(QStringLiteral("sbtConfirma"));
        return int(mrNone);
    });
    screen.userClick(QStringLiteral("sbtFiltro"));
    ASSERT_EQ(screen.state.requisition(QStringLiteral("CDFILSOLI")), "0004");

    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000004"));
    EXPECT_TRUE(screen.state.hasApprovedItems());
    EXPECT_FALSE(enabled(screen, "sbtExcluir"));
}

TEST_F(RequisitionScreen, shouldOfferTheItemCommandsOfTheProductsPage)
{
    auto& screen = openRequisition("0004", "0000000003", "tshProdutos");
    for (const char* command :
         {"sbtIncluir", "sbtExcluir", "sbtVerificar", "sbtAprovSol", "sbtAltAut", "sbtProcurar"})
        EXPECT_TRUE(enabled(screen, command)) << command;
    EXPECT_FALSE(enabled(screen, "sbtAprovSolGer")) << "not with the integration on";

    screen.userClick(QStringLiteral("tshFilialSoli"));
    screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), QStringLiteral("0005"));
    screen.userClick(QStringLiteral("tshPadrao"));
    screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"), QStringLiteral("0000000004"));
    screen.userClick(QStringLiteral("tshProdutos"));
    EXPECT_TRUE(enabled(screen, "sbtAprovSolGer")) << "manager approval and a destination";
}

TEST_F(RequisitionScreen, shouldOfferTheOwnLogsJustificationForCopying)
{
    exec(QStringLiteral("UPDATE SOLICITA SET CDOPERLANC = '000000000001' WHERE CDFILSOLI = '0004' "
                        "AND NRSOLICMP = '0000000004'"));
    auto& screen = openRequisition("0004", "0000000004", "tshItems");
    EXPECT_TRUE(enabled(screen, "sbtCopy"));
    EXPECT_TRUE(enabled(screen, "sbtAlterar"));
    EXPECT_FALSE(enabled(screen, "sbtIncluir"));
    EXPECT_FALSE(enabled(screen, "sbtFiltro"));
}

// --- pages, search and keys ------------------------------------------------------------

TEST_F(RequisitionScreen, shouldHandTheMatrixToTheProductSearchModule)
{
    auto& screen = openRequisition("0004", "0000000003", "tshProdutos");
    screen.userClick(QStringLiteral("sbtProcurar"));

    ASSERT_EQ(ui.texts(UiEventKind::Module), QStringList{"SUP01717"});
    const auto opened =
        std::find_if(ui.events().begin(), ui.events().end(),
                     [](const UiEvent& event) { return event.kind == UiEventKind::Module; });
    const QVariantList args = opened->args;
    ASSERT_EQ(args.size(), 4);
    EXPECT_EQ(args[0].toString(), "P");
    EXPECT_EQ(args[1].value<Control*>(), static_cast<Control*>(&screen.degItemSoli));
    EXPECT_EQ(args[2].toInt(), -1);
    EXPECT_FALSE(args[3].toBool());
}

TEST_F(RequisitionScreen, shouldConfirmWithCtrlEnterWhatIsBeingTyped)
{
    auto& screen = openRequisition("0004", "0000000003", "tshDadosSoli");
    screen.state.cdsSolicita.ReadOnly = false; // as while the header is being changed
    screen.state.cdsSolicita.Edit();
    EXPECT_EQ(screen.state.cdsServSolicita.State(), DataSetState::Edit)
        << "the requisition is changing";

    screen.userKey(QStringLiteral("dbeNmJustSoli"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(screen.state.cdsSolicita.State(), DataSetState::Browse);
}

TEST_F(RequisitionScreen, shouldStayOnThePageWhenWhatWasTypedCannotBeKept)
{
    exec(QStringLiteral("UPDATE SOLICITA SET CDOPERLANC = '000000000001' WHERE CDFILSOLI = '0004' "
                        "AND NRSOLICMP = '0000000004'"));
    auto& screen = openRequisition("0004", "0000000004", "tshItems");
    screen.state.cdsMovoPSol.ReadOnly = false;
    screen.state.cdsMovoPSol.BeforePost = [](ClientDataSet&) {
        throw std::runtime_error("Justificativa inválida.");
    };
    screen.state.cdsMovoPSol.Edit();

    screen.userClick(QStringLiteral("tshDadosSoli"));
    EXPECT_EQ(screen.pgcPadrao.ActivePage(), &screen.tshItems);
    EXPECT_EQ(ui.texts(UiEventKind::Error), QStringList{"Justificativa inválida."});
}

TEST_F(RequisitionScreen, shouldRefuseToCloseAnExtraRequisitionWithoutTheBranchsJustification)
{
    exec(QStringLiteral("DELETE FROM MOVSOLEXT"));
    auto& screen = openRequisition("0004", "0000000003", "tshDadosSoli");
    screen.userClick(QStringLiteral("tshPadrao"));

    screen.userClick(QStringLiteral("sbtFechar"));

    ASSERT_TRUE(frmLancaSoliCmp);
    EXPECT_EQ(ui.texts(UiEventKind::Error), QStringList{"Justificativa deve ser informada."});
    EXPECT_EQ(screen.pgcPadrao.ActivePage(), &screen.tshDadosSoli);
}

} // namespace
