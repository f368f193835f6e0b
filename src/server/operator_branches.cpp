#include "server/operator_branches.h"

#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_queries.h"

namespace cmp::server {

namespace {

// The branches an operator may work for are the ones they may request for,
// so a processing branch chosen at sign-in is never refused later.
const LayoutStatement operatorBranches{
    "cdsFiliaisOperador",
    QStringLiteral("SELECT F.CDFILIAL, F.NMFILIAL, F.DTPROCFILI FROM FILIAL F WHERE ") +
        operatorMayUse(QStringLiteral("F.CDFILIAL")) + QStringLiteral(" ORDER BY F.CDFILIAL"),
    {textField("CDFILIAL", 4), textField("NMFILIAL", 30), dateField("DTPROCFILI")}};

// () -> packet CDFILIAL, NMFILIAL, DTPROCFILI of the operator of the token
fw::RemoteValue GetFiliaisOperador(CallContext& context, std::vector<fw::RemoteValue>&)
{
    return openInLayout(context, operatorBranches, {signedInOperator(context)});
}

} // namespace

void registerOperatorBranches(MethodRegistry& registry)
{
    registry.add(rdmCompras, QStringLiteral("GetFiliaisOperador"), {}, GetFiliaisOperador,
                 Effect::ReadsOnly);
}

} // namespace cmp::server
