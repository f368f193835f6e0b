#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/form.h"

#include <gtest/gtest.h>

using namespace cmp::fw;

namespace {

// The requisition header and its justification log, as the header page
// shows them.
class HeaderPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cdsSolicita.AddField("CDDESTSOLI", FieldType::String, 3);
        cdsSolicita.AddField("IDSOLEXTRA", FieldType::String, 1);
        cdsSolicita.AddField("NMDESTSOLI", FieldType::String, 30).ReadOnly = true;
        cdsSolicita.CreateDataSet();
        append("001", "N", "Cozinha");
        cdsSolicita.First();
        cdsSolicita.MergeChangeLog();

        dbeDestino.SetDataSource(&dtsSolicita);
        dbeDestino.SetDataField("CDDESTSOLI");
        dbeNmDest.SetDataSource(&dtsSolicita);
        dbeNmDest.SetDataField("NMDESTSOLI");
        dckJusExtra.SetDataSource(&dtsSolicita);
        dckJusExtra.SetDataField("IDSOLEXTRA");
    }

    void append(const QString& destino, const QString& extra, const QString& nome)
    {
        cdsSolicita.Append();
        cdsSolicita.FieldByName("CDDESTSOLI").SetValue(destino);
        cdsSolicita.FieldByName("IDSOLEXTRA").SetValue(extra);
        cdsSolicita.FieldByName("NMDESTSOLI").SetValue(nome);
        cdsSolicita.Post();
    }

    ClientDataSet cdsSolicita{"cdsSolicita"};
    DataSource dtsSolicita{&cdsSolicita};
    Form form{"frmLancaSoliCmp"};
    DBEdit& dbeDestino = form.create<DBEdit>("dbeDestino");
    DBEdit& dbeNmDest = form.create<DBEdit>("dbeNmDest");
    DBCheckBox& dckJusExtra = form.create<DBCheckBox>("dckJusExtra");
};

TEST_F(HeaderPage, shouldWriteTypedTextThroughSetTextIntoAnEditedRecord)
{
    cdsSolicita.FieldByName("CDDESTSOLI").OnSetText = [](Field& field, const QString& text) {
        field.SetValue(text.rightJustified(3, u'0')); // codes are padded to their width
    };
    int changes = 0;
    dbeDestino.OnChange = [&](Control&) { ++changes; };

    ASSERT_TRUE(form.userType("dbeDestino", "7"));
    EXPECT_EQ(cdsSolicita.State(), DataSetState::Edit);
    EXPECT_EQ(cdsSolicita.FieldByName("CDDESTSOLI").AsString(), "007");
    EXPECT_EQ(dbeDestino.Text(), "007");
    EXPECT_EQ(changes, 0) << "refreshing from the record is quiet";

    form.userClick("dckJusExtra");
    EXPECT_EQ(cdsSolicita.FieldByName("IDSOLEXTRA").AsString(), "S");
    EXPECT_TRUE(dckJusExtra.Checked());
    cdsSolicita.Post();
    EXPECT_EQ(cdsSolicita.ChangeCount(), 1);
}

TEST_F(HeaderPage, shouldRefuseWritingReadOnlyFieldsAndKeepTheFieldWhenValidationAborts)
{
    form.userType("dbeNmDest", "Outro");
    EXPECT_EQ(dbeNmDest.Text(), "Cozinha");
    EXPECT_EQ(cdsSolicita.State(), DataSetState::Browse);

    cdsSolicita.FieldByName("CDDESTSOLI").OnValidate = [](Field&) { Abort(); };
    EXPECT_FALSE(form.userType("dbeDestino", "999"));
    EXPECT_EQ(cdsSolicita.FieldByName("CDDESTSOLI").AsString(), "001");
    EXPECT_EQ(dbeDestino.Text(), "001");
}

// The alteration log grid: read-only columns and one editable justification
// with a lookup button in the cell.
class LogGrid : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cdsMovoPSol.AddField("NMPRODUTO", FieldType::String, 50).SetDisplayLabel("Produto");
        cdsMovoPSol.AddField("QTDEPOPER", FieldType::Float).DisplayFormat = "#,##0.000";
        cdsMovoPSol.AddField("DSJUSTOPER", FieldType::String, 60);
        cdsMovoPSol.AddField("CDOPERADOR", FieldType::String, 12).Visible = false;
        cdsMovoPSol.CreateDataSet();
        for (const auto& [name, quantity] : {std::pair{"Arroz", 1234.5}, {"Feijão", 2.0}}) {
            cdsMovoPSol.Append();
            cdsMovoPSol.FieldByName("NMPRODUTO").SetValue(name);
            cdsMovoPSol.FieldByName("QTDEPOPER").SetValue(quantity);
            cdsMovoPSol.Post();
        }
        cdsMovoPSol.First();
        dbgItens.SetDataSource(&dtsMovoPSol);
    }

    ClientDataSet cdsMovoPSol{"cdsMovoPSol"};
    DataSource dtsMovoPSol{&cdsMovoPSol};
    Form form{"frmLancaSoliCmp"};
    DBGrid& dbgItens = form.create<DBGrid>("dbgItens");
};

