// Editing the quantity of a matrix cell of branch 0004, whose branch also
// locks automatic requisitions.
#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/standard_controls.h"
#include "requisition/Cli_cmp03100.h"
#include "support/matrix_session.h"

#include <functional>

using namespace cmp;
using namespace cmp::fw;
using Cli_cmp03100::TfrmLancaSoliCmp;

namespace {

const QString acelga = QStringLiteral("0302005001"); // 24,250 and 12,500
const QDate firstDelivery(2026, 12, 7);
const QDate secondDelivery(2026, 12, 14);

class CellEditing : public test::MatrixSession
{
protected:
    static double item(TfrmLancaSoliCmp& screen, const QString& treeCode, const QDate& date,
                       const char* field)
    {
        ClientDataSet& items = screen.state.cdsItemSoli;
        EXPECT_TRUE(data::locateItem(items, treeCode, date));
        return items.FieldByName(QString::fromLatin1(field)).AsFloat();
    }

    int modals() const { return int(ui.texts(UiEventKind::Modal).size()); }

    // Requisition 2 of branch 0004 becomes an automatic one the demo operator
    // launched, under the lock, with this one permission (and its percentage).
    void lockAllowingOnly(const QString& permission, const QString& percentage = "NULL")
    {
        exec(QStringLiteral("UPDATE SOLICITA SET CDOPERLANC = '000000000001' WHERE CDFILSOLI = "
                            "'0004' AND NRSOLICMP = '0000000002'"));
        exec(QStringLiteral("UPDATE PARASUPRI SET IDBLOQALTSOLAUT = 'S'"));
        exec(QStringLiteral("DELETE FROM AUTLANCSOLI WHERE CDOPERADOR = '000000000001'"));
        exec(QStringLiteral("INSERT INTO AUTLANCSOLI (CDOPERADOR, IDAUTLANCSOLI, PEALTEQTDESOLI) "
                            "VALUES ('000000000001', '%1', %2)")
                 .arg(permission, percentage));
    }
};

// --- writing a confirmed quantity -------------------------------------------------------

TEST_F(CellEditing, shouldWriteAChangedQuantityToMatrixItemAndLogAndMoveToTheNextDate)
{
    auto& screen = openRequisition();
    const int rows = screen.degItemSoli.RowCount();

    ASSERT_TRUE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("30"))));

    EXPECT_EQ(*screen.degItemSoli.Value(screen.degItemSoli.Col() - 1, screen.degItemSoli.Row()),
              30.0);
    EXPECT_EQ(screen.degItemSoli.RowCount(), rows);
    EXPECT_EQ(item(screen, acelga, firstDelivery, "QTSOLIPROD"), 30.0);
    EXPECT_EQ(item(screen, acelga, firstDelivery, "QTSOLIORIG"), 24.25) << "the original stays";
    ClientDataSet& log = screen.state.cdsMovoPSol;
    ASSERT_TRUE(log.Locate(QStringLiteral("CDARVPROD;DTENTROPER"), {acelga, firstDelivery}));
    EXPECT_EQ(log.FieldByName(QStringLiteral("QTANTOPER")).AsFloat(), 24.25);
    EXPECT_EQ(log.FieldByName(QStringLiteral("QTDEPOPER")).AsFloat(), 30.0);
    EXPECT_EQ(log.FieldByName(QStringLiteral("IDOPERAMOVS")).AsString(), "A");
    EXPECT_EQ(log.FieldByName(QStringLiteral("NMPRODUTO")).AsString(), "Acelga kg");
    EXPECT_TRUE(log.FieldByName(QStringLiteral("DSJUSTOPER")).AsString().isEmpty())
        << "the user justifies it on the log page";

    EXPECT_TRUE(screen.state.stlProdutos.contains(acelga + QStringLiteral("07/12/2026||30")));
    EXPECT_TRUE(screen.state.stlProdutosTot.contains(acelga + QStringLiteral("||42.5")));
    EXPECT_EQ(screen.state.cdsServSolicita.State(), DataSetState::Edit);
    EXPECT_TRUE(screen.sbtConfirmar.Enabled());
    EXPECT_TRUE(screen.sbtCancelar.Enabled());
    EXPECT_EQ(screen.degItemSoli.ColValue(screen.degItemSoli.Col()).toDate(), secondDelivery)
        << "on to the next date";
    EXPECT_FALSE(screen.state.BoConfirmou);

    // From the last date the selection goes to the next product's first one.
    const int row = screen.degItemSoli.Row();
    ASSERT_TRUE(edit(screen, acelga, secondDelivery, typeAndConfirm(QStringLiteral("0"))));
    EXPECT_EQ(screen.degItemSoli.Row(), row + 1);
    EXPECT_EQ(screen.degItemSoli.Col(), screen.degItemSoli.FixedCols());
    EXPECT_EQ(item(screen, acelga, secondDelivery, "QTSOLIPROD"), 0.0) << "the cell stays";
    ASSERT_TRUE(log.Locate(QStringLiteral("CDARVPROD;DTENTROPER"), {acelga, secondDelivery}));
    EXPECT_EQ(log.FieldByName(QStringLiteral("IDOPERAMOVS")).AsString(), "E");
    // The detail panel follows the selection to the next product's first date.
    EXPECT_EQ(FormatDate(screen.depUtiliza.Date()), screen.state.stUtiliza_Data);
    select(screen, acelga, secondDelivery);
    EXPECT_FALSE(screen.depUtiliza.Enabled()) << "no first use without a quantity";
    EXPECT_TRUE(screen.depUtiliza.IsBlank());
}

