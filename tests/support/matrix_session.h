#pragma once

#include "framework/forms/decision_grid.h"
#include "requisition/Cli_cmp03100.h"
#include "support/module_session.h"

#include <functional>
#include <string>
#include <vector>

namespace cmp::test {

// The module on the embedded demo, signed in as operator 1 of branch 0004
// (center 0001), with a requisition of that branch on its products page.
// The branch approves items, keeps approved quantities and audits changes;
// requisition 3 is the operator's own manual extra requisition with
// deliveries on 07/12 and 14/12/2026, requisition 2 an automatic one.
class MatrixSession : public ModuleSession
{
protected:
    void SetUp() override
    {
        ModuleSession::SetUp();
        // No average unless a test sets one: no question in the way.
        exec(QStringLiteral("DELETE FROM MEDSOLI"));
        // The branch's items wait for approval unless a test approves one.
        exec(QStringLiteral("UPDATE ITEMSOLI SET IDSOLIAPROV = 'N' WHERE CDFILSOLI = '0004'"));
    }

    Cli_cmp03100::TfrmLancaSoliCmp& openRequisition(const char* number = "0000000003")
    {
        ui.actInNextModal([](fw::Form& filter) {
            filter.userClick(QStringLiteral("sbtConfirma"));
            return int(fw::mrNone);
        });
        IniProc();
        auto& screen = *Cli_cmp03100::frmLancaSoliCmp;
        EXPECT_TRUE(screen.state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), "0004"));
        EXPECT_TRUE(screen.userClick(QStringLiteral("tshPadrao")));
        EXPECT_TRUE(screen.state.cdsServSolicita.Locate(QStringLiteral("NRSOLICMP"),
                                                        QString::fromLatin1(number)));
        EXPECT_TRUE(screen.userClick(QStringLiteral("tshProdutos")));
        return screen;
    }

    static void select(Cli_cmp03100::TfrmLancaSoliCmp& screen, const QString& treeCode,
                       const QDate& date)
    {
        fw::DecisionGrid& grid = screen.degItemSoli;
        for (int row = grid.FixedRows(); row < grid.RowCount(); ++row)
            for (int col = grid.FixedCols(); col < grid.ColCount(); ++col)
                if (grid.RowLabel(row).endsWith(QStringLiteral("||") + treeCode) &&
                    grid.ColValue(col).toDate() == date) {
                    grid.SelectCell(col, row);
                    return;
                }
        ADD_FAILURE() << "no cell " << treeCode.toStdString();
    }

    // Double-clicks the cell and acts in the quantity dialog.
    bool edit(Cli_cmp03100::TfrmLancaSoliCmp& screen, const QString& treeCode, const QDate& date,
              const std::function<void(fw::Form&)>& inDialog)
    {
        select(screen, treeCode, date);
        ui.actInNextModal([inDialog](fw::Form& dialog) {
            inDialog(dialog);
            return int(fw::mrNone);
        });
        return screen.userDblClick(QStringLiteral("degItemSoli"));
    }

    static std::function<void(fw::Form&)> typeAndConfirm(const QString& quantity)
    {
        return [quantity](fw::Form& dialog) {
            dialog.userType(QStringLiteral("nedQtde"), quantity);
            dialog.userClick(QStringLiteral("sbtConfirma"));
        };
    }

    std::vector<std::string> errors() const
    {
        std::vector<std::string> texts;
        for (const QString& text : ui.texts(fw::UiEventKind::Error))
            texts.push_back(text.toStdString());
        return texts;
    }
};

} // namespace cmp::test
