#include "server/requisition_rules.h"

#include "server/method_registry.h"
#include "server/requisition_queries.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>

namespace cmp::server {

namespace {

using Kind = ItemChange::Kind;

// Bound parameters per IN list: far below what either database accepts.
constexpr int codesPerQuery = 500;

const std::vector<QByteArray>& codeParameterNames()
{
    static const std::vector<QByteArray> names = [] {
        std::vector<QByteArray> list;
        for (int i = 0; i < codesPerQuery; ++i)
            list.push_back("P_CODE" + QByteArray::number(i));
        return list;
    }();
    return names;
}

// Runs the statement once per slice of the codes, its "%1" replaced by the
// slice's parameters, and gives all rows: a few queries for any number of
// items, never one per item.
std::vector<fw::PacketRow> rowsForCodes(const CallContext& context, const char* name,
                                        const QString& sql, const std::vector<fw::FieldDef>& layout,
                                        const QStringList& codes, const Bindings& fixed = {})
{
    std::vector<fw::PacketRow> rows;
    for (qsizetype start = 0; start < codes.size(); start += codesPerQuery) {
        const qsizetype count = std::min<qsizetype>(codesPerQuery, codes.size() - start);
        QStringList placeholders;
        Bindings bindings = fixed;
        for (qsizetype i = 0; i < count; ++i) {
            const char* parameter = codeParameterNames()[size_t(i)].constData();
            placeholders << QLatin1Char(':') + QLatin1String(parameter);
            bindings.emplace_back(parameter, codes.at(start + i));
        }
        const LayoutStatement statement{name, sql.arg(placeholders.join(u',')), layout};
        fw::DataPacket packet = openInLayout(context, statement, bindings);
        std::move(packet.rows.begin(), packet.rows.end(), std::back_inserter(rows));
    }
    return rows;
}

QString text(const fw::PacketRow& row, size_t column)
{
    return row.values.at(column).toString();
}

template <typename Items, typename Key> QStringList distinct(const Items& items, Key key)
{
    QSet<QString> seen;
    QStringList codes;
    for (const auto& item : items)
        if (const QString code = key(item); !seen.contains(code)) {
            seen.insert(code);
            codes << code;
        }
    return codes;
}

// --- the purchase calendar ----------------------------------------------------

struct ProductPeriodicity
{
    QString treeCode;
    QString name;
    QString periodicity;
    QString periodicityText;
};

QString centerOf(const CallContext& context, const QString& branch)
{
    static const LayoutStatement center{
        "cdsCentroCompras",
        "SELECT COALESCE(CDFILCENTCMP, CDFILIAL) AS CDFILCENTCMP FROM FILIAL "
        "WHERE CDFILIAL = :P_CDFILIAL",
        {textField("CDFILCENTCMP", 4)}};
    const fw::DataPacket rows = openInLayout(context, center, {{"P_CDFILIAL", branch}});
    return rows.rows.empty() ? QString() : text(rows.rows.front(), 0);
}

// The products of the list that have a periodicity at the center, a purchase
// pack taking its stock product's.
QHash<QString, ProductPeriodicity>
periodicitiesAt(const CallContext& context, const QString& center, const QStringList& products)
{
    const QString sql =
        QStringLiteral("SELECT P.CDPRODUTO, P.CDARVPROD, P.NMPRODUTO, PP.IDPERIODIC, D.DSPERIODIC "
                       "FROM PRODUTO P "
                       "JOIN PERIODPROD PP ON PP.CDFILIAL = :P_CDFILIAL "
                       "AND PP.CDPRODUTO = COALESCE(P.CDPRODESTO, P.CDPRODUTO) "
                       "JOIN PERIODICID D ON D.IDPERIODIC = PP.IDPERIODIC "
                       "WHERE P.CDPRODUTO IN (%1)");
    QHash<QString, ProductPeriodicity> found;
    for (const fw::PacketRow& row : rowsForCodes(
             context, "cdsPeriodicidadeProduto", sql,
             {textField("CDPRODUTO", 10), textField("CDARVPROD", 20), textField("NMPRODUTO", 50),
              textField("IDPERIODIC"), textField("DSPERIODIC", 22)},
             products, {{"P_CDFILIAL", center}}))
        found.insert(text(row, 0), {text(row, 1), text(row, 2), text(row, 3), text(row, 4)});
    return found;
}

using CalendarDays = QSet<std::pair<QString, qint64>>; // periodicity, julian day

CalendarDays calendarAt(const CallContext& context, const QString& center, const QDate& from,
                        const QDate& to)
{
    static const LayoutStatement calendar{
        "cdsCalendario",
        "SELECT IDPERIODIC, DTENTREGA FROM CALENDCMP WHERE CDFILIAL = :P_CDFILIAL "
        "AND DTENTREGA >= :P_DTINICIAL AND DTENTREGA <= :P_DTFINAL",
        {textField("IDPERIODIC"), dateField("DTENTREGA")}};
    CalendarDays days;
    for (const fw::PacketRow& row :
         openInLayout(context, calendar,
                      {{"P_CDFILIAL", center}, {"P_DTINICIAL", from}, {"P_DTFINAL", to}})
             .rows)
        days.insert({text(row, 0), row.values.at(1).toDate().toJulianDay()});
    return days;
}

// The breaks among the items of one purchase center.
void addBreaksAt(const CallContext& context, const QString& center,
                 const std::vector<const DatedItem*>& items,
                 std::map<const DatedItem*, PeriodicityBreak>& breaks)
{
    const QHash<QString, ProductPeriodicity> periodicities = periodicitiesAt(
        context, center, distinct(items, [](const DatedItem* item) { return item->product; }));
    std::vector<const DatedItem*> restricted;
    QDate from;
    QDate to;
    for (const DatedItem* item : items)
        if (periodicities.contains(item->product)) {
            restricted.push_back(item);
            from = from.isValid() ? std::min(from, item->delivery) : item->delivery;
            to = to.isValid() ? std::max(to, item->delivery) : item->delivery;
        }
    if (restricted.empty())
        return;
    const CalendarDays days = calendarAt(context, center, from, to);
    for (const DatedItem* item : restricted) {
        const ProductPeriodicity& product = periodicities[item->product];
        if (!days.contains({product.periodicity, item->delivery.toJulianDay()}))
            breaks.emplace(item, PeriodicityBreak{product.treeCode, product.name,
                                                  product.periodicityText, item->delivery});
    }
}

// --- what is stored ---------------------------------------------------------------

struct BranchRules
{
    bool approvalInUse = false;           // PARCMPSUP.IDUTAPROVSOL "S"
    QString approvedItemOptions;          // IDPERALTSAPR, "NNN" when not set
    bool approvedItemsChangeable = false; // PARAFILI.IDPERMALTAPR "S"
    bool logisticsOperator = false;       // FILIAL.IDFUNCAOFILI "O"
};

BranchRules branchRules(const CallContext& context, const QString& branch)
{
    static const LayoutStatement rules{
        "cdsRegrasFilial",
        "SELECT C.IDUTAPROVSOL, C.IDPERALTSAPR, A.IDPERMALTAPR, F.IDFUNCAOFILI FROM FILIAL F "
        "LEFT JOIN PARCMPSUP C ON C.CDFILIAL = F.CDFILIAL "
        "LEFT JOIN PARAFILI A ON A.CDFILIAL = F.CDFILIAL WHERE F.CDFILIAL = :P_CDFILIAL",
        {textField("IDUTAPROVSOL"), textField("IDPERALTSAPR", 3), textField("IDPERMALTAPR"),
         textField("IDFUNCAOFILI")}};
    const fw::DataPacket rows = openInLayout(context, rules, {{"P_CDFILIAL", branch}});
    BranchRules found;
    found.approvedItemOptions = QStringLiteral("NNN");
    if (rows.rows.empty())
        return found;
    const fw::PacketRow& row = rows.rows.front();
    found.approvalInUse = text(row, 0) == QLatin1String("S");
    if (!text(row, 1).isEmpty())
        found.approvedItemOptions = text(row, 1).leftJustified(3, u'N');
    found.approvedItemsChangeable = text(row, 2) == QLatin1String("S");
    found.logisticsOperator = text(row, 3) == QLatin1String("O");
    return found;
}

struct StoredItem
{
    double quantity = 0;
    bool approved = false; // IDSOLIAPROV "S"
    QString tally;         // NRSEQITMAP of the tally that counted it
};

using ItemKey = std::pair<QString, qint64>; // product, julian day

ItemKey keyOf(const QString& product, const QDate& delivery)
{
    return {product, delivery.toJulianDay()};
}

Bindings requisitionKey(const RequisitionHeader& header)
{
    return {{"P_CDFILSOLI", header.requestingBranch},
            {"P_CDFILLAN", header.launchingBranch},
            {"P_NRSOLICMP", header.number}};
}

QHash<ItemKey, StoredItem> storedItems(const CallContext& context, const RequisitionHeader& header)
{
    static const LayoutStatement items{
        "cdsItensGravados",
        "SELECT I.CDPRODUTO, I.DTPROGENTR, I.QTSOLIPROD, I.IDSOLIAPROV, T.NRSEQITMAP "
        "FROM ITEMSOLI I LEFT JOIN ITEMAPURA T ON T.CDFILSOLI = I.CDFILSOLI "
        "AND T.CDFILLAN = I.CDFILLAN AND T.NRSOLICMP = I.NRSOLICMP "
        "AND T.CDPRODUTO = I.CDPRODUTO AND T.DTPROGENTR = I.DTPROGENTR "
        "WHERE I.CDFILSOLI = :P_CDFILSOLI AND I.CDFILLAN = :P_CDFILLAN "
        "AND I.NRSOLICMP = :P_NRSOLICMP",
        {textField("CDPRODUTO", 10), dateField("DTPROGENTR"), floatField("QTSOLIPROD"),
         textField("IDSOLIAPROV"), textField("NRSEQITMAP", 10)}};
    QHash<ItemKey, StoredItem> stored;
    for (const fw::PacketRow& row : openInLayout(context, items, requisitionKey(header)).rows)
        stored.insert(
            keyOf(text(row, 0), row.values.at(1).toDate()),
            {row.values.at(2).toDouble(), text(row, 3) == QLatin1String("S"), text(row, 4)});
    return stored;
}

} // namespace

QSet<QString> managerApprovedProducts(const CallContext& context, const RequisitionHeader& header)
{
    static const LayoutStatement approved{
        "cdsProdutosAprovados",
        QStringLiteral("SELECT DISTINCT A.CDPRODUTO FROM APROVCMPGER A "
                       "JOIN PRODUTO P ON P.CDPRODUTO = A.CDPRODUTO "
                       "WHERE A.CDFILSOLI = :P_CDFILSOLI AND A.CDFILLAN = :P_CDFILLAN "
                       "AND A.NRSOLICMP = :P_NRSOLICMP AND A.IDAPROVPRGER = 'S' AND ") +
            managerApprovesItemsOf(QStringLiteral("A.CDFILSOLI"), QStringLiteral("P")),
        {textField("CDPRODUTO", 10)}};
    QSet<QString> products;
    for (const fw::PacketRow& row : openInLayout(context, approved, requisitionKey(header)).rows)
        products.insert(text(row, 0));
    return products;
}

namespace {

// Products of the list in the logistics operator's purchasing tree under the
// branch's parameters (a pack by itself or by its stock product).
QSet<QString> logisticsTreeProducts(const CallContext& context, const QString& branch,
                                    const QStringList& products)
{
    const QString sql =
        QStringLiteral("SELECT DISTINCT P.CDPRODUTO FROM PRODUTO P, PARGRPRODGER G, PRODARVOL A "
                       "WHERE G.CDFILIAL = :P_CDFILIAL AND G.IDUTLPRARVOLCMP = 'S' "
                       "AND A.CDGRUPPRODOL = G.CDGRUPPRODOL AND A.CDSUBGRARVOR = G.CDSUBGRARVOR "
                       "AND (A.CDPRODUTO = P.CDPRODUTO OR A.CDPRODUTO = P.CDPRODESTO) "
                       "AND P.CDPRODUTO IN (%1)");
    QSet<QString> found;
    for (const fw::PacketRow& row :
         rowsForCodes(context, "cdsProdutosArvoreOL", sql, {textField("CDPRODUTO", 10)}, products,
                      {{"P_CDFILIAL", branch}}))
        found.insert(text(row, 0));
    return found;
}

// --- the rules, one change at a time ----------------------------------------------

// Quantities are kept in ten-thousandths; a difference below that is none.
bool sameQuantity(double a, double b)
{
    return std::llround(a * 10000) == std::llround(b * 10000);
}

class ChangeRules
{
public:
    ChangeRules(const CallContext& context, const RequisitionHeader& header,
                const std::vector<ItemChange>& changes)
        : context_(context), header_(header), changes_(changes),
          branch_(branchRules(context, header.requestingBranch))
    {
        if (!header.number.isEmpty()) {
            stored_ = storedItems(context, header);
            managerApproved_ = managerApprovedProducts(context, header);
        }
    }

