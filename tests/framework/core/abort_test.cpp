#include "framework/core/abort.h"
#include "support/shown_errors.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace cmp::fw;
using cmp::test::ShownErrors;

namespace {

QStringList warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtWarningMsg)
        warnings.append(text);
}

} // namespace

TEST_F(ShownErrors, shouldShowTheErrorAndEndTheOperationOnlyWhenStopping)
{
    bool wentOn = false;
    EXPECT_TRUE(RunUserAction([&] {
        MensErro("Destino deve ser informado.", false);
        wentOn = true;
    }));
    EXPECT_TRUE(wentOn);

    wentOn = false;
    EXPECT_FALSE(RunUserAction([&] {
        MensErro("Quantidade inválida.", true);
        wentOn = true;
    }));
    EXPECT_FALSE(wentOn);
    EXPECT_FALSE(RunUserAction([] { Abort(); }));
    EXPECT_EQ(shown, QStringList({"Destino deve ser informado.", "Quantidade inválida."}))
        << "an abort ends the operation silently";
}

TEST_F(ShownErrors, shouldShowAnUnexpectedFailureAndEndTheUserActionLeavingLogicErrorsToTheHost)
{
    EXPECT_FALSE(RunUserAction([] { throw std::bad_alloc(); }));
    EXPECT_FALSE(
        RunUserAction([] { throw std::runtime_error("cdsItemSoli: campo 'X' não encontrado"); }));
    EXPECT_EQ(shown, QStringList({"std::bad_alloc", "cdsItemSoli: campo 'X' não encontrado"}));

    EXPECT_THROW(RunUserAction([] { throw std::logic_error("programa"); }), std::logic_error);
}

TEST(ErrorPresenter, shouldWriteErrorsToTheLogUntilTheUiInstallsItsPresenter)
{
    const ErrorPresenter previous = SetErrorPresenter(nullptr);
    warnings.clear();
    const QtMessageHandler handler = qInstallMessageHandler(recordWarning);
    MensErro("Filial não cadastrada.", false);
    qInstallMessageHandler(handler);
    SetErrorPresenter(previous);

    EXPECT_EQ(warnings, QStringList{"Filial não cadastrada."});
}