TEST_F(CellEditing, shouldChangeNothingWhenTheDialogIsCancelledOrTheQuantityStays)
{
    auto& screen = openRequisition();
    const int changes = screen.state.cdsItemSoli.ChangeCount();
    ASSERT_TRUE(edit(screen, acelga, firstDelivery, [](Form& dialog) {
        dialog.userType(QStringLiteral("nedQtde"), QStringLiteral("99"));
        dialog.userClick(QStringLiteral("sbtCancel"));
    }));
    ASSERT_TRUE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("24,25"))));
    EXPECT_EQ(screen.state.cdsItemSoli.ChangeCount(), changes);
    EXPECT_EQ(screen.state.cdsMovoPSol.RecordCount(), 0);
    EXPECT_EQ(screen.state.cdsServSolicita.State(), DataSetState::Browse);
}

// A cell without a record: typing a digit on it starts the dialog with it.
TEST_F(CellEditing, shouldCreateTheItemOfAnEmptyCellInTheRowItHasWhateverTheProductIsCalledNow)
{
    exec(QStringLiteral("DELETE FROM ITEMSOLI WHERE CDFILSOLI = '0004' AND NRSOLICMP = "
                        "'0000000003' AND DTPROGENTR = '2026-12-14' AND CDPRODUTO IN (SELECT "
                        "CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '0302005001')"));
    auto& screen = openRequisition();
    // Renamed since the matrix was read: the row keeps its own label.
    exec(QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'Acelga Hidropônica kg' WHERE "
                        "CDARVPROD = '0302005001'"));
    const int rows = screen.degItemSoli.RowCount();
    screen.state.chKeyNum = u'5';
    ASSERT_TRUE(edit(screen, acelga, secondDelivery, [](Form& dialog) {
        EXPECT_EQ(dialog.control<NumberEdit>(QStringLiteral("nedQtde")).Text(), "5");
        dialog.userClick(QStringLiteral("sbtConfirma"));
    }));

    EXPECT_EQ(screen.degItemSoli.RowCount(), rows) << "no second row of the product";
    EXPECT_EQ(item(screen, acelga, secondDelivery, "QTSOLIPROD"), 5.0);
    EXPECT_EQ(item(screen, acelga, secondDelivery, "QTSOLIORIG"), 5.0);
    ClientDataSet& items = screen.state.cdsItemSoli;
    EXPECT_EQ(items.FieldByName(QStringLiteral("DTUTILIZA")).AsDate(), secondDelivery);
    EXPECT_EQ(items.FieldByName(QStringLiteral("IDSOLIAPROV")).AsString(), "N")
        << "the branch approves new items";
    EXPECT_EQ(items.FieldByName(QStringLiteral("CDFILLAN")).AsString(), "0004");
    EXPECT_EQ(screen.state.cdsVd_Periodicidade.Tag, 99) << "an inserted item is checked too";
    ASSERT_TRUE(screen.state.cdsMovoPSol.Locate(QStringLiteral("CDARVPROD;DTENTROPER"),
                                                {acelga, secondDelivery}));
    EXPECT_EQ(screen.state.cdsMovoPSol.FieldByName(QStringLiteral("IDOPERAMOVS")).AsString(), "I");
}

// --- checks that refuse before anything is written ---------------------------------------