    std::optional<QString> refusal()
    {
        for (const auto& rule :
             {&ChangeRules::approvedItem, &ChangeRules::managerApproval,
              &ChangeRules::logisticsTree, &ChangeRules::tally, &ChangeRules::periodicity})
            if (std::optional<QString> text = (this->*rule)())
                return text;
        return std::nullopt;
    }

private:
    const StoredItem* storedOf(const ItemChange& change) const
    {
        const auto found = stored_.constFind(keyOf(change.product, change.delivery));
        return found == stored_.cend() ? nullptr : &*found;
    }

    // A new item, a deletion, or another quantity: an observation or a
    // previous-purchase value alone changes nothing these rules guard.
    bool changesQuantity(const ItemChange& change) const
    {
        const StoredItem* stored = storedOf(change);
        return change.kind != Kind::Update || !stored ||
               !sameQuantity(stored->quantity, change.quantity);
    }

    bool addsQuantity(const ItemChange& change) const
    {
        return change.kind != Kind::Delete && changesQuantity(change);
    }

    // An approved item keeps its quantity unless the branch lets approved
    // items change, by both of its parameters.
    std::optional<QString> approvedItem() const
    {
        const bool changeable =
            branch_.approvedItemOptions.at(1) != u'N' && branch_.approvedItemsChangeable;
        if (!branch_.approvalInUse || changeable)
            return std::nullopt;
        for (const ItemChange& change : changes_)
            if (const StoredItem* stored = storedOf(change);
                stored && stored->approved && changesQuantity(change))
                return approvedItemRefusal();
        return std::nullopt;
    }

