#include "data/module_statements.h"

#include "framework/product/product_library.h"
#include "framework/sql/statement_registry.h"

namespace cmp::data {

namespace {

// The queries of one screen, declared under its class name.
class ScreenStatements
{
public:
    ScreenStatements(fw::StatementRegistry& registry, const char* screenClass)
        : registry_(registry), screenClass_(QString::fromLatin1(screenClass))
    {}

    void declare(const char* query, const char* sql)
    {
        registry_.Declare(declaredName(screenClass_, QString::fromLatin1(query)),
                          {QString::fromLatin1(sql)});
    }

private:
    fw::StatementRegistry& registry_;
    QString screenClass_;
};

void declareRequisitionScreen(fw::StatementRegistry& registry)
{
    ScreenStatements screen(registry, "TfrmLancaSoliCmp");
    screen.declare("qryCentMerenda",
                   "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL FROM FILIAL WHERE CDFILIAL = "
                   ":P_CDFILIAL AND IDCNTRRESC <> 'S' AND CDREGIAO IS NOT NULL AND CDFILCENTPME "
                   "IS NULL AND IDFILCENTPME = 'S'");
    screen.declare("qryFilial",
                   "SELECT CDFILIAL, NMFILIAL, IDCNTRRESC, CDREGIAO, IDFUNCAOFILI FROM FILIAL, "
                   "PARAM(:P_CDFILIAL) P_CDFILIAL WHERE CDFILIAL = NVLSTR(P_CDFILIAL.PARAM, "
                   "CDFILIAL) ORDER BY CDFILIAL");
    screen.declare("qryParamGeral", "SELECT IDCACHPRODFI FROM PARAMGERAL");
    screen.declare("qryProdUm",
                   "SELECT CDPRODUTO, CDARVPROD, CAST(RTRIM(NMPRODUTO) AS VARCHAR(50))AS "
                   "NMPRODUTO, CDNVPRODUTO, SGUNIDADE FROM PRODUTO WHERE CDARVPROD = :P_CDARVPROD");
}

const char* const productByTreeCode =
    "SELECT CDPRODUTO, CDARVPROD, NMPRODUTO, SGUNIDADE, IDPRODATIVPR FROM PRODUTO P WHERE "
    "(P.CDARVPROD = :P_CDPRODUTO)";

// The checks and the write-back of a matrix cell.
void declareCellEditing(fw::StatementRegistry& registry)
{
    ScreenStatements screen(registry, "TfrmLancaSoliCmp");
    screen.declare("qryVdProduto", productByTreeCode);
    screen.declare("qryOperador", "SELECT O.DSEMAILOPER, O.CDOPERADOR, O.NMOPERADOR FROM "
                                  "OPERADOR O WHERE O.CDOPERADOR = :P_CDOPERCOMP");
}

void declareQuantityDialog(fw::StatementRegistry& registry)
{
    ScreenStatements screen(registry, "TfrmAlterQtde");
    screen.declare("qryVdProduto", productByTreeCode);
    // The purchase center of a requesting branch.
    screen.declare("qryCentralDeCompras",
                   "SELECT CDFILCENTCMP AS CDFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL");
    // The tolerance set on the most specific node of the product's tree.
    screen.declare(
        "qryMedSoli",
        "SELECT CAST(VRPERCMEDSOL AS DOUBLE PRECISION) VRPERCMEDSOL FROM MEDSOLI MED, PRODUTO "
        "WHERE PRODUTO.CDPRODUTO = MED.CDPRODUTO AND CDFILIAL = :P_CDFILIAL AND CDARVPROD = "
        "(SELECT MAX(CDARVPROD) FROM MEDSOLI, PRODUTO P, PARAM(:P_CDPRODUTO) P_CDPRODUTO WHERE "
        "P.CDPRODUTO = MEDSOLI.CDPRODUTO AND INSTR(P_CDPRODUTO.PARAM, P.CDARVPROD) <> 0 AND "
        "MEDSOLI.CDFILIAL = MED.CDFILIAL)");
}

void declareRequisitionFilter(fw::StatementRegistry& registry)
{
    ScreenStatements screen(registry, "TfrmFiltroSolicita");
    screen.declare("qryComprador",
                   "SELECT COMPRADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM COMPRADOR, OPERADOR "
                   "WHERE COMPRADOR.CDOPERADOR = OPERADOR.CDOPERADOR ORDER BY "
                   "COMPRADOR.CDOPERADOR");
    screen.declare("qryDestino",
                   "SELECT CDDESTSOLI, MIN (NMDESTSOLI) NMDESTSOLI FROM DESTSOL WHERE "
                   "((INSTR(:P_CDFILIAL, CDFILIAL) > 0) OR ('T' = :P_TCDFILIAL)) GROUP BY "
                   "CDDESTSOLI ORDER BY CDDESTSOLI");
    screen.declare("qryFilial",
                   "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL, FILIAL.IDCNTRRESC, "
                   "FILIAL.CDFILCENTCMP, FILIAL.CDREGIAO FROM FILIAL WHERE (FILIAL.CDFILIAL = "
                   ":P_CDFILIAL OR :P_TCDFILIAL = 'T') AND (FILIAL.IDCNTRRESC <> 'S') AND "
                   "(FILIAL.CDREGIAO IS NOT NULL) ORDER BY FILIAL.CDFILIAL");
    screen.declare("qryGerente",
                   "SELECT OPERADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM GERENTE, OPERADOR "
                   "WHERE GERENTE.CDOPERADOR = OPERADOR.CDOPERADOR AND ((OPERADOR.CDOPERADOR = "
                   ":P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) ORDER BY OPERADOR.CDOPERADOR");
}

} // namespace

void DeclareModuleStatements(fw::StatementRegistry& registry)
{
    fw::DeclareProductStatements(registry);
    declareRequisitionScreen(registry);
    declareRequisitionFilter(registry);
    declareCellEditing(registry);
    declareQuantityDialog(registry);
}

QString declaredName(const QString& screenClass, const QString& query)
{
    return screenClass + QLatin1Char('.') + query;
}

} // namespace cmp::data
