// requisition/edit_locks.cpp: what may change a requisition's items. The
// automatic lock and the permissions that lift it, approved items of groups
// that managers approve, products of the center's online purchasing tree,
// quantities already tallied, the purchase calendar before a save, and the
// texts of notices that could not be sent.
#include "requisition/Cli_cmp03100.h"

#include "data/module_statements.h"
#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/forms/buttons.h"
#include "framework/forms/menus.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

namespace cmp::Cli_cmp03100 {

namespace {

using namespace fw;
using data::currentValue;
using data::hasRecords;
using data::yes;

const std::pair<const char*, const char*> editCatalog[] = {
    {"solicitacao", "Operação bloqueada. Existem itens aprovados que pertencem ao agrupamento "
                    "de itens com aprovação por gerentes. "},
    {"N_Prod_CMP_OL", "Operação bloqueada. Não é possível incluir item de solicitação "
                      "relacionado com produto de compra da árvore do OL."},
    {"BloqQtdeApura", "Operação bloqueada. Quantidade já considerada na apuração nº: %s ."},
    {"Erro_Filial", "Filial %s não possui cadastro(s) necessário(s) para envio de e-mail."},
    {"Erro_Operador", "Operador %s não possui e-mail cadastrado."},
    {"Erro_Comprador", "Comprador %s não possui e-mail cadastrado."},
    {"Erro_Gerente", "Gerente %s não possui e-mail cadastrado."},
    {"Erro_Op_Login", "Operador %s não possui cadastro(s) necessário(s) para envio de e-mail."},
    {"Outro_Erro", "Não foi possível enviar e-mail para operador %s."},
    {"Qt_ja_liber", "Quantidade já liberada para compra."},
    {"Soli_Item_Aprov", "Operação bloqueada. Solicitação já possui itens aprovados."},
    {"Quant_Cons", "Quantidade já considerada na consolidação do OL nº %s."},
    {"Alter_Qtde_N_Pode", "Quantidade não pode ser alterada para %g. "},
};

QString withValue(const QString& text, const QString& value)
{
    return QString(text).replace(QStringLiteral("%s"), value);
}

} // namespace

void TfrmLancaSoliCmp::addEditMessages()
{
    for (const auto& [key, text] : editCatalog)
        msgPadrao.Add(QString::fromLatin1(key), QString::fromUtf8(text));
}

// One of the checks' server calls, its answer into a record set, under the
// progress animation.
void TfrmLancaSoliCmp::loadInto(ClientDataSet& target, const QString& method,
                                std::vector<RemoteValue> args)
{
    const ProgressScope progress;
    target.SetData(CheckResultServ(state.netLancaSoliCmp.Call(method, args)).toPacket());
}

// The product of a tree code into qryVdProduto; false when there is none.
bool TfrmLancaSoliCmp::productOf(const QString& treeCode)
{
    OpenDeclared(qryVdProduto,
                 data::declaredName(QStringLiteral("TfrmLancaSoliCmp"), qryVdProduto.Name()),
                 {{QStringLiteral("P_CDPRODUTO"), treeCode}});
    return hasRecords(qryVdProduto);
}

// --- command locks ------------------------------------------------------------------

void TfrmLancaSoliCmp::Controla_BloqPermissoes()
{
    const bool automatic = state.lockedAutomatic();
    const bool ownRequisition = !state.lockedOtherOperator();
    const auto held = [this](std::initializer_list<const char*> keys) {
        return std::any_of(keys.begin(), keys.end(), [this](const char* key) {
            return state.hasPermission(QString::fromLatin1(key));
        });
    };
    bool remove = !state.hasApprovedItems() && ownRequisition &&
                  (!automatic || held({"EXCLUIR_DTENTREGA", "EXCLUIR_PRODUTO"}));
    bool include = ownRequisition && (!automatic || held({"INCLUIR_DTENTREGA", "INCLUIR_PRODUTO"}));
    bool alter =
        ownRequisition &&
        (!automatic || held({"ALTERAR_PRODUTO", "AUMENTAR_QUANTIDADE", "DIMINUIR_QUANTIDADE"}));
    bool automaticCommand = remove || include;
    // Purchase orders were generated for the item: nothing of it may change.
    if (currentValue(state.cdsParamFilial, QStringLiteral("IDUTILIZAINTSAC")) == yes &&
        currentValue(state.cdsItemSoli, QStringLiteral("IDIMPITMSAC")) == QLatin1String("F"))
        remove = include = alter = automaticCommand = false;
    SetCommandEnabled(sbtExcluir, remove);
    SetCommandEnabled(sbtIncluir, include);
    SetCommandEnabled(sbtAlterar, alter);
    sbtAutomatico.SetEnabled(automaticCommand);
    mnuAutomatico.SetEnabled(automaticCommand);
}

// --- checks of an item ----------------------------------------------------------------

void TfrmLancaSoliCmp::Vd_BloqAltItenGerAprovada()
{
    state.GetParamFilial(currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")));
    if (!state.managerApprovalGroup())
        return;
    const data::RequisitionKey key = state.currentKey();
    const QString product = productOf(state.stUtiliza_Prod)
                                ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"))
                                : QString();
    loadInto(cdsBloqAltItenGerAprovada, QStringLiteral("BloqAltItenGerAprovada"),
             {key.CDFILLANCA, key.CDFILSOLI, key.NRSOLICMP, product});
    if (hasRecords(cdsBloqAltItenGerAprovada))
        MensErro(msgPadrao.Msg(QStringLiteral("solicitacao")), true);
}

void TfrmLancaSoliCmp::Vd_BloqIncluiProdCmpOL()
{
    state.GetParamFilial(currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL")));
    openQuery(qryFilial,
              {{QStringLiteral("P_CDFILIAL"), state.requisition(QStringLiteral("CDFILSOLI"))}});
    if (currentValue(state.cdsParamGrProdGer, QStringLiteral("IDUTLPRARVOLCMP")) != yes ||
        currentValue(qryFilial, QStringLiteral("IDFUNCAOFILI")) != QLatin1String("O"))
        return;
    const QString product = productOf(state.stUtiliza_Prod)
                                ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"))
                                : QString();
    loadInto(cdsBloqIncluiProdCmpOL, QStringLiteral("GetBloqIncluiProdCmpOL"),
             {currentValue(state.cdsParamGrProdGer, QStringLiteral("CDGRUPPRODOL")),
              currentValue(state.cdsParamGrProdGer, QStringLiteral("CDSUBGRARVOR")), product});
    if (!currentValue(cdsBloqIncluiProdCmpOL, QStringLiteral("CDPRODUTO")).isEmpty())
        MensErro(msgPadrao.Msg(QStringLiteral("N_Prod_CMP_OL")), true);
}

// A tallied quantity stops the edit, unless the branch approves items and
// lets approved quantities change: then it is only said.
void TfrmLancaSoliCmp::Vd_BloqQtdeApura()
{
    const data::RequisitionKey key = state.currentKey();
    const QString product = productOf(state.stUtiliza_Prod)
                                ? currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"))
                                : QString();
    loadInto(
        cdsBloqQtdeApura, QStringLiteral("GetBloqQtdeApura"),
        {key.CDFILLANCA, key.CDFILSOLI, key.NRSOLICMP, product, DateSetText(state.stUtiliza_Data)});
    const QString tally = currentValue(cdsBloqQtdeApura, QStringLiteral("NRSEQITMAP"));
    if (tally.isEmpty())
        return;
    const bool approvalInUse = state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes;
    const bool stop = !approvalInUse || state.stIdPerAltSApr.mid(1, 1) == yes;
    MensErro(withValue(msgPadrao.Msg(QStringLiteral("BloqQtdeApura")), tally), stop);
}

// --- before a save ------------------------------------------------------------------------

void TfrmLancaSoliCmp::Vd_Periodicidade()
{
    ClientDataSet& breaking = state.cdsVd_Periodicidade;
    breaking.Close();
    const QString launchType = state.requisition(QStringLiteral("IDTIPLAN"));
    const bool calendarApplies = (launchType == QLatin1String("M") &&
                                  state.requisition(QStringLiteral("IDSOLEXTRA")) == data::no) ||
                                 launchType == QLatin1String("A");
    if (breaking.Tag != 99 || !calendarApplies)
        return;
    loadInto(breaking, QStringLiteral("GetVdPeriodicidade"),
             {RemoteValue(state.cdsItemSoli.Data())});
    if (breaking.IsEmpty())
        return;
    state.screens.CriaErroPeriodicidade();
    Abort();
}

// --- notices not sent -----------------------------------------------------------------------

void TfrmLancaSoliCmp::Vd_Email(const QString& branch, const QString& operatorCode,
                                const QString& errorKey)
{
    const auto person = [this](const QString& code) {
        OpenDeclared(qryOperador,
                     data::declaredName(QStringLiteral("TfrmLancaSoliCmp"), qryOperador.Name()),
                     {{QStringLiteral("P_CDOPERCOMP"), code}});
        return currentValue(qryOperador, QStringLiteral("CDOPERADOR")) + QStringLiteral(" - ") +
               currentValue(qryOperador, QStringLiteral("NMOPERADOR"));
    };
    QString key = errorKey;
    QString value;
    if (errorKey == QLatin1String("Erro_Filial")) {
        openQuery(qryFilial, {{QStringLiteral("P_CDFILIAL"), branch}});
        value = currentValue(qryFilial, QStringLiteral("CDFILIAL")) + QStringLiteral(" - ") +
                currentValue(qryFilial, QStringLiteral("NMFILIAL"));
    } else if (errorKey == QLatin1String("Erro_Operador")) {
        value = person(Operador());
    } else if (errorKey == QLatin1String("Erro_Comprador") ||
               errorKey == QLatin1String("Erro_Gerente")) {
        value = person(operatorCode);
    } else if (errorKey == QLatin1String("Erro_Op_Login")) {
        value = Operador() + QStringLiteral(" - ") + NomeOperador();
    } else {
        key = QStringLiteral("Outro_Erro");
        value = person(operatorCode) + QStringLiteral(" - ") + errorKey;
    }
    MensErro(withValue(msgPadrao.Msg(key), value), false);
}

} // namespace cmp::Cli_cmp03100
