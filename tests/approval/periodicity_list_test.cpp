// The periodicity error list, opened through the module's screen routine as
// the periodicity check opens it, over the refusals it left.
#include "approval/Cli_cmp03113.h"
#include "framework/forms/buttons.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/standard_controls.h"
#include "requisition/Cli_cmp03100.h"
#include "support/module_session.h"

using namespace cmp;
using namespace cmp::fw;

namespace {

class PeriodicityList : public test::ModuleSession
{};

TEST_F(PeriodicityList, shouldListEachRefusedItemUnderTheReasonUntilOk)
{
    ui.actInNextModal([](Form& filter) {
        filter.userClick(QStringLiteral("sbtConfirma"));
        return int(mrNone);
    });
    IniProc();
    data::RequisitionState& state = Cli_cmp03100::frmLancaSoliCmp->state;
    ClientDataSet& refused = state.cdsVd_Periodicidade;
    refused.Close();
    refused.CreateDataSet();
    const QDate monday(2026, 12, 7);
    for (int day = 0; day < 3; ++day) {
        refused.Append();
        refused.FieldByName(QStringLiteral("CDARVPROD")).SetValue(QStringLiteral("0101001"));
        refused.FieldByName(QStringLiteral("NMPRODUTO")).SetValue(QStringLiteral("Arroz kg"));
        refused.FieldByName(QStringLiteral("PERIODICIDADE")).SetValue(QStringLiteral("Mensal"));
        refused.FieldByName(QStringLiteral("DTPROGENTR")).SetValue(monday.addDays(day));
        refused.Post();
    }

    int result = -1;
    ui.actInNextModal([&](Form& list) {
        EXPECT_EQ(list.Name(), "frmErroPeriodicidade");
        EXPECT_EQ(list.Caption(), "Erro");
        EXPECT_EQ(list.control<Label>(QStringLiteral("lblErro")).Caption(),
                  "Não é possível incluir itens de solicitação sem periodicidade de entrega "
                  "definida no calendário de compras para as datas de entrega informadas.");
        auto& grid = list.control<DBGrid>(QStringLiteral("dbgPadrao"));
        EXPECT_EQ(grid.RowCount(), 3);
        QStringList titles;
        for (const GridColumn& column : grid.VisibleColumns())
            titles << grid.ColumnTitle(column);
        EXPECT_EQ(titles, (QStringList{"Produto", "Nome", "Periodicidade", "Data de Entrega"}));
        EXPECT_EQ(grid.CellText(2, 0), "0101001");
        EXPECT_EQ(grid.CellText(2, 1), "Arroz kg");
        EXPECT_EQ(grid.CellText(2, 2), "Mensal");
        EXPECT_EQ(grid.CellText(2, 3), "09/12/2026");
        EXPECT_FALSE(list.control<SpeedButton>(QStringLiteral("sbtConfirma")).Showing())
            << "only OK closes it";
        list.userClick(QStringLiteral("btnOk"));
        result = list.ModalResult();
        return int(mrNone);
    });
    state.screens.CriaErroPeriodicidade();
    EXPECT_EQ(result, int(mrOk));
    EXPECT_EQ(refused.RecordCount(), 3) << "the list only shows the refusals";
}

} // namespace
