#include "approval/Cli_cmp03107.h"

#include "framework/forms/containers.h"
#include "requisition/Cli_cmp03100.h"

namespace cmp::Cli_cmp03107 {

module::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
bool boFiltroCriado = false;
QString stSol;
QString stEntr;

namespace {

using namespace fw;
using Cli_cmp03100::frmLancaSoliCmp;

// A panel of the main screen shows unless the purchasing parameter turns it off.
void showUnlessParameterOff(Panel& panel, const QString& parameter)
{
    ClientDataSet& parameters = frmLancaSoliCmp->cdsParaSupri;
    const Field* flag = parameters.Active() ? parameters.FindField(parameter) : nullptr;
    panel.SetVisible(!flag || flag->AsString() != QLatin1String("N"));
}

} // namespace

TfrmFiltroSolicita::TfrmFiltroSolicita()
    : TfrmFiltroPadrao(QStringLiteral("frmFiltroSolicita"), QStringLiteral("CMP03107"))
{
    SetCaption(QStringLiteral("Filtro de Solicitação de Compras"));
    HelpContext = 10403107;
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
}

TfrmFiltroSolicita::~TfrmFiltroSolicita()
{
    Destroy();
}

FilterOptions TfrmFiltroSolicita::GetOptions() const
{
    return {};
}

void TfrmFiltroSolicita::SetOptions(const FilterOptions&) {}

void TfrmFiltroSolicita::FormClose(CloseAction& action)
{
    boFiltroCriado = false;
    action = CloseAction::Hide;
}

void CriaFiltroSolicita()
{
    module::BusyCursor busy;
    frmLancaSoliCmp->boFiltroAberto = true;
    if (!boFiltroCriado) {
        if (!frmFiltroSolicita) {
            frmFiltroSolicita.create();
        } else if (frmLancaSoliCmp->cdsFilialSoli.IsEmpty()) {
            showUnlessParameterOff(frmLancaSoliCmp->panDestino, QStringLiteral("IDULTDESTSOL"));
            showUnlessParameterOff(frmLancaSoliCmp->panComprador, QStringLiteral("IDULTCOMPSOL"));
        }
        boFiltroCriado = true;
    }
    busy.restore();
    uiPort().showModal(*frmFiltroSolicita);
}

void initialization()
{
    boFiltroCriado = false;
}

void finalization()
{
    frmFiltroSolicita.free();
    stSol.clear();
    stEntr.clear();
}

} // namespace cmp::Cli_cmp03107
