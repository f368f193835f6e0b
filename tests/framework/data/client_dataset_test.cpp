#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_set_error.h"
#include "framework/data/data_source.h"

#include <gtest/gtest.h>

#include <QDate>

#include <map>
#include <random>

using namespace cmp::fw;

namespace {

// Items of a requisition as the matrix keeps them: product, delivery date,
// quantity.
void declareItems(ClientDataSet& items)
{
    items.AddField("CDARVPROD", FieldType::String, 20);
    items.AddField("DTPROGENTR", FieldType::Date);
    items.AddField("QTSOLIPROD", FieldType::Float);
}

void append(ClientDataSet& items, const QString& product, QDate date, double quantity)
{
    items.Append();
    items.FieldByName("CDARVPROD").SetValue(product);
    items.FieldByName("DTPROGENTR").SetValue(date);
    items.FieldByName("QTSOLIPROD").SetValue(quantity);
    items.Post();
}

// Edits the current record's quantity and posts it.
void setQuantity(ClientDataSet& items, double quantity)
{
    items.Edit();
    items.FieldByName("QTSOLIPROD").SetValue(quantity);
    items.Post();
}

const QDate dec7(2026, 12, 7);
const QDate dec8(2026, 12, 8);

// Loaded items: nothing pending, as after a server load.
void loadItems(ClientDataSet& items)
{
    declareItems(items);
    items.CreateDataSet();
    append(items, "0102", dec7, 1);
    append(items, "0101", dec8, 2);
    append(items, "0101", dec7, 3);
    items.MergeChangeLog();
    items.First();
}

QStringList products(ClientDataSet& items)
{
    QStringList out;
    for (int i = 0; i < items.RecordCount(); ++i)
        out << items.ValueAt(i, items.FieldByName("CDARVPROD")).toString();
    return out;
}

std::vector<UpdateStatus> statuses(const DataPacket& packet)
{
    std::vector<UpdateStatus> out;
    for (const auto& row : packet.rows)
        out.push_back(row.status);
    return out;
}

} // namespace

TEST(ClientDataSetEvents, shouldCancelOnlyTheOperationWhoseBeforeEventAborts)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);

    // Post refused: still editing, stored value untouched, the edit can go on.
    items.BeforePost = [](ClientDataSet&) { Abort(); };
    items.Edit();
    items.FieldByName("QTSOLIPROD").SetValue(9.0);
    EXPECT_THROW(items.Post(), EAbort);
    EXPECT_EQ(items.State(), DataSetState::Edit);
    EXPECT_EQ(items.FieldByName("QTSOLIPROD").OldValue().toDouble(), 1.0);
    items.Cancel();
    EXPECT_EQ(items.FieldByName("QTSOLIPROD").AsFloat(), 1.0);
    items.BeforePost = nullptr;

    // Delete refused: the record stays and so does the cursor.
    items.BeforeDelete = [](ClientDataSet&) { Abort(); };
    EXPECT_THROW(items.Delete(), EAbort);
    EXPECT_EQ(items.RecordCount(), 3);
    EXPECT_EQ(items.ChangeCount(), 0);
    items.BeforeDelete = nullptr;

    // Insert and edit refused: the set stays browsing.
    items.BeforeInsert = [](ClientDataSet&) { Abort(); };
    EXPECT_THROW(items.Append(), EAbort);
    EXPECT_EQ(items.State(), DataSetState::Browse);
    items.BeforeEdit = [](ClientDataSet&) { Abort(); };
    EXPECT_THROW(items.Edit(), EAbort);
    EXPECT_EQ(items.State(), DataSetState::Browse);
}

TEST(ClientDataSetEvents, shouldFireScrollEventsOnEveryMove)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);
    int before = 0;
    int after = 0;
    items.BeforeScroll = [&](ClientDataSet&) { ++before; };
    items.AfterScroll = [&](ClientDataSet&) { ++after; };

    items.Next();
    items.Next();
    items.Next(); // already on the last: no move, no after-scroll
    EXPECT_TRUE(items.Eof());
    items.First();
    items.Last();
    items.Prior();
    ASSERT_TRUE(items.Locate("CDARVPROD", "0102"));
    EXPECT_EQ(items.RecNo(), 1);
    EXPECT_EQ(after, 6);
    EXPECT_EQ(before, 7);
}

TEST(ClientDataSetEvents, shouldHoldDataSourceNotificationsWhileControlsAreDisabled)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);
    DataSource source(&items);
    int dataChanges = 0;
    int stateChanges = 0;
    source.OnDataChange = [&](DataSource&, Field*) { ++dataChanges; };
    source.OnStateChange = [&](DataSource&) { ++stateChanges; };

    items.DisableControls();
    items.DisableControls();
    items.Next();
    setQuantity(items, 4.0);
    items.EnableControls(); // still disabled once
    EXPECT_EQ(dataChanges, 0);
    EXPECT_EQ(stateChanges, 0);
    items.EnableControls();
    EXPECT_EQ(dataChanges, 1);

    items.Next();
    items.Edit();
    EXPECT_EQ(dataChanges, 2);
    EXPECT_EQ(stateChanges, 1);
    EXPECT_EQ(source.State(), DataSetState::Edit);
}

TEST(ClientDataSetChangeLog, shouldKeepInsertedModifiedAndDeletedRecordsInDelta)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);

    setQuantity(items, 5.0); // 0102: 1 -> 5
    items.Next();            // 0101 of dec8 deleted
    items.Delete();
    append(items, "0103", dec7, 6);

    const DataPacket delta = items.Delta();
    EXPECT_EQ(items.ChangeCount(), 3);
    ASSERT_EQ(delta.rows.size(), 3u);
    EXPECT_EQ(statuses(delta),
              (std::vector{UpdateStatus::Modified, UpdateStatus::Inserted, UpdateStatus::Deleted}));
    const int quantity = delta.fieldIndex("QTSOLIPROD");
    EXPECT_EQ(delta.rows[0].values[quantity].toDouble(), 5.0);
    EXPECT_EQ(delta.rows[0].original[quantity].toDouble(), 1.0);
    EXPECT_EQ(delta.rows[1].values[0].toString(), "0103");
    EXPECT_EQ(delta.rows[2].values[1].toDate(), dec8);

    items.MergeChangeLog();
    EXPECT_EQ(items.ChangeCount(), 0);
    EXPECT_TRUE(items.Delta().rows.empty());
    EXPECT_EQ(products(items), (QStringList{"0102", "0101", "0103"}));
}

TEST(ClientDataSetChangeLog, shouldLeaveNoChangeWhenAnEditEndsWhereItStarted)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);

    setQuantity(items, 1.0); // same value
    EXPECT_EQ(items.ChangeCount(), 0);

    setQuantity(items, 2.0);
    EXPECT_EQ(items.ChangeCount(), 1);
    setQuantity(items, 1.0); // back to the loaded value
    EXPECT_EQ(items.ChangeCount(), 0);
    EXPECT_EQ(items.RecordUpdateStatus(), UpdateStatus::Unmodified);

    // An inserted record edited stays a single insertion.
    append(items, "0104", dec7, 1);
    setQuantity(items, 3.0);
    EXPECT_EQ(items.ChangeCount(), 1);
    items.Delete(); // and deleting it leaves nothing behind
    EXPECT_EQ(items.ChangeCount(), 0);
}

TEST(ClientDataSetChangeLog, shouldRevertTheCurrentRecordOrEveryChangeSinceTheLastMerge)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);
    setQuantity(items, 5.0);
    items.Next();
    setQuantity(items, 8.0);

    items.RevertRecord();
    EXPECT_EQ(items.FieldByName("QTSOLIPROD").AsFloat(), 2.0);
    EXPECT_EQ(items.ChangeCount(), 1);

    items.First();
    items.Insert(); // in front of the first record
    items.FieldByName("CDARVPROD").SetValue("0100");
    items.Post();
    items.CancelUpdates();
    EXPECT_EQ(items.ChangeCount(), 0);
    EXPECT_EQ(products(items), (QStringList{"0102", "0101", "0101"}));
    items.First();
    EXPECT_EQ(items.FieldByName("QTSOLIPROD").AsFloat(), 1.0);
}

