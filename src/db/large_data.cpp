#include "db/large_data.h"

#include "db/demo_random.h"
#include "db/requisition_numbering.h"
#include "db/requisition_writer.h"
#include "framework/sql/sql_query.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace cmp::db {

namespace {

struct Branch
{
    QString code;
    QString launching; // the school-meal central enters its schools' requisitions
    QString center;
    QString destination;
};

struct Population
{
    std::vector<Branch> branches;
    QStringList products;
    QStringList operators;
};

QSqlQuery select(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw fw::SqlError(
            QStringLiteral("%1: %2").arg(sql.left(60), query.lastError().text()).toStdString());
    return query;
}

QStringList firstColumn(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query = select(db, sql);
    QStringList values;
    while (query.next())
        values.append(query.value(0).toString());
    return values;
}

Population readPopulation(QSqlDatabase& db)
{
    Population population;
    QSqlQuery branches =
        select(db, QStringLiteral(
                       "SELECT F.CDFILIAL, COALESCE(F.CDFILCENTPME, F.CDFILIAL), "
                       "COALESCE(F.CDFILCENTCMP, F.CDFILIAL), "
                       "(SELECT MIN(D.CDDESTSOLI) FROM DESTSOL D WHERE D.CDFILIAL = F.CDFILIAL) "
                       "FROM FILIAL F WHERE F.IDCNTRRESC <> 'S' AND F.CDREGIAO IS NOT NULL ORDER "
                       "BY F.CDFILIAL"));
    while (branches.next())
        population.branches.push_back({branches.value(0).toString(), branches.value(1).toString(),
                                       branches.value(2).toString(), branches.value(3).toString()});
    population.products = firstColumn(
        db, QStringLiteral(
                "SELECT CDPRODUTO FROM PRODUTO WHERE CDPRODESTO = CDPRODUTO AND IDPRODATIVPR = 'S' "
                "AND IDPRODCOMISS IS NULL ORDER BY CDARVPROD"));
    population.operators =
        firstColumn(db, QStringLiteral("SELECT CDOPERADOR FROM OPERADOR ORDER BY CDOPERADOR"));
    if (population.branches.empty() || population.products.isEmpty() ||
        population.operators.isEmpty())
        throw std::runtime_error("Não há filiais, produtos ou operadores para gerar solicitações: "
                                 "carregue os dados de demonstração antes.");
    return population;
}

class Generator
{
public:
    Generator(QSqlDatabase& db, const LargeDataOptions& options)
        : db_(db), options_(options), population_(readPopulation(db))
    {
        if (options_.productsPerRequisition > population_.products.size())
            throw std::runtime_error("Mais produtos por solicitação do que produtos no cadastro.");
    }

    void writeBatch(int requisitions)
    {
        std::vector<std::pair<RequisitionRow, std::vector<ItemRow>>> batch;
        batch.reserve(static_cast<size_t>(requisitions));
        for (int i = 0; i < requisitions; ++i) {
            RequisitionRow header = nextHeader();
            std::vector<ItemRow> items = itemsFor(header);
            batch.emplace_back(std::move(header), std::move(items));
        }
        number(batch);
        RequisitionWriter writer(db_);
        for (auto& [header, items] : batch)
            writer.add(std::move(header), std::move(items));
        writer.flush();
    }

private:
    RequisitionRow nextHeader()
    {
        const Branch& branch = population_.branches[static_cast<size_t>(
            random_.below(static_cast<int>(population_.branches.size())))];
        RequisitionRow h;
        h.cdFilSoli = branch.code;
        h.cdFilLanca = branch.launching;
        h.dtSolCmp = firstLaunch.addDays(random_.below(3 * 365));
        h.idTipLan = QStringLiteral("MMMAC").mid(random_.below(5), 1);
        h.cdFilCent = branch.center;
        h.cdDestSoli = branch.destination;
        h.cdOperLanc =
            population_.operators.at(random_.below(static_cast<int>(population_.operators.size())));
        return h;
    }

    std::vector<ItemRow> itemsFor(const RequisitionRow& h)
    {
        const int productCount = static_cast<int>(population_.products.size());
        const int first = random_.below(productCount);
        std::vector<ItemRow> items;
        for (int p = 0; p < options_.productsPerRequisition; ++p) {
            const QString& product = population_.products.at((first + p) % productCount);
            for (int d = 1; d <= options_.deliveryDates; ++d) {
                ItemRow item;
                item.cdProduto = product;
                item.dtProgEntr = h.dtSolCmp.addDays(7 * d);
                item.dtUtiliza = item.dtProgEntr;
                item.qtSoliProd = random_.quantity(1, 80);
                items.push_back(std::move(item));
            }
        }
        return items;
    }

    // Numbers the batch as the server numbers a save, so that a generator
    // and servers (or two generators) can write at the same time: one
    // reservation per launching branch, in code order.
    void number(std::vector<std::pair<RequisitionRow, std::vector<ItemRow>>>& batch)
    {
        std::map<QString, qint64> next;
        for (const auto& requisition : batch)
            ++next[requisition.first.cdFilLanca];
        for (auto& [branch, count] : next)
            count = reserveRequisitionNumbers(db_, branch, count) - count + 1;
        for (auto& requisition : batch)
            requisition.first.nrSoliCmp =
                requisitionNumberText(next[requisition.first.cdFilLanca]++);
    }

    static inline const QDate firstLaunch{2024, 1, 1};

    QSqlDatabase& db_;
    LargeDataOptions options_;
    Population population_;
    DemoRandom random_{1000003};
};

// On SQLite the write lock comes first, as the numbering asks.
void begin(QSqlDatabase& db)
{
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    QSqlQuery immediate(db);
    if (sqlite ? immediate.exec(QStringLiteral("BEGIN IMMEDIATE")) : db.transaction())
        return;
    const QString reason = sqlite ? immediate.lastError().text() : db.lastError().text();
    throw fw::SqlError(QStringLiteral("solicitações geradas: %1").arg(reason).toStdString());
}

void inTransaction(QSqlDatabase& db, const std::function<void()>& work)
{
    begin(db);
    try {
        work();
        if (!db.commit())
            throw fw::SqlError(QStringLiteral("solicitações geradas: %1")
                                   .arg(db.lastError().text())
                                   .toStdString());
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace

void generateRequisitions(QSqlDatabase& db, int count, const LargeDataProgress& progress,
                          const LargeDataOptions& options)
{
    Q_ASSERT(options.batchSize > 0);
    Generator generator(db, options);
    for (int done = 0; done < count;) {
        const int batch = std::min(options.batchSize, count - done);
        inTransaction(db, [&] { generator.writeBatch(batch); });
        done += batch;
        if (progress)
            progress(done, count);
    }
}

} // namespace cmp::db
