#include "support/qt_application.h"
#include "ui/qt/record_set_model.h"

#include "framework/data/client_dataset.h"
#include "support/shown_errors.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

using fw::ClientDataSet;
using fw::FieldType;

class RecordSetModelTest : public test::ShownErrors
{
protected:
    void SetUp() override
    {
        ShownErrors::SetUp();
        items.AddField("CDPRODUTO", FieldType::String, 10).SetDisplayLabel("Produto");
        items.AddField("DTENTREGA", FieldType::Date);
        items.AddField("QTSOLI", FieldType::Float).DisplayFormat = "#,##0.000";
        items.AddField("IDINTERNO", FieldType::Integer).Visible = false;
        items.CreateDataSet();
        for (int i = 1; i <= 4; ++i)
            append(QStringLiteral("%1").arg(i * 100, 4, 10, QChar('0')), QDate(2026, 12, i),
                   i * 1000.5);
    }

    void append(const QString& product, const QDate& date, double quantity)
    {
        items.Append();
        items.FieldByName("CDPRODUTO").SetValue(product);
        items.FieldByName("DTENTREGA").SetValue(date);
        items.FieldByName("QTSOLI").SetValue(quantity);
        items.Post();
    }

    QString text(int row, int column) const { return model.index(row, column).data().toString(); }

    // Every row shows what the record set shows, in its order.
    void expectMirrorsRecordSet() const
    {
        ASSERT_EQ(model.rowCount(), items.RecordCount());
        for (int row = 0; row < items.RecordCount(); ++row)
            EXPECT_EQ(text(row, 0), items.DisplayTextAt(row, items.FieldByName("CDPRODUTO")))
                << "row " << row;
    }

    ClientDataSet items{"cdsItem"};
    fw::DataSource source{&items};
    RecordSetModel model{&source,
                         {{"CDPRODUTO", {}, false},
                          {"DTENTREGA", "Entrega", false},
                          {"QTSOLI", "Quantidade", false}}};
};

TEST_F(RecordSetModelTest, shouldShowFieldTextsWithTheirFormatsAndTitles)
{
    EXPECT_EQ(text(1, 1), "02/12/2026");
    EXPECT_EQ(text(1, 2), "2.001,000");
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Produto");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Quantidade");
    EXPECT_EQ(model.index(0, 2).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(model.index(0, 0).data(Qt::TextAlignmentRole).isValid());
}

TEST_F(RecordSetModelTest, shouldShowGetTextOfTheFieldAndEditTextOfTheCurrentRecord)
{
    items.FieldByName("CDPRODUTO").OnGetText = [](fw::Field& field, QString& text, bool display) {
        text = display ? "P-" + field.AsString() : field.AsString();
    };
    items.SetRecNo(3);
    EXPECT_EQ(text(0, 0), "P-0100");
    EXPECT_EQ(model.index(2, 0).data(Qt::EditRole).toString(), "0300");
}

TEST_F(RecordSetModelTest, shouldFollowAppendsEditsDeletesAndFiltersWithoutResetting)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    append("0500", QDate(2026, 12, 5), 5);
    items.SetRecNo(2);
    items.Insert();
    items.FieldByName("CDPRODUTO").SetValue("0150");
    items.Post();
    expectMirrorsRecordSet();
    EXPECT_EQ(text(1, 0), "0150");
    EXPECT_EQ(inserted.count(), 2);

    changed.clear();
    items.SetRecNo(4);
    items.Edit();
    items.FieldByName("QTSOLI").SetValue(7.25);
    EXPECT_EQ(text(3, 2), "7,250") << "an edit shows before it is posted";
    items.Post();
    EXPECT_FALSE(changed.isEmpty());

    items.First();
    items.Delete();
    items.SetRecNo(3);
    items.Delete();
    expectMirrorsRecordSet();
    EXPECT_EQ(removed.count(), 2);
    EXPECT_EQ(resets.count(), 0);

    items.SetFilter("QTSOLI > 3000");
    items.SetFiltered(true);
    expectMirrorsRecordSet();
    items.SetFiltered(false);
    items.SetIndexFieldNames("CDPRODUTO");
    expectMirrorsRecordSet();
    items.EmptyDataSet();
    expectMirrorsRecordSet();
    append("0900", QDate(2026, 12, 9), 9);
    items.Close();
    EXPECT_EQ(model.rowCount(), 0);
    items.CreateDataSet();
    append("0100", QDate(2026, 12, 1), 1);
    expectMirrorsRecordSet();
}

TEST_F(RecordSetModelTest, shouldWriteTypedTextThroughTheFieldOnTheEditedRow)
{
    ASSERT_TRUE(model.flags(model.index(2, 2)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.setData(model.index(2, 2), "12,5"));
    EXPECT_EQ(items.RecNo(), 3);
    EXPECT_EQ(items.State(), fw::DataSetState::Edit);
    EXPECT_DOUBLE_EQ(items.FieldByName("QTSOLI").AsFloat(), 12.5);
    EXPECT_EQ(text(2, 2), "12,500");

    // A date that does not exist is refused with a message and nothing changes.
    EXPECT_FALSE(model.setData(model.index(2, 1), "31/02/2026"));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.front().contains("31/02/2026"));
    EXPECT_EQ(text(2, 1), "03/12/2026");
}

TEST_F(RecordSetModelTest, shouldRefuseEditsOnReadOnlyColumnsFieldsAndSets)
{
    model.setColumns({{"CDPRODUTO", {}, true}, {"QTSOLI", {}, false}});
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(model.index(0, 0), "0999"));
    EXPECT_EQ(text(0, 0), "0100");
    for (bool* readOnly : {&items.FieldByName("QTSOLI").ReadOnly, &items.ReadOnly}) {
        *readOnly = true;
        EXPECT_FALSE(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsEditable));
        *readOnly = false;
    }
}

} // namespace
} // namespace cmp::ui
