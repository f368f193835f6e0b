#include "framework/core/abort.h"
#include "framework/core/messages.h"
#include "framework/forms/form.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

#include "framework/ui/scripted_port.h"

#include <gtest/gtest.h>

using namespace cmp::fw;
using cmp::fw::test::ScriptedUi;

namespace {

const TMessages msg{{"Excl", "Confirma exclusão?"},
                    {"msgCopy", "Copiar a justificativa \"Falta\" para"},
                    {"msgCopyAll", "&Todas"},
                    {"msgCopyInf", "&Não informadas"},
                    {"Canc_Copy", "&Cancelar"}};

} // namespace

TEST_F(ScriptedUi, shouldReturnTheStandardButtonAnsweredToACatalogQuestion)
{
    for (MsgButton answer : {MsgButton::Yes, MsgButton::No}) {
        ui.answerNext(answer);
        EXPECT_EQ(msg.ShowMsg("Excl"), answer);
    }
    ui.cancelNext();
    EXPECT_EQ(msg.ShowMsg("Excl"), MsgButton::None);

    EXPECT_EQ(ui.events()[0].text, "Confirma exclusão?");
}

TEST_F(ScriptedUi, shouldAnswerTenElevenAndSoOnForCustomButtons)
{
    const QStringList captions{"msgCopyAll", "msgCopyInf", "Canc_Copy"};
    for (int answer : {10, 11, 12, 0}) {
        ui.answerNextCustom(answer);
        EXPECT_EQ(msg.ShowMsgAlert("msgCopy", captions), answer);
    }
    ui.cancelNext();
    EXPECT_EQ(msg.MsgAlertEx("Deseja atualizar todos os itens da tela para.", MsgType::Confirmation,
                             {"Aprovação", "Reprovação"}),
              0);

    EXPECT_EQ(ui.events().front().text, "Copiar a justificativa \"Falta\" para");
    EXPECT_EQ(ui.events().front().options, (QStringList{"&Todas", "&Não informadas", "&Cancelar"}));
    EXPECT_EQ(ui.events().back().options, (QStringList{"Aprovação", "Reprovação"}));
}

TEST_F(ScriptedUi, shouldFailClearlyOnAPromptTheScriptDidNotForesee)
{
    try {
        msg.ShowMsg("Excl");
        FAIL() << "an unscripted question returned";
    } catch (const UnscriptedPrompt& failure) {
        EXPECT_NE(QString::fromUtf8(failure.what()).indexOf("Confirma exclusão?"), -1)
            << failure.what();
    }

    // Not an abort: the outermost user action lets it through to the test.
    ui.typePasswordNext("segredo");
    EXPECT_THROW(RunUserAction([] { msg.ShowMsg("Excl"); }), UnscriptedPrompt);
    // Nor is a scripted button the question does not offer.
    ui.answerNext(MsgButton::Ok);
    EXPECT_THROW(msg.ShowMsg("Excl"), UnscriptedPrompt);
}

TEST_F(ScriptedUi, shouldShowProgressFromTheOutermostBeginToItsEndOrFailure)
{
    {
        const ProgressScope receiving("Recebendo produtos do servidor...");
        ActiveShowAvi("Gravando...");
        DeactiveShowAvi();
        EXPECT_EQ(uiPort().progressDepth(), 1);
    }
    EXPECT_EQ(uiPort().progressDepth(), 0);

    // A failure path that ends the animation once more does no harm.
    DeactiveShowAvi();
    EXPECT_EQ(uiPort().progressDepth(), 0);
    EXPECT_EQ(ui.texts(UiEventKind::Progress),
              (QStringList{"Recebendo produtos do servidor...", "Gravando..."}));

    // A failing server call ends its progress too.
    EXPECT_FALSE(RunUserAction([] {
        const ProgressScope deleting("Excluindo solicitação de compras no servidor...");
        MensErro("Solicitação não encontrada.", true);
    }));
    EXPECT_EQ(uiPort().progressDepth(), 0);
}

TEST_F(ScriptedUi, shouldOpenARegisteredModuleAndTellWhenOneIsNotInstalled)
{
    QVariantList received;
    HostContext context;
    context.modules.insert("CMP06400", [&](const QVariantList& args) { received = args; });
    SetHostContext(context);

    const QVariantList args{"_0001_", "_0000000012_"};
    EXPECT_TRUE(LoadBPL("CMP06400", args));
    EXPECT_EQ(received, args);
    EXPECT_EQ(ui.events().back().args, args);

    EXPECT_FALSE(LoadBPL("SUP01717", {"L", "0101", 0}));
    EXPECT_EQ(ui.events().back().kind, UiEventKind::Error);
    EXPECT_EQ(ui.events().back().text, "Módulo SUP01717 não está disponível nesta instalação.");
}

TEST_F(ScriptedUi, shouldGrantOnlyTheScreensOfTheHostAccessTable)
{
    HostContext context;
    context.operatorCode = "000000000007";
    context.activeModule = "Compras";
    context.moduleAcronyms.insert("Compras", "CMP");
    context.access = [](const QString& operatorCode, const QString& key) {
        return operatorCode == "000000000007" && key == "CMP;CMP06400";
    };
    SetHostContext(context);

    const QString prefix = SiglaModulo(ModuloAtiv()) + ";";
    EXPECT_TRUE(ExisteAcesso(Operador(), prefix + "CMP06400"));
    EXPECT_FALSE(ExisteAcesso(Operador(), prefix + "CMP06900"));
    EXPECT_FALSE(ExisteAcesso("000000000008", prefix + "CMP06400"));

    SetHostContext({});
    EXPECT_FALSE(ExisteAcesso("000000000007", "CMP;CMP06400"));
}

TEST_F(ScriptedUi, shouldGiveTheProcessingDateOfEachBranchAndTodayWithoutAHost)
{
    HostContext context;
    context.processingDate = [](const QString& branch) {
        return branch == "0001" ? QDate(2026, 12, 7) : QDate(2026, 12, 1);
    };
    SetHostContext(context);
    EXPECT_EQ(DataProc("0001"), QDate(2026, 12, 7));
    EXPECT_EQ(DataProc("0002"), QDate(2026, 12, 1));

    SetHostContext({});
    EXPECT_EQ(DataProc("0001"), QDate::currentDate());
}

TEST_F(ScriptedUi, shouldRecordFormsAndLetTheScriptEndTheModalOne)
{
    Form quantity("frmAlterQtde");
    Form aggregated("frmInclAgregada");
    ui.actInNextModal([](Form& form) {
        EXPECT_EQ(form.Name(), "frmAlterQtde");
        return int(mrOk);
    });
    EXPECT_EQ(uiPort().showModal(quantity), mrOk);
    uiPort().showModeless(aggregated);

    EXPECT_EQ(ui.events()[1].form, &aggregated);

    // A modal form waits for a person: the script must say what happens in it.
    ui.cancelNext();
    EXPECT_THROW(uiPort().showModal(quantity), UnscriptedPrompt);
}

TEST(HeadlessUi, shouldCancelEveryQuestionWhenNoPortIsInstalled)
{
    UiPort* previous = SetUiPort(nullptr);
    const QtMessageHandler handler =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    EXPECT_EQ(msg.ShowMsg("Excl"), MsgButton::None);
    EXPECT_EQ(msg.ShowMsgAlert("msgCopy", {"msgCopyAll"}), 0);
    EXPECT_FALSE(RunUserAction([] { MensErro("Filial não cadastrada.", true); }));
    qInstallMessageHandler(handler);
    SetUiPort(previous);
}