TEST(ClientDataSetChangeLog, shouldCarryDeltaAndWholeDataIntoAnotherSet)
{
    ClientDataSet items("cdsItemSoli");
    declareItems(items);
    items.CreateDataSet();
    append(items, "0101", dec7, 1); // a new requisition: every item inserted
    append(items, "0102", dec7, 2);

    ClientDataSet auxiliar("cdsAuxiliar");
    auxiliar.SetData(items.Delta());
    EXPECT_EQ(products(auxiliar), (QStringList{"0101", "0102"}));
    EXPECT_EQ(auxiliar.ChangeCount(), 2);
    ASSERT_TRUE(auxiliar.Locate("CDARVPROD;DTPROGENTR", {"0102", "07/12/2026"}));
    EXPECT_EQ(auxiliar.FieldByName("QTSOLIPROD").AsFloat(), 2.0);

    items.MergeChangeLog();
    items.First();
    setQuantity(items, 9.0);
    ClientDataSet copy("copy");
    copy.SetData(items.Data());
    EXPECT_EQ(copy.ChangeCount(), 1);
    EXPECT_EQ(copy.Delta(), items.Delta());
    copy.CancelUpdates();
    EXPECT_EQ(copy.FieldByName("QTSOLIPROD").AsFloat(), 1.0);
}

TEST(ClientDataSetFields, shouldKeepDeclaredFieldsAndTakeUndeclaredOnesFromThePacket)
{
    ClientDataSet source("source");
    declareItems(source);
    source.AddField("TXOBSITMSOL", FieldType::Memo);
    source.CreateDataSet();
    append(source, "0101", dec7, 1);

    ClientDataSet items("cdsItemSoli");
    Field& quantity = items.AddField("QTSOLIPROD", FieldType::Float);
    quantity.DisplayFormat = "#,##0.000";
    items.SetData(source.Data());
    EXPECT_EQ(items.FieldCount(), 4);
    EXPECT_EQ(&items.FieldByName("qtsoliprod"), &quantity);
    EXPECT_EQ(quantity.DisplayText(), "1,000");
    EXPECT_EQ(items.Data().fields, source.Data().fields); // nothing of the packet lost

    ClientDataSet strict("strict");
    strict.AddField("NRSOLICMP", FieldType::String, 10);
    EXPECT_THROW(strict.SetData(source.Data()), DataSetError);
}

// Display and typed texts through OnGetText and OnSetText are the record
// model's and the data-aware edits' tests.
TEST(ClientDataSetFields, shouldCalculateFieldsWhileEditingAndRefuseADateThatDoesNotExist)
{
    ClientDataSet deliveries("cdsEntrega");
    Field& day = deliveries.AddField("Dia", FieldType::Date);
    Field& weekday = deliveries.AddCalcField("Semana", FieldType::String, 20);
    deliveries.OnCalcFields = [](ClientDataSet& set) {
        const QDate date = set.FieldByName("Dia").AsDate();
        set.FieldByName("Semana").SetValue(date.isValid() ? QString::number(date.dayOfWeek())
                                                          : QString());
    };
    deliveries.CreateDataSet();

    deliveries.Append();
    day.SetText("07/12/2026");
    EXPECT_EQ(weekday.AsString(), "1"); // recalculated while editing
    deliveries.Post();
    EXPECT_THROW(weekday.SetValue("x"), DataSetError); // only the calculation writes it

    deliveries.Append();
    day.SetText("08/12/2026");
    deliveries.Post();
    EXPECT_EQ(deliveries.DisplayTextAt(0, weekday), "1");
    EXPECT_EQ(weekday.AsString(), "2"); // peeking left the current record alone

    deliveries.Edit();
    EXPECT_THROW(day.SetText("31/02/2026"), DataSetError);
    EXPECT_EQ(day.AsDate(), dec8);
}

TEST(ClientDataSetFields, shouldOfferTheOldValueDuringAnEdit)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);
    Field& quantity = items.FieldByName("QTSOLIPROD");

    setQuantity(items, 4.0);
    items.Edit();
    quantity.SetValue(6.0);
    EXPECT_EQ(quantity.OldValue().toDouble(), 1.0); // the value at the last merge
    items.Post();
    items.MergeChangeLog();
    EXPECT_EQ(quantity.OldValue().toDouble(), 6.0);
    EXPECT_THROW(quantity.SetValue(1.0), DataSetError); // not editing
}

TEST(ClientDataSetIndexes, shouldOrderByANamedCaseInsensitiveIndexAndKeepItCurrent)
{
    ClientDataSet items("cdsItemSoli");
    declareItems(items);
    items.CreateDataSet();
    append(items, "b01", dec8, 1);
    append(items, "A01", dec8, 2);
    append(items, "a01", dec7, 3);
    append(items, "B01", dec7, 4);
    items.AddIndex("IndCube", "CDARVPROD;DTPROGENTR", {.caseInsensitive = true});
    items.SetIndexName("IndCube");

    EXPECT_EQ(products(items), (QStringList{"a01", "A01", "B01", "b01"}));
    EXPECT_EQ(items.IndexName(), "IndCube");

    // A key edit moves the record; the cursor follows it.
    ASSERT_TRUE(items.Locate("CDARVPROD;DTPROGENTR", {"B01", dec7}, {.caseInsensitive = true}));
    items.Edit();
    items.FieldByName("CDARVPROD").SetValue("0001");
    items.Post();
    EXPECT_EQ(items.RecNo(), 1);
    append(items, "A00", dec7, 5);
    EXPECT_EQ(products(items), (QStringList{"0001", "A00", "a01", "A01", "b01"}));
    EXPECT_EQ(items.FieldByName("CDARVPROD").AsString(), "A00");

    items.DeleteIndex("IndCube");
    EXPECT_FALSE(items.HasIndex("IndCube"));
    EXPECT_EQ(products(items), (QStringList{"b01", "A01", "a01", "0001", "A00"}));

    items.SetIndexFieldNames("CDARVPROD");
    EXPECT_EQ(products(items).first(), "0001");
    items.AddIndex("Desc", "QTSOLIPROD", {.descending = true});
    items.SetIndexName("Desc");
    EXPECT_EQ(products(items), (QStringList{"A00", "0001", "a01", "A01", "b01"}));
    EXPECT_TRUE(items.IndexFieldNames().isEmpty());
}

TEST(ClientDataSetIndexes, shouldLocateWithAndWithoutAFittingIndex)
{
    ClientDataSet items("cdsItemSoli");
    declareItems(items);
    items.CreateDataSet();
    for (int i = 0; i < 50; ++i)
        append(items, QString("P%1").arg(i, 3, 10, QChar('0')), dec7.addDays(i % 3), i);

    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "scan");
        if (indexed) {
            items.AddIndex("IndCube", "CDARVPROD;DTPROGENTR", {.caseInsensitive = true});
            items.SetIndexName("IndCube");
        }
        EXPECT_TRUE(items.Locate("CDARVPROD;DTPROGENTR", {"p031", "08/12/2026"},
                                 {.caseInsensitive = true}));
        EXPECT_EQ(items.FieldByName("QTSOLIPROD").AsFloat(), 31.0);
        EXPECT_FALSE(
            items.Locate("CDARVPROD;DTPROGENTR", {"p031", dec7}, {.caseInsensitive = true}));
        EXPECT_EQ(items.FieldByName("QTSOLIPROD").AsFloat(), 31.0); // a miss leaves the cursor
        EXPECT_FALSE(items.Locate("CDARVPROD", "p031")); // case matters without the option
        EXPECT_TRUE(items.Locate("CDARVPROD", "P04", {.partialKey = true}));
        EXPECT_EQ(items.FieldByName("CDARVPROD").AsString(), "P040");
        EXPECT_FALSE(items.Locate("DTPROGENTR", "not a date"));
        EXPECT_EQ(items.Lookup("CDARVPROD", {"P007"}, "QTSOLIPROD").toDouble(), 7.0);
        EXPECT_EQ(items.Lookup("CDARVPROD", {"P007"}, "QTSOLIPROD;DTPROGENTR").toList().size(), 2);
        EXPECT_FALSE(items.Lookup("CDARVPROD", {"X"}, "QTSOLIPROD").isValid());
    }
}

TEST(ClientDataSetFilters, shouldKeepThePreviousFilterWhenANewOneIsRefused)
{
    ClientDataSet items("cdsItemSoli");
    loadItems(items);
    items.SetFilter("DTPROGENTR = '07/12/2026' AND CDARVPROD = '0101'");
    items.SetFiltered(true);
    EXPECT_EQ(items.RecordCount(), 1);

    EXPECT_THROW(items.SetFilter("CDARVPROD LIKE '01%'"), FilterError);
    EXPECT_EQ(items.RecordCount(), 1);
    items.SetFiltered(false);
    EXPECT_EQ(items.RecordCount(), 3);
}

// Random edits against a plain model of the same records: the visible order
// under an index and a filter, the values and the change count must agree
// after every step.
TEST(ClientDataSetModel, shouldAgreeWithASimpleModelUnderRandomEdits)
{
    ClientDataSet items("items");
    items.AddField("K", FieldType::Integer);
    items.AddField("V", FieldType::Integer);
    items.CreateDataSet();
    items.AddIndex("ByKey", "K");
    items.SetIndexName("ByKey");
    items.SetFilter("V >= 3");
    items.SetFiltered(true);

    std::map<int, std::pair<int, int>> model; // id -> (K, V)
    std::map<int, std::pair<int, int>> merged;
    std::mt19937 random(7);
    int nextId = 0;
    auto visible = [&] {
        std::vector<std::pair<int, int>> rows; // (K, V) in key order
        for (const auto& [id, kv] : model)
            if (kv.second >= 3)
                rows.push_back(kv);
        std::stable_sort(rows.begin(), rows.end(),
                         [](auto a, auto b) { return a.first < b.first; });
        return rows;
    };
    auto actual = [&] {
        std::vector<std::pair<int, int>> rows;
        for (int i = 0; i < items.RecordCount(); ++i)
            rows.emplace_back(items.ValueAt(i, items.FieldByName("K")).toInt(),
                              items.ValueAt(i, items.FieldByName("V")).toInt());
        return rows;
    };
    for (int step = 0; step < 400; ++step) {
        const int action = static_cast<int>(random() % 10);
        if (action < 4 || items.IsEmpty()) {
            // The low three digits of a key are the record's id in the model.
            const int key = static_cast<int>(random() % 1000) * 1000 + nextId;
            const int value = static_cast<int>(random() % 6);
            items.Append();
            items.FieldByName("K").SetValue(key);
            items.FieldByName("V").SetValue(value);
            items.Post();
            model[nextId++] = {key, value};
        } else {
            items.SetRecNo(1 + static_cast<int>(random() % items.RecordCount()));
            const int key = items.FieldByName("K").AsInteger();
            const int id = key % 1000;
            if (action < 7) {
                const int value = static_cast<int>(random() % 6);
                const int newKey = static_cast<int>(random() % 1000) * 1000 + id;
                items.Edit();
                items.FieldByName("K").SetValue(newKey);
                items.FieldByName("V").SetValue(value);
                items.Post();
                model[id] = {newKey, value};
            } else if (action < 9) {
                items.Delete();
                model.erase(id);
            } else {
                items.MergeChangeLog();
                merged = model;
            }
        }
        ASSERT_EQ(actual(), visible()) << "step " << step;
    }
    items.CancelUpdates();
    model = merged;
    EXPECT_EQ(actual(), visible());
    EXPECT_EQ(items.ChangeCount(), 0);
}
