// The observation dialog over requisition 3 of branch 0004: the item's
// text or the product's description, kept while the user types, written to
// the item or, where managers approve items, to every date of the product;
// and the justification a caller collects.
#include "dialogs/Cli_cmp03109.h"
#include "framework/forms/standard_controls.h"
#include "support/matrix_session.h"

using namespace cmp;
using namespace cmp::fw;

namespace {

const QString acelga = QStringLiteral("0302005001");
const QDate firstDelivery(2026, 12, 7);
const QDate secondDelivery(2026, 12, 14);

class ObservationDialog : public test::MatrixSession
{
protected:
    QString observe(Cli_cmp03100::TfrmLancaSoliCmp& screen, const QString& mode,
                    const std::function<void(Form&)>& inDialog)
    {
        ui.actInNextModal([inDialog](Form& dialog) {
            inDialog(dialog);
            return int(mrNone);
        });
        return screen.state.screens.CriaObservProd(mode);
    }

    static QString observation(Cli_cmp03100::TfrmLancaSoliCmp& screen, const QDate& date)
    {
        ClientDataSet& items = screen.state.cdsItemSoli;
        EXPECT_TRUE(data::locateItem(items, acelga, date));
        return items.FieldByName(QStringLiteral("TXOBSITMSOL")).AsString();
    }
};

TEST_F(ObservationDialog, shouldOfferTheProductsDescriptionAndKeepWhatIsTypedOverIt)
{
    exec(QStringLiteral("UPDATE PRODUTO SET DSCOMPLNOME = 'Folhas verdes, maço de 500 g' WHERE "
                        "CDARVPROD = '0302005001'"));
    auto& screen = openRequisition();
    select(screen, acelga, firstDelivery);
    screen.state.stUtiliza_Prod = acelga;
    screen.state.stUtiliza_Data = QStringLiteral("07/12/2026");
    observe(screen, QString(), [](Form& dialog) {
        auto& text = dialog.control<Memo>(QStringLiteral("memObserv"));
        EXPECT_EQ(text.Text(), "Folhas verdes, maço de 500 g");
        dialog.userClick(QStringLiteral("sbtConfirma"));
    });
    EXPECT_EQ(observation(screen, firstDelivery), "Folhas verdes, maço de 500 g");

    observe(screen, QString(), [](Form& dialog) {
        dialog.userType(QStringLiteral("memObserv"), QString(301, u'x'));
        dialog.Activate();
        EXPECT_EQ(dialog.control<Memo>(QStringLiteral("memObserv")).Text(), QString(300, u'x'))
            << "cut at 300 and not read again";
        dialog.userClick(QStringLiteral("sbtConfirma"));
    });
    EXPECT_EQ(observation(screen, firstDelivery), QString(300, u'x'));
    EXPECT_EQ(observation(screen, secondDelivery), "") << "only this date";
}

TEST_F(ObservationDialog, shouldGiveEveryDateOfTheProductTheTextAndStayOnTheCellsItem)
{
    auto& screen = openRequisition();
    screen.state.managerApproval = true;
    screen.state.stUtiliza_Prod = acelga;
    screen.state.stUtiliza_Data = QStringLiteral("14/12/2026");
    ClientDataSet& items = screen.state.cdsItemSoli;
    ASSERT_TRUE(data::locateItem(items, acelga, secondDelivery));
    observe(screen, QString(), [](Form& dialog) {
        dialog.userType(QStringLiteral("memObserv"), "Entregar pela manhã");
        dialog.userClick(QStringLiteral("sbtConfirma"));
    });
    EXPECT_EQ(items.FieldByName(QStringLiteral("CDARVPROD")).AsString(), acelga);
    EXPECT_EQ(items.FieldByName(QStringLiteral("DTPROGENTR")).AsDate(), secondDelivery)
        << "the walk leaves the cursor on the cell's item";
    EXPECT_EQ(observation(screen, firstDelivery), "Entregar pela manhã");
    EXPECT_EQ(observation(screen, secondDelivery), "Entregar pela manhã");
}

TEST_F(ObservationDialog, shouldRequireAJustificationAndHandItBack)
{
    auto& screen = openRequisition();
    const QString cancelled = observe(screen, QStringLiteral("J"), [](Form& dialog) {
        EXPECT_EQ(dialog.Caption(), "Justificativa");
        EXPECT_FALSE(dialog.userClick(QStringLiteral("sbtConfirma")));
        EXPECT_TRUE(dialog.Modal());
        dialog.userType(QStringLiteral("memObserv"), "Fora do padrão");
        dialog.userClick(QStringLiteral("sbtCancel"));
    });
    EXPECT_TRUE(cancelled.isEmpty());
    EXPECT_EQ(errors(), std::vector<std::string>{"Justificativa deve ser informada."});
    const QString given = observe(screen, QStringLiteral("J"), [](Form& dialog) {
        dialog.userType(QStringLiteral("memObserv"), "Fora do padrão");
        dialog.userClick(QStringLiteral("sbtConfirma"));
    });
    EXPECT_EQ(given, "Fora do padrão");
    EXPECT_EQ(Cli_cmp03109::stTipoForm, "J");
    EXPECT_EQ(screen.state.cdsItemSoli.ChangeCount(), 0) << "a justification writes no item";
}

} // namespace
