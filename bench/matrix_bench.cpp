// The quantity matrix of one large requisition: 2,000 products on 60 delivery
// dates, 120,000 cells. Each figure runs the screen's own path (packets
// decoded into the record sets, the cross table built, the grid widget
// painted offscreen) beside a baseline: the same pivot built from the same
// rows with a plain std::unordered_map and summed totals.
#include "data/requisition_records.h"
#include "framework/core/messages.h"
#include "framework/data/client_dataset.h"
#include "framework/data/packet_json.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "ui/qt/grid_widgets.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

using cmp::fw::ClientDataSet;
using cmp::fw::DataPacket;
using cmp::fw::DecisionGrid;
using cmp::fw::PacketRow;

constexpr int productCount = 2000;
constexpr int dateCount = 60;
const QDate firstDelivery(2026, 12, 7);
// A full-HD window's share for the matrix.
constexpr int viewWidth = 1600;
constexpr int viewHeight = 800;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "matrix_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

QString padded(int number, int width)
{
    return QString::number(number).rightJustified(width, QLatin1Char('0'));
}

QString treeCode(int product)
{
    return QStringLiteral("%1.%2.%3")
        .arg(padded(product / 500 + 1, 2), padded(product / 20 % 25 + 1, 2), padded(product, 4));
}

QString productName(int product)
{
    static const char* const kinds[] = {"Arroz agulhinha tipo 1", "Feijão carioca",
                                        "Óleo de soja",           "Farinha de trigo especial",
                                        "Leite integral UHT",     "Batata inglesa lavada"};
    return QStringLiteral("%1 %2 kg").arg(QString::fromUtf8(kinds[product % 6])).arg(product);
}

double quantityOf(std::mt19937& random)
{
    return double(1 + random() % 200000) / 1000.0;
}

// The two packets as the server sends them for that requisition.
struct Packets
{
    QByteArray decisionProdutos;
    QByteArray itemSoli;
};

DataPacket emptyPacket(void (*declare)(ClientDataSet&))
{
    ClientDataSet layout;
    declare(layout);
    layout.CreateDataSet();
    return layout.Data();
}

const cmp::fw::TMessages& catalog()
{
    static const cmp::fw::TMessages messages = [] {
        cmp::fw::TMessages texts;
        cmp::data::addCodedValueTexts(texts);
        return texts;
    }();
    return messages;
}

void declareItems(ClientDataSet& set)
{
    cmp::data::declareItemSoli(set, catalog());
}

const Packets& packets()
{
    static const Packets bytes = [] {
        DataPacket matrix = emptyPacket(cmp::data::declareDecisionProdutos);
        DataPacket items = emptyPacket(declareItems);
        std::mt19937 random(20261207);
        for (int product = 0; product < productCount; ++product) {
            const QString tree = treeCode(product);
            const QString label = productName(product) + QStringLiteral("||") + tree;
            const QString code = padded(100000 + product, 10);
            for (int day = 0; day < dateCount; ++day) {
                const QDate date = firstDelivery.addDays(day);
                const double quantity = quantityOf(random);
                matrix.rows.push_back(PacketRow{{label, date, quantity}, {}, {}});
                std::vector<QVariant> item(items.fields.size());
                const auto set = [&](const char* field, QVariant value) {
                    item[size_t(items.fieldIndex(QLatin1String(field)))] = std::move(value);
                };
                set("CDFILSOLI", QStringLiteral("0004"));
                set("CDFILLAN", QStringLiteral("0001"));
                set("NRSOLICMP", QStringLiteral("0000000012"));
                set("CDPRODUTO", code);
                set("CDARVPROD", tree);
                set("DTPROGENTR", date);
                set("DTUTILIZA", date);
                set("QTSOLIPROD", quantity);
                set("QTSOLIORIG", quantity);
                set("IDSOLIAPROV", QStringLiteral("S"));
                set("IDIMPITMSAC", QStringLiteral("S"));
                set("IDINSVRCMPANT", QStringLiteral("N"));
                set("DTULTATUITSOL", QDateTime(firstDelivery.addDays(-3), QTime(9, 30)));
                if (random() % 10 == 0)
                    set("TXOBSITMSOL", QStringLiteral("Entregar até as 7h, antes do almoço"));
                items.rows.push_back(PacketRow{std::move(item), {}, {}});
            }
        }
        return Packets{cmp::fw::encodePacket(matrix), cmp::fw::encodePacket(items)};
    }();
    return bytes;
}

