#include "server/product_history.h"

#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_queries.h"

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

// The dialogs name a product by its tree code or by its product code; a tree
// code is unique, so it is tried first. PRD is the alias of the product's
// PRODUTO row in the statements below.
QString productNamed()
{
    return QStringLiteral("PRODUTO PRD WHERE PRD.CDPRODUTO = COALESCE((SELECT T.CDPRODUTO FROM "
                          "PRODUTO T WHERE T.CDARVPROD = :P_PRODUTO), :P_PRODUTO) ");
}

const LayoutStatement media{
    "cdsMedia",
    QStringLiteral("SELECT M.QTMEDSOLPROD FROM PRODPREFMED M, ") + productNamed() +
        QStringLiteral("AND M.CDFILIAL = :P_CDFILIAL AND M.CDPRODUTO = PRD.CDPRODUTO"),
    {floatField("QTMEDSOLPROD")}};

const LayoutStatement vrCmpAnt{
    "cdsVrCmpAnt",
    QStringLiteral("SELECT C.DTPROGENTAF, C.VRPREUNIAF FROM CMPANTERIOR C, ") + productNamed() +
        QStringLiteral("AND C.CDFILIAL = :P_CDFILIAL AND C.CDPRODUTO = PRD.CDPRODUTO "
                       "ORDER BY C.DTPROGENTAF DESC LIMIT 1"),
    {dateTimeField("DTPROGENTAF"), floatField("VRPREUNIAF")}};

const LayoutStatement dsProduto{"cdsDsProduto",
                                QStringLiteral("SELECT PRD.DSCOMPLNOME FROM ") + productNamed(),
                                {textField("DSCOMPLNOME", 300)}};

const LayoutStatement prodAprovacao{
    "cdsProdAprovacao",
    QStringLiteral("SELECT F.CDFILIAL FROM FILIAL F, ") + productNamed() +
        QStringLiteral("AND F.CDFILIAL = :P_CDFILIAL AND ") +
        managerApprovesItemsOf(QStringLiteral("F.CDFILIAL"), QStringLiteral("PRD")),
    {textField("CDFILIAL", branchWidth)}};

// The branch of the dialogs' questions, when the operator may use it.
QString requestingBranch(const CallContext& context, const RemoteValue& value)
{
    const QString branch = paddedCode(value, branchWidth);
    refuseBranchUnlessOperatorMayUse(context, branch);
    return branch;
}

// A by-reference product comes back as it was read: trimmed, never null.
QString productArgument(RemoteValue& value)
{
    const QString product = value.toString().trimmed();
    value = product;
    return product;
}

// (branch, var product) -> cdsMedia: the branch's average requisition quantity.
RemoteValue GetMedia(CallContext& context, Args& args)
{
    const QString branch = requestingBranch(context, args[0]);
    return openInLayout(context, media,
                        {{"P_CDFILIAL", branch}, {"P_PRODUTO", productArgument(args[1])}});
}

// (branch, var product) -> [cdsVrCmpAnt, cdsDsProduto, cdsProdAprovacao]
RemoteValue GetVrCmpAn(CallContext& context, Args& args)
{
    const Bindings bindings{{"P_CDFILIAL", requestingBranch(context, args[0])},
                            {"P_PRODUTO", productArgument(args[1])}};
    return RemoteValue::Array{openInLayout(context, vrCmpAnt, bindings),
                              openInLayout(context, dsProduto, {bindings.back()}),
                              openInLayout(context, prodAprovacao, bindings)};
}

// (var product) -> cdsProduto: the complementary description.
RemoteValue DescComplProd(CallContext& context, Args& args)
{
    return openInLayout(context, dsProduto, {{"P_PRODUTO", productArgument(args[0])}});
}

} // namespace

void registerProductHistory(MethodRegistry& registry)
{
    const Param product = Param::byReference(Kind::String);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetMedia"), {Kind::String, product}, GetMedia,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetVrCmpAn"), {Kind::String, product}, GetVrCmpAn,
                 Effect::ReadsOnly);
    registry.add(rdmLancaSoliCmp, QStringLiteral("DescComplProd"), {product}, DescComplProd,
                 Effect::ReadsOnly);
}

} // namespace cmp::server
