#include "db/demo_data.h"

#include "db/demo_branches.h"
#include "db/demo_parts.h"
#include "db/demo_products.h"
#include "db/requisition_writer.h"
#include "db/row_inserter.h"
#include "framework/sql/sql_query.h"

#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace cmp::db {

namespace {

QString flag(bool value)
{
    return value ? QStringLiteral("S") : QStringLiteral("N");
}

QString letter(const QString& letters, int index)
{
    return letters.mid(index, 1);
}

// --- branches ---------------------------------------------------------------

void insertBranches(QSqlDatabase& db)
{
    RowInserter filial(db, QStringLiteral("FILIAL"),
                       {"CDFILIAL", "NMFILIAL", "IDCNTRRESC", "CDREGIAO", "IDFUNCAOFILI",
                        "CDFILCENTCMP", "IDFILCENTPME", "CDFILCENTPME"});
    RowInserter address(db, QStringLiteral("ENDEFILI"),
                        {"CDFILIAL", "IDTPENDEFILI", "DSEMAILFILI", "DSSMTPEMAILF"});
    for (const DemoBranch& b : demoBranches()) {
        filial.add({b.code, b.name, flag(b.rescinded), textOrNull(b.region), b.function,
                    textOrNull(b.purchaseCenter), flag(b.code == demoMealCentral()),
                    textOrNull(b.mealCentral)});
        if (b.mealCentral.isEmpty()) // the schools have no mailbox of their own
            address.add({b.code, QStringLiteral("P"),
                         QStringLiteral("compras.%1@exemplo.com.br").arg(b.code),
                         QStringLiteral("smtp.exemplo.com.br")});
    }
    filial.flush();
    address.flush();
}

// The centers' supply parameters, IDJUSSOLEXT to IDRESTRFILIOPER; between
// them every flag is both "S" and "N".
void insertSupplyParameters(QSqlDatabase& db)
{
    RowInserter parasupri(db, QStringLiteral("PARASUPRI"),
                          {"CDFILIAL", "IDJUSSOLEXT", "IDAUDALTSOL", "IDULTIDTULTI", "IDULTCOMPSOL",
                           "IDULTDESTSOL", "IDUTQTDEVOLU", "IDBAIXSOLDFS", "IDBLOQALTSOLAUT",
                           "IDEXIGAPRGERCMP", "IDRESTRFILIOPER"});
    const struct
    {
        const char* center;
        const char* flags;
    } centers[] = {{"0001", "SSSSSNSSSN"}, {"0002", "NSNSNSNNNS"}, {"0003", "SNSNSSSSNN"}};
    for (const auto& center : centers) {
        QVariantList row{QString::fromLatin1(center.center)};
        for (QChar f : QString::fromLatin1(center.flags))
            row.append(QString(f));
        parasupri.add(row);
    }
    parasupri.flush();
}

void insertBranchParameters(QSqlDatabase& db)
{
    RowInserter parcmpsup(db, QStringLiteral("PARCMPSUP"),
                          {"CDFILIAL", "IDUTPRODPREF", "IDUTAPROVSOL", "IDUTLOPERSOL",
                           "IDPERALTSAPR", "IDIMPINCSOLAPR", "IDALTVRCMPANT"});
    RowInserter parafili(db, QStringLiteral("PARAFILI"),
                         {"CDFILIAL", "IDUTILIZAINTSAC", "IDPERMALTAPR"});
    RowInserter pargrprodger(db, QStringLiteral("PARGRPRODGER"),
                             {"CDFILIAL", "CDGRUPPROD", "CDSUBGRPROD", "IDUTAPROVSOL",
                              "IDULTDESTSOL", "IDEXIGAPRGERCMP", "IDAPROVITMSOLGR",
                              "IDUTLPRARVOLCMP", "CDGRUPPRODOL", "CDSUBGRARVOR"});
    // Not a null text: that would be stored as NULL.
    const QString wholeGroup = QString(QLatin1String(""));
    for (const DemoBranch& b : demoBranches()) {
        if (!b.purchasing.isEmpty())
            parcmpsup.add({b.code, letter(b.purchasing, 0), letter(b.purchasing, 1),
                           letter(b.purchasing, 2), textOrNull(b.idPerAltSApr),
                           letter(b.purchasing, 3), letter(b.purchasing, 4)});
        parafili.add({b.code, flag(b.integration),
                      flag(b.code == QLatin1String("0001") || b.code == QLatin1String("0005"))});
        // Meat needs a manager's approval by destination; elsewhere the
        // group only asks for it, without approval per item.
        if (b.managerApproval)
            pargrprodger.add({b.code, QStringLiteral("02"), wholeGroup, "S", "S", "S", "S", "N",
                              QVariant(), QVariant()});
        if (b.code == QLatin1String("0001"))
            pargrprodger.add({b.code, QStringLiteral("04"), QStringLiteral("0401"), "S", "N", "N",
                              "S", "N", QVariant(), QVariant()});
        if (b.function == QLatin1String("O"))
            pargrprodger.add({b.code, QStringLiteral("01"), wholeGroup, "N", "N", "N", "N", "S",
                              QStringLiteral("01"), QStringLiteral("0101")});
    }
    parcmpsup.flush();
    parafili.flush();
    pargrprodger.flush();
}

void insertDestinations(QSqlDatabase& db)
{
    RowInserter destsol(db, QStringLiteral("DESTSOL"), {"CDFILIAL", "CDDESTSOLI", "NMDESTSOLI"});
    for (const DemoBranch& b : demoBranches())
        for (const QString& destination : b.destinations)
            destsol.add({b.code, destination.left(3), destination.mid(4)});
    destsol.flush();
}

// The school-meal units form a branch group, and so do two kinds of client.
void insertBranchGroups(QSqlDatabase& db)
{
    RowInserter grupfili(db, QStringLiteral("GRUPFILI"), {"CDGRUPFILI", "NMGRUPFILI"});
    RowInserter members(db, QStringLiteral("FILIGRUPFIL"), {"CDGRUPFILI", "CDFILIAL"});
    RowInserter destinations(db, QStringLiteral("DESTGRUPFILI"),
                             {"CDGRUPFILI", "CDDESTSOLI", "NMDESTSOLI"});
    const QString schools = QStringLiteral("0000000001");
    const QString industry = QStringLiteral("0000000002");
    const QString hospitals = QStringLiteral("0000000003");
    grupfili.add({schools, QStringLiteral("Merenda Escolar Campinas")});
    grupfili.add({industry, QStringLiteral("Restaurantes Industriais")});
    grupfili.add({hospitals, QStringLiteral("Hospitais")});
    for (const DemoBranch& b : demoBranches())
        if (!b.mealCentral.isEmpty())
            members.add({schools, b.code});
    for (const char* code : {"0004", "0006", "0007"})
        members.add({industry, QString::fromLatin1(code)});
    members.add({hospitals, QStringLiteral("0005")});
    destinations.add({schools, QStringLiteral("001"), QStringLiteral("Cozinha Escolar")});
    destinations.add({schools, QStringLiteral("002"), QStringLiteral("Despensa")});
    destinations.add({industry, QStringLiteral("001"), QStringLiteral("Cozinha")});
    destinations.add({hospitals, QStringLiteral("003"), QStringLiteral("Câmara Fria")});
    grupfili.flush();
    members.flush();
    destinations.flush();
}

// --- products ------------------------------------------------------------------

QVariantList productValues(const DemoProduct& p)
{
    const bool leaf = p.level == 4;
    return {
        p.cdProduto,
        p.cdArvProd,
        p.nmProduto,
        QString::number(p.level),
        textOrNull(p.sgUnidade),
        textOrNull(p.cdProdEsto),
        leaf ? QVariant(p.vrFatoConv) : QVariant(),
        p.commissioned ? QVariant(QStringLiteral("S")) : QVariant(),
        flag(p.active),
        p.cdGrupProd,
        textOrNull(p.cdSubGrProd),
        leaf ? QVariant(QStringLiteral("%1, unidade de compra %2.").arg(p.nmProduto, p.sgUnidade))
             : QVariant()};
}

void insertProductTree(QSqlDatabase& db)
{
    RowInserter produto(db, QStringLiteral("PRODUTO"),
                        {"CDPRODUTO", "CDARVPROD", "NMPRODUTO", "CDNVPRODUTO", "SGUNIDADE",
                         "CDPRODESTO", "VRFATOCONV", "IDPRODCOMISS", "IDPRODATIVPR", "CDGRUPPROD",
                         "CDSUBGRPROD", "DSCOMPLNOME"});
    for (const DemoProduct& p : demoProductTree())
        produto.add(productValues(p));
    produto.flush();
}

// Products inactive at some branches, the products the external integration
// knows (groups 01 to 05) and the rice of the logistics operator's tree.
void insertProductMarks(QSqlDatabase& db)
{
    RowInserter prodfili(db, QStringLiteral("PRODFILI"), {"CDFILIAL", "CDPRODUTO", "IDPRODATIV"});
    RowInserter prodintdos(db, QStringLiteral("PRODINTDOS"), {"CDPRODUTO"});
    RowInserter prodarvol(db, QStringLiteral("PRODARVOL"),
                          {"CDGRUPPRODOL", "CDSUBGRARVOR", "CDPRODUTO"});
    int leafIndex = 0;
    for (const DemoProduct& p : demoProductTree()) {
        if (p.level != 4)
            continue;
        int branchIndex = 0;
        for (const DemoBranch& b : demoBranches())
            if (b.mealCentral.isEmpty() && (leafIndex + branchIndex++) % 23 == 0)
                prodfili.add({b.code, p.cdProduto, QStringLiteral("I")});
        if (p.cdGrupProd <= QLatin1String("05"))
            prodintdos.add({p.cdProduto});
        if (p.cdSubGrProd == QLatin1String("0101"))
            prodarvol.add({QStringLiteral("01"), QStringLiteral("0101"), p.cdProduto});
        ++leafIndex;
    }
    prodfili.flush();
    prodintdos.flush();
    prodarvol.flush();
}

// --- fixed lists ---------------------------------------------------------------

void exec(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw fw::SqlError(
            QStringLiteral("%1: %2").arg(sql.left(60), query.lastError().text()).toStdString());
}

void insertGeneralParameters(QSqlDatabase& db)
{
    exec(db, QStringLiteral("INSERT INTO PARAMGERAL (NRPARAMGERAL, IDCACHPRODFI) VALUES (1, 'S')"));
    RowInserter justsoli(db, QStringLiteral("JUSTSOLI"), {"CDJUSTSOL", "DSJUSTSOL"});
    const char* reasons[] = {
        "Aumento do número de refeições",       "Evento especial",
        "Cardápio alterado pela nutricionista", "Erro de digitação na quantidade",
        "Falta do produto no fornecedor",       "Reposição de estoque",
        "Produto substituído por similar",      "Redução do consumo"};
    int code = 0;
    for (const char* reason : reasons)
        justsoli.add({QString::number(++code).rightJustified(3, u'0'), QString::fromUtf8(reason)});
    justsoli.flush();
}

void refuseFilledDatabase(QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM PRODUTO")) || !query.next())
        throw fw::SqlError(
            QStringLiteral("PRODUTO: %1").arg(query.lastError().text()).toStdString());
    if (query.value(0).toInt() > 0)
        throw std::runtime_error(
            "O banco já tem produtos: os dados de demonstração só entram num banco vazio.");
}

void loadAll(QSqlDatabase& db)
{
    refuseFilledDatabase(db);
    loadDemoBranches(db);
    loadDemoProducts(db);
    loadDemoPeople(db);
    loadDemoPurchaseHistory(db);
    loadDemoRequisitions(db);
}

} // namespace

void loadDemoBranches(QSqlDatabase& db)
{
    insertBranches(db);
    insertSupplyParameters(db);
    insertBranchParameters(db);
    insertDestinations(db);
    insertBranchGroups(db);
    insertGeneralParameters(db);
}

void loadDemoProducts(QSqlDatabase& db)
{
    insertProductTree(db);
    insertProductMarks(db);
}

QString demoOperatorCode(int number)
{
    return QString::number(number).rightJustified(12, u'0');
}

void loadDemoData(QSqlDatabase& db)
{
    if (!db.transaction())
        throw fw::SqlError(
            QStringLiteral("dados de demonstração: %1").arg(db.lastError().text()).toStdString());
    try {
        loadAll(db);
        if (!db.commit())
            throw fw::SqlError(QStringLiteral("dados de demonstração: %1")
                                   .arg(db.lastError().text())
                                   .toStdString());
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace cmp::db
