// The quantity dialog as a matrix cell of requisition 3 of branch 0004 opens
// it: the average question, the limits, cancelling, and one instance kept
// between openings that reads its cell once per opening.
#include "dialogs/Cli_cmp03102.h"
#include "framework/forms/buttons.h"
#include "framework/forms/standard_controls.h"
#include "support/matrix_session.h"

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03100::TfrmLancaSoliCmp;
using Cli_cmp03102::frmAlterQtde;

namespace {

const QString acelga = QStringLiteral("0302005001"); // 24,250 on 07/12
const QDate delivery(2026, 12, 7);

class QuantityDialog : public test::MatrixSession
{
protected:
    // An average of 20 for the branch, tolerated within 10% by its center.
    void setAverage(double average)
    {
        clearAverage();
        exec(QStringLiteral("INSERT INTO PRODPREFMED (CDFILIAL, CDPRODUTO, QTMEDSOLPROD) SELECT "
                            "'0004', CDPRODUTO, %1 FROM PRODUTO WHERE CDARVPROD = '%2'")
                 .arg(average)
                 .arg(acelga));
        exec(QStringLiteral("INSERT INTO MEDSOLI (CDFILIAL, CDPRODUTO, VRPERCMEDSOL) SELECT "
                            "'0001', CDPRODUTO, 10 FROM PRODUTO WHERE CDARVPROD = '%1'")
                 .arg(acelga));
    }

    void clearAverage()
    {
        exec(QStringLiteral("DELETE FROM PRODPREFMED WHERE CDFILIAL = '0004'"));
        exec(QStringLiteral("DELETE FROM MEDSOLI"));
    }

    static NumberEdit& quantity(Form& dialog)
    {
        return dialog.control<NumberEdit>(QStringLiteral("nedQtde"));
    }

    static double stored(TfrmLancaSoliCmp& screen)
    {
        ClientDataSet& items = screen.state.cdsItemSoli;
        EXPECT_TRUE(data::locateItem(items, acelga, delivery));
        return items.FieldByName(QStringLiteral("QTSOLIPROD")).AsFloat();
    }