    std::optional<QString> managerApproval() const
    {
        for (const ItemChange& change : changes_)
            if (managerApproved_.contains(change.product) && changesQuantity(change))
                return managerApprovedRefusal();
        return std::nullopt;
    }

    std::optional<QString> logisticsTree() const
    {
        if (!branch_.logisticsOperator)
            return std::nullopt;
        const QStringList products =
            distinct(changes_, [](const ItemChange& c) { return c.product; });
        const QSet<QString> blocked =
            logisticsTreeProducts(context_, header_.requestingBranch, products);
        for (const ItemChange& change : changes_)
            if (blocked.contains(change.product) && addsQuantity(change))
                return logisticsTreeRefusal();
        return std::nullopt;
    }

    // With approval in use, a tally only warns unless the second approval
    // option says otherwise; the screen warns too.
    std::optional<QString> tally() const
    {
        if (branch_.approvalInUse && branch_.approvedItemOptions.at(1) != u'S')
            return std::nullopt;
        for (const ItemChange& change : changes_)
            if (const StoredItem* stored = storedOf(change);
                stored && !stored->tally.isEmpty() && changesQuantity(change))
                return tallyRefusal(stored->tally);
        return std::nullopt;
    }

    // Manual requisitions that are not extra, and automatic ones, keep to the
    // purchase calendar.
    std::optional<QString> periodicity() const
    {
        const bool calendarApplies =
            (header_.launchType == QLatin1String("M") && header_.extra != QLatin1String("S")) ||
            header_.launchType == QLatin1String("A");
        if (!calendarApplies)
            return std::nullopt;
        std::vector<DatedItem> items;
        for (const ItemChange& change : changes_)
            if (change.quantity > 0 && addsQuantity(change))
                items.push_back({header_.requestingBranch, change.product, change.delivery});
        const std::vector<PeriodicityBreak> breaks = periodicityBreaks(context_, items);
        if (breaks.empty())
            return std::nullopt;
        return periodicityRefusal(breaks.front());
    }

