#pragma once

#include "framework/net/remote_value.h"
#include "server/method_registry.h"
#include "server/requisition_queries.h"

#include <QDate>
#include <QString>

#include <vector>

// The criteria of the requisition filter as GetFilialSoli and GetServSolicita
// receive them: each restriction has a flag, "T" meaning "no restriction",
// beside its list string or date range.
namespace cmp::server {

struct ListCriterion
{
    bool restricts = false;
    QString list; // "_key_key_", keys padded to their width
};

struct DateCriterion
{
    bool restricts = false;
    QDate from;
    QDate to;
};

// A list of keys, how wide each key is and what to say when it is missing.
struct ListKind
{
    int keyWidth;
    const char* missing; // "Comprador deve ser informado."
    const char* plural;  // "compradores", in "Lista de compradores inválida"
};

inline constexpr ListKind branchList{branchWidth, "Filial deve ser informada.", "filiais"};

// Reads a flag and its list, writing both back as read (keys padded). A
// restricting flag with an empty or malformed list is refused with a
// ServerError.
ListCriterion readListCriterion(fw::RemoteValue& flag, fw::RemoteValue& list, const ListKind& kind);

// The thirteen by-reference arguments both calls share, in call order:
// requisition dates from, to, stSol; buyer list, stTodosComprador;
// destination list, stTodosDestino; delivery dates from, to, stEntr;
// manager code, stTodosGerente; approval set.
inline constexpr size_t criteriaArgumentCount = 13;
std::vector<Param> criteriaParams();

struct RequisitionCriteria
{
    DateCriterion requisitionDates;
    ListCriterion buyers;
    ListCriterion destinations;
    DateCriterion deliveryDates;
    bool byManager = false;
    QString manager;
    QString approval; // "T" or a sequence of "_S" approved, "_N" reproved, "_X" undecided
};

// Reads the shared arguments from args[first], writing them back as read; a
// criterion that cannot be applied is refused with a ServerError in the
// filter's own words ("Data de entrega final deve ser informada.").
RequisitionCriteria readRequisitionCriteria(std::vector<fw::RemoteValue>& args, size_t first);

// SQL condition over the SOLICITA row aliased R, and the values it binds.
QString requisitionCriteriaCondition();
Bindings requisitionCriteriaBindings(const RequisitionCriteria& criteria);

// The bound value of a restriction flag: "T" when it does not restrict.
QString flagValue(bool restricts);

} // namespace cmp::server
