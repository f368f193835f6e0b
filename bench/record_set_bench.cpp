// The record set and the packet codec on 100,000 requisition items; every
// figure runs beside a baseline doing the same work on plain containers.
#include "framework/data/client_dataset.h"
#include "framework/data/packet_json.h"

#include <QDate>
#include <QJsonDocument>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace {

using cmp::fw::ClientDataSet;
using cmp::fw::DataPacket;
using cmp::fw::FieldType;
using cmp::fw::PacketRow;
using cmp::fw::UpdateStatus;

// Each requisition asks for 4 products on the 5 weekdays of one delivery
// week, the cube the requisition screen shows; its items are consecutive rows.
constexpr int productsPerRequisition = 4;
constexpr int daysPerRequisition = 5;
constexpr int itemsPerRequisition = productsPerRequisition * daysPerRequisition;
constexpr int requisitionCount = 5000;
constexpr int itemCount = requisitionCount * itemsPerRequisition;
constexpr int catalogSize = 1200;
constexpr int deliveryWeeks = 10;

// A buyer revising 500 requisitions spread over the set touches 10,000 items.
constexpr int revisedCount = 500;
constexpr int editCount = revisedCount * itemsPerRequisition;

const QString cubeFields = QStringLiteral("CDARVPROD;DTPROGENTR");
const QString deliveryFilter = QStringLiteral("DTPROGENTR = '07/12/2026' AND IDBAIXITMSOL IS NULL");
const QDate deliveryDate(2026, 12, 7);

QString zeroPadded(int number, int width)
{
    return QString::number(number).rightJustified(width, QLatin1Char('0'));
}

QString requisitionNumber(int requisition)
{
    return zeroPadded(12 + requisition, 10);
}

struct Product
{
    QString code; // CDPRODUTO
    QString tree; // CDARVPROD: group.subgroup.item
};

std::vector<Product> productCatalog()
{
    static const std::array<QLatin1String, 8> groups{
        QLatin1String("HORT"), QLatin1String("CARN"), QLatin1String("LATI"), QLatin1String("MERC"),
        QLatin1String("PADA"), QLatin1String("BEBI"), QLatin1String("LIMP"), QLatin1String("DESC")};
    std::vector<Product> catalog;
    catalog.reserve(catalogSize);
    for (int j = 0; j < catalogSize; ++j)
        catalog.push_back({zeroPadded(100000 + 7 * j, 10),
                           QStringLiteral("%1.%2.%3")
                               .arg(groups[static_cast<size_t>(j) % groups.size()])
                               .arg(zeroPadded(j / 8 % 12 + 1, 2), zeroPadded(j / 96 + 1, 4))});
    return catalog;
}

// The same rows on every run and every machine: mt19937's output is fixed by
// the standard, and only its raw output is used.
DataPacket requisitionItems()
{
    static const std::array<QString, 6> notes{
        QStringLiteral("Entregar até as 7h, antes do preparo do almoço"),
        QStringLiteral("Produto resfriado: receber entre 0 °C e 4 °C"),
        QStringLiteral("Conferir validade na recepção"),
        QStringLiteral("Se faltar, substituir por similar aprovado pela nutricionista"),
        QStringLiteral("Cardápio especial de fim de ano"),
        QStringLiteral("Embalagem de 5 kg")};
    const std::vector<Product> catalog = productCatalog();
    const QDate firstMonday(2026, 11, 2);
    std::mt19937 random(20261207);

    DataPacket packet;
    packet.fields = {{QStringLiteral("CDFILSOLI"), FieldType::String, 4},
                     {QStringLiteral("CDFILLAN"), FieldType::String, 4},
                     {QStringLiteral("NRSOLICMP"), FieldType::String, 10},
                     {QStringLiteral("CDPRODUTO"), FieldType::String, 10},
                     {QStringLiteral("CDARVPROD"), FieldType::String, 20},
                     {QStringLiteral("DTPROGENTR"), FieldType::Date, 0},
                     {QStringLiteral("QTSOLIPROD"), FieldType::Float, 0},
                     {QStringLiteral("TXOBSITMSOL"), FieldType::Memo, 0},
                     {QStringLiteral("IDBAIXITMSOL"), FieldType::String, 1}};
    packet.rows.reserve(itemCount);
    for (int requisition = 0; requisition < requisitionCount; ++requisition) {
        const QString branch = zeroPadded(1 + requisition % 8, 4);
        const QString launchingBranch = requisition % 3 == 0 ? QStringLiteral("0001") : branch;
        const QString number = requisitionNumber(requisition);
        const QDate monday = firstMonday.addDays(7 * (requisition % deliveryWeeks));
        const auto firstProduct = random() % catalogSize;
        for (int p = 0; p < productsPerRequisition; ++p) {
            // 301 steps keep the 4 products of a requisition distinct.
            const Product& product = catalog[(firstProduct + 301 * p) % catalogSize];
            for (int day = 0; day < daysPerRequisition; ++day) {
                const double quantity = (1 + random() % 200000) / 1000.0;
                const QVariant note =
                    random() % 5 == 0 ? QVariant(notes[random() % notes.size()]) : QVariant();
                const QVariant writtenOff =
                    random() % 7 == 0 ? QVariant(QStringLiteral("S")) : QVariant();
                packet.rows.push_back(
                    PacketRow{{branch, launchingBranch, number, product.code, product.tree,
                               monday.addDays(day), quantity, note, writtenOff},
                              UpdateStatus::Unmodified,
                              {}});
            }
        }
    }
    return packet;
}

