#include "data/requisition_state.h"

#include "data/requisition_records.h"
#include "framework/core/formats.h"
#include "framework/data/field.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

#include <algorithm>

namespace cmp::data {

const QStringList permissionKeys{
    QStringLiteral("INCLUIR_DTENTREGA"),   QStringLiteral("EXCLUIR_DTENTREGA"),
    QStringLiteral("INCLUIR_PRODUTO"),     QStringLiteral("ALTERAR_PRODUTO"),
    QStringLiteral("EXCLUIR_PRODUTO"),     QStringLiteral("AUMENTAR_QUANTIDADE"),
    QStringLiteral("DIMINUIR_QUANTIDADE"), QStringLiteral("EXCLUIR_SOLICITACAO")};

bool hasRecords(const fw::ClientDataSet& dataSet)
{
    return dataSet.Active() && !dataSet.IsEmpty();
}

QString currentValue(const fw::ClientDataSet& dataSet, const QString& field)
{
    return hasRecords(dataSet) ? dataSet.FieldByName(field).AsString() : QString();
}

KeepPosition::KeepPosition(fw::ClientDataSet& dataSet)
    : dataSet_(dataSet), bookmark_(hasRecords(dataSet) ? dataSet.GetBookmark() : fw::Bookmark{})
{}

KeepPosition::~KeepPosition()
{
    // A record left in edit is its caller's to post or cancel.
    if (bookmark_.isValid() && dataSet_.State() == fw::DataSetState::Browse &&
        dataSet_.BookmarkValid(bookmark_))
        dataSet_.GotoBookmark(bookmark_);
}

bool locateItem(fw::ClientDataSet& items, const QString& treeCode, const QDate& date)
{
    return hasRecords(items) && items.Locate(QStringLiteral("CDARVPROD;DTPROGENTR"),
                                             {treeCode, date}, {.caseInsensitive = true});
}

bool hasApprovedItem(fw::ClientDataSet& items)
{
    const KeepPosition keep(items);
    return hasRecords(items) &&
           items.Locate(QStringLiteral("IDSOLIAPROV"), QVariant(yes), {.caseInsensitive = true});
}

namespace {

const QString entrySeparator = QStringLiteral("||");

QStringView keyOf(const QString& entry)
{
    const qsizetype separator = entry.indexOf(entrySeparator);
    return separator < 0 ? QStringView(entry) : QStringView(entry).left(separator);
}

int compareKeys(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

// The first entry whose key is not before the key.
QStringList::const_iterator lowerBound(const QStringList& list, const QString& key)
{
    return std::lower_bound(list.begin(), list.end(), key,
                            [](const QString& entry, const QString& wanted) {
                                return compareKeys(keyOf(entry), wanted) < 0;
                            });
}

} // namespace

QString cellKey(const QString& treeCode, const QDate& deliveryDate)
{
    return treeCode + fw::FormatDate(deliveryDate);
}

int LocateProduto(const QStringList& list, const QString& key, QString* rest)
{
    const auto found = lowerBound(list, key);
    if (found == list.end() || compareKeys(keyOf(*found), key) != 0)
        return -1;
    if (rest)
        *rest = found->mid(keyOf(*found).size() + entrySeparator.size());
    return static_cast<int>(found - list.begin());
}

std::optional<double> lookupQuantity(const QStringList& list, const QString& key)
{
    QString rest;
    if (LocateProduto(list, key, &rest) < 0)
        return std::nullopt;
    return rest.toDouble();
}

// Written in the C locale with every digit it needs, so that reading it back
// gives the same quantity whatever the display format.
QString lookupEntry(const QString& key, double quantity)
{
    return key + entrySeparator + QString::number(quantity, 'g', 17);
}

void putLookupQuantity(QStringList& list, const QString& key, double quantity)
{
    const QString entry = lookupEntry(key, quantity);
    const auto found = lowerBound(list, key);
    const qsizetype at = found - list.begin();
    if (found != list.end() && compareKeys(keyOf(*found), key) == 0)
        list[at] = entry;
    else
        list.insert(at, entry);
}

bool removeLookupEntry(QStringList& list, const QString& key)
{
    const int at = LocateProduto(list, key);
    if (at < 0)
        return false;
    list.removeAt(at);
    return true;
}

void sortLookupList(QStringList& list)
{
    std::stable_sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        return compareKeys(keyOf(a), keyOf(b)) < 0;
    });
}

void DialogOrigins::setAll(bool fromMatrix)
{
    for (bool* flag : {&includeProducts, &insertDate, &deleteDate, &alterProduct, &excludeProducts,
                       &automaticRegistration, &alterQuantity})
        *flag = fromMatrix;
}

RequisitionState::RequisitionState()
{
    addCodedValueTexts(codedTexts_);
    declareFilialSoli(cdsFilialSoli);
    declareData(cdsData);
    declareServSolicita(cdsServSolicita, codedTexts_);
    declareSolicita(cdsSolicita);
    declareJustSoli(cdsJustSoli);
    declareItemSoli(cdsItemSoli, codedTexts_);
    declareItemSoli(cdsItemSoliAux, codedTexts_);
    declareItemNImportados(cdsItemNImportados);
    declareDecisionProdutos(cdsDecisionProdutos);
    declareMovoPSol(cdsMovoPSol);
    declareAprovCmpGer(cdsAprovCmpGer);
    declareVdPeriodicidade(cdsVd_Periodicidade);
    declareProduto(cdsProduto);
}

RequisitionState::~RequisitionState() = default;