// The screen's side: its record sets, the grid control and its widget.
struct MatrixScreen
{
    QApplication& app = application(); // before any widget
    ClientDataSet cdsDecisionProdutos{QStringLiteral("cdsDecisionProdutos")};
    ClientDataSet cdsItemSoli{QStringLiteral("cdsItemSoli")};
    cmp::fw::Form form{QStringLiteral("frmLancaSoliCmp")};
    DecisionGrid& degItemSoli = form.create<DecisionGrid>(QStringLiteral("degItemSoli"));
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QTableView* view = nullptr;
    QImage frame{viewWidth, viewHeight, QImage::Format_ARGB32_Premultiplied};

    MatrixScreen()
    {
        cmp::data::declareDecisionProdutos(cdsDecisionProdutos);
        declareItems(cdsItemSoli);
        degItemSoli.SetSparseRows(true);
        degItemSoli.SetSparseCols(true);
        degItemSoli.FixedColWidth = 410;
        // The label shows the product name only, as the screen draws it.
        degItemSoli.OnDrawCell = [](DecisionGrid&, int, int, DecisionGrid::CellDraw& draw) {
            if (draw.kind == DecisionGrid::CellKind::RowLabel)
                draw.text.truncate(draw.text.indexOf(QLatin1String("||")));
        };
        view =
            qobject_cast<QTableView*>(cmp::ui::createDecisionGridWidget(degItemSoli, window.get()));
        window->resize(viewWidth, viewHeight);
        view->resize(viewWidth, viewHeight);
    }
    ~MatrixScreen() { window.reset(); }

    void load(const Packets& bytes)
    {
        cdsDecisionProdutos.SetData(cmp::fw::decodePacket(bytes.decisionProdutos));
        cdsItemSoli.SetData(cmp::fw::decodePacket(bytes.itemSoli));
        degItemSoli.Build(cdsDecisionProdutos, QStringLiteral("NMPRODUTO"),
                          QStringLiteral("DTPROGENTR"), QStringLiteral("QTSOLIPROD"));
    }
    // What reaches the screen: the view's viewport and headers, painted.
    void paint() { view->render(&frame); }
};

// ---- the baseline pivot ---------------------------------------------------------

struct CellKey
{
    QString product;
    QDate date;
    bool operator==(const CellKey&) const = default;
};

struct CellKeyHash
{
    size_t operator()(const CellKey& key) const
    {
        return qHash(key.product) ^ (size_t(key.date.toJulianDay()) * 0x9E3779B97F4A7C15ull);
    }
};

struct PlainPivot
{
    std::unordered_map<CellKey, double, CellKeyHash> cells;
    QHash<QString, double> rowTotals;
    QHash<QDate, double> colTotals;
    double grandTotal = 0;

    void add(const QString& product, QDate date, double quantity)
    {
        cells[{product, date}] += quantity;
        rowTotals[product] += quantity;
        colTotals[date] += quantity;
        grandTotal += quantity;
    }
    void set(const QString& product, QDate date, double quantity)
    {
        double& cell = cells[{product, date}];
        const double delta = quantity - cell;
        cell = quantity;
        rowTotals[product] += delta;
        colTotals[date] += delta;
        grandTotal += delta;
    }
};

void buildPlain(PlainPivot& pivot, const DataPacket& rows)
{
    pivot.cells.reserve(rows.rows.size());
    for (const PacketRow& row : rows.rows)
        pivot.add(row.values[0].toString(), row.values[1].toDate(), row.values[2].toDouble());
}

// ---- 1. From the packets to the first painted frame -------------------------------