TEST_F(CellEditing, shouldRefuseApprovedItemsAndNewItemsBesideThemWithoutOpeningTheDialog)
{
    exec(QStringLiteral("UPDATE ITEMSOLI SET IDSOLIAPROV = 'S' WHERE CDFILSOLI = '0004' AND "
                        "NRSOLICMP = '0000000003' AND DTPROGENTR = '2026-12-07' AND CDPRODUTO "
                        "IN (SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '0302005001')"));
    exec(QStringLiteral("UPDATE ITEMSOLI SET QTSOLIPROD = 0 WHERE CDFILSOLI = '0004' AND "
                        "NRSOLICMP = '0000000003' AND DTPROGENTR = '2026-12-14' AND CDPRODUTO "
                        "IN (SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = '0302005001')"));
    auto& screen = openRequisition();
    const int before = modals();

    EXPECT_FALSE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("1"))));
    EXPECT_FALSE(edit(screen, acelga, secondDelivery, typeAndConfirm(QStringLiteral("1"))));

    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "Quantidade já liberada para compra.",
                            "Operação bloqueada. Solicitação já possui itens aprovados."}));
    EXPECT_EQ(modals(), before);
    EXPECT_EQ(screen.state.cdsItemSoli.ChangeCount(), 0);
    EXPECT_FALSE(screen.state.BoConfirmou);
    ui.actInNextModal([](Form&) { return int(mrNone); }); // left unused
}

TEST_F(CellEditing, shouldOnlyWarnOfATalliedQuantityWhereApprovedQuantitiesStay)
{
    exec(QStringLiteral("INSERT INTO ITEMAPURA (CDFILSOLI, CDFILLAN, NRSOLICMP, CDPRODUTO, "
                        "DTPROGENTR, NRSEQITMAP) SELECT '0004', '0004', '0000000003', CDPRODUTO, "
                        "'2026-12-07', '0000000777' FROM PRODUTO WHERE CDARVPROD = '0302005001'"));
    auto& screen = openRequisition();
    ASSERT_TRUE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("25"))));
    EXPECT_EQ(errors(), std::vector<std::string>{"Operação bloqueada. Quantidade já considerada "
                                                 "na apuração nº: 0000000777 ."});
    EXPECT_EQ(item(screen, acelga, firstDelivery, "QTSOLIPROD"), 25.0);

    // Where approved quantities may change, the tally stops the edit.
    screen.state.stIdPerAltSApr = QStringLiteral("SSN");
    EXPECT_FALSE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("26"))));
    EXPECT_EQ(item(screen, acelga, firstDelivery, "QTSOLIPROD"), 25.0);
    ui.actInNextModal([](Form&) { return int(mrNone); }); // left unused
}

// The log entry is fetched first: without it, nothing changes.
TEST_F(CellEditing, shouldWriteNothingWhenTheAlterationLogCannotBeFetched)
{
    auto& screen = openRequisition();
    exec(QStringLiteral("ALTER TABLE MOVOPSOL RENAME TO MOVOPSOL_GONE"));
    EXPECT_FALSE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("31"))));
    EXPECT_EQ(item(screen, acelga, firstDelivery, "QTSOLIPROD"), 24.25);
    EXPECT_EQ(screen.state.cdsItemSoli.ChangeCount(), 0);
    EXPECT_FALSE(screen.state.stlProdutos.contains(acelga + QStringLiteral("07/12/2026||31")));
    EXPECT_FALSE(screen.state.BoConfirmou) << "a stop after the dialog leaves it reset";
}

// --- a locked automatic requisition ---------------------------------------------------------

TEST_F(CellEditing, shouldKeepALockedAutomaticQuantityWithinThePermittedPercentage)
{
    exec(QStringLiteral("UPDATE ITEMSOLI SET QTSOLIPROD = 10, QTSOLIORIG = 10 WHERE CDFILSOLI = "
                        "'0004' AND NRSOLICMP = '0000000002'"));
    lockAllowingOnly(QStringLiteral("DIMINUIR_QUANTIDADE"), QStringLiteral("20"));
    auto& screen = openRequisition("0000000002");
    ASSERT_TRUE(screen.state.lockedAutomatic());
    ClientDataSet& items = screen.state.cdsItemSoli;
    items.First();
    const QString code = items.FieldByName(QStringLiteral("CDARVPROD")).AsString();
    const QDate date = items.FieldByName(QStringLiteral("DTPROGENTR")).AsDate();

    for (const char* refused : {"7,999", "11"}) {
        EXPECT_FALSE(edit(screen, code, date, typeAndConfirm(QString::fromLatin1(refused))));
        EXPECT_EQ(item(screen, code, date, "QTSOLIPROD"), 10.0);
    }
    EXPECT_EQ(errors(), (std::vector<std::string>{"Quantidade não pode ser alterada para 7,999. ",
                                                  "Quantidade não pode ser alterada para 11. "}));
    EXPECT_EQ(screen.state.cdsItemSoli.ChangeCount(), 0);

    ASSERT_TRUE(edit(screen, code, date, typeAndConfirm(QStringLiteral("8"))));
    EXPECT_EQ(item(screen, code, date, "QTSOLIPROD"), 8.0);
}

