#include "dialogs/Cli_cmp03109.h"

#include "data/requisition_state.h"
#include "framework/core/abort.h"
#include "framework/core/formats.h"
#include "framework/forms/screen_creation.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/ui_port.h"

#include <QScopeGuard>

namespace cmp::Cli_cmp03109 {

QString stTipoForm;

namespace {

using namespace fw;
using data::currentValue;

data::RequisitionState* unitState = nullptr;

constexpr int longestText = 300;

const std::pair<const char*, const char*> catalog[] = {
    {"J", "Justificativa"},
    {"Just_Dev", "Justificativa deve ser informada."},
    {"Get_SoliCmp", "Recebendo solicitações de compras do servidor..."},
};

} // namespace

TfrmObservProd::TfrmObservProd(data::RequisitionState& state, const QString& mode)
    : TfrmRotiGeral(QStringLiteral("frmObservProd"), QStringLiteral("CMP03109")), state(state),
      FW_NAMED(memObserv, create<Memo>)
{
    stTipoForm = mode;
    SetCaption(QStringLiteral("Observação"));
    memObserv.MaxLength = longestText;
    for (const auto& [key, text] : catalog)
        msgPadrao.Add(QString::fromLatin1(key), QString::fromUtf8(text));
    OnCreate = [this](Form&) { FormCreate(); };
    OnActivate = [this](Form&) { FormActivate(); };
}

TfrmObservProd::~TfrmObservProd()
{
    Destroy();
}

bool TfrmObservProd::justification() const
{
    return stTipoForm == QLatin1String("J");
}

QDate TfrmObservProd::cellDate() const
{
    return DateSetText(state.stUtiliza_Data);
}

void TfrmObservProd::FormCreate()
{
    loadPending_ = true;
    if (justification())
        SetCaption(msgPadrao.Msg(QStringLiteral("J")));
}

// The item's observation, or the product's complementary description while
// it has none.
void TfrmObservProd::FormActivate()
{
    if (!std::exchange(loadPending_, false) || justification())
        return;
    const data::KeepPosition keep(state.cdsItemSoli);
    if (!data::locateItem(state.cdsItemSoli, state.stUtiliza_Prod, cellDate()))
        return;
    const QString observation =
        state.cdsItemSoli.FieldByName(QStringLiteral("TXOBSITMSOL")).AsString();
    if (!observation.isEmpty()) {
        memObserv.SetText(observation, Announce::Quiet);
        return;
    }
    const ProgressScope progress(msgPadrao.Msg(QStringLiteral("Get_SoliCmp")));
    std::vector<RemoteValue> args{state.stUtiliza_Prod};
    cdsProduto.SetData(
        CheckResultServ(state.netLancaSoliCmp.Call(QStringLiteral("DescComplProd"), args))
            .toPacket());
    memObserv.SetText(currentValue(cdsProduto, QStringLiteral("DSCOMPLNOME")), Announce::Quiet);
}

void TfrmObservProd::sbtConfirmaClick()
{
    if (justification() && memObserv.Text().isEmpty())
        MensErro(msgPadrao.Msg(QStringLiteral("Just_Dev")), true);
    if (!justification())
        writeObservation();
    SetModalResult(mrOk);
}

// The cell's item; where managers approve items, every delivery date of the
// product takes the same text.
void TfrmObservProd::writeObservation()
{
    ClientDataSet& items = state.cdsItemSoli;
    const QString text = memObserv.Text();
    const data::KeepPosition keep(items);
    const auto write = [&items, &text] {
        Field& observation = items.FieldByName(QStringLiteral("TXOBSITMSOL"));
        if (observation.AsString() == text)
            return;
        items.Edit();
        observation.SetValue(text);
        items.Post();
    };
    if (items.State() == DataSetState::Browse &&
        data::locateItem(items, state.stUtiliza_Prod, cellDate()))
        write();
    if (!state.managerApproval || !data::hasRecords(items))
        return;
    items.DisableControls();
    const auto enable = qScopeGuard([&items] { items.EnableControls(); });
    for (items.First(); !items.Eof(); items.Next()) {
        if (items.FieldByName(QStringLiteral("CDARVPROD")).AsString() == state.stUtiliza_Prod)
            write();
    }
}

void TfrmObservProd::sbtCancelClick()
{
    memObserv.SetText(QString(), Announce::Quiet);
    TfrmRotiGeral::sbtCancelClick();
}

QString CriaObservProd(const QString& mode)
{
    Q_ASSERT(unitState); // the module initializes the unit before any screen opens
    BusyCursor busy;
    TfrmObservProd screen(*unitState, mode);
    screen.Create();
    busy.restore();
    uiPort().showModal(screen);
    return screen.memObserv.Text();
}

void initialization(data::RequisitionState& state)
{
    unitState = &state;
}

void finalization()
{
    stTipoForm.clear();
    unitState = nullptr;
}

} // namespace cmp::Cli_cmp03109