void BM_MatrixFirstFrame(benchmark::State& state)
{
    application();
    const Packets& bytes = packets();
    for (auto _ : state) {
        state.PauseTiming();
        auto screen = std::make_unique<MatrixScreen>();
        state.ResumeTiming();
        screen->load(bytes);
        screen->paint();
        state.PauseTiming();
        screen.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = productCount * dateCount;
}

void BM_MatrixFirstFrameBaseline(benchmark::State& state)
{
    const DataPacket rows = cmp::fw::decodePacket(packets().decisionProdutos);
    for (auto _ : state) {
        PlainPivot pivot;
        buildPlain(pivot, rows);
        benchmark::DoNotOptimize(pivot.grandTotal);
    }
}

// The stages of the first frame, to see where its time goes.
void BM_MatrixDecodeOnly(benchmark::State& state)
{
    const Packets& bytes = packets();
    for (auto _ : state) {
        benchmark::DoNotOptimize(cmp::fw::decodePacket(bytes.decisionProdutos));
        benchmark::DoNotOptimize(cmp::fw::decodePacket(bytes.itemSoli));
    }
    state.counters["bytes"] = double(bytes.decisionProdutos.size() + bytes.itemSoli.size());
}

void BM_MatrixBuildOnly(benchmark::State& state)
{
    MatrixScreen screen;
    screen.cdsDecisionProdutos.SetData(cmp::fw::decodePacket(packets().decisionProdutos));
    for (auto _ : state)
        screen.degItemSoli.Build(screen.cdsDecisionProdutos, QStringLiteral("NMPRODUTO"),
                                 QStringLiteral("DTPROGENTR"), QStringLiteral("QTSOLIPROD"));
}

// ---- 2. One cell edit -------------------------------------------------------------

// Cells spread over the matrix, each edited in turn.
std::vector<std::pair<int, int>> editedCells()
{
    std::mt19937 random(4242);
    std::vector<std::pair<int, int>> cells(1024);
    for (auto& cell : cells)
        cell = {int(random() % productCount), int(random() % dateCount)};
    return cells;
}

// The write-back into the items and the grid, the totals, and the repaint of
// the visible cells the change touched.
void BM_MatrixCellEdit(benchmark::State& state)
{
    application();
    MatrixScreen screen;
    screen.load(packets());
    screen.paint();
    const auto cells = editedCells();
    std::vector<QVariant> labels(productCount);
    for (int p = 0; p < productCount; ++p)
        labels[size_t(p)] = productName(p) + QStringLiteral("||") + treeCode(p);
    screen.cdsItemSoli.SetIndexFieldNames(QStringLiteral("CDARVPROD;DTPROGENTR"));
    cmp::fw::Field& quantity = screen.cdsItemSoli.FieldByName(QStringLiteral("QTSOLIPROD"));
    size_t next = 0;
    double value = 1;
    for (auto _ : state) {
        const auto [product, day] = cells[next];
        const QDate date = firstDelivery.addDays(day);
        if (!screen.cdsItemSoli.Locate(QStringLiteral("CDARVPROD;DTPROGENTR"),
                                       {treeCode(product), date})) {
            state.SkipWithError("the item of an edited cell is missing");
            break;
        }
        screen.cdsItemSoli.Edit();
        quantity.SetValue(value);
        screen.cdsItemSoli.Post();
        screen.degItemSoli.SetValue(labels[size_t(product)], QDateTime(date, QTime()), value);
        screen.paint();
        next = (next + 1) % cells.size();
        value += 0.5;
    }
}

void BM_MatrixCellEditBaseline(benchmark::State& state)
{
    PlainPivot pivot;
    buildPlain(pivot, cmp::fw::decodePacket(packets().decisionProdutos));
    const auto cells = editedCells();
    std::vector<QString> labels(productCount);
    for (int p = 0; p < productCount; ++p)
        labels[size_t(p)] = productName(p) + QStringLiteral("||") + treeCode(p);
    size_t next = 0;
    double value = 1;
    for (auto _ : state) {
        const auto [product, day] = cells[next];
        pivot.set(labels[size_t(product)], firstDelivery.addDays(day), value);
        benchmark::DoNotOptimize(pivot.grandTotal);
        next = (next + 1) % cells.size();
        value += 0.5;
    }
}

// ---- 3. Scrolling a full screen ------------------------------------------------------

void BM_MatrixScrollPage(benchmark::State& state)
{
    application();
    MatrixScreen screen;
    screen.load(packets());
    screen.paint();
    QScrollBar* bar = screen.view->verticalScrollBar();
    for (auto _ : state) {
        const int page = bar->pageStep();
        bar->setValue(bar->value() + page > bar->maximum() ? 0 : bar->value() + page);
        screen.paint();
    }
    state.counters["rows_per_page"] = bar->pageStep();
}

// ---- 4. Memory ------------------------------------------------------------------------

long statusKilobytes(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').front().toLong();
    return -1;
}

// Peak resident memory of loading and painting the matrix, above the empty
// screen: the peak mark is reset once the empty screen is up.
void BM_MatrixPeakMemory(benchmark::State& state)
{
    application();
    const Packets& bytes = packets();
    for (auto _ : state) {
        auto screen = std::make_unique<MatrixScreen>();
        screen->paint();
        malloc_trim(0);
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1) {
            state.SkipWithError("cannot reset the peak resident mark");
            break;
        }
        reset.close();
        const long empty = statusKilobytes("VmRSS:");
        screen->load(bytes);
        screen->paint();
        state.counters["peak_MB_above_empty"] = double(statusKilobytes("VmHWM:") - empty) / 1024;
    }
}

} // namespace

BENCHMARK(BM_MatrixFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MatrixFirstFrameBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixBuildOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixCellEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixCellEditBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MatrixScrollPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
