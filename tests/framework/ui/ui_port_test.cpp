#include "framework/core/abort.h"
#include "framework/core/messages.h"
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

TEST_F(ScriptedUi, shouldAskCatalogQuestionsAndAnswerTheButtonOrTenElevenForCustomOnes)
{
    for (MsgButton answer : {MsgButton::Yes, MsgButton::No}) {
        ui.answerNext(answer);
        EXPECT_EQ(msg.ShowMsg("Excl"), answer);
    }
    ui.cancelNext();
    EXPECT_EQ(msg.ShowMsg("Excl"), MsgButton::None);
    EXPECT_EQ(ui.events()[0].text, "Confirma exclusão?");

    // Custom captions are catalog keys too; a closed box chooses none of them.
    const QStringList captions{"msgCopyAll", "msgCopyInf", "Canc_Copy"};
    for (int answer : {10, 11, 12, 0}) {
        ui.answerNextCustom(answer);
        EXPECT_EQ(msg.ShowMsgAlert("msgCopy", captions), answer);
    }
    EXPECT_EQ(ui.events().back().text, "Copiar a justificativa \"Falta\" para");
    EXPECT_EQ(ui.events().back().options, (QStringList{"&Todas", "&Não informadas", "&Cancelar"}));
}

TEST_F(ScriptedUi, shouldLetAPromptTheScriptDidNotForeseeThroughTheUserAction)
{
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

    EXPECT_FALSE(LoadBPL("SUP01717", {"L", "0101", 0}));
    EXPECT_EQ(ui.events().back().kind, UiEventKind::Error);
    EXPECT_EQ(ui.events().back().text, "Módulo SUP01717 não está disponível nesta instalação.");
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