std::vector<fw::ClientDataSet*> RequisitionState::recordSets()
{
    return {&cdsFilialSoli,       &cdsData,        &cdsServSolicita,    &cdsSolicita,
            &cdsJustSoli,         &cdsItemSoli,    &cdsItemNImportados, &cdsDecisionProdutos,
            &cdsMovoPSol,         &cdsItemSoliAux, &cdsAprovCmpGer,     &cdsParaSupri,
            &cdsParCmpSup,        &cdsParamFilial, &cdsParamGrProdGer,  &cdsPermissoes,
            &cdsVd_Periodicidade, &cdsProduto};
}

QString RequisitionState::branchFlag(const QString& field, int letters) const
{
    const fw::ClientDataSet& source = hasRecords(cdsFilialSoli) ? cdsFilialSoli : cdsParaSupri;
    const fw::Field* flag = hasRecords(source) ? source.FindField(field) : nullptr;
    const QString value = flag ? flag->AsString().trimmed() : QString();
    return value.leftJustified(letters, no.front());
}

QString RequisitionState::requisition(const QString& field) const
{
    return currentValue(cdsServSolicita, field);
}

RequisitionKey RequisitionState::currentKey() const
{
    return {requisition(QStringLiteral("CDFILSOLI")), requisition(QStringLiteral("CDFILLANCA")),
            requisition(QStringLiteral("NRSOLICMP"))};
}

void RequisitionState::copyBranchFlags()
{
    stIdPerAltSApr = branchFlag(QStringLiteral("IDPERALTSAPR"), 3);
    stIdImpIncSolApr = branchFlag(QStringLiteral("IDIMPINCSOLAPR"));
}

bool RequisitionState::lockedAutomatic() const
{
    const QString launchType = requisition(QStringLiteral("IDTIPLAN"));
    return (launchType == QLatin1String("A") || launchType == QLatin1String("C")) &&
           branchFlag(QStringLiteral("IDBLOQALTSOLAUT")) == yes;
}

bool RequisitionState::lockedOtherOperator() const
{
    const QString author = requisition(QStringLiteral("CDOPERLANC"));
    return branchFlag(QStringLiteral("IDUTLOPERSOL")) == yes && !author.trimmed().isEmpty() &&
           author != fw::Operador();
}

void RequisitionState::derivePermissions()
{
    permissions_.clear();
    percentages_.clear();
    for (cdsPermissoes.First(); !cdsPermissoes.Eof(); cdsPermissoes.Next()) {
        const QString key =
            cdsPermissoes.FieldByName(QStringLiteral("IDAUTLANCSOLI")).AsString().toUpper();
        if (!permissionKeys.contains(key))
            continue;
        permissions_.insert(key);
        const fw::Field* percentage = cdsPermissoes.FindField(QStringLiteral("PEALTEQTDESOLI"));
        if (percentage && !percentage->IsNull())
            percentages_.insert(key, percentage->AsFloat());
    }
}

std::optional<double> RequisitionState::permissionPercentage(const QString& key) const
{
    const auto found = percentages_.constFind(key);
    return found == percentages_.cend() ? std::nullopt : std::optional<double>(*found);
}

bool RequisitionState::managerApprovalGroup()
{
    return hasRecords(cdsParamGrProdGer) &&
           cdsParamGrProdGer.Locate(QStringLiteral("IDUTAPROVSOL;IDULTDESTSOL;IDAPROVITMSOLGR"),
                                    {yes, yes, yes}, {.caseInsensitive = true});
}

void RequisitionState::GetParamFilial(const QString& branch)
{
    const fw::ProgressScope progress;
    const fw::RemoteValue parameters =
        fw::CheckResultServ(netLancaSoliCmp.Call(QStringLiteral("GetParamFilial"), {branch}));
    cdsParamFilial.SetData(parameters.at(0).toPacket());
    cdsParamGrProdGer.SetData(parameters.at(1).toPacket());
}

void RequisitionState::GetVrCmpAnt()
{
    if (!parametersRefreshPending)
        return;
    GetParamFilial(currentValue(cdsFilialSoli, QStringLiteral("CDFILIAL")));
    // An empty answer leaves the flag as it was.
    if (hasRecords(cdsParamGrProdGer))
        managerApproval = managerApprovalGroup();
    parametersRefreshPending = false;
}

bool RequisitionState::hasItemPermission() const
{
    return std::any_of(permissionKeys.begin(), permissionKeys.end() - 1,
                       [this](const QString& key) { return hasPermission(key); });
}

void RequisitionState::GetParamCmp(QString& branch, const QString& kind)
{
    std::vector<fw::RemoteValue> args{branch, kind};
    const fw::RemoteValue parameters =
        fw::CheckResultServ(netCompras.Call(QStringLiteral("GetParamCmp"), args));
    branch = args.at(0).toString();
    (kind == QLatin1String("CMP") ? cdsParCmpSup : cdsParaSupri).SetData(parameters.toPacket());
}

void RequisitionState::clear()
{
    for (fw::ClientDataSet* dataSet : recordSets())
        dataSet->Close();
    cdsItemSoliAux.Tag = 0;
    for (QStringList* list : {&stlDtEntrega, &stlProdutos, &stlProdutosTot})
        list->clear();
    for (QString* text : {&stUtiliza_Prod, &stUtiliza_Data, &stNmProduto, &stQtde, &stIdPerAltSApr,
                          &stIdImpIncSolApr, &stOperacao, &stObjeto, &lastInsertedTreeCode})
        text->clear();
    lastInsertedDate = QDate();
    chKeyNum = QChar();
    cellQuantity.reset();
    BoConfirmou = false;
    origins.setAll(false);
    buyerShown = destinationShown = true;
    managerApproval = parametersRefreshPending = false;
    permissions_.clear();
    percentages_.clear();
}

void RequisitionState::detachHandlers()
{
    for (fw::ClientDataSet* dataSet : recordSets())
        dataSet->DetachEvents();
}

} // namespace cmp::data
