#include "server/item_checks.h"

#include "framework/core/strings.h"
#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/requisition_queries.h"
#include "server/requisition_rules.h"

#include <QSet>

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

inline constexpr int productWidth = 10;

QString productCode(const RemoteValue& value)
{
    return value.toString().trimmed();
}

// The key as the checks take it: launching branch first.
RequisitionHeader requisitionOf(const CallContext& context, const Args& args)
{
    RequisitionHeader key;
    key.launchingBranch = paddedCode(args[0], branchWidth);
    key.requestingBranch = paddedCode(args[1], branchWidth);
    key.number = paddedCode(args[2], requisitionNumberWidth);
    refuseBranchUnlessOperatorMayUse(context, key.requestingBranch);
    return key;
}

// (branch) -> cdsImpedirAlt: the branch when it lets approved items change.
RemoteValue GetImpedirAlt(CallContext& context, Args& args)
{
    static const LayoutStatement impedirAlt{
        "cdsImpedirAlt",
        "SELECT CDFILIAL FROM PARAFILI WHERE CDFILIAL = :P_CDFILIAL AND IDPERMALTAPR = 'S'",
        {textField("CDFILIAL", branchWidth)}};
    const QString branch = paddedCode(args[0], branchWidth);
    refuseBranchUnlessOperatorMayUse(context, branch);
    return openInLayout(context, impedirAlt, {{"P_CDFILIAL", branch}});
}

// (launching branch, requesting branch, number, product) ->
// cdsBloqAltItenGerAprovada: a row when a manager approved the product.
RemoteValue BloqAltItenGerAprovada(CallContext& context, Args& args)
{
    const std::vector<fw::FieldDef> layout{textField("IDAPROVPRGER")};
    fw::DataPacket packet = emptyPacket(layout);
    const RequisitionHeader requisition = requisitionOf(context, args);
    if (managerApprovedProducts(context, requisition).contains(productCode(args[3])))
        packet.rows.emplace_back().values = {QStringLiteral("S")};
    return packet;
}

// (OL group, OL subgroup, product) -> cdsBloqIncluiProdCmpOL: the product when
// it, or the stock product of a pack, is in that part of the logistics
// operator's purchasing tree.
RemoteValue GetBloqIncluiProdCmpOL(CallContext& context, Args& args)
{
    static const LayoutStatement bloqIncluiProdCmpOL{
        "cdsBloqIncluiProdCmpOL",
        "SELECT P.CDPRODUTO FROM PRODUTO P WHERE P.CDPRODUTO = :P_CDPRODUTO AND EXISTS ("
        "SELECT 1 FROM PRODARVOL A WHERE A.CDGRUPPRODOL = :P_CDGRUPPRODOL "
        "AND A.CDSUBGRARVOR = :P_CDSUBGRARVOR "
        "AND (A.CDPRODUTO = P.CDPRODUTO OR A.CDPRODUTO = P.CDPRODESTO))",
        {textField("CDPRODUTO", productWidth)}};
    return openInLayout(context, bloqIncluiProdCmpOL,
                        {{"P_CDGRUPPRODOL", args[0].toString().trimmed()},
                         {"P_CDSUBGRARVOR", args[1].toString().trimmed()},
                         {"P_CDPRODUTO", productCode(args[2])}});
}

// (launching branch, requesting branch, number, product, delivery date) ->
// cdsBloqQtdeApura: the tally that counted the item.
RemoteValue GetBloqQtdeApura(CallContext& context, Args& args)
{
    static const LayoutStatement bloqQtdeApura{
        "cdsBloqQtdeApura",
        "SELECT NRSEQITMAP FROM ITEMAPURA WHERE CDFILSOLI = :P_CDFILSOLI "
        "AND CDFILLAN = :P_CDFILLAN AND NRSOLICMP = :P_NRSOLICMP "
        "AND CDPRODUTO = :P_CDPRODUTO AND DTPROGENTR = :P_DTPROGENTR",
        {textField("NRSEQITMAP", 10)}};
    const RequisitionHeader requisition = requisitionOf(context, args);
    return openInLayout(context, bloqQtdeApura,
                        {{"P_CDFILSOLI", requisition.requestingBranch},
                         {"P_CDFILLAN", requisition.launchingBranch},
                         {"P_NRSOLICMP", requisition.number},
                         {"P_CDPRODUTO", productCode(args[3])},
                         {"P_DTPROGENTR", args[4].toDate()}});
}

