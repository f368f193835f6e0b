#include "approval/Cli_cmp03113.h"

#include "data/requisition_state.h"
#include "framework/core/named.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/ui_port.h"

namespace cmp::Cli_cmp03113 {

namespace {

using namespace fw;

// The module's state, from the unit's initialization to its finalization.
data::RequisitionState* unitState = nullptr;

} // namespace

TfrmErroPeriodicidade::TfrmErroPeriodicidade(data::RequisitionState& state)
    : TfrmRotiGeral(QStringLiteral("frmErroPeriodicidade"), QStringLiteral("CMP03113")),
      dtsErro(&state.cdsVd_Periodicidade), FW_NAMED(imgErroOri, create<Image>),
      FW_NAMED(lblErro, create<Label>), FW_NAMED(dbgPadrao, create<DBGrid>),
      FW_NAMED(btnOk, createCaptioned<BitBtn>, nullptr, QStringLiteral("&OK"))
{
    SetCaption(QStringLiteral("Erro"));
    msgPadrao.Add(QStringLiteral("Oper_bloq"),
                  QStringLiteral("Não é possível incluir itens de solicitação sem periodicidade "
                                 "de entrega definida no calendário de compras para as datas de "
                                 "entrega informadas."));
    // Only the list and its OK: nothing here is confirmed or cancelled.
    panBotoes.SetVisible(false);
    dbgPadrao.SetDataSource(&dtsErro);
    dbgPadrao.ReadOnly = true;
    dbgPadrao.RowSelect = true;
    dbgPadrao.AddColumn(QStringLiteral("CDARVPROD"), QStringLiteral("Produto")).Width = 110;
    dbgPadrao.AddColumn(QStringLiteral("NMPRODUTO"), QStringLiteral("Nome")).Width = 320;
    dbgPadrao.AddColumn(QStringLiteral("PERIODICIDADE"), QStringLiteral("Periodicidade")).Width =
        150;
    dbgPadrao.AddColumn(QStringLiteral("DTPROGENTR"), QStringLiteral("Data de Entrega")).Width =
        100;
    btnOk.ModalResult = mrOk;
}

// The grid goes before the data source it shows.
TfrmErroPeriodicidade::~TfrmErroPeriodicidade()
{
    Destroy();
}

void CriaErroPeriodicidade()
{
    TfrmErroPeriodicidade screen(*unitState);
    screen.Create();
    screen.lblErro.SetCaption(screen.msgPadrao.Msg(QStringLiteral("Oper_bloq")));
    uiPort().showModal(screen);
}

void initialization(data::RequisitionState& state)
{
    unitState = &state;
}

void finalization()
{
    unitState = nullptr;
}

} // namespace cmp::Cli_cmp03113
