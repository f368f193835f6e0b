// The query texts the screens hand to SqlQuery, as the module's design gives
// them in the generic dialect, run unchanged against the demo data on every
// backend. Each run checks the rows a screen would get: how many, the first
// one's values, and rows that must be left out.
#include "db/demo_data.h"
#include "db/migrations.h"
#include "framework/sql/sql_query.h"
#include "support/demo_database.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

using namespace cmp::fw;
using namespace cmp::test;

namespace {

using Values = std::vector<std::pair<QString, QVariant>>; // column or parameter -> value

struct Expect
{
    int rows = 0;
    Values first{};  // columns of the first row
    Values absent{}; // column values no row may hold
};

struct QueryRun
{
    Values params;
    Expect expect;
};

struct QueryText
{
    QString name; // owner screen and query, as the design names them
    QString sql;
    std::vector<QueryRun> runs;
};

const QVariant null{};

// Codes of the demo data (docs/schema.md)
const QString arrozKg = QStringLiteral("0000000004"); // 0101001001, stock product of its family
const QString arboreoKg =
    QStringLiteral("0000000028"); // 0101005001, stock product, inactive at 0004
const QString arboreoPacote5 = QStringLiteral("0000000030"); // 0101005003, a pack of it
const QString detergente = QStringLiteral("0000000933"); // 0701001001, unknown to the integration
const QString schoolUnit = QStringLiteral("0101");       // no product is inactive at the schools

QString operador(int number)
{
    return QString::number(number).rightJustified(12, u'0');
}

// --- branches ----------------------------------------------------------------

std::vector<QueryText> branchQueries()
{
    return {
        {"TfrmLancaSoliCmp.qryPesqFilSoli",
         "SELECT CDFILIAL, NMFILIAL FROM FILIAL, PARAM(:P_CDFILIAL) P_CDFILIAL WHERE CDFILIAL = "
         "NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) ORDER BY CDFILIAL",
         {{{{"P_CDFILIAL", null}},
           {37, {{"CDFILIAL", "0001"}, {"NMFILIAL", "Central de Compras Campinas"}}}},
          {{{"P_CDFILIAL", "0009"}}, {1, {{"NMFILIAL", "Refeitório Estaleiro Mauá"}}}}}},
        {"TfrmLancaSoliCmp.qryCentralDeCompras",
         "SELECT CAST(NVLSTR(FILIAL.CDFILCENTCMP, FILIAL.CDFILIAL) AS VARCHAR(4)) AS CDFILIAL, "
         "FILCENT.NMFILIAL AS NMFILIAL_CENTRAL FROM FILIAL FILCENT, FILIAL WHERE FILIAL.CDFILIAL "
         "= :P_CDFILIAL AND NVLSTR(FILIAL.CDFILCENTCMP, FILIAL.CDFILIAL) = FILCENT.CDFILIAL",
         {{{{"P_CDFILIAL", "0004"}},
           {1, {{"CDFILIAL", "0001"}, {"NMFILIAL_CENTRAL", "Central de Compras Campinas"}}}},
          {{{"P_CDFILIAL", "0002"}},
           {1, {{"CDFILIAL", "0002"}, {"NMFILIAL_CENTRAL", "Central de Compras Rio"}}}},
          {{{"P_CDFILIAL", "0124"}}, {1, {{"CDFILIAL", "0001"}}}},
          {{{"P_CDFILIAL", "9999"}}, {0}}}},
        // Centrals: not rescinded, with a region, marked, attached to no other
        {"TfrmFiltroAgregada.qryFilial",
         "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL, FILIAL.IDCNTRRESC, FILIAL.CDFILCENTCMP, "
         "FILIAL.CDREGIAO FROM FILIAL WHERE (FILIAL.CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T') "
         "AND (FILIAL.IDCNTRRESC <> 'S') AND (FILIAL.CDREGIAO IS NOT NULL) AND "
         "(FILIAL.CDFILCENTPME IS NULL) AND (FILIAL.IDFILCENTPME = 'S') ORDER BY FILIAL.CDFILIAL",
         {{{{"P_CDFILIAL", " "}, {"P_TCDFILIAL", "T"}},
           {1, {{"CDFILIAL", "0050"}, {"CDFILCENTCMP", "0001"}}}},
          {{{"P_CDFILIAL", "0050"}, {"P_TCDFILIAL", " "}}, {1, {{"CDREGIAO", "001"}}}},
          {{{"P_CDFILIAL", "0001"}, {"P_TCDFILIAL", " "}}, {0}}}},
        {"TfrmInclAgregada.qryFilialAgregada",
         "SELECT CDFILIAL, NMFILIAL FROM FILIAL WHERE (CDFILCENTPME = :P_CDFILCENTPME) AND "
         "(IDCNTRRESC <> 'S') AND (CDREGIAO IS NOT NULL) ORDER BY CDFILIAL",
         {{{{"P_CDFILCENTPME", "0050"}},
           {24, {{"CDFILIAL", "0101"}, {"NMFILIAL", "EMEF Monteiro Lobato"}}}},
          {{{"P_CDFILCENTPME", "0001"}}, {0}}}},
        // 0009 is rescinded: left out even when asked for by code
        {"TfrmFiltroSolicita.qryFilial",
         "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL, FILIAL.IDCNTRRESC, FILIAL.CDFILCENTCMP, "
         "FILIAL.CDREGIAO FROM FILIAL WHERE (FILIAL.CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T') "
         "AND (FILIAL.IDCNTRRESC <> 'S') AND (FILIAL.CDREGIAO IS NOT NULL) ORDER BY "
         "FILIAL.CDFILIAL",
         {{{{"P_CDFILIAL", " "}, {"P_TCDFILIAL", "T"}},
           {36, {{"CDFILIAL", "0001"}}, {{"CDFILIAL", "0009"}}}},
          {{{"P_CDFILIAL", "0007"}, {"P_TCDFILIAL", ""}}, {1, {{"CDFILCENTCMP", "0002"}}}},
          {{{"P_CDFILIAL", "0009"}, {"P_TCDFILIAL", ""}}, {0}}}},
        // The schools have no mailbox of their own
        {"TfrmAprCmpSoliGer.qryFilial",
         "SELECT E.DSEMAILFILI, E.CDSENHEMAILF, E.DSSMTPEMAILF, F.CDFILIAL, F.NMFILIAL FROM "
         "ENDEFILI E, FILIAL F WHERE (F.CDFILIAL = :P_CDFILIAL) AND F.CDFILIAL = E.CDFILIAL AND "
         "IDTPENDEFILI = 'P'",
         {{{{"P_CDFILIAL", "0004"}},
           {1,
            {{"DSEMAILFILI", "compras.0004@exemplo.com.br"},
             {"DSSMTPEMAILF", "smtp.exemplo.com.br"}}}},
          {{{"P_CDFILIAL", schoolUnit}}, {0}}}},
    };
}

// --- people, destinations, justifications --------------------------------------

std::vector<QueryText> peopleAndDestinationQueries()
{
    // Buyers 1, 2, 3 and 10; managers 4, 5, 6 (no e-mail) and 9
    const QString operatorByCode =
        QStringLiteral("SELECT O.DSEMAILOPER, O.CDOPERADOR, O.NMOPERADOR FROM OPERADOR O WHERE "
                       "O.CDOPERADOR = :P_CDOPERCOMP");
    const QString justifications =
        QStringLiteral("SELECT CDJUSTSOL, DSJUSTSOL FROM JUSTSOLI ORDER BY CDJUSTSOL");
    // The school-meal units each have one destination; restaurants 004 "Refeitório Diretoria"
    const QString destinationsOfList =
        QStringLiteral("SELECT CDDESTSOLI, MIN (NMDESTSOLI) NMDESTSOLI FROM DESTSOL WHERE "
                       "((INSTR(:P_CDFILIAL, CDFILIAL) > 0) OR ('T' = :P_TCDFILIAL)) GROUP BY "
                       "CDDESTSOLI ORDER BY CDDESTSOLI");
    const QString destinationsOfListInterBase = QStringLiteral(
        "SELECT CDDESTSOLI, MIN (NMDESTSOLI) NMDESTSOLI FROM DESTSOL, PARAM(:P_CDFILIAL) "
        "P_CDFILIAL, PARAM(:P_TCDFILIAL) P_TCDFILIAL WHERE ((INSTR(P_CDFILIAL.PARAM, CDFILIAL) > "
        "0) OR ('T' = P_TCDFILIAL.PARAM)) GROUP BY CDDESTSOLI ORDER BY CDDESTSOLI");
    const std::vector<QueryRun> destinationListRuns{
        {{{"P_CDFILIAL", "_0004_0005_"}, {"P_TCDFILIAL", ""}},
         {4, {{"CDDESTSOLI", "001"}, {"NMDESTSOLI", "Cozinha"}}}},
        {{{"P_CDFILIAL", "_0004_"}, {"P_TCDFILIAL", ""}}, {2, {}, {{"CDDESTSOLI", "002"}}}},
        {{{"P_CDFILIAL", null}, {"P_TCDFILIAL", "T"}}, {4, {{"CDDESTSOLI", "001"}}}},
        {{{"P_CDFILIAL", ""}, {"P_TCDFILIAL", ""}}, {0}},
    };
    return {
        {"TfrmLancaSoliCmp.qryComprador",
         "SELECT COMPRADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM COMPRADOR, OPERADOR, "
         "PARAM(:P_CDOPERADOR) P_CDOPERADOR WHERE COMPRADOR.CDOPERADOR = "
         "NVLSTR(P_CDOPERADOR.PARAM, COMPRADOR.CDOPERADOR) AND COMPRADOR.CDOPERADOR = "
         "OPERADOR.CDOPERADOR ORDER BY OPERADOR.CDOPERADOR",
         {{{{"P_CDOPERADOR", null}},
           {4, {{"CDOPERADOR", operador(1)}, {"NMOPERADOR", "Ana Paula Ribeiro"}}}},
          {{{"P_CDOPERADOR", operador(10)}}, {1, {{"NMOPERADOR", "Ricardo Tavares Moura"}}}},
          {{{"P_CDOPERADOR", operador(4)}}, {0}}}},
        {"TfrmFiltroSolicita.qryComprador",
         "SELECT COMPRADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM COMPRADOR, OPERADOR WHERE "
         "COMPRADOR.CDOPERADOR = OPERADOR.CDOPERADOR ORDER BY COMPRADOR.CDOPERADOR",
         {{{}, {4, {{"CDOPERADOR", operador(1)}}, {{"CDOPERADOR", operador(4)}}}}}},
        {"TfrmFiltroSolicita.qryGerente",
         "SELECT OPERADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM GERENTE, OPERADOR WHERE "
         "GERENTE.CDOPERADOR = OPERADOR.CDOPERADOR AND ((OPERADOR.CDOPERADOR = :P_CDOPERADOR) OR "
         "(:P_TCDOPERADOR = 'T')) ORDER BY OPERADOR.CDOPERADOR",
         {{{{"P_CDOPERADOR", operador(4)}, {"P_TCDOPERADOR", ""}},
           {1, {{"NMOPERADOR", "João Batista Almeida"}}}},
          {{{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}, {4, {{"CDOPERADOR", operador(4)}}}},
          {{{"P_CDOPERADOR", operador(1)}, {"P_TCDOPERADOR", ""}}, {0}}}},
        {"TfrmLancaSoliCmp.qryOperador, TfrmAprCmpSoliGer.qryOperador/qryComprador/qryGerente",
         operatorByCode,
         {{{{"P_CDOPERCOMP", operador(1)}},
           {1,
            {{"DSEMAILOPER", "ana.ribeiro@exemplo.com.br"}, {"NMOPERADOR", "Ana Paula Ribeiro"}}}},
          {{{"P_CDOPERCOMP", operador(6)}},
           {1, {{"DSEMAILOPER", null}, {"CDOPERADOR", operador(6)}}}},
          {{{"P_CDOPERCOMP", "1"}}, {0}}}},
        // 56 destinations: kitchens 001-003, restaurants 001 and 004, the central two, each school
        // one
        {"TfrmLancaSoliCmp.qryDestino",
         "SELECT CDFILIAL, CDDESTSOLI, NMDESTSOLI FROM DESTSOL, PARAM(:P_CDFILIAL) P_CDFILIAL, "
         "PARAM(:P_CDDESTSOLI) P_CDDESTSOLI WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, CDFILIAL) "
         "AND CDDESTSOLI = NVLSTR(P_CDDESTSOLI.PARAM, CDDESTSOLI) ORDER BY CDDESTSOLI",
         {{{{"P_CDFILIAL", null}, {"P_CDDESTSOLI", null}}, {56, {{"CDDESTSOLI", "001"}}}},
          {{{"P_CDFILIAL", "0004"}, {"P_CDDESTSOLI", null}},
           {2, {{"CDDESTSOLI", "001"}, {"NMDESTSOLI", "Cozinha"}}}},
          {{{"P_CDFILIAL", null}, {"P_CDDESTSOLI", "004"}},
           {6, {{"NMDESTSOLI", "Refeitório Diretoria"}}}},
          {{{"P_CDFILIAL", "0004"}, {"P_CDDESTSOLI", "003"}}, {0}}}},
        {"TfrmFiltroSolicita.qryDestino", destinationsOfList, destinationListRuns},
        {"TfrmFiltroSolicita.qryDestino (InterBase)", destinationsOfListInterBase,
         destinationListRuns},
        {"TfrmLancaSoliCmp.qryPesqJustSoli, TfrmAprCmpSoliGer.adqJustAlt",
         justifications,
         {{{}, {8, {{"CDJUSTSOL", "001"}, {"DSJUSTSOL", "Aumento do número de refeições"}}}}}},
    };
}

// --- single products and product checks ------------------------------------------

std::vector<QueryText> productQueries()
{
    const Values arrozPacote5{{"CDPRODUTO", "0000000006"},
                              {"CDARVPROD", "0101001003"},
                              {"NMPRODUTO", "Arroz Agulhinha Tipo 1 Pacote 5 kg"},
                              {"CDNVPRODUTO", "4"},
                              {"SGUNIDADE", "PCT"}};
    const std::vector<QueryRun> byTreeCode{
        {{{"P_CDARVPROD", "0101001003"}}, {1, arrozPacote5}},
        {{{"P_CDARVPROD", "0101001"}}, {1, {{"CDNVPRODUTO", "3"}, {"SGUNIDADE", null}}}},
        {{{"P_CDARVPROD", "9999999999"}}, {0}}};
    // The integration knows groups 01 to 05 only
    const std::vector<QueryRun> knownToIntegration{
        {{{"P_CDPRODUTO", "0101001001"}}, {1, {{"CDPRODUTO", arrozKg}}}},
        {{{"P_CDPRODUTO", "0701001001"}}, {0}}};
    const QString verifCdProduto = QStringLiteral(
        "SELECT CDPRODUTO, CDARVPROD, NMPRODUTO FROM PRODUTO WHERE CDARVPROD = :P_CDPRODUTO");
    return {
        {"TfrmLancaSoliCmp.qryProdUm",
         "SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50)) AS NMPRODUTO, "
         "CDNVPRODUTO, SGUNIDADE FROM PRODUTO WHERE CDARVPROD = :P_CDARVPROD",
         byTreeCode},
        {"TfrmLancaSoliCmp.qryProdUm (matrix), TfrmInclAgregada.qryProdUm",
         "SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50))AS NMPRODUTO, "
         "CDNVPRODUTO, SGUNIDADE FROM PRODUTO WHERE CDARVPROD = :P_CDARVPROD",
         byTreeCode},
        {"TfrmLancaSoliCmp.qryVdProduto",
         "SELECT CDPRODUTO, CDARVPROD, NMPRODUTO, SGUNIDADE, IDPRODATIVPR FROM PRODUTO P WHERE "
         "(P.CDARVPROD = :P_CDPRODUTO)",
         {{{{"P_CDPRODUTO", "0101001001"}},
           {1,
            {{"CDPRODUTO", arrozKg},
             {"NMPRODUTO", "Arroz Agulhinha Tipo 1 kg"},
             {"IDPRODATIVPR", "S"}}}},
          {{{"P_CDPRODUTO", "0101005001"}}, {1, {{"IDPRODATIVPR", "N"}}}},
          {{{"P_CDPRODUTO", ""}}, {0}}}},
        {"TfrmLancaSoliIncluir.qryVerif_Produto, TfrmLancaSoliExluir.qryVerif_ProdCad",
         "SELECT CDPRODUTO FROM PRODUTO WHERE CDARVPROD = :P_CDPRODUTO",
         {{{{"P_CDPRODUTO", "0701001001"}}, {1, {{"CDPRODUTO", detergente}}}},
          {{{"P_CDPRODUTO", "07010010"}}, {0}}}},
        {"TfrmLancaSoliIncluir.qryVerif_ProdutoParam",
         "SELECT PRODUTO.CDPRODUTO FROM PRODUTO, PRODINTDOS WHERE PRODUTO.CDPRODUTO = "
         "PRODINTDOS.CDPRODUTO AND PRODUTO.CDARVPROD = :P_CDPRODUTO",
         knownToIntegration},
        {"TfrmLancaSoliAlterar.qryVerif_Produto",
         "SELECT CDPRODUTO, CDARVPROD, CDPRODESTO, VRFATOCONV FROM PRODUTO WHERE CDARVPROD = "
         ":P_CDPRODUTO",
         {{{{"P_CDPRODUTO", "0101001003"}}, {1, {{"CDPRODESTO", arrozKg}, {"VRFATOCONV", 5.0}}}},
          {{{"P_CDPRODUTO", "0101001"}}, {1, {{"CDPRODESTO", null}, {"VRFATOCONV", null}}}}}},
        // "The same with FROM PRODUTO, PRODINTDOS": the select list is qualified
        // as in the include dialog's text, else CDPRODUTO is ambiguous anywhere.
        {"TfrmLancaSoliAlterar.qryVerif_ProdutoParam",
         "SELECT PRODUTO.CDPRODUTO, PRODUTO.CDARVPROD, PRODUTO.CDPRODESTO, PRODUTO.VRFATOCONV "
         "FROM PRODUTO, PRODINTDOS WHERE PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO AND "
         "PRODUTO.CDARVPROD = :P_CDPRODUTO",
         {{{{"P_CDPRODUTO", "0101001005"}}, {1, {{"CDPRODESTO", arrozKg}, {"VRFATOCONV", 25.0}}}},
          {{{"P_CDPRODUTO", "0701001001"}}, {0}}}},
        {"TfrmLancaSoliAlterar.qryVerifCdProduto",
         verifCdProduto,
         {{{{"P_CDPRODUTO", "0101005003"}},
           {1, {{"CDPRODUTO", arboreoPacote5}, {"NMPRODUTO", "Arroz Arbóreo Pacote 5 kg"}}}},
          {{{"P_CDPRODUTO", "0000000030"}}, {0}}}},
        {"TfrmLancaSoliAlterar.qryVerifCdProdutoParam",
         "SELECT PRODUTO.CDPRODUTO, PRODUTO.CDARVPROD, PRODUTO.NMPRODUTO FROM PRODUTO, PRODINTDOS "
         "WHERE PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO AND PRODUTO.CDARVPROD = :P_CDPRODUTO",
         knownToIntegration},
        // Packs and stock products of a tree-code range, by the purchase-product flag
        {"TfrmLancaSoliCadAutoProd.qryInsertItemSoli",
         "SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50)) AS NMPRODUTO FROM "
         "PRODUTO WHERE ((:P_PRODCMP_N = 'N' AND CDPRODUTO = CDPRODESTO) OR (:P_PRODCMP_S = 'S' "
         "AND CDPRODESTO IS NOT NULL)) AND (PRODUTO.CDARVPROD BETWEEN :P_CDPRODUTOINI AND "
         ":P_CDPRODUTOFIM)",
         {{{{"P_PRODCMP_N", null},
            {"P_PRODCMP_S", "S"},
            {"P_CDPRODUTOINI", "0101001001"},
            {"P_CDPRODUTOFIM", "0101001999"}},
           {5}},
          {{{"P_PRODCMP_N", "N"},
            {"P_PRODCMP_S", null},
            {"P_CDPRODUTOINI", "0101"},
            {"P_CDPRODUTOFIM", "0101999999"}},
           {6, {}, {{"CDARVPROD", "0101001002"}}}},
          {{{"P_PRODCMP_N", "N"},
            {"P_PRODCMP_S", null},
            {"P_CDPRODUTOINI", "0102"},
            {"P_CDPRODUTOFIM", "0101"}},
           {0}}}},
        {"TfrmFiltroAgregada.qryProduto",
         "SELECT CDPRODUTO, CDARVPROD, NMPRODUTO, CDNVPRODUTO FROM PRODUTO ORDER BY CDARVPROD",
         {{{},
           {1040,
            {{"CDARVPROD", "01"},
             {"NMPRODUTO", "Cereais, Grãos e Farináceos"},
             {"CDNVPRODUTO", "1"}}}}}},
        // Tolerances on 01 (20%), 02 (15%), 0201 (10%), 03 and 04 at every company
        // branch: the greatest node code found inside the product's code wins,
        // so 0701001001 takes the 20% of group 01 found at its fourth digit
        {"TfrmAlterQtde.qryMedSoli",
         "SELECT CAST(VRPERCMEDSOL AS DOUBLE PRECISION) VRPERCMEDSOL FROM MEDSOLI MED, PRODUTO "
         "WHERE PRODUTO.CDPRODUTO = MED.CDPRODUTO AND CDFILIAL = :P_CDFILIAL AND CDARVPROD = "
         "(SELECT MAX(CDARVPROD) FROM MEDSOLI, PRODUTO P, PARAM(:P_CDPRODUTO) P_CDPRODUTO WHERE "
         "P.CDPRODUTO = MEDSOLI.CDPRODUTO AND INSTR(P_CDPRODUTO.PARAM, P.CDARVPROD) <> 0 AND "
         "MEDSOLI.CDFILIAL = MED.CDFILIAL)",
         {{{{"P_CDFILIAL", "0001"}, {"P_CDPRODUTO", "0201001001"}}, {1, {{"VRPERCMEDSOL", 10.0}}}},
          {{{"P_CDFILIAL", "0001"}, {"P_CDPRODUTO", "0202001001"}}, {1, {{"VRPERCMEDSOL", 15.0}}}},
          {{{"P_CDFILIAL", "0004"}, {"P_CDPRODUTO", "0101001001"}}, {1, {{"VRPERCMEDSOL", 20.0}}}},
          {{{"P_CDFILIAL", "0004"}, {"P_CDPRODUTO", "0701001001"}}, {1, {{"VRPERCMEDSOL", 20.0}}}},
          {{{"P_CDFILIAL", "0004"}, {"P_CDPRODUTO", ""}}, {0}},
          {{{"P_CDFILIAL", schoolUnit}, {"P_CDPRODUTO", "0101001001"}}, {0}}}},
    };
}

// --- product list templates ---------------------------------------------------------
//
// The screens copy one of several templates into their product query. The
// templates of a screen differ by two choices: only products the integration
// knows (Param: joined with PRODINTDOS, columns qualified) and leaving out
// products inactive at the branch (Cache). Texts are built from the choices
// as the design describes them.

enum class Integration
{
    Any,
    Known
};
enum class BranchCache
{
    Off,
    On
};

const QString notInactiveAtBranch =
    QStringLiteral("(NOT EXISTS (SELECT CDPRODUTO FROM PRODFILI WHERE (CDFILIAL = :P_CDFILIAL) "
                   "AND (IDPRODATIV = 'I') AND (CDPRODUTO = PRODUTO.CDPRODUTO)))");

QString suffixOf(Integration integration, BranchCache cache)
{
    return QString(cache == BranchCache::On ? QStringLiteral("Cache") : QString()) +
           (integration == Integration::Known ? QStringLiteral("Param") : QString());
}

// The cache condition, and the comment line the screens put before ORDER BY
// in the texts that have it.
QString cacheCondition(BranchCache cache)
{
    return cache == BranchCache::On ? QStringLiteral(" AND ") + notInactiveAtBranch : QString();
}

QString orderBy(const QString& column, const QString& commentLine = {})
{
    return (commentLine.isEmpty() ? QStringLiteral(" ") : u'\n' + commentLine + u'\n') +
           QStringLiteral("ORDER BY ") + column;
}

const QString whereComment = QStringLiteral("/* WHERE */");

// Rows of the demo: 1040 tree nodes, 8 of them commissioned (all leaves);
// 819 leaves, 185 of them stock products; the integration knows the 653
// leaves of groups 01-05 (149 stock products, 7 commissioned); 35 leaves are
// inactive at 0004 (28 known to the integration, 9 of them stock products,
// 7 of those known), among them the stock product 0101005001.
std::vector<QueryText> requisitionLookupTemplates()
{
    std::vector<QueryText> texts;
    for (Integration integration : {Integration::Any, Integration::Known})
        for (BranchCache cache : {BranchCache::Off, BranchCache::On}) {
            const bool known = integration == Integration::Known;
            const QString p = known ? QStringLiteral("PRODUTO.") : QString();
            const QString sql =
                QStringLiteral(
                    "SELECT %1CDPRODUTO, %1CDARVPROD, CAST(RTRIM(%1NMPRODUTO) AS VARCHAR(50)) AS "
                    "NMPRODUTO, %1CDNVPRODUTO, %1SGUNIDADE FROM PRODUTO%2 WHERE %1IDPRODCOMISS IS "
                    "NULL%3")
                    .arg(p, known ? QStringLiteral(", PRODINTDOS") : QString(),
                         known ? QStringLiteral(" AND PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO")
                               : QString()) +
                cacheCondition(cache) +
                orderBy(p + QStringLiteral("CDARVPROD"),
                        cache == BranchCache::On ? whereComment : QString());
            const int all = known ? 646 : 1032;
            const Values first{{"CDARVPROD", known ? "0101001001" : "01"}};
            const Values commissioned{{"CDARVPROD", "0102005001"}};
            std::vector<QueryRun> runs;
            if (cache == BranchCache::Off)
                runs.push_back({{}, {all, first, commissioned}});
            else {
                runs.push_back({{{"P_CDFILIAL", "0004"}},
                                {all - (known ? 28 : 35), first, {{"CDARVPROD", "0101005001"}}}});
                runs.push_back({{{"P_CDFILIAL", schoolUnit}}, {all, first, commissioned}});
            }
            texts.push_back({QStringLiteral("TfrmLancaSoliCmp.qry%1")
                                     .arg(cache == BranchCache::On ? "ProdCache" : "SemCache") +
                                 (known ? QStringLiteral("Param") : QString()),
                             sql, runs});
        }
    return texts;
}

// The include dialog: qrySql + Pesq (list) or nothing (by code) + Pr + Cmp
// (purchase products) or Est (stock products) + Cache + Param.
std::vector<QueryText> includeTemplates()
{
    enum class Kind
    {
        Cmp,
        Est
    };
    std::vector<QueryText> texts;
    for (bool search : {true, false})
        for (Kind kind : {Kind::Cmp, Kind::Est})
            for (BranchCache cache : {BranchCache::Off, BranchCache::On})
                for (Integration integration : {Integration::Any, Integration::Known}) {
                    const bool known = integration == Integration::Known;
                    const bool cached = cache == BranchCache::On;
                    const QString p = known ? QStringLiteral("PRODUTO.") : QString();
                    QStringList where;
                    if (known)
                        where << QStringLiteral("PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO");
                    where << (kind == Kind::Cmp
                                  ? QStringLiteral(":P_PRODCMP = 'S' AND %1CDPRODESTO IS NOT NULL")
                                  : QStringLiteral(
                                        ":P_PRODCMP = 'N' AND %1CDPRODUTO = %1CDPRODESTO"))
                                 .arg(p);
                    if (!search)
                        where << QStringLiteral("%1CDPRODUTO = :P_CDPRODUTO").arg(p);
                    const QString sql =
                        QStringLiteral(
                            "SELECT %1CDPRODUTO, %1CDARVPROD, %1NMPRODUTO FROM PRODUTO%2 WHERE ")
                            .arg(p, known ? QStringLiteral(", PRODINTDOS") : QString()) +
                        where.join(QStringLiteral(" AND ")) + cacheCondition(cache) +
                        orderBy(p + QStringLiteral("CDARVPROD"), QStringLiteral("/*WHERE*/"));

                    const QString own =
                        kind == Kind::Cmp ? QStringLiteral("S") : QStringLiteral("N");
                    const QString other =
                        kind == Kind::Cmp ? QStringLiteral("N") : QStringLiteral("S");
                    const auto params = [&](const QString& flag, const QString& product) {
                        Values values{{"P_PRODCMP", flag}};
                        if (!search)
                            values.emplace_back("P_CDPRODUTO", product);
                        if (cached)
                            values.emplace_back("P_CDFILIAL", "0004");
                        return values;
                    };
                    std::vector<QueryRun> runs;
                    if (search) {
                        const int listed =
                            kind == Kind::Cmp
                                ? (known ? (cached ? 625 : 653) : (cached ? 784 : 819))
                                : (known ? (cached ? 142 : 149) : (cached ? 176 : 185));
                        runs.push_back({params(own, {}), {listed, {{"CDARVPROD", "0101001001"}}}});
                    } else {
                        runs.push_back({params(own, arboreoKg), {cached ? 0 : 1}});
                        runs.push_back({params(own, arboreoPacote5), {kind == Kind::Cmp ? 1 : 0}});
                    }
                    runs.push_back({params(other, arboreoPacote5), {0}});
                    texts.push_back(
                        {QStringLiteral("TfrmLancaSoliIncluir.qrySql%1Pr%2")
                                 .arg(search ? "Pesq" : "", kind == Kind::Cmp ? "Cmp" : "Est") +
                             suffixOf(integration, cache),
                         sql, runs});
                }
    return texts;
}

// The alter dialog: the products sharing the stock product of the one
// being replaced (families 0101005 and 0701001 have five each, one of them
// inactive at 0004; the integration does not know 0701001).
std::vector<QueryText> stockGroupTemplates()
{
    std::vector<QueryText> texts;
    for (Integration integration : {Integration::Any, Integration::Known})
        for (BranchCache cache : {BranchCache::Off, BranchCache::On}) {
            const bool known = integration == Integration::Known;
            const bool cached = cache == BranchCache::On;
            const QString sql =
                QStringLiteral("SELECT PRODUTO.CDPRODUTO, PRODUTO.CDARVPROD, PRODUTO.NMPRODUTO "
                               "FROM PRODUTO PROD, PRODUTO, %1PARAM(:P_CDPRODUTO) P_CDPRODUTO "
                               "WHERE PROD.CDPRODUTO = :P_CDPROD_INFORM AND PRODUTO.CDPRODESTO IS "
                               "NOT NULL AND PRODUTO.CDPRODUTO = NVLSTR(P_CDPRODUTO.PARAM, "
                               "PRODUTO.CDPRODUTO) AND PRODUTO.CDPRODESTO = PROD.CDPRODESTO%2")
                    .arg(known ? QStringLiteral("PRODINTDOS, ") : QString(),
                         known ? QStringLiteral(" AND PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO")
                               : QString()) +
                cacheCondition(cache) +
                orderBy(QStringLiteral("PRODUTO.CDARVPROD"), cached ? whereComment : QString());
            const auto params = [&](const QVariant& product, const QString& replaced) {
                Values values{{"P_CDPRODUTO", product}, {"P_CDPROD_INFORM", replaced}};
                if (cached)
                    values.emplace_back("P_CDFILIAL", "0004");
                return values;
            };
            std::vector<QueryRun> runs{
                {params(null, arboreoPacote5),
                 {cached ? 4 : 5,
                  {{"CDARVPROD", cached ? "0101005002" : "0101005001"}},
                  cached ? Values{{"CDARVPROD", "0101005001"}} : Values{}}},
                {params(arboreoKg, arboreoPacote5), {cached ? 0 : 1}},
                {params(null, detergente), {known ? 0 : (cached ? 4 : 5)}},
            };
            texts.push_back({QStringLiteral("TfrmLancaSoliAlterar.qry%1")
                                     .arg(cached ? "ProdCache" : "SemCache") +
                                 (known ? QStringLiteral("Param") : QString()),
                             sql, runs});
        }
    return texts;
}

// The automatic registration dialog: the whole tree, or one product.
std::vector<QueryText> registrationTemplates()
{
    std::vector<QueryText> texts;
    for (Integration integration : {Integration::Any, Integration::Known})
        for (BranchCache cache : {BranchCache::Off, BranchCache::On}) {
            const bool known = integration == Integration::Known;
            const bool cached = cache == BranchCache::On;
            const QString p = known ? QStringLiteral("PRODUTO.") : QString();
            const QString sql =
                QStringLiteral(
                    "SELECT %1CDPRODUTO, %1CDARVPROD, %1NMPRODUTO, %1CDNVPRODUTO FROM PRODUTO%2, "
                    "PARAM(:P_CDPRODUTO) P_CDPRODUTO WHERE %3%1CDPRODUTO = "
                    "NVLSTR(P_CDPRODUTO.PARAM, %1CDPRODUTO)")
                    .arg(p, known ? QStringLiteral(", PRODINTDOS") : QString(),
                         known ? QStringLiteral("PRODUTO.CDPRODUTO = PRODINTDOS.CDPRODUTO AND ")
                               : QString()) +
                cacheCondition(cache) +
                orderBy(p + QStringLiteral("CDARVPROD"), cached ? whereComment : QString());
            const auto params = [&](const QVariant& product) {
                Values values{{"P_CDPRODUTO", product}};
                if (cached)
                    values.emplace_back("P_CDFILIAL", "0004");
                return values;
            };
            const int all = known ? (cached ? 625 : 653) : (cached ? 1005 : 1040);
            std::vector<QueryRun> runs{
                {params(null), {all, {{"CDARVPROD", known ? "0101001001" : "01"}}}},
                {params(""), {all}},
                {params(arboreoKg), {cached ? 0 : 1}},
                {params(detergente), {known || cached ? 0 : 1}},
            };
            texts.push_back({QStringLiteral("TfrmLancaSoliCadAutoProd.qry%1")
                                     .arg(cached ? "ProdCache" : "SemCahe") +
                                 (known ? QStringLiteral("Param") : QString()),
                             sql, runs});
        }
    return texts;
}

// --- running -------------------------------------------------------------------------

QString describe(const Values& values)
{
    QStringList parts;
    for (const auto& [name, value] : values)
        parts << name + u'=' +
                     (value.isNull() ? QStringLiteral("null") : u'\'' + value.toString() + u'\'');
    return parts.join(QStringLiteral(", "));
}

bool same(const QVariant& actual, const QVariant& expected)
{
    if (expected.isNull() || actual.isNull())
        return expected.isNull() == actual.isNull();
    if (expected.typeId() == QMetaType::Double)
        return qFuzzyCompare(actual.toDouble(), expected.toDouble());
    return actual.toString() == expected.toString();
}

QVariant columnValue(const DataPacket& packet, const PacketRow& row, const QString& column)
{
    const int index = packet.fieldIndex(column);
    return index < 0 ? QVariant() : row.values.at(static_cast<size_t>(index));
}

// Every test here only reads, so one loaded demo per backend serves them all.
class QueryTexts : public SharedDemoTest
{
protected:

    // Runs every text with each of its parameter sets; a refusal of the
    // database is reported with the driver's words and the next run goes on.
    void check(const std::vector<QueryText>& texts)
    {
        QSqlDatabase& db = demo();
        for (const QueryText& text : texts)
            for (const QueryRun& run : text.runs) {
                const std::string where =
                    (text.name + QStringLiteral(" [") + describe(run.params) + u']').toStdString();
                SCOPED_TRACE(where);
                DataPacket packet;
                try {
                    SqlQuery query(text.name, {.SQL = text.sql}, db);
                    for (const auto& [name, value] : run.params)
                        query.ParamByName(name).SetValue(value);
                    packet = query.Open();
                } catch (const SqlError& error) {
                    ADD_FAILURE() << error.what();
                    continue;
                }
                const Expect& expect = run.expect;
                EXPECT_EQ(static_cast<int>(packet.rows.size()), expect.rows);
                for (const auto& [column, value] : expect.first) {
                    ASSERT_GE(packet.fieldIndex(column), 0) << "no column " << column.toStdString();
                    if (packet.rows.empty())
                        break;
                    const QVariant actual = columnValue(packet, packet.rows.front(), column);
                    EXPECT_TRUE(same(actual, value))
                        << column.toStdString() << ": got '" << actual.toString().toStdString()
                        << "', expected '" << value.toString().toStdString() << "'";
                }
                for (const auto& [column, value] : expect.absent)
                    for (const PacketRow& row : packet.rows)
                        EXPECT_FALSE(same(columnValue(packet, row, column), value))
                            << column.toStdString() << " " << value.toString().toStdString()
                            << " should be left out";
            }
    }
};

TEST_P(QueryTexts, shouldRunTheBranchLookupsUnchanged)
{
    check(branchQueries());
}

TEST_P(QueryTexts, shouldRunThePeopleDestinationAndJustificationLookupsUnchanged)
{
    check(peopleAndDestinationQueries());
}

TEST_P(QueryTexts, shouldRunTheProductReadsAndChecksUnchanged)
{
    check(productQueries());
}

TEST_P(QueryTexts, shouldRunTheProductLookupTemplatesOfTheRequisitionScreenUnchanged)
{
    check(requisitionLookupTemplates());
}

TEST_P(QueryTexts, shouldRunTheSixteenTemplatesOfTheIncludeDialogUnchanged)
{
    const std::vector<QueryText> texts = includeTemplates();
    ASSERT_EQ(texts.size(), 16u);
    check(texts);
}

TEST_P(QueryTexts, shouldRunTheStockGroupTemplatesOfTheAlterDialogUnchanged)
{
    check(stockGroupTemplates());
}

TEST_P(QueryTexts, shouldRunTheProductTemplatesOfTheAutomaticRegistrationUnchanged)
{
    check(registrationTemplates());
}

INSTANTIATE_TEST_SUITE_P(Backends, QueryTexts,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace
