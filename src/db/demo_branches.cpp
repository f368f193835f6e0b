#include "db/demo_branches.h"

namespace cmp::db {

namespace {

const QString mealCentral = QStringLiteral("0050");

DemoBranch branch(const char* code, const char* name, const char* center, const char* purchasing,
                  const char* idPerAltSApr, QStringList destinations)
{
    DemoBranch b;
    b.code = QString::fromLatin1(code);
    b.name = QString::fromUtf8(name);
    b.purchaseCenter = QString::fromLatin1(center);
    b.region = b.purchaseCenter.isEmpty() ? b.code.right(3) : b.purchaseCenter.right(3);
    b.function = b.purchaseCenter.isEmpty() ? QStringLiteral("C") : QStringLiteral("R");
    b.purchasing = QString::fromLatin1(purchasing);
    b.idPerAltSApr = QString::fromLatin1(idPerAltSApr);
    b.destinations = std::move(destinations);
    return b;
}

std::vector<DemoBranch> companyBranches()
{
    const QStringList kitchen{QStringLiteral("001 Cozinha"), QStringLiteral("002 Estoque Seco"),
                              QStringLiteral("003 Câmara Fria")};
    const QStringList restaurant{QStringLiteral("001 Cozinha"),
                                 QStringLiteral("004 Refeitório Diretoria")};
    std::vector<DemoBranch> branches{
        branch("0001", "Central de Compras Campinas", "", "SSNSS", "SNS", kitchen),
        branch("0002", "Central de Compras Rio", "", "NNSNS", "NNN", kitchen),
        branch("0003", "Central de Compras Curitiba", "", "SNNNN", "SSS", kitchen),
        branch("0004", "Restaurante Industrial Sumaré", "0001", "NSSSS", "SNN", restaurant),
        branch("0005", "Cozinha Hospital Santa Clara", "0001", "SSNNS", "NSN", kitchen),
        branch("0006", "Refeitório Metalúrgica Jundiaí", "0001", "NNNNS", "", restaurant),
        branch("0007", "Cozinha Industrial Niterói", "0002", "SSSSN", "SSN", kitchen),
        branch("0008", "Restaurante Porto Maravilha", "0002", "NNNNS", "NNN", restaurant),
        branch("0009", "Refeitório Estaleiro Mauá", "0002", "NNNNS", "NNN", restaurant),
        branch("0010", "Cozinha Central Ponta Grossa", "0003", "SSNSS", "NNS", kitchen),
        branch("0011", "Restaurante Campus Londrina", "0003", "NSNNS", "SNS", restaurant),
        branch("0012", "Refeitório Fábrica Joinville", "0003", "", "", restaurant),
    };
    branches[5].function = QStringLiteral("O");
    branches[8].rescinded = true;
    for (int integrated : {3, 6, 9})
        branches[static_cast<size_t>(integrated)].integration = true;
    for (int approving : {3, 4, 6})
        branches[static_cast<size_t>(approving)].managerApproval = true;
    return branches;
}

std::vector<DemoBranch> schoolMealBranches()
{
    std::vector<DemoBranch> branches{
        branch("0050", "Central Merenda Escolar", "0001", "SNNNS", "NNN",
               {QStringLiteral("001 Cozinha Escolar"), QStringLiteral("002 Despensa")})};
    const char* schools[] = {
        "EMEF Monteiro Lobato",    "EMEF Cecília Meireles",   "EMEF Carlos Drummond",
        "EMEI Vinicius de Moraes", "EMEF Machado de Assis",   "EMEI Ruth Rocha",
        "EMEF Anita Malfatti",     "EMEF Santos Dumont",      "EMEI Tarsila do Amaral",
        "EMEF Paulo Freire",       "EMEF Darcy Ribeiro",      "EMEI Ziraldo",
        "EMEF Rachel de Queiroz",  "EMEF Cora Coralina",      "EMEI Mário Quintana",
        "EMEF Oswaldo Cruz",       "EMEF Chico Mendes",       "EMEI Clarice Lispector",
        "EMEF Anísio Teixeira",    "EMEF Zumbi dos Palmares", "EMEI Sítio do Picapau",
        "EMEF Candido Portinari",  "EMEF Villa-Lobos",        "EMEI Castro Alves",
    };
    int number = 100;
    for (const char* school : schools) {
        DemoBranch unit =
            branch("", school, "0001", "NNNNS", "NNN", {QStringLiteral("001 Cozinha Escolar")});
        unit.code = QString::number(++number).rightJustified(4, u'0');
        unit.function = QStringLiteral("E");
        unit.mealCentral = mealCentral;
        branches.push_back(unit);
    }
    return branches;
}

} // namespace

const std::vector<DemoBranch>& demoBranches()
{
    static const std::vector<DemoBranch> branches = [] {
        std::vector<DemoBranch> all = companyBranches();
        for (DemoBranch& b : schoolMealBranches())
            all.push_back(std::move(b));
        return all;
    }();
    return branches;
}

QString demoMealCentral()
{
    return mealCentral;
}

} // namespace cmp::db