TEST_F(CellEditing, shouldOfferOnlyTheCommandsTheOperatorsPermissionsAllowInALockedRequisition)
{
    lockAllowingOnly(QStringLiteral("ALTERAR_PRODUTO"));
    exec(QStringLiteral("UPDATE PARAFILI SET IDUTILIZAINTSAC = 'N'"));
    auto& screen = openRequisition("0000000002");
    screen.Controla_BloqPermissoes();
    EXPECT_TRUE(screen.sbtAlterar.Enabled());
    EXPECT_FALSE(screen.sbtIncluir.Enabled());
    EXPECT_FALSE(screen.sbtExcluir.Enabled());
    EXPECT_FALSE(screen.sbtAutomatico.Enabled());
}

// --- deleting a matrix record ------------------------------------------------------------

TEST_F(CellEditing, shouldDropTheDeletedCellsItemAndOnlyItsOwnListEntries)
{
    auto& screen = openRequisition();
    auto& lists = screen.state;
    // A key that holds the deleted one inside it must survive.
    lists.stlProdutos = QStringList{acelga + QStringLiteral("07/12/2026||24.25"),
                                    QStringLiteral("1") + acelga + QStringLiteral("07/12/2026||3")};
    lists.stlProdutosTot =
        QStringList{acelga + QStringLiteral("||36.75"), QStringLiteral("1") + acelga + "||3"};
    std::sort(lists.stlProdutos.begin(), lists.stlProdutos.end());
    std::sort(lists.stlProdutosTot.begin(), lists.stlProdutosTot.end());
    ClientDataSet& matrix = screen.state.cdsDecisionProdutos;
    ASSERT_TRUE(matrix.Locate(QStringLiteral("NMPRODUTO;DTPROGENTR"),
                              {QStringLiteral("Acelga kg||") + acelga, firstDelivery}));
    matrix.Delete();

    EXPECT_FALSE(data::locateItem(screen.state.cdsItemSoli, acelga, firstDelivery));
    EXPECT_EQ(lists.stlProdutos, QStringList(QStringLiteral("1") + acelga + "07/12/2026||3"));
    EXPECT_EQ(lists.stlProdutosTot, QStringList(QStringLiteral("1") + acelga + "||3"));
    EXPECT_EQ(lists.cdsVd_Periodicidade.Tag, 99) << "a deleted item is checked too";
    EXPECT_EQ(lists.cdsServSolicita.State(), DataSetState::Edit);
}

// --- before a save, and after it ------------------------------------------------------------

TEST_F(CellEditing, shouldCheckThePurchaseCalendarOnlyOfChangedRequisitionsItAppliesTo)
{
    auto& screen = openRequisition();
    int listed = 0;
    screen.state.screens.CriaErroPeriodicidade = [&listed] { ++listed; };
    ASSERT_TRUE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("30"))));
    EXPECT_TRUE(RunUserAction([&] { screen.Vd_Periodicidade(); })) << "an extra requisition";
    EXPECT_FALSE(screen.state.cdsVd_Periodicidade.Active()) << "not asked";

    // The same items in a manual requisition that is not extra: every day of
    // the product's calendar is taken away.
    screen.state.cdsServSolicita.FieldByName(QStringLiteral("IDSOLEXTRA")).SetValue("N");
    exec(QStringLiteral("DELETE FROM CALENDCMP"));
    exec(QStringLiteral("INSERT INTO PERIODPROD (CDFILIAL, CDPRODUTO, IDPERIODIC) SELECT "
                        "'0001', CDPRODUTO, (SELECT MIN(IDPERIODIC) FROM PERIODICID) FROM "
                        "PRODUTO WHERE CDARVPROD = '0302005001' AND NOT EXISTS (SELECT 1 FROM "
                        "PERIODPROD P WHERE P.CDFILIAL = '0001' AND P.CDPRODUTO = "
                        "PRODUTO.CDPRODUTO)"));
    EXPECT_FALSE(RunUserAction([&] { screen.Vd_Periodicidade(); }));
    EXPECT_EQ(listed, 1);
    EXPECT_FALSE(screen.state.cdsVd_Periodicidade.IsEmpty());
}

TEST_F(CellEditing, shouldNameWhoCouldNotBeWrittenToByTheServersErrorKey)
{
    auto& screen = openRequisition();
    screen.Vd_Email(QStringLiteral("0004"), QStringLiteral("000000000001"),
                    QStringLiteral("Erro_Filial"));
    screen.Vd_Email(QStringLiteral("0004"), QStringLiteral("000000000001"),
                    QStringLiteral("Erro_Op_Login"));
    screen.Vd_Email(QStringLiteral("0004"), QStringLiteral("000000000001"), QStringLiteral("X"));
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "Filial 0004 - Restaurante Industrial Sumaré não possui cadastro(s) "
                            "necessário(s) para envio de e-mail.",
                            "Operador 000000000001 - Ana Paula Ribeiro não possui cadastro(s) "
                            "necessário(s) para envio de e-mail.",
                            "Não foi possível enviar e-mail para operador 000000000001 - Ana "
                            "Paula Ribeiro - X."}));
}

} // namespace

namespace {

// Numbers come from the data: a grouped quantity is read as it is stored.
TEST_F(CellEditing, shouldLogAndTotalAGroupedQuantityAsStored)
{
    exec(QStringLiteral("UPDATE ITEMSOLI SET QTSOLIPROD = 1234.5, NRSEQUCONSOL = '0000000042' "
                        "WHERE CDFILSOLI = '0004' AND NRSOLICMP = '0000000003' AND DTPROGENTR = "
                        "'2026-12-07' AND CDPRODUTO IN (SELECT CDPRODUTO FROM PRODUTO WHERE "
                        "CDARVPROD = '0302005001')"));
    auto& screen = openRequisition();
    ASSERT_TRUE(edit(screen, acelga, firstDelivery, typeAndConfirm(QStringLiteral("1"))));
    ClientDataSet& log = screen.state.cdsMovoPSol;
    ASSERT_TRUE(log.Locate(QStringLiteral("CDARVPROD;DTENTROPER"), {acelga, firstDelivery}));
    EXPECT_EQ(log.FieldByName(QStringLiteral("QTANTOPER")).AsFloat(), 1234.5);
    EXPECT_TRUE(screen.state.stlProdutosTot.contains(acelga + QStringLiteral("||13.5")));
    EXPECT_EQ(ui.texts(UiEventKind::Info),
              QStringList(QStringLiteral("Quantidade já considerada na consolidação do OL nº "
                                         "0000000042.")))
        << "said, and the edit goes on";
}

// Without Alter, only the cells of the product just included may be filled;
// the included product is known by its tree code.
TEST_F(CellEditing, shouldOpenOnlyTheCellsOfTheProductJustIncludedWithoutAlter)
{
    lockAllowingOnly(QStringLiteral("INCLUIR_PRODUTO"));
    exec(QStringLiteral("UPDATE PARAFILI SET IDUTILIZAINTSAC = 'N'"));
    auto& screen = openRequisition("0000000002");
    ASSERT_FALSE(screen.sbtAlterar.Enabled());
    ClientDataSet& items = screen.state.cdsItemSoli;
    items.First();
    const QString included = items.FieldByName(QStringLiteral("CDARVPROD")).AsString();
    const QDate date = items.FieldByName(QStringLiteral("DTPROGENTR")).AsDate();
    items.Last();
    const QString other = items.FieldByName(QStringLiteral("CDARVPROD")).AsString();
    screen.state.stOperacao = QStringLiteral("INSERT");
    screen.state.stObjeto = QStringLiteral("PRODUTO");
    screen.state.lastInsertedTreeCode = included;
    const int before = modals();

    select(screen, other, date);
    screen.userDblClick(QStringLiteral("degItemSoli"));
    EXPECT_EQ(modals(), before) << "silently left alone";
    edit(screen, included, date,
         [](Form& dialog) { dialog.userClick(QStringLiteral("sbtCancel")); });
    EXPECT_EQ(modals(), before + 1);
}

} // namespace
