// How the module's screens come and go; reopening and the fresh screen after
// a close are driven end to end by module_lifecycle.scn.
#include "approval/Cli_cmp03107.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/scripted_ui_port.h"
#include "framework/ui/ui_port.h"
#include "module/Pkg_cmp03100.h"
#include "requisition/Cli_cmp03100.h"
#include "support/core_application.h"
#include "support/module_session.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03100::frmLancaSoliCmp;
using Cli_cmp03107::frmFiltroSolicita;

namespace {

class ModuleLifecycle : public test::ModuleSession
{
protected:
    // The filter opens on the main screen's first activation; cancelling it
    // is what a user who only looks around does.
    void cancelNextFilter()
    {
        ui.actInNextModal([this](Form& filter) {
            EXPECT_EQ(filter.Name(), "frmFiltroSolicita");
            EXPECT_FALSE(ui.busyCursor()) << "the hourglass is gone before a modal screen shows";
            filter.userClick(QStringLiteral("sbtCancel"));
            return int(mrNone);
        });
    }

    Cli_cmp03100::TfrmLancaSoliCmp& openModule()
    {
        cancelNextFilter();
        IniProc();
        EXPECT_EQ(ui.pendingAnswers(), 0);
        return *frmLancaSoliCmp;
    }
};

TEST_F(ModuleLifecycle, shouldOpenWithoutTheWizardAndRestoreTheMinimizedScreenWhenOpenedAgain)
{
    auto& screen = openModule();
    EXPECT_FALSE(screen.tshIncSoli.TabVisible());
    EXPECT_FALSE(screen.mnuIncSoli.Visible());
    screen.SetWindowState(WindowState::Minimized);

    IniProc();

    EXPECT_EQ(frmLancaSoliCmp.get(), &screen);
    EXPECT_EQ(screen.WindowState(), WindowState::Normal);
}

TEST_F(ModuleLifecycle, shouldReuseTheClosedFilterAndReapplyThePanelsOfTheParameters)
{
    exec(QStringLiteral("UPDATE PARASUPRI SET IDULTDESTSOL = 'N', IDULTCOMPSOL = 'S'"));
    auto& screen = openModule();
    EXPECT_FALSE(screen.panDestino.Visible());
    screen.state.destinationShown = true;

    cancelNextFilter();
    screen.userClick(QStringLiteral("sbtFiltro"));

    EXPECT_FALSE(screen.panDestino.Visible()) << "re-applied while no branch is listed";
    EXPECT_TRUE(screen.panComprador.Visible());
    EXPECT_FALSE(frmFiltroSolicita->grbDestino.Visible()) << "the filter's groups follow";
}

TEST_F(ModuleLifecycle, shouldCreateTheFilterAgainWhenItsFirstCreationFailed)
{
    // The purchase center's parameters cannot be read while the module opens.
    exec(QStringLiteral("ALTER TABLE PARASUPRI RENAME TO PARASUPRI_FORA"));
    IniProc();
    EXPECT_EQ(ui.texts(UiEventKind::Error).size(), 1);

    exec(QStringLiteral("ALTER TABLE PARASUPRI_FORA RENAME TO PARASUPRI"));
    cancelNextFilter();
    EXPECT_TRUE(frmLancaSoliCmp->userClick(QStringLiteral("sbtFiltro")));
    EXPECT_EQ(ui.pendingAnswers(), 0) << "no half-built filter was kept: this one opened";
}

TEST_F(ModuleLifecycle, shouldRefuseToCloseWhileTheWizardLacksTheExtraJustification)
{
    auto& screen = openModule();
    screen.tshIncSoli.SetTabVisible(true);
    screen.tshIncSoli.SetEnabled(true);
    screen.pgcPadrao.SetActivePage(&screen.tshIncSoli);
    screen.pgcIncSoli.SetActivePage(&screen.tshEntrega);
    screen.chbExtra.SetChecked(true);

    EXPECT_FALSE(screen.userClick(QStringLiteral("sbtFechar"))) << "the refusal ends the click";

    ASSERT_TRUE(frmLancaSoliCmp);
    EXPECT_EQ(ui.texts(UiEventKind::Error), QStringList{"Justificativa deve ser informada."});
    EXPECT_EQ(screen.pgcIncSoli.ActivePage(), &screen.tshPrincipal);
    EXPECT_EQ(screen.ActiveControl(), &screen.edtDsJust);

    screen.userType(QStringLiteral("edtDsJust"), QStringLiteral("Evento da diretoria"));
    screen.userClick(QStringLiteral("sbtFechar"));
    EXPECT_FALSE(frmLancaSoliCmp);
}

TEST_F(ModuleLifecycle, shouldSilentlyStayOpenWhileARequisitionIsBeingIncluded)
{
    auto& screen = openModule();
    screen.panMensagem1.SetVisible(true);

    screen.userClick(QStringLiteral("sbtFechar"));

    ASSERT_TRUE(frmLancaSoliCmp);
    EXPECT_TRUE(ui.texts(UiEventKind::Error).isEmpty());
}

// A dialog of the kind that is new on every call.
class TfrmInsDtEntSol : public TfrmRotiGeral
{
public:
    TfrmInsDtEntSol() : TfrmRotiGeral(QStringLiteral("frmInsDtEntSol"), QStringLiteral("CMP03101"))
    {
        OnCreate = [](Form&) { ++created; };
    }
    ~TfrmInsDtEntSol() override { Destroy(); }
    static inline int created = 0;
};

TEST_F(ModuleLifecycle, shouldShowANewDialogOnEveryCallAndFreeItAfterwards)
{
    TfrmInsDtEntSol::created = 0;
    for (int call = 0; call < 2; ++call) {
        ui.actInNextModal([this](Form& dialog) {
            EXPECT_FALSE(ui.busyCursor());
            dialog.userClick(QStringLiteral("sbtConfirma"));
            return int(mrNone);
        });
        EXPECT_EQ(ShowNewModal<TfrmInsDtEntSol>(), mrOk);
    }
    EXPECT_EQ(TfrmInsDtEntSol::created, 2);
    EXPECT_EQ(findLiveForm(QStringLiteral("frmInsDtEntSol")), nullptr);
}

} // namespace