int requiredField(const fw::DataPacket& items, const char* name)
{
    const int index = items.fieldIndex(QLatin1String(name));
    if (index < 0)
        throw ServerError(
            QStringLiteral("O pacote de itens não tem o campo %1.").arg(QLatin1String(name)));
    return index;
}

// The items of the packet that buy something, deleted ones left out.
std::vector<DatedItem> itemsToCheck(const CallContext& context, const fw::DataPacket& packet)
{
    const int branch = requiredField(packet, "CDFILSOLI");
    const int product = requiredField(packet, "CDPRODUTO");
    const int delivery = requiredField(packet, "DTPROGENTR");
    const int quantity = packet.fieldIndex(QStringLiteral("QTSOLIPROD"));
    std::vector<DatedItem> items;
    QSet<QString> branches;
    for (const fw::PacketRow& row : packet.rows) {
        if (row.status == fw::UpdateStatus::Deleted)
            continue;
        if (quantity >= 0 && !row.values.at(size_t(quantity)).isNull() &&
            row.values.at(size_t(quantity)).toDouble() <= 0)
            continue;
        DatedItem& item = items.emplace_back();
        item.requestingBranch = fw::Ajusta(row.values.at(size_t(branch)).toString(), branchWidth);
        item.product = row.values.at(size_t(product)).toString().trimmed();
        item.delivery = row.values.at(size_t(delivery)).toDate();
        if (!item.delivery.isValid())
            throw ServerError(
                QStringLiteral("Item do produto %1 sem data de entrega.").arg(item.product));
        branches.insert(item.requestingBranch);
    }
    for (const QString& code : branches)
        refuseBranchUnlessOperatorMayUse(context, code);
    return items;
}

// (cdsItemSoli data) -> cdsVd_Periodicidade: the items off their calendar.
RemoteValue GetVdPeriodicidade(CallContext& context, Args& args)
{
    fw::DataPacket packet = emptyPacket({textField("CDARVPROD", 20), textField("NMPRODUTO", 72),
                                         textField("PERIODICIDADE", 22), dateField("DTPROGENTR")});
    for (const PeriodicityBreak& item :
         periodicityBreaks(context, itemsToCheck(context, args[0].toPacket())))
        packet.rows.emplace_back().values = {item.treeCode, item.name, item.periodicity,
                                             item.delivery};
    return packet;
}

} // namespace

void registerItemChecks(MethodRegistry& registry)
{
    const auto add = [&registry](const char* method, std::vector<Param> params, Handler handler) {
        registry.add(rdmLancaSoliCmp, QString::fromLatin1(method), std::move(params),
                     std::move(handler), Effect::ReadsOnly);
    };
    add("GetImpedirAlt", {Kind::String}, GetImpedirAlt);
    add("BloqAltItenGerAprovada", {Kind::String, Kind::String, Kind::String, Kind::String},
        BloqAltItenGerAprovada);
    add("GetBloqIncluiProdCmpOL", {Kind::String, Kind::String, Kind::String},
        GetBloqIncluiProdCmpOL);
    add("GetBloqQtdeApura", {Kind::String, Kind::String, Kind::String, Kind::String, Kind::Date},
        GetBloqQtdeApura);
    add("GetVdPeriodicidade", {Kind::Packet}, GetVdPeriodicidade);
}

} // namespace cmp::server
