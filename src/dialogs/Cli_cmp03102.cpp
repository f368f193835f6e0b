#include "dialogs/Cli_cmp03102.h"

#include "data/module_statements.h"
#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/core/strings.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/sql/declared_query.h"
#include "framework/ui/ui_port.h"

#include <cmath>

namespace cmp::Cli_cmp03102 {

fw::ScreenInstance<TfrmAlterQtde> frmAlterQtde;

namespace {

using namespace fw;
using data::currentValue;
using data::hasRecords;
using data::yes;

data::RequisitionState* unitState = nullptr;

constexpr int integerDigits = 10;
constexpr int decimalDigits = 3;
// 9,999,999.999 in thousandths: the largest quantity or volume accepted.
constexpr qint64 largestThousandths = 9'999'999'999;

const std::pair<const char*, const char*> catalog[] = {
    {"Media", "Não há média das solicitações."},
    {"msgPerc01", "A diferença entre a quatidade informada ("},
    {"msgPerc02", ") e a média das solicitações ("},
    {"msgPerc03", ") é superior a "},
    {"msgPerc04", "%. Confirma?"},
    {"Quant_vazia", "Quantidade deve ser informada."},
    {"Quant_Inv", "Valor fora dos limites válidos para a coluna."},
    {"Soli_Item_Aprov", "Operação bloqueada. Solicitação já possui itens aprovados."},
    {"VrCmpAnt_Menor", "Valor de compra anterior deve ser maior que zero."},
};

bool beyondLimit(double value)
{
    return value < 0 || std::llround(value * 1000) > largestThousandths;
}

// As the question writes a number: its shortest general form, with the
// decimal comma.
QString questionNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 15).replace(u'.', u',');
}

qint64 tenThousandths(double value)
{
    return std::llround(value * 10000);
}

Panel& row(const QString& name, Form& form, GroupBox& group)
{
    return form.create<Panel>(name, &group);
}

NumberEdit& quantityField(const QString& name, Form& form, Panel& row)
{
    NumberEdit& field = form.create<NumberEdit>(name, &row);
    field.SetDecimals(decimalDigits);
    return field;
}

} // namespace

TfrmAlterQtde::TfrmAlterQtde(data::RequisitionState& state)
    : TfrmRotiGeral(QStringLiteral("frmAlterQtde"), QStringLiteral("CMP03102")), state(state),
      FW_NAMED(grbQuantidade, create<GroupBox>), FW_NAMED(quantityRow, row, *this, grbQuantidade),
      FW_NAMED(lblQtde, createCaptioned<Label>, &quantityRow, QStringLiteral("Quantidade")),
      FW_NAMED(nedQtde, quantityField, *this, quantityRow),
      FW_NAMED(sbtMedia, create<SpeedButton>, &quantityRow),
      FW_NAMED(sbtObservProd, create<SpeedButton>, &quantityRow),
      FW_NAMED(volumesRow, row, *this, grbQuantidade),
      FW_NAMED(lblQtArmazena, createCaptioned<Label>, &volumesRow,
               QStringLiteral("Qt. de Volumes")),
      FW_NAMED(nedQtArmazena, quantityField, *this, volumesRow),
      FW_NAMED(previousPurchaseRow, row, *this, grbQuantidade),
      FW_NAMED(lblVrCmpAnterior, createCaptioned<Label>, &previousPurchaseRow,
               QStringLiteral("Vr. Compra Anterior")),
      FW_NAMED(nedVrCmpAnteriorAux, quantityField, *this, previousPurchaseRow),
      FW_NAMED(depDtCmpAnteriorAux, create<DateEdit>, &previousPurchaseRow),
      FW_NAMED(CalcularMdia1, createCaptioned<MenuItem>,
               &create<PopupMenu>(QStringLiteral("quantityMenu")), QStringLiteral("Calcular Média"))
{
    SetCaption(QStringLiteral("Alteração na Quantidade"));
    addMessages();
    layOut();
    wireEvents();
    OnCreate = [this](Form&) { FormCreate(); };
}

TfrmAlterQtde::~TfrmAlterQtde()
{
    Destroy();
}