    const CallContext& context_;
    const RequisitionHeader& header_;
    const std::vector<ItemChange>& changes_;
    BranchRules branch_;
    QHash<ItemKey, StoredItem> stored_;
    QSet<QString> managerApproved_;
};

} // namespace

std::vector<PeriodicityBreak> periodicityBreaks(const CallContext& context,
                                                const std::vector<DatedItem>& items)
{
    std::map<QString, std::vector<const DatedItem*>> byCenter;
    QHash<QString, QString> centers;
    for (const DatedItem& item : items) {
        auto center = centers.find(item.requestingBranch);
        if (center == centers.end())
            center =
                centers.insert(item.requestingBranch, centerOf(context, item.requestingBranch));
        if (!center->isEmpty())
            byCenter[*center].push_back(&item);
    }
    std::map<const DatedItem*, PeriodicityBreak> breaks;
    for (const auto& [center, itemsAtCenter] : byCenter)
        addBreaksAt(context, center, itemsAtCenter, breaks);
    std::vector<PeriodicityBreak> inOrder;
    inOrder.reserve(breaks.size());
    for (const DatedItem& item : items)
        if (const auto found = breaks.find(&item); found != breaks.end())
            inOrder.push_back(found->second);
    return inOrder;
}

std::optional<QString> refusalOf(const CallContext& context, const RequisitionHeader& header,
                                 const std::vector<ItemChange>& changes)
{
    if (changes.empty())
        return std::nullopt;
    return ChangeRules(context, header, changes).refusal();
}

QString approvedItemRefusal()
{
    return QStringLiteral("Quantidade já liberada para compra.");
}

QString managerApprovedRefusal()
{
    return QStringLiteral("Operação bloqueada. Existem itens aprovados que pertencem ao "
                          "agrupamento de itens com aprovação por gerentes. ");
}

QString logisticsTreeRefusal()
{
    return QStringLiteral("Operação bloqueada. Não é possível incluir item de solicitação "
                          "relacionado com produto de compra da árvore do OL.");
}

QString tallyRefusal(const QString& tally)
{
    return QStringLiteral("Operação bloqueada. Quantidade já considerada na apuração nº: %1 .")
        .arg(tally);
}

QString periodicityRefusal(const PeriodicityBreak& item)
{
    return QStringLiteral("Produto %1 - %2 fora da periodicidade \"%3\": não há entrega em %4.")
        .arg(item.treeCode, item.name, item.periodicity,
             item.delivery.toString(QStringLiteral("dd/MM/yyyy")));
}

} // namespace cmp::server
