#pragma once

#include "framework/core/messages.h"
#include "framework/core/named.h"
#include "framework/data/client_dataset.h"
#include "framework/net/net_connection.h"

#include <QChar>
#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace cmp::data {

// Parameter flags hold one letter.
inline const QString yes = QStringLiteral("S");
inline const QString no = QStringLiteral("N");

// Open and holding at least one record: there is a current record to read.
bool hasRecords(const fw::ClientDataSet& dataSet);
// A field of the current record; empty when there is none.
QString currentValue(const fw::ClientDataSet& dataSet, const QString& field);

// Keeps a record set's current record: walks and locates below it leave the
// cursor where it was when the scope ends, failure included.
class KeepPosition
{
public:
    explicit KeepPosition(fw::ClientDataSet& dataSet);
    ~KeepPosition();
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

private:
    fw::ClientDataSet& dataSet_;
    fw::Bookmark bookmark_;
};

// Locates the requisition item of a product tree code and delivery date,
// ignoring case, as every reader of a matrix cell's item does.
bool locateItem(fw::ClientDataSet& items, const QString& treeCode, const QDate& date);
// Whether some item of the set is approved, without moving it.
bool hasApprovedItem(fw::ClientDataSet& items);

// A requisition as the server calls address it, in their order.
struct RequisitionKey
{
    QString CDFILSOLI;
    QString CDFILLANCA;
    QString NRSOLICMP;
    friend bool operator==(const RequisitionKey&, const RequisitionKey&) = default;
};

// What the quantity dialog hands back to the screen that opened it.
struct QuantityAnswer
{
    // 1 confirmed, 2 cancelled (the dialog's close result).
    int closeResult = 0;
    // The quantity and volumes typed; the starting ones unless confirmed.
    double quantity = 0;
    double volumes = 0;
    double startingVolumes = 0;
    // The previous purchase shown for the item and the product's complement.
    double previousPurchaseValue = 0;
    QDate previousPurchaseDate;
    QString complement;
};

// How one screen opens another. The module registers the routines, so no
// screen includes another screen's header.
struct ScreenRoutines
{
    // Opens the requisition filter modally, creating it the first time.
    std::function<void()> CriaFiltroSolicita;
    // The filter's confirmation run again with the criteria it shows, staying
    // on the requesting branch given while it is still listed. Does nothing
    // before the filter exists.
    std::function<void(const QString& branch)> confirmFilterAgain;
    // Frees the dialogs kept hidden between uses; the requisition screen
    // does it when it closes.
    std::function<void()> freeKeptDialogs;
    // The quantity dialog for the cell in stUtiliza_Prod and stUtiliza_Data,
    // modal; kept hidden between uses.
    std::function<QuantityAnswer()> CriaAlterQtdeSoli;
    // The observation dialog: mode "J" collects a justification, which comes
    // back (empty when cancelled); an empty mode edits the cell's item.
    std::function<QString(const QString& mode)> CriaObservProd;
    // Lists the items of cdsVd_Periodicidade, whose delivery dates the
    // purchase calendar does not allow, in a modal dialog.
    std::function<void()> CriaErroPeriodicidade;
};

// Which screen opened each item dialog: true for the requisition matrix,
// false for the aggregated screen, which clears the flag before it opens
// the same dialog.
struct DialogOrigins
{
    bool includeProducts = false;
    bool insertDate = false;
    bool deleteDate = false;
    bool alterProduct = false;
    bool excludeProducts = false;
    bool automaticRegistration = false;
    bool alterQuantity = false;

    void setAll(bool fromMatrix);
};

// The matrix's lookup lists (stlProdutos, stlProdutosTot) hold entries
// "key||quantity" in the order of their keys, compared exactly but for case,
// so that a cell or a product row is found by bisection, never by a scan.
// stlProdutos is keyed by cellKey, stlProdutosTot by the tree code.
QString cellKey(const QString& treeCode, const QDate& deliveryDate);
// Index of the entry with that key, its text after "||" in rest; -1 when
// there is none.
int LocateProduto(const QStringList& list, const QString& key, QString* rest = nullptr);
// The quantity an entry holds; empty when the list has no such key.
std::optional<double> lookupQuantity(const QStringList& list, const QString& key);
// The entry of a key and its quantity, as the lists hold it.
QString lookupEntry(const QString& key, double quantity);
// Adds the entry in its place, or replaces the quantity of its key.
void putLookupQuantity(QStringList& list, const QString& key, double quantity);
// Removes the entry of exactly that key; false when there is none.
bool removeLookupEntry(QStringList& list, const QString& key);
// Puts entries added in any order into key order, all at once.
void sortLookupList(QStringList& list);

// The permissions an operator may hold over locked automatic requisitions;
// all but the last are over their items.
extern const QStringList permissionKeys;

// What the requisition screen, the requisition filter, the item dialogs and
// the aggregated screens share: the connections, the current requisition's
// record sets, the matrix's working values, the locks and the permissions.
// The module owns one while it is loaded and hands it to each screen; the
// requisition screen's close clears it.
class RequisitionState
{
public:
    RequisitionState();
    ~RequisitionState();
    RequisitionState(const RequisitionState&) = delete;
    RequisitionState& operator=(const RequisitionState&) = delete;

    // The module's server, and the purchasing server shared with other modules.
    fw::TNetConnection netLancaSoliCmp{QStringLiteral("Cmp03100.rdmLancaSoliCmp")};
    fw::TNetConnection netCompras{QStringLiteral("Cmp.rdmCompras")};