TEST_F(LogGrid, shouldShowVisibleFieldsUntilColumnsAreDeclared)
{
    ASSERT_EQ(dbgItens.VisibleColumns().size(), 3u);
    EXPECT_EQ(dbgItens.ColumnTitle(dbgItens.VisibleColumns()[0]), "Produto");
    EXPECT_EQ(dbgItens.CellText(0, 1), "1.234,500");
    EXPECT_EQ(dbgItens.RowCount(), 2);

    dbgItens.AddColumn("NMPRODUTO", "Nome").ReadOnly = true;
    dbgItens.AddColumn("CDOPERADOR").Visible = false;
    dbgItens.AddColumn("DSJUSTOPER", "Justificativa").ButtonStyle = ColumnButtonStyle::Ellipsis;
    ASSERT_EQ(dbgItens.VisibleColumns().size(), 2u);
    EXPECT_EQ(dbgItens.ColumnTitle(dbgItens.VisibleColumns()[0]), "Nome");
    EXPECT_EQ(dbgItens.CellText(1, 0), "Feijão");
    EXPECT_TRUE(dbgItens.CellText(5, 0).isEmpty());
}

TEST_F(LogGrid, shouldMoveTheRecordWithArrowsAndEditOnlyWritableCells)
{
    dbgItens.AddColumn("NMPRODUTO").ReadOnly = true;
    dbgItens.AddColumn("DSJUSTOPER").ButtonStyle = ColumnButtonStyle::Ellipsis;
    int lookups = 0;
    dbgItens.OnEditButtonClick = [&](Control&) { ++lookups; };

    form.userKey("dbgItens", Qt::Key_Down);
    EXPECT_EQ(dbgItens.Row(), 1);
    form.userType("dbgItens", "Troca");
    dbgItens.EditButtonClick();
    EXPECT_EQ(cdsMovoPSol.State(), DataSetState::Browse) << "read-only column";
    EXPECT_EQ(lookups, 0);

    form.userKey("dbgItens", Qt::Key_Right);
    EXPECT_EQ(dbgItens.SelectedField()->FieldName(), "DSJUSTOPER");
    form.userType("dbgItens", "Troca de fornecedor");
    dbgItens.EditButtonClick();
    EXPECT_EQ(lookups, 1);
    cdsMovoPSol.Post();
    EXPECT_EQ(cdsMovoPSol.FieldByName("DSJUSTOPER").AsString(), "Troca de fornecedor");
    EXPECT_EQ(cdsMovoPSol.FieldByName("NMPRODUTO").AsString(), "Feijão");

    dbgItens.RowSelect = true;
    form.userKey("dbgItens", Qt::Key_Left);
    EXPECT_EQ(dbgItens.SelectedIndex(), 1) << "whole-row selection has no cell to move";
}

// The navigator and the field labels beside it follow the list they show.
TEST_F(LogGrid, shouldNavigateOnlyWhereThereIsSomewhereToGo)
{
    auto& dbnPadrao = DBNavigator::create(form, "dbnPadrao", nullptr);
    auto& dbtNome = form.create<DBText>("dbtNome");
    dbtNome.SetDataSource(&dtsMovoPSol);
    dbtNome.SetDataField("NMPRODUTO");
    const auto button = [&](const char* part) -> Control& {
        return form.control(QStringLiteral("dbnPadrao") + QLatin1String(part));
    };
    dbnPadrao.SetDataSource(&dtsMovoPSol);
    EXPECT_EQ(dbtNome.Caption(), "Arroz");
    EXPECT_FALSE(button("First").Enabled());
    EXPECT_FALSE(button("Prior").Enabled());
    EXPECT_TRUE(button("Next").Enabled());

    form.userClick("dbnPadraoLast");
    EXPECT_EQ(dbtNome.Caption(), "Feijão");
    EXPECT_TRUE(button("First").Enabled());
    EXPECT_FALSE(button("Last").Enabled());

    cdsMovoPSol.Edit();
    for (const char* part : {"First", "Prior", "Next", "Last"})
        EXPECT_FALSE(button(part).Enabled()) << part << ": a record being edited stays put";
    cdsMovoPSol.Cancel();
    form.userClick("dbnPadraoPrior");
    EXPECT_EQ(dbtNome.Caption(), "Arroz");
    cdsMovoPSol.Close();
    EXPECT_TRUE(dbtNome.Caption().isEmpty());
}

// Either side may go first: nothing reaches a freed source, handler or control.
TEST(DataControlsLifetime, shouldUnlinkSourcesAndControlsThatGoAwayFirst)
{
    ClientDataSet items;
    items.AddField("CDARVPROD", FieldType::String, 20);
    items.CreateDataSet();
    int calls = 0;
    {
        DataSource gone(&items);
        gone.OnDataChange = [&](DataSource&, Field*) { ++calls; };
        gone.OnStateChange = [&](DataSource&) { ++calls; };
    }
    items.Append();
    EXPECT_EQ(calls, 0);

    DataSource source(&items);
    {
        Form form;
        form.create<DBEdit>("dbeProduto").SetDataSource(&source);
        form.create<DBGrid>("dbgItens").SetDataSource(&source);
    }
    items.Post(); // would reach freed controls if they were still linked
}

} // namespace
