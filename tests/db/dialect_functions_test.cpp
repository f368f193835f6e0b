#include "db/dialect_functions.h"

#include "framework/sql/sql_query.h"
#include "support/sql_backends.h"

#include <gtest/gtest.h>

using namespace cmp::fw;
using namespace cmp::test;

namespace {

// Rows of a packet as "column|column" lines, for comparing whole results.
QStringList linesOf(const DataPacket& packet)
{
    QStringList lines;
    for (const PacketRow& row : packet.rows) {
        QStringList values;
        for (const QVariant& value : row.values)
            values.append(value.isNull() ? QStringLiteral("<null>") : value.toString());
        lines.append(values.join(u'|'));
    }
    return lines;
}

class DialectFunctions : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (!IsSkipped())
            createBranchesAndDestinations();
    }

    // The value of a one-column expression over the given parameters.
    QVariant evaluate(const QString& expression, const QVariant& a, const QVariant& b)
    {
        SqlQuery query(
            QStringLiteral("qryExpression"),
            {.SQL = QStringLiteral("SELECT %1 AS RESULT FROM FILIAL WHERE CDFILIAL = '0001'")
                        .arg(expression)},
            db());
        query.ParamByName(QStringLiteral("P_A")).SetValue(a);
        query.ParamByName(QStringLiteral("P_B")).SetValue(b);
        const DataPacket packet = query.Open();
        return packet.rows.at(0).values.at(0);
    }
};

TEST_P(DialectFunctions, shouldFilterBranchesByOptionalCodeThroughParam)
{
    cmp::db::installDialectFunctions(db()); // installing again changes nothing
    // The branch lookup: no code or an empty code lists every branch
    SqlQuery qryPesqFilSoli(
        QStringLiteral("qryPesqFilSoli"),
        {.SQL = QStringLiteral(
             "SELECT CDFILIAL, NMFILIAL FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL "
             "WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) ORDER BY CDFILIAL")},
        db());
    const QStringList all{"0001|Matriz", "0002|Cozinha Centro", "0003|Cozinha Norte"};
    const struct
    {
        QVariant code;
        QStringList expected;
    } cases[] = {
        {QVariant(), all},
        {QString(QLatin1String("")), all},
        {QStringLiteral("0002"), {"0002|Cozinha Centro"}},
        {QStringLiteral("9999"), {}},
    };
    for (const auto& c : cases) {
        qryPesqFilSoli.ParamByName(QStringLiteral("P_CDFILIAL")).SetValue(c.code);
        EXPECT_EQ(linesOf(qryPesqFilSoli.Open()), c.expected)
            << "code " << c.code.toString().toStdString();
    }
}

TEST_P(DialectFunctions, shouldListDestinationsOfBranchesInListStringOrAllWhenAskedFor)
{
    SqlQuery qryDestino(
        QStringLiteral("qryDestino"),
        {.SQL = QStringLiteral("SELECT CDDESTSOLI, MIN (NMDESTSOLI) NMDESTSOLI FROM DESTSOL WHERE "
                               "((INSTR(:P_CDFILIAL, CDFILIAL) > 0) OR ('T' = :P_TCDFILIAL)) "
                               "GROUP BY CDDESTSOLI ORDER BY CDDESTSOLI")},
        db());
    const struct
    {
        QVariant list;
        QString all;
        QStringList expected;
    } cases[] = {
        {QStringLiteral("_0001_0003_"), "N", {"001|Estoque", "003|Refeitório"}},
        {QStringLiteral("_0002_"), "N", {"001|Almoxarifado", "002|Cozinha"}},
        {QString(QLatin1String("")), "N", {}},
        {QVariant(), "N", {}},
        {QString(QLatin1String("")),
         "T",
         {"001|Almoxarifado", "002|Cozinha", "003|Refeitório", "004|Lavanderia"}},
    };
    for (const auto& c : cases) {
        qryDestino.ParamByName(QStringLiteral("P_CDFILIAL")).SetValue(c.list);
        qryDestino.ParamByName(QStringLiteral("P_TCDFILIAL")).SetValue(c.all);
        EXPECT_EQ(linesOf(qryDestino.Open()), c.expected)
            << "list " << c.list.toString().toStdString() << ", all " << c.all.toStdString();
    }
}

TEST_P(DialectFunctions, shouldTreatNullAndEmptyTextLikeTheOtherDialects)
{
    const QVariant null;
    const struct
    {
        const char* expression;
        QVariant a, b, expected;
    } cases[] = {
        {"NVLSTR(:P_A, :P_B)", "0001", "x", "0001"},
        {"NVLSTR(:P_A, :P_B)", " ", "x", " "},
        {"NVLSTR(:P_A, :P_B)", "", "x", "x"},
        {"NVLSTR(:P_A, :P_B)", null, "x", "x"},
        {"NVLSTR(:P_A, :P_B)", null, null, null},
        {"INSTR(:P_A, :P_B)", "_0001_0003_", "0003", qint64(7)},
        {"INSTR(:P_A, :P_B)", "_0001_0003_", "_0001", qint64(1)},
        {"INSTR(:P_A, :P_B)", "_0001_0003_", "0002", qint64(0)},
        {"INSTR(:P_A, :P_B)", "Refeitório", "ó", qint64(7)}, // characters, not bytes
        {"INSTR(:P_A, :P_B)", null, "0001", null},
        {"INSTR(:P_A, :P_B)", "_0001_", null, null},
    };
    for (const auto& c : cases) {
        const QVariant result = evaluate(c.expression, c.a, c.b);
        EXPECT_EQ(result.toString(), c.expected.toString())
            << c.expression << " " << c.a.toString().toStdString();
        EXPECT_EQ(result.isNull(), c.expected.isNull()) << c.expression;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, DialectFunctions,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace
