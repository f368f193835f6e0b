#include "db/demo_branches.h"
#include "db/demo_data.h"
#include "db/demo_parts.h"
#include "db/password_hash.h"
#include "db/requisition_writer.h"
#include "db/row_inserter.h"

namespace cmp::db {

namespace {

enum class Role
{
    Operator,
    Buyer,
    Manager
};

struct DemoPerson
{
    int number;
    const char* name;
    Role role;
    bool hasEmail = true;
    bool active = true;
    double approvalValue = 0;          // managers only
    const char* consistencyMode = "U"; // managers only
};

// Among the managers one has no e-mail, so that notices to him fail.
const DemoPerson people[] = {
    {1, "Ana Paula Ribeiro", Role::Buyer},
    {2, "Carlos Eduardo Souza", Role::Buyer},
    {3, "Mariana Figueiredo Lima", Role::Buyer},
    {4, "João Batista Almeida", Role::Manager, true, true, 5000, "U"},
    {5, "Fernanda Costa Nogueira", Role::Manager, true, true, 20000, "T"},
    {6, "Roberto Carlos Mendes", Role::Manager, false, true, 100000, "S"},
    {7, "Luciana Pereira Santos", Role::Operator},
    {8, "Paulo Henrique Rocha", Role::Operator},
    {9, "Beatriz Oliveira Campos", Role::Manager, true, true, 50000, "M"},
    {10, "Ricardo Tavares Moura", Role::Buyer},
    {11, "Sônia Maria Araújo", Role::Operator, true, false},
    {12, "Gustavo Henrique Prado", Role::Operator},
};

QString emailOf(const DemoPerson& person)
{
    const QStringList names = QString::fromUtf8(person.name).toLower().split(u' ');
    QString address = names.first() + u'.' + names.last() + QStringLiteral("@exemplo.com.br");
    // Only plain letters in the mailbox name.
    address = address.normalized(QString::NormalizationForm_D);
    address.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return address;
}

// All demo operators share one password, so one costly hash serves them.
void insertOperators(QSqlDatabase& db)
{
    const QString hash = hashPassword(demoPassword);
    RowInserter operador(db, QStringLiteral("OPERADOR"),
                         {"CDOPERADOR", "NMOPERADOR", "DSEMAILOPER", "DSSENHAOPER", "IDATIVOOPER"});
    RowInserter comprador(db, QStringLiteral("COMPRADOR"), {"CDOPERADOR"});
    RowInserter gerente(db, QStringLiteral("GERENTE"),
                        {"CDOPERADOR", "VRAPROVCMP", "IDCONSISTAPROV"});
    for (const DemoPerson& person : people) {
        const QString code = demoOperatorCode(person.number);
        operador.add({code, QString::fromUtf8(person.name),
                      person.hasEmail ? QVariant(emailOf(person)) : QVariant(),
                      person.active ? QVariant(hash) : QVariant(), person.active ? "S" : "N"});
        if (person.role == Role::Buyer)
            comprador.add({code});
        if (person.role == Role::Manager)
            gerente.add({code, person.approvalValue, person.consistencyMode});
    }
    operador.flush();
    comprador.flush();
    gerente.flush();
}

// Managers answer for the destinations of the branches whose meat needs
// approval; operator 1 may confirm for manager 4.
void insertManagerAssignments(QSqlDatabase& db)
{
    RowInserter gerdestsol(db, QStringLiteral("GERDESTSOL"),
                           {"CDFILIAL", "CDDESTSOLI", "CDOPERADOR"});
    RowInserter geroperrel(db, QStringLiteral("GEROPERREL"),
                           {"CDFILIAL", "CDDESTSOLI", "CDOPERADOR", "CDOPERREL"});
    const int managers[] = {4, 5, 6, 9};
    int next = 0;
    for (const DemoBranch& b : demoBranches()) {
        if (!b.managerApproval)
            continue;
        for (const QString& destination : b.destinations) {
            const QString manager = demoOperatorCode(managers[next++ % 4]);
            gerdestsol.add({b.code, destination.left(3), manager});
            geroperrel.add({b.code, destination.left(3), manager, manager});
        }
        gerdestsol.add({b.code, b.destinations.first().left(3), demoOperatorCode(9)});
    }
    geroperrel.add(
        {QStringLiteral("0004"), QStringLiteral("001"), demoOperatorCode(4), demoOperatorCode(1)});
    gerdestsol.flush();
    geroperrel.flush();
}

void insertPermissions(QSqlDatabase& db)
{
    RowInserter autlancsoli(db, QStringLiteral("AUTLANCSOLI"),
                            {"CDOPERADOR", "IDAUTLANCSOLI", "PEALTEQTDESOLI"});
    const char* all[] = {"INCLUIR_DTENTREGA",   "EXCLUIR_DTENTREGA",  "INCLUIR_PRODUTO",
                         "ALTERAR_PRODUTO",     "EXCLUIR_PRODUTO",    "AUMENTAR_QUANTIDADE",
                         "DIMINUIR_QUANTIDADE", "EXCLUIR_SOLICITACAO"};
    for (const char* permission : all)
        autlancsoli.add({demoOperatorCode(1), permission, QVariant()});
    autlancsoli.add({demoOperatorCode(8), "INCLUIR_PRODUTO", QVariant()});
    autlancsoli.add({demoOperatorCode(8), "AUMENTAR_QUANTIDADE", 10.0});
    autlancsoli.add({demoOperatorCode(8), "DIMINUIR_QUANTIDADE", 20.0});
    autlancsoli.add({demoOperatorCode(12), "ALTERAR_PRODUTO", QVariant()});
    autlancsoli.flush();
}

// The Rio center restricts its operators to the branches listed here.
void insertOperatorBranches(QSqlDatabase& db)
{
    RowInserter operfili(db, QStringLiteral("OPERFILI"), {"CDOPERADOR", "CDFILIAL"});
    for (const DemoBranch& b : demoBranches())
        if (b.center() == QLatin1String("0002"))
            operfili.add({demoOperatorCode(1), b.code});
    operfili.add({demoOperatorCode(2), QStringLiteral("0007")});
    operfili.add({demoOperatorCode(8), QStringLiteral("0007")});
    operfili.add({demoOperatorCode(8), QStringLiteral("0008")});
    operfili.flush();
}

void insertFilterOptions(QSqlDatabase& db)
{
    RowInserter opcfiltro(db, QStringLiteral("OPCFILTRO"), {"CDOPERADOR", "CDTELA", "TXOPCOES"});
    opcfiltro.add({demoOperatorCode(1), QStringLiteral("CMP03107"),
                   QStringLiteral("stComprador=\nstDestino=\nstFili=_0004_0005_")});
    opcfiltro.flush();
}

} // namespace

void loadDemoPeople(QSqlDatabase& db)
{
    insertOperators(db);
    insertManagerAssignments(db);
    insertPermissions(db);
    insertOperatorBranches(db);
    insertFilterOptions(db);
}

} // namespace cmp::db