const DataPacket& itemsPacket()
{
    static const DataPacket packet = requisitionItems();
    return packet;
}

const QByteArray& itemsJson()
{
    static const QByteArray bytes = cmp::fw::encodePacket(itemsPacket());
    return bytes;
}

const QVariant& valueAt(int row, const char* field)
{
    const DataPacket& packet = itemsPacket();
    const int column = packet.fieldIndex(QLatin1String(field));
    return packet.rows[static_cast<size_t>(row)].values[static_cast<size_t>(column)];
}

// ---- 1. Loading a packet ------------------------------------------------------

void BM_PacketLoad(benchmark::State& state)
{
    const QByteArray& bytes = itemsJson();
    ClientDataSet items(QStringLiteral("cdsItemSoli"));
    for (auto _ : state) {
        items.SetData(cmp::fw::decodePacket(bytes));
        benchmark::DoNotOptimize(items.RecordCount());
    }
}

void BM_JsonParseOnly(benchmark::State& state)
{
    const QByteArray& bytes = itemsJson();
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(document);
    }
}

// ---- 2. Locate on the cube index ----------------------------------------------

struct CubeKey
{
    QString product; // CDARVPROD
    QDate date;      // DTPROGENTR
};

// The order of the case-insensitive index IndCube.
bool cubeLess(const CubeKey& a, const CubeKey& b)
{
    const int c = QString::compare(a.product, b.product, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.date < b.date;
}

CubeKey cubeKeyOf(int row)
{
    return {valueAt(row, "CDARVPROD").toString(), valueAt(row, "DTPROGENTR").toDate()};
}

// Keys of records picked across the whole set, typed in lower case as users do.
std::vector<CubeKey> searchedCubeKeys()
{
    std::mt19937 random(4242);
    std::vector<CubeKey> keys(1024);
    for (CubeKey& key : keys) {
        key = cubeKeyOf(static_cast<int>(random() % itemCount));
        key.product = key.product.toLower();
    }
    return keys;
}

void BM_LocateIndexed(benchmark::State& state)
{
    ClientDataSet items(QStringLiteral("cdsItemSoli"));
    items.AddIndex(QStringLiteral("IndCube"), cubeFields, {.caseInsensitive = true});
    items.SetIndexName(QStringLiteral("IndCube"));
    items.SetData(itemsPacket());
    std::vector<QVariantList> keys;
    for (const CubeKey& key : searchedCubeKeys())
        keys.push_back({key.product, key.date});
    size_t next = 0;
    for (auto _ : state) {
        if (!items.Locate(cubeFields, keys[next], {.caseInsensitive = true})) {
            state.SkipWithError("Locate missed a key taken from the set");
            break;
        }
        next = (next + 1) % keys.size();
    }
}

void BM_SortedVectorSearch(benchmark::State& state)
{
    std::vector<CubeKey> sorted;
    sorted.reserve(itemCount);
    for (int row = 0; row < itemCount; ++row)
        sorted.push_back(cubeKeyOf(row));
    std::sort(sorted.begin(), sorted.end(), cubeLess);
    const std::vector<CubeKey> keys = searchedCubeKeys();
    size_t next = 0;
    for (auto _ : state) {
        const auto at = std::lower_bound(sorted.begin(), sorted.end(), keys[next], cubeLess);
        if (at == sorted.end() || cubeLess(keys[next], *at)) {
            state.SkipWithError("lower_bound missed a key taken from the set");
            break;
        }
        benchmark::DoNotOptimize(at);
        next = (next + 1) % keys.size();
    }
}

// ---- 3. Editing quantities and taking the delta -------------------------------

// Spread over the set: 7919 is prime to 5000, so no requisition repeats.
std::vector<int> revisedRequisitions()
{
    std::vector<int> requisitions(revisedCount);
    for (int i = 0; i < revisedCount; ++i)
        requisitions[static_cast<size_t>(i)] = i * 7919 % requisitionCount;
    return requisitions;
}

void BM_TenThousandEditsAndDelta(benchmark::State& state)
{
    ClientDataSet items(QStringLiteral("cdsItemSoli"));
    items.SetIndexFieldNames(QStringLiteral("NRSOLICMP"));
    std::vector<QVariant> numbers;
    for (int requisition : revisedRequisitions())
        numbers.push_back(requisitionNumber(requisition));
    for (auto _ : state) {
        state.PauseTiming();
        items.SetData(itemsPacket());
        cmp::fw::Field& quantity = items.FieldByName(QStringLiteral("QTSOLIPROD"));
        state.ResumeTiming();
        int located = 0;
        for (const QVariant& number : numbers) {
            located += items.Locate(QStringLiteral("NRSOLICMP"), number) ? 1 : 0;
            for (int item = 0; item < itemsPerRequisition; ++item) {
                items.Edit();
                quantity.SetValue(quantity.AsFloat() + 1.0);
                items.Post();
                items.Next();
            }
        }
        const DataPacket delta = items.Delta();
        items.MergeChangeLog();
        if (located != revisedCount || delta.rows.size() != editCount) {
            state.SkipWithError("the edits missed a requisition or an item");
            break;
        }
    }
}

void BM_TenThousandVectorWrites(benchmark::State& state)
{
    std::vector<double> quantities;
    quantities.reserve(itemCount);
    for (int row = 0; row < itemCount; ++row)
        quantities.push_back(valueAt(row, "QTSOLIPROD").toDouble());
    const std::vector<int> requisitions = revisedRequisitions();
    benchmark::DoNotOptimize(quantities.data());
    for (auto _ : state) {
        for (int requisition : requisitions)
            for (int item = 0; item < itemsPerRequisition; ++item)
                quantities[static_cast<size_t>(requisition * itemsPerRequisition + item)] += 1.0;
        benchmark::ClobberMemory();
    }
}

// ---- 4. Filtering one delivery day ----------------------------------------------

struct DeliveryColumns
{
    std::vector<QDate> dates;         // DTPROGENTR
    std::vector<QString> writtenOffs; // IDBAIXITMSOL
};

DeliveryColumns deliveryColumns()
{
    DeliveryColumns columns;
    for (int row = 0; row < itemCount; ++row) {
        columns.dates.push_back(valueAt(row, "DTPROGENTR").toDate());
        columns.writtenOffs.push_back(valueAt(row, "IDBAIXITMSOL").toString());
    }
    return columns;
}

// deliveryFilter written out by hand.
void selectDelivery(const DeliveryColumns& columns, std::vector<int>& rows)
{
    rows.clear();
    for (size_t row = 0; row < columns.dates.size(); ++row)
        if (columns.dates[row] == deliveryDate && columns.writtenOffs[row].isEmpty())
            rows.push_back(static_cast<int>(row));
}

void BM_Filter100k(benchmark::State& state)
{
    ClientDataSet items(QStringLiteral("cdsItemSoli"));
    items.SetData(itemsPacket());
    for (auto _ : state) {
        state.PauseTiming();
        items.SetFiltered(false);
        state.ResumeTiming();
        items.SetFilter(deliveryFilter);
        items.SetFiltered(true);
    }
    std::vector<int> expected;
    selectDelivery(deliveryColumns(), expected);
    if (items.RecordCount() != static_cast<int>(expected.size()))
        state.SkipWithError("the filter and the hand-written loop disagree");
}

void BM_FilterLoopBaseline(benchmark::State& state)
{
    const DeliveryColumns columns = deliveryColumns();
    std::vector<int> rows;
    for (auto _ : state) {
        selectDelivery(columns, rows);
        benchmark::DoNotOptimize(rows.data());
    }
}

} // namespace

BENCHMARK(BM_PacketLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateIndexed)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_SortedVectorSearch)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_TenThousandEditsAndDelta)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenThousandVectorWrites)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Filter100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterLoopBaseline)->Unit(benchmark::kMicrosecond);
