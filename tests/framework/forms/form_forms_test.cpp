#include "framework/core/abort.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "support/shown_errors.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace cmp::fw;

namespace {

// A filter dialog in miniature: two code fields, a confirm speed button and a
// cancel bit button, with every event written to a log.
class FilterDialog : public cmp::test::ShownErrors
{
protected:
    void SetUp() override
    {
        ShownErrors::SetUp();
        medAgrupFilial.MaxLength = 10;
        medAgrupFilial.OnExit = [this](Control& c) { log.append("exit " + c.Name()); };
        medGerente.OnEnter = [this](Control& c) { log.append("enter " + c.Name()); };
        sbtConfirma.OnClick = [this](Control&) { log.append("confirm"); };
        sbtCancel.OnClick = [this](Control&) { log.append("cancel"); };
    }

    Form form{"frmFiltroSolicita"};
    GroupBox& grbGerente = form.create<GroupBox>("grbGerente");
    MaskEdit& medAgrupFilial = form.create<MaskEdit>("medAgrupFilial");
    MaskEdit& medGerente = form.create<MaskEdit>("medGerente", &grbGerente);
    SpeedButton& sbtConfirma = form.create<SpeedButton>("sbtConfirma");
    BitBtn& sbtCancel = form.create<BitBtn>("sbtCancel");
    QStringList log;
};

TEST_F(FilterDialog, shouldFindControlsIgnoringCaseAndRefuseDuplicateNames)
{
    EXPECT_EQ(&form.control("MEDGERENTE"), &medGerente);
    EXPECT_EQ(form.findControl("medNada"), nullptr);
    EXPECT_THROW(form.create<Edit>("MedGerente"), std::invalid_argument);
    EXPECT_THROW(form.control<CheckBox>("medGerente"), std::invalid_argument);
    EXPECT_THROW(form.create<Edit>("edtDentro", &medGerente), std::invalid_argument);
    EXPECT_THROW(form.userClick("sbtInexistente"), std::invalid_argument);
}

TEST_F(FilterDialog, shouldRunExitOfThePreviousControlBeforeEnterOfTheNext)
{
    ASSERT_TRUE(form.userFocus("medAgrupFilial"));
    ASSERT_TRUE(form.userType("medGerente", "000000000001"));
    EXPECT_EQ(log, (QStringList{"exit medAgrupFilial", "enter medGerente"}));
    EXPECT_EQ(form.ActiveControl(), &medGerente);
}

TEST_F(FilterDialog, shouldKeepTheFocusAndTheTypedTextWhenExitAborts)
{
    medAgrupFilial.OnExit = [](Control&) {
        MensErro("Agrupamento de Filial não cadastrado.", true);
    };
    form.userType("medAgrupFilial", "XYZ");

    EXPECT_FALSE(form.userType("medGerente", "1"));
    EXPECT_FALSE(form.userClick("sbtCancel")); // a bit button takes the focus first

    EXPECT_EQ(form.ActiveControl(), &medAgrupFilial);
    EXPECT_EQ(medAgrupFilial.Text(), "XYZ");
    EXPECT_TRUE(medGerente.Text().isEmpty());
    EXPECT_EQ(shown.size(), 2);
    EXPECT_FALSE(log.contains("cancel"));

    // A speed button takes no focus, so the refusing field is never left.
    log.clear();
    EXPECT_TRUE(form.userClick("sbtConfirma"));
    EXPECT_EQ(log, QStringList{"confirm"});
}

TEST_F(FilterDialog, shouldIgnoreClicksAndFocusOnDisabledOrHiddenControls)
{
    sbtConfirma.SetEnabled(false);
    sbtCancel.SetVisible(false);
    form.userClick("sbtConfirma");
    form.userClick("sbtCancel");
    sbtConfirma.Click();
    EXPECT_TRUE(log.isEmpty());

    // A control inside a disabled or hidden container is out of reach too.
    grbGerente.SetEnabled(false);
    EXPECT_FALSE(form.SetFocus(medGerente));
    grbGerente.SetEnabled(true);
    grbGerente.SetVisible(false);
    EXPECT_FALSE(form.userType("medGerente", "1"));
    grbGerente.SetVisible(true);

    // SetChildEnabled reaches every descendant but not the container itself.
    auto& inner = form.create<CheckBox>("rbtAprova", &form.create<Panel>("panInner", &grbGerente));
    form.SetChildEnabled(grbGerente, false);
    EXPECT_TRUE(grbGerente.Enabled());
    EXPECT_FALSE(medGerente.Enabled());
    EXPECT_FALSE(inner.Enabled());
}

TEST_F(FilterDialog, shouldSwallowKeysInHandlersAndLetTheFormPreviewThem)
{
    medAgrupFilial.OnKeyPress = [](Control&, QChar& key) {
        if (key.isLetter())
            key = QChar();
    };
    form.userType("medAgrupFilial", "1a2B3");
    EXPECT_EQ(medAgrupFilial.Text(), "123");

    QStringList seen;
    form.OnKeyDown = [&](Form&, Key& key, Shift shift) {
        seen.append("form");
        if (key == Qt::Key_Return && shift == Qt::ControlModifier)
            key = 0;
    };
    medAgrupFilial.OnKeyDown = [&](Control&, Key&, Shift) { seen.append("control"); };

    form.userKey("medAgrupFilial", Qt::Key_Down);
    EXPECT_EQ(seen, QStringList{"control"}) << "without KeyPreview the form sees nothing";

    form.KeyPreview = true;
    seen.clear();
    form.userKey("medAgrupFilial", Qt::Key_Down);
    form.userKey("medAgrupFilial", Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(seen, (QStringList{"form", "control", "form"}));
}

TEST_F(FilterDialog, shouldMoveThroughTabOrderAndSkipUnreachableControls)
{
    grbGerente.TabOrder = 0;
    medAgrupFilial.TabOrder = 1;
    sbtCancel.TabOrder = 2;
    form.userFocus("medGerente");
    form.userKey("medGerente", Qt::Key_Tab);
    EXPECT_EQ(form.ActiveControl(), &medAgrupFilial);
    form.userKey("medAgrupFilial", Qt::Key_Tab);
    EXPECT_EQ(form.ActiveControl(), &sbtCancel) << "speed buttons take no focus";
    sbtCancel.SetEnabled(false);
    form.userKey("medAgrupFilial", Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(form.ActiveControl(), &medGerente);
}

TEST_F(FilterDialog, shouldKeepMaskedRawValueAndCutTypingAtMaxLength)
{
    medGerente.SetEditMask("0000;0;_");
    form.userType("medGerente", "123456");
    EXPECT_EQ(medGerente.Text(), "1234");
    EXPECT_TRUE(medGerente.IsComplete());

    form.userType("medAgrupFilial", "12345678901234");
    EXPECT_EQ(medAgrupFilial.Text(), "1234567890");
}

TEST(Controls, shouldKeepOneRadioCheckedPerContainerAndRaiseClickOnChange)
{
    Form form;
    auto& comprador = form.create<GroupBox>("grbComprador");
    auto& todos = form.create<RadioButton>("rbtTodosComprador", &comprador);
    auto& lista = form.create<RadioButton>("rbtListaComprador", &comprador);
    auto& todosDestino =
        form.create<RadioButton>("rbtTodosDestino", &form.create<GroupBox>("grbDestino"));
    int clicks = 0;
    lista.OnClick = [&](Control&) { ++clicks; };

    todos.SetChecked(true);
    todosDestino.SetChecked(true);
    form.userClick("rbtListaComprador");
    form.userClick("rbtListaComprador");
    EXPECT_FALSE(todos.Checked());
    EXPECT_TRUE(todosDestino.Checked()) << "another container keeps its choice";
    EXPECT_EQ(clicks, 1);

    lista.SetChecked(false, Announce::Quiet);
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, shouldFormatNumbersWhenLeavingAndTellInvalidDates)
{
    Form form;
    auto& nedQtde = form.create<NumberEdit>("nedQtde");
    auto& depEmisIni = form.create<DateEdit>("depEmisIni");
    nedQtde.SetDecimals(3);
    form.userType("nedQtde", "1234,5");
    EXPECT_EQ(nedQtde.Text(), "1234,5");
    form.userFocus("depEmisIni");
    EXPECT_EQ(nedQtde.Text(), "1234,500");
    EXPECT_DOUBLE_EQ(nedQtde.Value(), 1234.5);

    form.userType("depEmisIni", "31/02/2026");
    EXPECT_FALSE(depEmisIni.HasValidDate());
    form.userType("depEmisIni", "");
    EXPECT_TRUE(depEmisIni.HasValidDate());
}

TEST(Controls, shouldChooseTheComboItemTypedIgnoringCase)
{
    Form form;
    auto& combo = form.create<ComboBox>("cmbTipo");
    combo.SetItems({"Manual", "Automática", "Consolidada"});
    int changes = 0;
    combo.OnChange = [&](Control&) { ++changes; };
    form.userType("cmbTipo", "automática");
    EXPECT_EQ(combo.ItemIndex(), 1);
    EXPECT_EQ(changes, 1);
}

// The main screen's pages in miniature.
class Pages : public ::testing::Test
{
protected:
    Form form{"frmLancaSoliCmp"};
    PageControl& pgcPadrao = form.create<PageControl>("pgcPadrao");
    TabSheet& tshFilialSoli = form.create<TabSheet>("tshFilialSoli", &pgcPadrao);
    TabSheet& tshIncSoli = form.create<TabSheet>("tshIncSoli", &pgcPadrao);
    TabSheet& tshDadosSoli = form.create<TabSheet>("tshDadosSoli", &pgcPadrao);
    Edit& dbeNmJustSoli = form.create<Edit>("dbeNmJustSoli", &tshDadosSoli);
};

TEST_F(Pages, shouldSwitchOnlyToChoosablePagesAndLetOnChangingRefuse)
{
    pgcPadrao.SetActivePage(&tshFilialSoli);
    EXPECT_FALSE(form.SetFocus(dbeNmJustSoli)) << "a control on another page";
    tshIncSoli.SetTabVisible(false);
    QStringList changes;
    pgcPadrao.OnChange = [&](Control&) { changes.append(pgcPadrao.ActivePage()->Name()); };

    form.userClick("tshIncSoli");
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshFilialSoli) << "hidden tab";

    pgcPadrao.OnChanging = [](PageControl&, bool& allowChange) { allowChange = false; };
    form.userClick("tshDadosSoli");
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshFilialSoli) << "refused";

    pgcPadrao.OnChanging = [](PageControl&, bool&) { MensErro("Erro ao gravar.", true); };
    EXPECT_FALSE(form.userClick("tshDadosSoli"));
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshFilialSoli) << "aborted";