    // The requesting branches and the requisitions of the current one, as
    // the filter loaded them, with the launch date the wizard proposes.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsFilialSoli);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsData);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsServSolicita);
    // The current requisition: header, justification, items, the items the
    // integration did not import, the matrix source and the alteration log.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsSolicita);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsJustSoli);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsItemSoli);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsItemNImportados);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsDecisionProdutos);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsMovoPSol);
    // The items as the approved-items check read them; its Tag is the
    // approved-items mark (0 none, 99 present).
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsItemSoliAux);
    // The manager-approval rows a save returns.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsAprovCmpGer);
    // The items the periodicity check refused, as the error list shows them;
    // a Tag of 99 asks for the check again.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsVd_Periodicidade);
    // The products of the matrix read so far (cacheProduct of the
    // requisition screen), with their codes, names and units.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsProduto);
    // Parameters: of the purchase center (supply, purchasing), of the
    // requesting branch and its product groups, and the operator's permissions.
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsParaSupri);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsParCmpSup);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsParamFilial);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsParamGrProdGer);
    FW_NAMED_MEMBER(fw::ClientDataSet, cdsPermissoes);

    // Working lists of the quantity matrix: delivery dates, one entry per
    // cell, one per product row. Emptied when the requisition screen closes.
    QStringList stlDtEntrega;
    QStringList stlProdutos;
    QStringList stlProdutosTot;
    // The matrix cell the user acted on, for the item dialogs.
    QString stUtiliza_Prod;
    QString stUtiliza_Data;
    QString stNmProduto;
    QString stQtde;
    // The key typed on a matrix cell; null when none.
    QChar chKeyNum;
    // The quantity of the cell the quantity dialog is opened for, read from
    // the matrix's data; empty when the cell holds no record.
    std::optional<double> cellQuantity;
    // The matrix command under way ("INSERT", "UPDATE" or "DELETE") and what
    // it acts on ("PRODUTO" or "DATA"); the tree code and the delivery date
    // the inclusion dialogs added last.
    QString stOperacao;
    QString stObjeto;
    QString lastInsertedTreeCode;
    QDate lastInsertedDate;
    // Whether the quantity dialog's last use was confirmed: the matrix moves
    // on to the next cell, and Down does not open the inclusion.
    bool BoConfirmou = false;
    // The requesting branch's IDPERALTSAPR and IDIMPINCSOLAPR, as the matrix
    // and the item dialogs read them (copyBranchFlags).
    QString stIdPerAltSApr;
    QString stIdImpIncSolApr;

    DialogOrigins origins;
    ScreenRoutines screens;

    // Whether the buyer and the destination of a requisition are shown: the
    // filter decides it from the center's parameters, each requesting branch
    // from its own.
    bool buyerShown = true;
    bool destinationShown = true;
    // A product group of the branch needs a manager's approval of its items.
    bool managerApproval = false;
    // Set each time the filter runs; the previous-purchase check reads and
    // clears it.
    bool parametersRefreshPending = false;

    // A flag of the current requesting branch, one letter per position
    // asked; a letter missing reads "N". With no branch listed, the purchase
    // center's supply parameters, which its branches share, stand for it.
    QString branchFlag(const QString& field, int letters = 1) const;
    // A field of the current requisition of the list; empty when none.
    QString requisition(const QString& field) const;
    RequisitionKey currentKey() const;
    // Copies the branch flags the matrix and the item dialogs read into
    // stIdPerAltSApr and stIdImpIncSolApr.
    void copyBranchFlags();

    // The automatic lock: an automatic or consolidated requisition of a
    // branch that locks them. The other-operator lock: a requisition entered
    // by someone else where only its author may change it. Both follow the
    // current requisition and branch.
    bool lockedAutomatic() const;
    bool lockedOtherOperator() const;
    bool locked() const { return lockedAutomatic() || lockedOtherOperator(); }
    bool hasApprovedItems() const { return cdsItemSoliAux.Tag == 99; }

    // The permissions held, from cdsPermissoes; none where the center does
    // not lock automatic requisitions.
    void derivePermissions();
    void clearPermissions() { permissions_.clear(); }
    bool hasPermission(const QString& key) const { return permissions_.contains(key); }
    bool hasItemPermission() const;
    // How far, in percent, a permission may change a quantity; empty when
    // it does not limit it.
    std::optional<double> permissionPercentage(const QString& key) const;
    // A product group of the branch has its items approved by managers,
    // with the destination as approval key (the triple "S").
    bool managerApprovalGroup();

    // Loads the branch's parameters and those of its product groups.
    void GetParamFilial(const QString& branch);
    // Refreshes the manager-approval flag from the requesting branch's
    // parameters, once after each run of the filter.
    void GetVrCmpAnt();

    // The purchasing parameters of a branch: kind "CMP" into cdsParCmpSup,
    // "SUP" into cdsParaSupri. The server may answer with another branch code.
    void GetParamCmp(QString& branch, const QString& kind);

    // Back to the state of a module just loaded, as the requisition screen
    // leaves it on closing; the connections stay as they are.
    void clear();
    // Drops the event handlers of every record set: the screen that handled
    // them is going away.
    void detachHandlers();

private:
    std::vector<fw::ClientDataSet*> recordSets();

    // The texts of the coded values that the record sets show.
    fw::TMessages codedTexts_;
    QSet<QString> permissions_;
    QHash<QString, double> percentages_;
};

} // namespace cmp::data