void TfrmAlterQtde::addMessages()
{
    for (const auto& [key, text] : catalog)
        msgPadrao.Add(QString::fromLatin1(key), QString::fromUtf8(text));
}

void TfrmAlterQtde::layOut()
{
    sbtMedia.SetHint(QStringLiteral("Média das Solicitações"));
    sbtObservProd.SetHint(QStringLiteral("Informar Observação"));
    CalcularMdia1.SetShortCut(QStringLiteral("Ctrl+M"));
    grbQuantidade.SetPopupMenu(&control<PopupMenu>(QStringLiteral("quantityMenu")));
    nedVrCmpAnteriorAux.SetEnabled(false);
    nedVrCmpAnteriorAux.SetColor(ColorRole::Disabled);
    depDtCmpAnteriorAux.SetVisible(false);
    volumesRow.SetVisible(false);
}

void TfrmAlterQtde::wireEvents()
{
    OnActivate = [this](Form&) { FormActivate(); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
    sbtMedia.OnClick = [this](Control&) { sbtMediaClick(); };
    CalcularMdia1.OnClick = [this](Control&) { sbtMediaClick(); };
    sbtObservProd.OnClick = [this](Control&) { sbtObservProdClick(); };
    nedQtde.OnKeyPress = [this](Control&, QChar& key) { nedQtdeKeyPress(key); };
    nedQtArmazena.OnKeyPress = [this](Control&, QChar& key) { nedQtArmazenaKeyPress(key); };
    nedQtde.OnChange = [this](Control&) { keepWithinDigits(nedQtde, acceptedQuantity_); };
    nedQtArmazena.OnChange = [this](Control&) {
        if (fromMatrix_)
            keepWithinDigits(nedQtArmazena, acceptedVolumes_);
    };
}

void TfrmAlterQtde::openQuery(ClientDataSet& query, const QueryParams& params)
{
    OpenDeclared(query, data::declaredName(QStringLiteral("TfrmAlterQtde"), query.Name()), params);
}

QString TfrmAlterQtde::requestingBranch() const
{
    return state.requisition(QStringLiteral("CDFILSOLI"));
}

QDate TfrmAlterQtde::cellDate() const
{
    return DateSetText(state.stUtiliza_Data);
}

bool TfrmAlterQtde::locateCellItem()
{
    return data::locateItem(state.cdsItemSoli, state.stUtiliza_Prod, cellDate());
}

// --- preparing an opening -----------------------------------------------------------

void TfrmAlterQtde::FormCreate()
{
    fromMatrix_ = state.origins.alterQuantity;
    loadPending_ = true;
    closeResult_ = 0;
    // A stop of the caller after an earlier use must not read as confirmed.
    state.BoConfirmou = false;
    state.GetVrCmpAnt();
    for (ClientDataSet* answer : {&cdsVrCmpAnt, &cdsDsProduto, &cdsProdAprovacao})
        answer->Close();
    if (state.managerApproval)
        GetVrCmpAn();
    showRows();
}

void TfrmAlterQtde::GetVrCmpAn()
{
    std::vector<RemoteValue> args{requestingBranch(), state.stUtiliza_Prod};
    const RemoteValue answers =
        CheckResultServ(state.netLancaSoliCmp.Call(QStringLiteral("GetVrCmpAn"), args));
    cdsVrCmpAnt.SetData(answers.at(0).toPacket());
    cdsDsProduto.SetData(answers.at(1).toPacket());
    cdsProdAprovacao.SetData(answers.at(2).toPacket());
}

// Rows not shown collapse, so the previous purchase is the second row where
// the volumes are absent.
void TfrmAlterQtde::showRows()
{
    volumesRow.SetVisible(fromMatrix_ && state.branchFlag(QStringLiteral("IDUTQTDEVOLU")) == yes);
    const bool previousShown =
        state.managerApproval &&
        !currentValue(cdsProdAprovacao, QStringLiteral("CDFILIAL")).isEmpty();
    previousPurchaseRow.SetVisible(previousShown);
    nedVrCmpAnteriorAux.SetVisible(previousShown);
    lblVrCmpAnterior.SetVisible(previousShown);
    // Hidden, the fields hold nothing of another use that could be stored.
    nedVrCmpAnteriorAux.SetValue(0, Announce::Quiet);
    depDtCmpAnteriorAux.SetDate(QDate(), Announce::Quiet);
    if (previousShown)
        fillPreviousPurchase();
}

// The item's own previous purchase wins; else the server's; else the user
// must type it.
void TfrmAlterQtde::fillPreviousPurchase()
{
    const data::KeepPosition keep(state.cdsItemSoli);
    const bool found = locateCellItem();
    const auto itemValue = [&](const char* field) -> QVariant {
        return found ? state.cdsItemSoli.FieldByName(QString::fromLatin1(field)).Value()
                     : QVariant();
    };
    const double own = itemValue("VRCMPANTERIOR").toDouble();
    const double server = hasRecords(cdsVrCmpAnt)
                              ? cdsVrCmpAnt.FieldByName(QStringLiteral("VRPREUNIAF")).AsFloat()
                              : 0;
    const bool locked = state.branchFlag(QStringLiteral("IDALTVRCMPANT")) == data::no;
    bool typed = false;
    if (own != 0) {
        nedVrCmpAnteriorAux.SetValue(own, Announce::Quiet);
        depDtCmpAnteriorAux.SetDate(itemValue("DTCMPANTERIOR").toDate(), Announce::Quiet);
    } else if (server != 0) {
        nedVrCmpAnteriorAux.SetValue(server, Announce::Quiet);
        depDtCmpAnteriorAux.SetDate(cdsVrCmpAnt.FieldByName(QStringLiteral("DTPROGENTAF")).AsDate(),
                                    Announce::Quiet);
    } else {
        typed = true;
    }
    const bool open = !locked || typed;
    nedVrCmpAnteriorAux.SetEnabled(open);
    nedVrCmpAnteriorAux.SetColor(open ? ColorRole::Normal : ColorRole::Disabled);
}

// The cell is read once per opening: coming back from the observation
// dialog keeps what was typed.
void TfrmAlterQtde::FormActivate()
{
    if (nedQtde.Showing())
        SetFocus(nedQtde);
    if (!std::exchange(loadPending_, false))
        return;
    sbtObservProd.SetVisible(fromMatrix_);
    const QStringList cell =
        fromMatrix_ ? QuantProd()
                    : QStringList{QString::number(state.cellQuantity.value_or(0)), QString()};
    startingQuantity_ = cell.at(0).toDouble();
    if (state.chKeyNum.isNull()) {
        nedQtde.SetValue(startingQuantity_, Announce::Quiet);
        quantitySelected_ = true;
    } else {
        const QChar typed = state.chKeyNum == u'.' ? QChar(u',') : state.chKeyNum;
        nedQtde.SetText(QString(typed), Announce::Quiet);
        quantitySelected_ = false;
    }
    nedQtArmazena.SetValue(fromMatrix_ ? cell.at(1).toDouble() : 0, Announce::Quiet);
    startingVolumes_ = nedQtArmazena.Value();
    acceptedQuantity_ = nedQtde.Text();
    acceptedVolumes_ = nedQtArmazena.Text();
}

QStringList TfrmAlterQtde::QuantProd()
{
    const data::KeepPosition keep(state.cdsItemSoli);
    if (!locateCellItem())
        return {QStringLiteral("0"), QStringLiteral("0")};
    const Field& quantity = state.cdsItemSoli.FieldByName(QStringLiteral("QTSOLIPROD"));
    const Field& volumes = state.cdsItemSoli.FieldByName(QStringLiteral("QTVOLUITEMSO"));
    const bool countsVolumes = state.branchFlag(QStringLiteral("IDUTQTDEVOLU")) == yes;
    return {QString::number(quantity.IsNull() ? 0 : quantity.AsFloat()),
            QString::number(countsVolumes && !volumes.IsNull() ? volumes.AsFloat() : 0)};
}

void TfrmAlterQtde::FormClose(CloseAction& action)
{
    if (!state.BoConfirmou)
        nedQtde.SetValue(startingQuantity_, Announce::Quiet);
    action = CloseAction::Hide;
}

data::QuantityAnswer TfrmAlterQtde::answer() const
{
    return {closeResult_,
            nedQtde.Value(),
            nedQtArmazena.Value(),
            startingVolumes_,
            nedVrCmpAnteriorAux.Value(),
            depDtCmpAnteriorAux.Date(),
            currentValue(cdsDsProduto, QStringLiteral("DSCOMPLNOME"))};
}

// --- confirming -----------------------------------------------------------------------

void TfrmAlterQtde::sbtConfirmaClick()
{
    Vd_MediSoli();
    Vd_VrAnterior();
    if (nedQtde.IsEmpty()) {
        SetFocus(nedQtde);
        MensErro(msgPadrao.Msg(QStringLiteral("Quant_vazia")), true);
    }
    if (beyondLimit(nedQtde.Value())) {
        SetFocus(nedQtde);
        MensErro(msgPadrao.Msg(QStringLiteral("Quant_Inv")), true);
    }
    if (fromMatrix_ && beyondLimit(nedQtArmazena.Value())) {
        SetFocus(nedQtArmazena);
        MensErro(msgPadrao.Msg(QStringLiteral("Quant_Inv")), true);
    }
    Vd_ItemAprovado();
    writePreviousPurchase();
    closeResult_ = mrOk;
    state.BoConfirmou = true;
    SetModalResult(mrOk);
}

// A quantity far from the average of the product's requisitions needs the
// user's word.
void TfrmAlterQtde::Vd_MediSoli()
{
    openQuery(qryVdProduto, {{QStringLiteral("P_CDPRODUTO"), state.stUtiliza_Prod}});
    const QString product = currentValue(qryVdProduto, QStringLiteral("CDPRODUTO"));
    cdsMedia.SetData(CheckResultServ(state.netLancaSoliCmp.Call(QStringLiteral("GetMedia"),
                                                                {requestingBranch(), product}))
                         .toPacket());
    // The tolerance is the purchase center's, of the requisition's own branch.
    openQuery(qryCentralDeCompras, {{QStringLiteral("P_CDFILIAL"), requestingBranch()}});
    openQuery(qryMedSoli, {{QStringLiteral("P_CDFILIAL"),
                            currentValue(qryCentralDeCompras, QStringLiteral("CDFILIAL"))},
                           {QStringLiteral("P_CDPRODUTO"), state.stUtiliza_Prod}});
    const double tolerance = hasRecords(qryMedSoli)
                                 ? qryMedSoli.FieldByName(QStringLiteral("VRPERCMEDSOL")).AsFloat()
                                 : 0;
    const double average =
        hasRecords(cdsMedia) ? cdsMedia.FieldByName(QStringLiteral("QTMEDSOLPROD")).AsFloat() : 0;
    const double quantity = nedQtde.Value();
    if (tolerance == 0 || average == 0)
        return;
    if (tenThousandths(std::abs(quantity - average)) <= tenThousandths(average * tolerance / 100))
        return;
    const QString question = msgPadrao.Msg(QStringLiteral("msgPerc01")) + questionNumber(quantity) +
                             msgPadrao.Msg(QStringLiteral("msgPerc02")) + questionNumber(average) +
                             msgPadrao.Msg(QStringLiteral("msgPerc03")) +
                             questionNumber(tolerance) + msgPadrao.Msg(QStringLiteral("msgPerc04"));
    if (msgPadrao.ShowMsg(question) != MsgButton::Yes)
        Abort();
}

void TfrmAlterQtde::Vd_VrAnterior()
{
    if (state.managerApprovalGroup() && nedVrCmpAnteriorAux.Visible() &&
        nedVrCmpAnteriorAux.Value() <= 0) {
        SetFocus(nedVrCmpAnteriorAux);
        MensErro(msgPadrao.Msg(QStringLiteral("VrCmpAnt_Menor")), true);
    }
}

// Giving a quantity to a cell that holds zero adds an item, which a branch
// may forbid once an item of the requisition is approved.
void TfrmAlterQtde::Vd_ItemAprovado()
{
    if (state.cellQuantity == 0.0 && state.branchFlag(QStringLiteral("IDIMPINCSOLAPR")) == yes &&
        state.branchFlag(QStringLiteral("IDUTAPROVSOL")) == yes &&
        data::hasApprovedItem(state.cdsItemSoli))
        MensErro(msgPadrao.Msg(QStringLiteral("Soli_Item_Aprov")), true);
}

// Written to the cell's own item only, and only where the branch lets the
// value be changed and it was shown for this item.
void TfrmAlterQtde::writePreviousPurchase()
{
    if (state.branchFlag(QStringLiteral("IDALTVRCMPANT")) != yes ||
        !nedVrCmpAnteriorAux.Visible() || !locateCellItem())
        return;
    ClientDataSet& item = state.cdsItemSoli;
    item.Edit();
    item.FieldByName(QStringLiteral("VRCMPANTERIOR")).SetValue(nedVrCmpAnteriorAux.Value());
    item.FieldByName(QStringLiteral("DTCMPANTERIOR")).SetValue(depDtCmpAnteriorAux.Date());
    item.Post();
}

void TfrmAlterQtde::sbtCancelClick()
{
    nedQtde.SetValue(startingQuantity_, Announce::Quiet);
    closeResult_ = mrCancel;
    TfrmRotiGeral::sbtCancelClick();
}

// --- the average, the observation, keys ---------------------------------------------

void TfrmAlterQtde::sbtMediaClick()
{
    std::vector<RemoteValue> args{requestingBranch(), state.stUtiliza_Prod};
    const RemoteReply reply = state.netLancaSoliCmp.Call(QStringLiteral("GetMedia"), args);
    if (reply.ok)
        cdsMedia.SetData(reply.result.toPacket());
    if (!reply.ok || !hasRecords(cdsMedia)) {
        MensErro(msgPadrao.Msg(QStringLiteral("Media")), false);
        return;
    }
    const double average = cdsMedia.FieldByName(QStringLiteral("QTMEDSOLPROD")).AsFloat();
    if (std::llround(average) != 0) {
        nedQtde.SetText(questionNumber(average));
        quantitySelected_ = false;
    }
}

void TfrmAlterQtde::sbtObservProdClick()
{
    state.screens.CriaObservProd(QString());
}

void TfrmAlterQtde::nedQtdeKeyPress(QChar& key)
{
    if (key == u'-' || key == u'+' || key == u'e' || key == u'E') {
        key = QChar();
        return;
    }
    if (key == u'.')
        key = u',';
    // Typing over the selected quantity replaces it.
    if (std::exchange(quantitySelected_, false) && key.isPrint())
        nedQtde.SetText(QString(), Announce::Quiet);
}

void TfrmAlterQtde::nedQtArmazenaKeyPress(QChar& key)
{
    if (!fromMatrix_)
        return;
    if (key == u'-')
        key = QChar();
    else if (key == u'.')
        key = u',';
}

// A keystroke that would take the number past its digits is refused: the
// field goes back to the text it had.
void TfrmAlterQtde::keepWithinDigits(NumberEdit& field, QString& accepted)
{
    QString typed;
    for (const QChar c : field.Text()) {
        if (!MaxNumber(typed, integerDigits, decimalDigits, c, int(typed.size()), 0)) {
            field.SetText(accepted, Announce::Quiet);
            return;
        }
        typed += c;
    }
    accepted = typed;
}

void TfrmAlterQtde::FormKeyDown(Key& key, Shift shift)
{
    TfrmRotiGeral::FormKeyDown(key, shift);
    if (key == Qt::Key_O && shift == Qt::ControlModifier && sbtObservProd.Visible()) {
        key = 0;
        sbtObservProd.Click();
    }
}

// --- creation -------------------------------------------------------------------------

data::QuantityAnswer CriaAlterQtdeSoli()
{
    Q_ASSERT(unitState); // the module initializes the unit before any screen opens
    BusyCursor busy;
    if (frmAlterQtde)
        frmAlterQtde->FormCreate();
    else
        frmAlterQtde.create(*unitState);
    busy.restore();
    uiPort().showModal(*frmAlterQtde);
    return frmAlterQtde->answer();
}

void initialization(data::RequisitionState& state)
{
    unitState = &state;
    state.BoConfirmou = false;
}

void finalization()
{
    frmAlterQtde.free();
    unitState = nullptr;
}

} // namespace cmp::Cli_cmp03102
