#include "framework/product/product_library.h"

#include "framework/core/abort.h"
#include "framework/core/edit_mask.h"
#include "framework/core/strings.h"
#include "framework/data/data_source.h"
#include "framework/data/field.h"
#include "framework/sql/host_database.h"
#include "framework/sql/statement_registry.h"

#include <QHash>

#include <initializer_list>
#include <numeric>

namespace cmp::fw {

namespace {

struct Statement
{
    QLatin1String name;
    QLatin1String sql;
};

const Statement semCache{
    QLatin1String("ProductLibrary.qrySemCache"),
    QLatin1String("SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50)) AS "
                  "NMPRODUTO, CDNVPRODUTO, SGUNIDADE FROM PRODUTO WHERE IDPRODCOMISS IS NULL "
                  "ORDER BY CDARVPROD")};

const Statement prodCache{
    QLatin1String("ProductLibrary.qryProdCache"),
    QLatin1String("SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50)) AS "
                  "NMPRODUTO, CDNVPRODUTO, SGUNIDADE FROM PRODUTO WHERE IDPRODCOMISS IS NULL "
                  "AND (NOT EXISTS (SELECT CDPRODUTO FROM PRODFILI WHERE (CDFILIAL = "
                  ":P_CDFILIAL) AND (IDPRODATIV = 'I') AND (CDPRODUTO = PRODUTO.CDPRODUTO)))\n"
                  "/* WHERE */\nORDER BY CDARVPROD")};

// PRODFILI holds at most one row per branch and product.
const Statement validacao{
    QLatin1String("ProductLibrary.qryValidacao"),
    QLatin1String("SELECT P.CDPRODUTO, P.CDPRODESTO, P.IDPRODATIVPR, F.IDPRODATIV FROM PRODUTO P "
                  "LEFT JOIN PRODFILI F ON F.CDPRODUTO = P.CDPRODUTO AND F.CDFILIAL = "
                  ":P_CDFILIAL WHERE P.CDARVPROD = :P_CDARVPROD")};

const Statement dados{QLatin1String("ProductLibrary.qryDados"),
                      QLatin1String("SELECT CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50)) AS "
                                    "NMPRODUTO, CDPRODUTO FROM PRODUTO WHERE CDARVPROD = "
                                    ":P_CDARVPROD")};

SqlQuery hostQuery(const Statement& statement)
{
    return hostDatabase().Query(statement.name, SqlTexts{statement.sql});
}

// The first row of a statement on the host, as texts by column; empty when
// there is none.
QHash<QString, QString> firstRow(const Statement& statement,
                                 std::initializer_list<std::pair<const char*, QString>> params)
{
    SqlQuery query = hostQuery(statement);
    for (const auto& [name, value] : params)
        query.ParamByName(QLatin1String(name)).SetValue(value);
    const DataPacket packet = hostDatabase().Open(query);
    QHash<QString, QString> row;
    if (packet.rows.empty())
        return row;
    for (size_t column = 0; column < packet.fields.size(); ++column)
        row.insert(packet.fields[column].name, packet.rows.front().values[column].toString());
    return row;
}

int pictureWidth(int kind)
{
    const QList<int> groups = EditMask::parse(DBPict(kind)).groupLengths();
    return std::accumulate(groups.begin(), groups.end(), 0);
}

QString normalisedCode(int kind, const QString& code)
{
    const QString trimmed = AllTrim(code);
    if (kind == productTreePict || DBPict(kind).isEmpty())
        return trimmed;
    return Ajusta(trimmed, pictureWidth(kind));
}

QString keyFieldOf(int kind, const ClientDataSet& dataSet)
{
    return kind == productTreePict ? QStringLiteral("CDARVPROD") : dataSet.Fields(0).FieldName();
}

// Why the product cannot be used at the branch; empty when it can.
QString refusalOf(const QHash<QString, QString>& product, const QString& branch,
                  const QString& treeCode, const QString& blockStock)
{
    if (product.isEmpty())
        return QStringLiteral("Produto não cadastrado: %1").arg(treeCode);
    if (product.value(QStringLiteral("IDPRODATIVPR")) == QLatin1String("N"))
        return QStringLiteral("Produto inativo: %1").arg(treeCode);
    if (product.value(QStringLiteral("IDPRODATIV")) == QLatin1String("I"))
        return QStringLiteral("Produto inativo na filial %1: %2").arg(branch, treeCode);
    const bool stockProduct =
        product.value(QStringLiteral("CDPRODUTO")) == product.value(QStringLiteral("CDPRODESTO"));
    if (blockStock == QLatin1String("S") && stockProduct)
        return QStringLiteral("Produto de estoque bloqueado na filial %1: %2")
            .arg(branch, treeCode);
    return {};
}

} // namespace

bool ValidEx(DataSource& source, int kind, QString& code, LocateOptions options,
             const QString& title, bool raise)
{
    ClientDataSet& dataSet = *source.DataSet();
    code = normalisedCode(kind, code);
    if (!code.isEmpty() && dataSet.Locate(keyFieldOf(kind, dataSet), code, options))
        return true;
    if (raise)
        MensErro(QStringLiteral("%1 não cadastrado: %2")
                     .arg(title.isEmpty() ? QStringLiteral("Código") : title, code),
                 true);
    return false;
}

void Validacao_Produto(const QString& branch, const QString& treeCode, const QString& blockStock)
{
    const QString code = AllTrim(treeCode);
    const QString refusal =
        refusalOf(firstRow(validacao, {{"P_CDFILIAL", branch}, {"P_CDARVPROD", code}}), branch,
                  code, blockStock);
    if (!refusal.isEmpty())
        MensErro(refusal, true);
}

QStringList Dados_Produto(const QString& treeCode)
{
    const QString code = AllTrim(treeCode);
    const QHash<QString, QString> product = firstRow(dados, {{"P_CDARVPROD", code}});
    return {code, product.value(QStringLiteral("NMPRODUTO")),
            product.value(QStringLiteral("CDPRODUTO"))};
}

void SQL_Pesquisa_Produto(SqlQuery& query)
{
    query = hostQuery(semCache);
}

void SQL_Pesquisa_ProdutoCache(SqlQuery& query, const QString& branch)
{
    query = hostQuery(prodCache);
    query.ParamByName(QStringLiteral("P_CDFILIAL")).SetValue(branch);
}

void DeclareProductStatements(StatementRegistry& registry)
{
    for (const Statement* statement : {&semCache, &prodCache, &validacao, &dados})
        registry.Declare(statement->name, SqlTexts{statement->sql});
}

} // namespace cmp::fw
