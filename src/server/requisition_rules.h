#pragma once

#include <QDate>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// The rules that keep a requisition's items from changing for reasons that
// live outside the requisition: an approval, a tally, the purchase calendar,
// the purchasing tree of the logistics operator. The screens check them
// before an edit; the server answers the same checks (item_checks.h) and
// applies them again to whatever a save would write, so a client that skips
// its checks gets the same refusal and nothing is written.
namespace cmp::server {

struct CallContext;

// The requisition a save writes to, as the rules need it.
struct RequisitionHeader
{
    QString requestingBranch; // CDFILSOLI
    QString launchingBranch;  // CDFILLANCA
    QString number;           // NRSOLICMP; empty for a requisition not saved yet
    QString launchType;       // IDTIPLAN: "M" manual, "A" automatic, "C" consolidated
    QString extra;            // IDSOLEXTRA: "S" extra requisition
};

// One item a save would write, by product and delivery date.
struct ItemChange
{
    enum class Kind
    {
        Insert,
        Update,
        Delete
    };

    Kind kind = Kind::Update;
    QString product;     // CDPRODUTO
    QDate delivery;      // DTPROGENTR
    double quantity = 0; // QTSOLIPROD after the change; not read for a deletion
};

// An item whose delivery date the purchase calendar of its product does not
// offer.
struct PeriodicityBreak
{
    QString treeCode;    // CDARVPROD
    QString name;        // NMPRODUTO
    QString periodicity; // DSPERIODIC, the text the user knows it by
    QDate delivery;
};

struct DatedItem
{
    QString requestingBranch;
    QString product;
    QDate delivery;
};

// The items, in the order given, whose product has a periodicity at the
// purchase center of the requesting branch (the stock product's, for a
// purchase pack) and whose delivery date is not a day of that periodicity's
// calendar there. Products without a periodicity may be delivered any day.
// A few queries whatever the number of items.
std::vector<PeriodicityBreak> periodicityBreaks(const CallContext& context,
                                                const std::vector<DatedItem>& items);

// The products of a saved requisition that a manager approved, where the
// requesting branch still has their product group (or subgroup) approved item
// by item: no item of these products may change.
QSet<QString> managerApprovedProducts(const CallContext& context,
                                      const RequisitionHeader& requisition);

// The refusal text of the first change the rules forbid, in the order the
// screen checks them (approved item, items approved by a manager, the
// logistics operator's tree, a tally, the purchase calendar); nothing when
// every change may be written. The rules read what is stored (approval marks,
// tallies, parameters), never what the client says about it. The caller has
// checked that the operator may use the requesting branch.
std::optional<QString> refusalOf(const CallContext& context, const RequisitionHeader& header,
                                 const std::vector<ItemChange>& changes);

// The texts of the refusals, as the screens show them.
QString approvedItemRefusal();
QString managerApprovedRefusal();
QString logisticsTreeRefusal();
QString tallyRefusal(const QString& tally);
QString periodicityRefusal(const PeriodicityBreak& item);

} // namespace cmp::server