    pgcPadrao.OnChanging = nullptr;
    tshDadosSoli.SetEnabled(false);
    form.userClick("tshDadosSoli");
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshFilialSoli) << "disabled page";

    tshDadosSoli.SetEnabled(true);
    EXPECT_TRUE(form.userClick("tshDadosSoli"));
    EXPECT_TRUE(form.SetFocus(dbeNmJustSoli));
    pgcPadrao.SetActivePage(&tshFilialSoli);
    EXPECT_EQ(changes, QStringList{"tshDadosSoli"}) << "a switch by code is silent";
}

TEST_F(Pages, shouldStepThroughChoosablePagesWithCtrlTabInTheirTabOrder)
{
    pgcPadrao.SetActivePage(&tshFilialSoli);
    tshIncSoli.SetTabVisible(false);
    form.userKey("pgcPadrao", Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshDadosSoli);

    tshDadosSoli.SetPageIndex(0);
    form.userKey("pgcPadrao", Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pgcPadrao.ActivePage(), &tshFilialSoli) << "the moved page comes before";
    tshDadosSoli.SetPageIndex(99);
    EXPECT_EQ(tshDadosSoli.PageIndex(), 2);
}

TEST(Menus, shouldParseShortCutsAsTheDesignsWriteThem)
{
    EXPECT_TRUE(ShortCut::parse("Ctrl+M").matches(Qt::Key_M, Qt::ControlModifier));
    EXPECT_FALSE(ShortCut::parse("Ctrl+M").matches(Qt::Key_M, Qt::NoModifier));
    EXPECT_TRUE(ShortCut::parse("Shift+Ctrl+Del")
                    .matches(Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier));
    for (const char* invalid : {"", "Ctrl+", "Hyper+M", "F25", "Ctrl+Nada"})
        EXPECT_TRUE(ShortCut::parse(invalid).isEmpty()) << invalid;
}