    QStringList questions() const { return ui.texts(UiEventKind::Question); }
};

TEST_F(QuantityDialog, shouldAskOnlyWhenTheQuantityStraysBeyondTheCentersTolerance)
{
    setAverage(20);
    auto& screen = openRequisition();
    bool confirmedAtTolerance = false;
    ASSERT_TRUE(edit(screen, acelga, delivery, [&](Form& dialog) {
        confirmedAtTolerance = dialog.userType(QStringLiteral("nedQtde"), "22") &&
                               dialog.userClick(QStringLiteral("sbtConfirma"));
    }));
    EXPECT_TRUE(confirmedAtTolerance);
    EXPECT_TRUE(questions().isEmpty()) << "exactly at the tolerance";

    bool openAfterNo = false;
    ASSERT_TRUE(edit(screen, acelga, delivery, [&](Form& dialog) {
        dialog.userType(QStringLiteral("nedQtde"), "22,5");
        ui.answerNext(MsgButton::No);
        dialog.userClick(QStringLiteral("sbtConfirma"));
        openAfterNo = dialog.Modal();
        ui.answerNext(MsgButton::Yes);
        dialog.userClick(QStringLiteral("sbtConfirma"));
    }));
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(questions().value(0).toStdString(),
              "A diferença entre a quatidade informada (22,5) e a média das solicitações (20) é "
              "superior a 10%. Confirma?");
    EXPECT_EQ(stored(screen), 22.5);
}

TEST_F(QuantityDialog, shouldAskAboutTheAverageBeforeRequiringAQuantity)
{
    setAverage(20);
    auto& screen = openRequisition();
    edit(screen, acelga, delivery, [&](Form& dialog) {
        dialog.userType(QStringLiteral("nedQtde"), QString());
        ui.answerNext(MsgButton::Yes);
        EXPECT_FALSE(dialog.userClick(QStringLiteral("sbtConfirma")));
        dialog.userClick(QStringLiteral("sbtCancel"));
    });
    EXPECT_EQ(questions().value(0).toStdString(),
              "A diferença entre a quatidade informada (0) e a média das solicitações (20) é "
              "superior a 10%. Confirma?");
    EXPECT_EQ(errors(), std::vector<std::string>{"Quantidade deve ser informada."});
}

TEST_F(QuantityDialog, shouldKeepQuantitiesWithinTenDigitsAndThreeDecimals)
{
    auto& screen = openRequisition();
    edit(screen, acelga, delivery, [&](Form& dialog) {
        // Typed key by key over the selected quantity.
        for (const char key : std::string("123456789012,34567"))
            dialog.userKey(QStringLiteral("nedQtde"), Key(key));
        EXPECT_EQ(quantity(dialog).Text(), "1234567890,345");
        EXPECT_FALSE(dialog.userClick(QStringLiteral("sbtConfirma")));
        dialog.userType(QStringLiteral("nedQtde"), "9999999,999");
        EXPECT_TRUE(dialog.userClick(QStringLiteral("sbtConfirma")));
    });
    EXPECT_EQ(errors(), std::vector<std::string>{"Valor fora dos limites válidos para a coluna."});
    EXPECT_EQ(stored(screen), 9999999.999);
}

TEST_F(QuantityDialog, shouldFillTheAverageOnlyWhenItRoundsToSomething)
{
    clearAverage();
    auto& screen = openRequisition();
    edit(screen, acelga, delivery, [&](Form& dialog) {
        dialog.userClick(QStringLiteral("sbtMedia"));
        EXPECT_EQ(quantity(dialog).Value(), 24.25);
        setAverage(0.4);
        dialog.userClick(QStringLiteral("sbtMedia"));
        EXPECT_EQ(quantity(dialog).Value(), 24.25);
        setAverage(20.5);
        dialog.userKey(QStringLiteral("nedQtde"), Qt::Key_M, Qt::ControlModifier);
        EXPECT_EQ(quantity(dialog).Text(), "20,5");
        dialog.userClick(QStringLiteral("sbtCancel"));
    });
    EXPECT_EQ(errors(), std::vector<std::string>{"Não há média das solicitações."});
}

// Kept between openings: each opening starts unconfirmed and reads its cell
// once, so coming back from the observation keeps what was typed.
TEST_F(QuantityDialog, shouldReadTheCellOncePerOpeningOfTheOneKeptInstance)
{
    auto& screen = openRequisition();
    edit(screen, acelga, delivery, [&](Form& dialog) {
        dialog.userType(QStringLiteral("nedQtde"), "33");
        ui.actInNextModal([](Form& observation) {
            observation.userClick(QStringLiteral("sbtCancel"));
            return int(mrNone);
        });
        dialog.userKey(QStringLiteral("nedQtde"), Qt::Key_O, Qt::ControlModifier);
        dialog.Activate();
        EXPECT_EQ(quantity(dialog).Text(), "33");
        dialog.userClick(QStringLiteral("sbtCancel"));
    });
    const TfrmLancaSoliCmp* sameScreen = &screen;
    const auto* first = frmAlterQtde.get();
    screen.state.BoConfirmou = true; // as a stop after an earlier use could leave it
    edit(screen, acelga, delivery, [&](Form& dialog) {
        EXPECT_FALSE(screen.state.BoConfirmou);
        EXPECT_EQ(quantity(dialog).Value(), 24.25) << "the stored quantity again";
        dialog.userClick(QStringLiteral("sbtCancel"));
    });
    EXPECT_EQ(frmAlterQtde.get(), first);
    EXPECT_EQ(&screen, sameScreen);
    EXPECT_EQ(ui.texts(UiEventKind::Modal).size(), 4u) << "filter, dialog, observation, dialog";
}

} // namespace