TEST(Menus, shouldDispatchShortCutsOfEnabledEntriesBeforeTheControlSeesTheKey)
{
    Form form{"frmAlterQtde"};
    auto& group = form.create<MenuItem>("mnuOperacao", &form.create<MainMenu>("mnuPrincipal"));
    auto& media = form.create<MenuItem>("CalcularMdia1", &group);
    media.SetShortCut("Ctrl+M");
    int averages = 0;
    int controlKeys = 0;
    media.OnClick = [&](Control&) { ++averages; };
    form.create<NumberEdit>("nedQtde").OnKeyDown = [&](Control&, Key&, Shift) { ++controlKeys; };

    form.userKey("nedQtde", Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(averages, 1);
    EXPECT_EQ(controlKeys, 0);

    group.SetEnabled(false);
    form.userKey("nedQtde", Qt::Key_M, Qt::ControlModifier);
    group.SetEnabled(true);
    media.SetVisible(false);
    form.userKey("nedQtde", Qt::Key_M, Qt::ControlModifier);
    form.userClick("CalcularMdia1");
    EXPECT_EQ(averages, 1);
    EXPECT_EQ(controlKeys, 2);
}

TEST(Menus, shouldAnswerAPopupMenusShortCutsOnlyWhereItIsAttached)
{
    Form form;
    auto& popup = form.create<PopupMenu>("popMatriz");
    auto& incluir = form.create<MenuItem>("mnuIncluirProd", &popup);
    incluir.SetShortCut("Ins");
    auto& button = form.create<SpeedButton>("sbtAutomatico");
    button.DropdownMenu = &popup;
    form.create<Edit>("edtOutro");
    int included = 0;
    incluir.OnClick = [&](Control&) { ++included; };

    form.userClick("sbtAutomatico");
    EXPECT_EQ(popup.PopupComponent(), &button);

    form.userKey("edtOutro", Qt::Key_Insert);
    EXPECT_EQ(included, 0);
    form.create<Edit>("edtMatriz").SetPopupMenu(&popup);
    form.userKey("edtMatriz", Qt::Key_Insert);
    EXPECT_EQ(included, 1);
}

// A dialog's lifecycle: close query, close action, modal result.
class Lifecycle : public ::testing::Test
{
protected:
    Form dialog{"frmAlterQtde"};
    BitBtn& sbtConfirma = dialog.create<BitBtn>("sbtConfirma");
};

TEST_F(Lifecycle, shouldEndAModalRunWithTheButtonsResultUnlessTheCloseIsRefused)
{
    bool canClose = false;
    int ended = 0;
    dialog.OnCloseQuery = [&](Form&, bool& allow) { allow = canClose; };
    dialog.modalEnded = [&](Form&) { ++ended; };
    sbtConfirma.ModalResult = mrOk;

    dialog.beginModal();
    dialog.userClick("sbtConfirma");
    EXPECT_TRUE(dialog.Modal());
    EXPECT_EQ(dialog.ModalResult(), mrNone);

    dialog.OnCloseQuery = [](Form&, bool&) { MensErro("Justificativa deve ser informada.", true); };
    EXPECT_FALSE(dialog.userClick("sbtConfirma"));
    EXPECT_FALSE(dialog.userClose()) << "an abort in the close query is the user's refusal";
    EXPECT_TRUE(dialog.Modal());
    EXPECT_EQ(dialog.ModalResult(), mrNone);

    dialog.OnCloseQuery = nullptr;
    dialog.userClick("sbtConfirma");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(dialog.ModalResult(), mrOk);
    EXPECT_EQ(ended, 1);

    dialog.beginModal();
    EXPECT_TRUE(dialog.Close());
    EXPECT_EQ(dialog.ModalResult(), mrCancel);
}

TEST_F(Lifecycle, shouldFollowTheCloseActionChosenByOnClose)
{
    CloseAction chosen = CloseAction::None;
    int releases = 0;
    dialog.OnClose = [&](Form&, CloseAction& action) { action = chosen; };
    dialog.releaseRequested = [&](Form&) { ++releases; };
    dialog.Show();

    EXPECT_FALSE(dialog.Close());
    EXPECT_TRUE(dialog.Visible());

    chosen = CloseAction::Hide;
    EXPECT_TRUE(dialog.Close());
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(releases, 0);

    dialog.Show();
    chosen = CloseAction::Free;
    EXPECT_TRUE(dialog.Close());
    EXPECT_EQ(releases, 1);
}

TEST(FormDestroy, shouldRunOnDestroyOnceBeforeFreeingTheControls)
{
    int destroyed = 0;
    bool controlsAlive = false;
    {
        Form form;
        form.create<Edit>("edtNome");
        form.OnDestroy = [&](Form& f) {
            ++destroyed;
            controlsAlive = f.findControl("edtNome") != nullptr;
        };
        form.Destroy();
        EXPECT_EQ(form.findControl("edtNome"), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(controlsAlive);
}

} // namespace
