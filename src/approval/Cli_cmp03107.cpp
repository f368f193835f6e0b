#include "approval/Cli_cmp03107.h"

#include "data/module_statements.h"
#include "data/requisition_state.h"
#include "framework/core/abort.h"
#include "framework/core/strings.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/lookups.h"

#include <QScopeGuard>

#include <optional>

namespace cmp::Cli_cmp03107 {

fw::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
bool boFiltroCriado = false;
QString stListaComprador, stListaDestino, stListaFilial;
QString stTodosComprador, stTodosDestino, stTodosFilial;
QString stGerente, stTodosGerente, stAprovacao;
QString stSol, stEntr;

namespace {

using namespace fw;
using data::no;
using data::yes;

// The module's state, from the unit's initialization to its finalization.
data::RequisitionState* unitState = nullptr;

const QString all = QStringLiteral("T");
constexpr int groupCodeWidth = 10;
constexpr int operatorWidth = 12;
// Silent reconnections before the user is asked.
constexpr int silentRetries = 3;

const std::pair<const char*, const char*> catalog[] = {
    {"Comp_Vazio", "Comprador deve ser informado."},
    {"Dest_Vazio", "Destino da solicitação deve ser informado."},
    {"Data_Inv", "não é uma data válida."},
    {"dtSolIni_Vazia", "Data de solicitação inicial deve ser informada."},
    {"dtSolFin_Vazia", "Data de solicitação final deve ser informada."},
    {"dtEntrIni_Vazia", "Data de entrega inicial deve ser informada."},
    {"dtEntrFin_Vazia", "Data de entrega final deve ser informada."},
    {"DtSolIniFin_Inv",
     "Data de solicitação inicial deve ser menor ou igual a data de solicitação final."},
    {"DtEntIniFin_Inv", "Data de entrega inicial deve ser menor ou igual a data de entrega final."},
    {"Comprador", "Comprador"},
    {"Destino", "Destino da Solicitação"},
    {"DtIniFin_Inv",
     "Data de solicitação inicial deve ser menor ou igual a data de solicitação final."},
    {"Get_Data", "Recebendo solicitações de compras do servidor..."},
    {"Agrup_N_Inf", "Agrupamento de filial deve ser informado."},
    {"AgrupFili", "Agrupamento de Filial"},
    {"Fili_N_Inf", "Filial deve ser informada."},
    {"FILIAL", "Filial"},
    {"AgrupFili_NCAD", "Agrupamento de Filial não cadastrado."},
    {"Gerente", "Gerente"},
    {"Gerente_Vazio", "Gerente deve ser informado."},
    {"Aprovacao_Vazio", "Aprovação deve ser informada."},
    {"Gerente_NCAD", "Gerente não cadastrado."},
};

struct Column
{
    const char* name;
    int size;
    const char* label; // empty: hidden
};

void declare(ClientDataSet& rows, std::initializer_list<Column> columns)
{
    for (const Column& column : columns) {
        Field& field =
            rows.AddField(QString::fromLatin1(column.name), FieldType::String, column.size);
        field.SetDisplayLabel(QString::fromUtf8(column.label));
        field.Visible = *column.label != '\0';
    }
}

// A date edit with its "Inicial"/"Final" label.
DateEdit& dateField(const QString& name, Form& form, GroupBox& group, const QString& label)
{
    form.createCaptioned<Label>(QStringLiteral("lbl") + name.mid(3), &group, label);
    return form.create<DateEdit>(name, &group);
}

GroupBox& group(const QString& name, Form& form, Control* parent, const QString& caption)
{
    return form.createCaptioned<GroupBox>(name, parent, caption);
}

RemoteValue remoteDate(const QDate& date)
{
    return date.isValid() ? RemoteValue(date) : RemoteValue();
}

// "Todos" clears the list and disables its button; "Lista" enables it.
void wireListChoice(RadioButton& todos, RadioButton& lista, SpeedButton& button, QString& list)
{
    todos.OnClick = [&todos, &button, &list](Control&) {
        if (!todos.Checked())
            return;
        button.SetEnabled(false);
        list.clear();
    };
    lista.OnClick = [&lista, &button](Control&) {
        if (lista.Checked())
            button.SetEnabled(true);
    };
}

void chooseList(RadioButton& lista, RadioButton& todos, bool chosen)
{
    (chosen ? lista : todos).SetChecked(true);
}

bool hasContent(const DateEdit& edit)
{
    return !edit.IsBlank();
}

// Loading the lists failed: no reply, or criteria the server refused.
struct LoadFailure
{
    QString text;
};

// A reply that did not come is retried silently; one the server refused is
// shown first, at each attempt. An ended session the operator did not renew
// ends the confirmation: asking to reconnect would not bring it back.
[[noreturn]] void failLoad(const RemoteReply& reply)
{
    if (reply.sessionEnded())
        MensErro(reply.error, true);
    if (reply.refused())
        MensErro(reply.error, false);
    throw LoadFailure{reply.error};
}

QString invalidDate(const DateEdit& field, const TMessages& messages)
{
    return QStringLiteral("'%1' %2").arg(field.Text().trimmed(),
                                         messages.Msg(QStringLiteral("Data_Inv")));
}

} // namespace

TfrmFiltroSolicita::TfrmFiltroSolicita(data::RequisitionState& state)
    : TfrmFiltroPadrao(QStringLiteral("frmFiltroSolicita"), QStringLiteral("CMP03107")),
      state(state),
      FW_NAMED(grbDtSolicitacao, group, *this, nullptr, QStringLiteral("Data de Solicitação")),
      FW_NAMED(depEmisIni, dateField, *this, grbDtSolicitacao, QStringLiteral("Inicial")),
      FW_NAMED(depEmisFim, dateField, *this, grbDtSolicitacao, QStringLiteral("Final")),
      FW_NAMED(grbDtEntrega, group, *this, nullptr, QStringLiteral("Data de Entrega")),
      FW_NAMED(depEntrIni, dateField, *this, grbDtEntrega, QStringLiteral("Inicial")),
      FW_NAMED(depEntrFim, dateField, *this, grbDtEntrega, QStringLiteral("Final")),
      FW_NAMED(panAgrupFilial, create<Panel>),
      FW_NAMED(medAgrupFilial, createLabelled<MaskEdit>, *this, &panAgrupFilial, "lblAgrupFilial",
               "Agrupamento de Filial"),
      FW_NAMED(btnAgrupFilial, create<LookupButton>, &panAgrupFilial),
      FW_NAMED(edtAgrupFilial, create<Edit>, &panAgrupFilial),
      FW_NAMED(grbFilial, group, *this, nullptr, QStringLiteral("Filial Solicitante")),
      FW_NAMED(rbtFilialTodas, createCaptioned<RadioButton>, &grbFilial, QStringLiteral("Todas")),
      FW_NAMED(rbtFilialLista, createCaptioned<RadioButton>, &grbFilial, QStringLiteral("Lista")),
      FW_NAMED(btpFilial, create<SpeedButton>, &grbFilial),
      FW_NAMED(grbGerente, group, *this, nullptr, QStringLiteral("Gerente")),
      FW_NAMED(medGerente, create<MaskEdit>, &grbGerente),
      FW_NAMED(sbtGerente, create<LookupButton>, &grbGerente),
      FW_NAMED(edtGerente, create<Edit>, &grbGerente),
      FW_NAMED(grbAprovacao, group, *this, &grbGerente, QStringLiteral("Aprovação")),
      FW_NAMED(rbtAprova, createCaptioned<CheckBox>, &grbAprovacao, QStringLiteral("Aprovado")),
      FW_NAMED(rbtNaoAprova, createCaptioned<CheckBox>, &grbAprovacao, QStringLiteral("Reprovado")),
      FW_NAMED(rbtNaoAprovado, createCaptioned<CheckBox>, &grbAprovacao,
               QStringLiteral("Não Aprovado")),
      FW_NAMED(grbComprador, group, *this, nullptr, QStringLiteral("Comprador")),
      FW_NAMED(rbtTodosComprador, createCaptioned<RadioButton>, &grbComprador,
               QStringLiteral("Todos")),
      FW_NAMED(rbtListaComprador, createCaptioned<RadioButton>, &grbComprador,
               QStringLiteral("Lista")),
      FW_NAMED(sbtComprador, create<SpeedButton>, &grbComprador),
      FW_NAMED(grbDestino, group, *this, nullptr, QStringLiteral("Destino da Solicitação")),
      FW_NAMED(rbtTodosDestino, createCaptioned<RadioButton>, &grbDestino, QStringLiteral("Todos")),
      FW_NAMED(rbtListaDestino, createCaptioned<RadioButton>, &grbDestino, QStringLiteral("Lista")),
      FW_NAMED(sbtDestino, create<SpeedButton>, &grbDestino)
{
    SetCaption(QStringLiteral("Filtro de Solicitação de Compras"));
    HelpContext = 10403107;
    addMessages();

    for (CheckBox* box : {&rbtAprova, &rbtNaoAprova, &rbtNaoAprovado})
        box->SetChecked(true, Announce::Quiet);
    medAgrupFilial.MaxLength = groupCodeWidth;
    medGerente.SetEditMask(QStringLiteral("999999999999;0; "));
    edtAgrupFilial.SetReadOnly(true);
    edtGerente.SetReadOnly(true);
    btnAgrupFilial.Title = msgPadrao.Msg(QStringLiteral("AgrupFili"));
    btnAgrupFilial.EmptyMessage = QStringLiteral("Não há agrupamento cadastrado.");
    btnAgrupFilial.DataSet = &cdsGrupFili;
    UsePesquisar(btnAgrupFilial, QStringLiteral("CDGRUPFILI"));
    sbtGerente.Title = msgPadrao.Msg(QStringLiteral("Gerente"));
    sbtGerente.EmptyMessage = QStringLiteral("Não há gerente cadastrado.");
    sbtGerente.DataSet = &qryGerente;
    UsePesquisar(sbtGerente, QStringLiteral("CDOPERADOR"));

    declareRecordSets();
    wireEvents();
    OnCreate = [this](Form&) { FormCreate(); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
}

TfrmFiltroSolicita::~TfrmFiltroSolicita()
{
    Destroy();
}

void TfrmFiltroSolicita::addMessages()
{
    for (const auto& [key, text] : catalog)
        msgPadrao.Add(QString::fromLatin1(key), QString::fromUtf8(text));
}

void TfrmFiltroSolicita::declareRecordSets()
{
    declare(cdsGrupFili, {{"CDGRUPFILI", 10, "Código"}, {"NMGRUPFILI", 40, "Nome"}});
    declare(cdsFiliAgrupFili, {{"IDMARCADO", 1, ""},
                               {"CDFILIAL", 4, "Código"},
                               {"CDGRUPFILI", 10, ""},
                               {"NMFILIAL", 30, "Nome"},
                               {"IDCNTRRESC", 1, ""},
                               {"CDFILCENTCMP", 4, ""},
                               {"CDREGIAO", 3, ""}});
    declare(cdsDestGrupFili,
            {{"IDMARCADO", 1, ""}, {"CDDESTSOLI", 3, "Código"}, {"NMDESTSOLI", 30, "Nome"}});
    cdsAprovSoliGer.AddField(QStringLiteral("CONTADOR"), FieldType::Float);
    declare(cdsVD_Gerente, {{"CDOPERADOR", 12, "Código"}, {"NMOPERADOR", 40, "Nome"}});
    declare(qryComprador, {{"CDOPERADOR", 12, "Código"}, {"NMOPERADOR", 40, "Nome"}});
    declare(qryDestino, {{"CDDESTSOLI", 3, "Código"}, {"NMDESTSOLI", 30, "Nome"}});
    declare(qryFilial, {{"CDFILIAL", 4, "Código"},
                        {"NMFILIAL", 30, "Nome"},
                        {"IDCNTRRESC", 1, ""},
                        {"CDFILCENTCMP", 4, ""},
                        {"CDREGIAO", 3, ""}});
    declare(qryGerente, {{"CDOPERADOR", 12, "Código"}, {"NMOPERADOR", 40, "Nome"}});
}

// --- events ------------------------------------------------------------------------

void TfrmFiltroSolicita::wireEvents()
{
    wireDates();
    wireBranchGroup();
    wireLists();
    wireManager();
}

void TfrmFiltroSolicita::wireDates()
{
    for (DateEdit* date : {&depEmisIni, &depEmisFim, &depEntrIni, &depEntrFim})
        date->OnExit = [this](Control& edit) {
            const auto& field = static_cast<DateEdit&>(edit);
            if (!field.HasValidDate())
                MensErro(invalidDate(field, msgPadrao), true);
        };
}

void TfrmFiltroSolicita::wireBranchGroup()
{
    medAgrupFilial.OnKeyPress = [](Control&, QChar& key) {
        if ((key >= u'A' && key <= u'Z') || (key >= u'a' && key <= u'z'))
            key = QChar();
    };
    medAgrupFilial.OnChange = [this](Control&) {
        edtAgrupFilial.SetText({});
        stListaFilial.clear();
        snapshot.branch.branches.clear();
    };
    medAgrupFilial.OnExit = [this](Control&) { Vd_AgrupFilial(); };
    btnAgrupFilial.BeforePesq = [this](LookupButton&, bool&) {
        loadFromServer(cdsGrupFili, QStringLiteral("GetAgruFili"), {}, medAgrupFilial);
    };
    btnAgrupFilial.AfterPesq = [this](LookupButton&) {
        medAgrupFilial.SetText(cdsGrupFili.FieldByName(QStringLiteral("CDGRUPFILI")).AsString());
        edtAgrupFilial.SetText(cdsGrupFili.FieldByName(QStringLiteral("NMGRUPFILI")).AsString());
    };
}

void TfrmFiltroSolicita::wireLists()
{
    wireListChoice(rbtFilialTodas, rbtFilialLista, btpFilial, stListaFilial);
    btpFilial.OnClick = [this](Control&) { listBranches(); };

    wireListChoice(rbtTodosComprador, rbtListaComprador, sbtComprador, stListaComprador);
    sbtComprador.OnClick = [this](Control&) {
        openQuery(qryComprador, {});
        PesquisaLista(qryComprador, QStringLiteral("CDOPERADOR"),
                      msgPadrao.Msg(QStringLiteral("Comprador")), stListaComprador);
    };
    wireListChoice(rbtTodosDestino, rbtListaDestino, sbtDestino, stListaDestino);
    sbtDestino.OnClick = [this](Control&) { listDestinations(); };
    // F9 on a "Lista" choice opens its list.
    rbtListaComprador.OnKeyDown = [this](Control&, Key& key, Shift) {
        if (key == Qt::Key_F9)
            sbtComprador.Click();
    };
    rbtListaDestino.OnKeyDown = [this](Control&, Key& key, Shift) {
        if (key == Qt::Key_F9)
            sbtDestino.Click();
    };
}

void TfrmFiltroSolicita::wireManager()
{
    medGerente.OnChange = [this](Control&) { clearManager(); };
    medGerente.OnExit = [this](Control&) { Vd_Gerente(); };
    sbtGerente.BeforePesq = [this](LookupButton&, bool&) {
        openQuery(qryGerente, {{"P_CDOPERADOR", {}}, {"P_TCDOPERADOR", all}});
    };
    sbtGerente.AfterPesq = [this](LookupButton&) {
        medGerente.SetText(qryGerente.FieldByName(QStringLiteral("CDOPERADOR")).AsString());
        edtGerente.SetText(qryGerente.FieldByName(QStringLiteral("NMOPERADOR")).AsString());
    };
}

// --- creation ----------------------------------------------------------------------

void TfrmFiltroSolicita::FormCreate()
{
    stSol.clear();
    stEntr.clear();
    chooseList(rbtFilialLista, rbtFilialTodas, false);
    btpFilial.SetEnabled(false);
    stListaFilial.clear();
    managerDefaultApplied_ = false;
    Dados_Filtro(false);
    if (ModuFili()) {
        SetChildEnabled(panAgrupFilial, false);
        chooseList(rbtFilialLista, rbtFilialTodas, true);
        stListaFilial = QStringLiteral("_%1_").arg(FiliProc());
        grbFilial.SetEnabled(false);
    }
    loadCenterParameters();
    state.destinationShown =
        state.cdsParaSupri.FieldByName(QStringLiteral("IDULTDESTSOL")).AsString() != no;
    state.buyerShown =
        state.cdsParaSupri.FieldByName(QStringLiteral("IDULTCOMPSOL")).AsString() != no;
    Controla_Filtro();
}

QString TfrmFiltroSolicita::purchaseCenter()
{
    openQuery(qryFilial, {{"P_CDFILIAL", FiliProc()}, {"P_TCDFILIAL", {}}});
    const QString center = data::currentValue(qryFilial, QStringLiteral("CDFILCENTCMP"));
    return center.isEmpty() ? FiliProc() : center;
}

// The center's supply parameters and, where automatic requisitions are
// locked, the operator's permissions to change them anyway.
void TfrmFiltroSolicita::loadCenterParameters()
{
    BusyCursor busy;
    QString center = purchaseCenter();
    state.GetParamCmp(center, QStringLiteral("SUP"));

    state.clearPermissions();
    if (state.cdsParaSupri.FieldByName(QStringLiteral("IDBLOQALTSOLAUT")).AsString() != yes)
        return;
    const RemoteReply granted = callModule(QStringLiteral("GetPermissoes"), {Operador()});
    state.cdsPermissoes.SetData(CheckResultServ(granted, true).toPacket());
    state.derivePermissions();
}

void TfrmFiltroSolicita::Controla_Filtro()
{
    grbComprador.SetVisible(state.buyerShown);
    grbDestino.SetVisible(state.destinationShown);
    cdsAprovSoliGer.SetData(
        CheckResultServ(callModule(QStringLiteral("GetVdAprovSoliGer"))).toPacket());
    const bool managers = cdsAprovSoliGer.FieldByName(QStringLiteral("CONTADOR")).AsFloat() > 0;
    grbGerente.SetVisible(managers && state.destinationShown);
    if (!grbGerente.Visible() || std::exchange(managerDefaultApplied_, true))
        return;
    openQuery(qryGerente, {{"P_CDOPERADOR", Operador()}, {"P_TCDOPERADOR", {}}});
    const bool isManager = !qryGerente.IsEmpty();
    medGerente.SetText(data::currentValue(qryGerente, QStringLiteral("CDOPERADOR")));
    edtGerente.SetText(data::currentValue(qryGerente, QStringLiteral("NMOPERADOR")));
    if (isManager)
        stGerente = medGerente.Text();
    SetChildEnabled(grbAprovacao, isManager);
}

void TfrmFiltroSolicita::FormClose(CloseAction& action)
{
    boFiltroCriado = false;
    action = CloseAction::Hide;
}

// --- server and queries ----------------------------------------------------------

void TfrmFiltroSolicita::openQuery(ClientDataSet& query, const QueryParams& params)
{
    OpenDeclared(query, data::declaredName(QStringLiteral("TfrmFiltroSolicita"), query.Name()),
                 params);
}

RemoteReply TfrmFiltroSolicita::callModule(const QString& method, std::vector<RemoteValue> args)
{
    return state.netLancaSoliCmp.Call(method, args);
}

void TfrmFiltroSolicita::loadFromServer(ClientDataSet& target, const QString& method,
                                        std::vector<RemoteValue> args, Control& focusOnFailure)
{
    auto refocus = qScopeGuard([this, &focusOnFailure] { SetFocus(focusOnFailure); });
    {
        const ProgressScope progress;
        target.SetData(CheckResultServ(callModule(method, std::move(args))).toPacket());
    }
    refocus.dismiss();
}

// --- lists and lookups ----------------------------------------------------------

void TfrmFiltroSolicita::listBranches()
{
    if (cdsFiliAgrupFili.Active())
        cdsFiliAgrupFili.EmptyDataSet();
    ClientDataSet* branches = &qryFilial;
    if (medAgrupFilial.Text().trimmed().isEmpty()) {
        openQuery(qryFilial, {{"P_CDFILIAL", QStringLiteral(" ")}, {"P_TCDFILIAL", all}});
    } else {
        loadFromServer(cdsFiliAgrupFili, QStringLiteral("GetFiliGrupFil"), {medAgrupFilial.Text()},
                       btpFilial);
        branches = &cdsFiliAgrupFili;
    }
    if (branches->IsEmpty())
        MensErro(QStringLiteral("Não há filial cadastrada."), true);
    PesquisaLista(*branches, QStringLiteral("CDFILIAL"), msgPadrao.Msg(QStringLiteral("FILIAL")),
                  stListaFilial);
}

void TfrmFiltroSolicita::listDestinations()
{
    ClientDataSet* destinations = &qryDestino;
    if (!medAgrupFilial.Text().trimmed().isEmpty() && rbtFilialTodas.Checked()) {
        loadFromServer(cdsDestGrupFili, QStringLiteral("GetDestGrupFili"), {medAgrupFilial.Text()},
                       sbtDestino);
        destinations = &cdsDestGrupFili;
    } else {
        openQuery(qryDestino, {{"P_CDFILIAL", stListaFilial},
                               {"P_TCDFILIAL", rbtFilialTodas.Checked() ? all : QString()}});
    }
    if (destinations->IsEmpty())
        MensErro(QStringLiteral("Não há destino cadastrado."), true);
    PesquisaLista(*destinations, QStringLiteral("CDDESTSOLI"),
                  msgPadrao.Msg(QStringLiteral("Destino")), stListaDestino);
}

void TfrmFiltroSolicita::Vd_AgrupFilial()
{
    if (medAgrupFilial.Text().trimmed().isEmpty())
        return;
    loadFromServer(cdsGrupFili, QStringLiteral("GetAgruFili"), {}, medAgrupFilial);
    const QString code = Ajusta(medAgrupFilial.Text(), groupCodeWidth);
    if (!cdsGrupFili.Locate(QStringLiteral("CDGRUPFILI"), code)) {
        SetFocus(medAgrupFilial);
        MensErro(msgPadrao.Msg(QStringLiteral("AgrupFili_NCAD")), true);
    }
    edtAgrupFilial.SetText(cdsGrupFili.FieldByName(QStringLiteral("NMGRUPFILI")).AsString());
}

void TfrmFiltroSolicita::clearManager()
{
    edtGerente.SetText({});
    snapshot.manager.manager.clear();
    stGerente.clear();
}

void TfrmFiltroSolicita::Vd_Gerente()
{
    if (medGerente.Text().trimmed().isEmpty()) {
        for (CheckBox* box : {&rbtAprova, &rbtNaoAprova, &rbtNaoAprovado}) {
            box->SetChecked(true);
            box->SetEnabled(false);
        }
        return;
    }
    const QString code = Ajusta(medGerente.Text(), operatorWidth);
    loadFromServer(cdsVD_Gerente, QStringLiteral("GetVd_Gerente"), {code}, medGerente);
    if (cdsVD_Gerente.IsEmpty()) {
        SetFocus(medGerente);
        MensErro(msgPadrao.Msg(QStringLiteral("Gerente_NCAD")), true);
    }
    edtGerente.SetText(cdsVD_Gerente.FieldByName(QStringLiteral("NMOPERADOR")).AsString());
    stGerente = cdsVD_Gerente.FieldByName(QStringLiteral("CDOPERADOR")).AsString();
    SetChildEnabled(grbAprovacao, true);
}

// --- confirmation ------------------------------------------------------------------

bool TfrmFiltroSolicita::managerApprovalInUse() const
{
    return grbGerente.Visible() && data::hasRecords(cdsAprovSoliGer) &&
           cdsAprovSoliGer.FieldByName(QStringLiteral("CONTADOR")).AsFloat() > 0;
}

void TfrmFiltroSolicita::Validacoes()
{
    const auto refuse = [this](const QString& key, Control* focus) {
        if (focus)
            SetFocus(*focus);
        MensErro(msgPadrao.Msg(key), true);
    };
    for (DateEdit* date : {&depEmisIni, &depEmisFim, &depEntrIni, &depEntrFim})
        if (!date->HasValidDate())
            MensErro(invalidDate(*date, msgPadrao), true);
    if (!hasContent(depEmisIni) && hasContent(depEmisFim))
        refuse(QStringLiteral("dtSolIni_Vazia"), &depEmisIni);
    if (hasContent(depEmisIni) && !hasContent(depEmisFim))
        refuse(QStringLiteral("dtSolFin_Vazia"), &depEmisFim);
    if (!hasContent(depEntrIni) && hasContent(depEntrFim))
        refuse(QStringLiteral("dtEntrIni_Vazia"), &depEntrIni);
    if (hasContent(depEntrIni) && !hasContent(depEntrFim))
        refuse(QStringLiteral("dtEntrFin_Vazia"), &depEntrFim);
    if (rbtListaComprador.Checked() && stListaComprador.isEmpty())
        refuse(QStringLiteral("Comp_Vazio"), &rbtListaComprador);
    if (rbtListaDestino.Checked() && stListaDestino.isEmpty())
        refuse(QStringLiteral("Dest_Vazio"), &rbtListaDestino);
    if (rbtFilialLista.Checked() && stListaFilial.isEmpty())
        refuse(QStringLiteral("Fili_N_Inf"), &rbtFilialLista);
    if (hasContent(depEmisFim) && depEmisFim.Date() < depEmisIni.Date())
        refuse(QStringLiteral("DtIniFin_Inv"), &depEmisIni);
    if (hasContent(depEntrFim) && depEntrFim.Date() < depEntrIni.Date())
        refuse(QStringLiteral("DtEntIniFin_Inv"), &depEntrIni);

    stAprovacao = all;
    if (!managerApprovalInUse())
        return;
    const bool approved = rbtAprova.Checked(), rejected = rbtNaoAprova.Checked(),
               undecided = rbtNaoAprovado.Checked();
    if (!approved && !rejected && !undecided)
        refuse(QStringLiteral("Aprovacao_Vazio"), &rbtAprova);
    if (approved && rejected && undecided)
        return;
    stAprovacao = QString(approved ? "_S" : "") + (rejected ? "_N" : "") + (undecided ? "_X" : "");
}

void TfrmFiltroSolicita::Dados_Filtro(bool save)
{
    if (save) {
        snapshot.buyer.buyerList = rbtListaComprador.Checked();
        snapshot.buyer.buyers = stListaComprador;
        snapshot.destination.destinationList = rbtListaDestino.Checked();
        snapshot.destination.destinations = stListaDestino;
        snapshot.branch.branchList = rbtFilialLista.Checked();
        snapshot.branch.branches = stListaFilial;
        snapshot.requisitionFrom = depEmisIni.Date();
        snapshot.requisitionTo = depEmisFim.Date();
        snapshot.deliveryFrom = depEntrIni.Date();
        snapshot.deliveryTo = depEntrFim.Date();
        snapshot.manager.manager = stGerente;
        snapshot.manager.approvalSet = stAprovacao;
        return;
    }
    chooseList(rbtListaComprador, rbtTodosComprador, snapshot.buyer.buyerList);
    stListaComprador = snapshot.buyer.buyers;
    chooseList(rbtListaDestino, rbtTodosDestino, snapshot.destination.destinationList);
    stListaDestino = snapshot.destination.destinations;
    chooseList(rbtFilialLista, rbtFilialTodas, snapshot.branch.branchList);
    stListaFilial = snapshot.branch.branches;
    depEmisIni.SetDate(snapshot.requisitionFrom);
    depEmisFim.SetDate(snapshot.requisitionTo);
    depEntrIni.SetDate(snapshot.deliveryFrom);
    depEntrFim.SetDate(snapshot.deliveryTo);
    stGerente = snapshot.manager.manager;
    stAprovacao = snapshot.manager.approvalSet;
}

void TfrmFiltroSolicita::setNoRestrictionFlags()
{
    const auto flag = [](const QString& value) { return value.isEmpty() ? all : QString(); };
    stTodosComprador = flag(stListaComprador);
    stTodosDestino = flag(stListaDestino);
    stTodosFilial = flag(stListaFilial);
    stSol = flag(depEmisIni.Text());
    stEntr = flag(depEntrIni.Text());
    stTodosGerente = flag(stGerente);
}

// The requesting branches with matching requisitions and the requisitions of
// the first one, or of the branch given while it is listed, into the state.
void TfrmFiltroSolicita::loadRequisitions(const QString& branch)
{
    std::vector<RemoteValue> criteria{remoteDate(snapshot.requisitionFrom),
                                      remoteDate(snapshot.requisitionTo),
                                      stSol,
                                      snapshot.buyer.buyers,
                                      stTodosComprador,
                                      snapshot.destination.destinations,
                                      stTodosDestino,
                                      remoteDate(snapshot.deliveryFrom),
                                      remoteDate(snapshot.deliveryTo),
                                      stEntr,
                                      snapshot.manager.manager,
                                      stTodosGerente,
                                      snapshot.manager.approvalSet,
                                      Operador()};
    std::vector<RemoteValue> branchArgs{medAgrupFilial.Text(), stTodosFilial,
                                        snapshot.branch.branches};
    branchArgs.insert(branchArgs.end(), criteria.begin(), criteria.end());

    // Criteria the server finds wrong come back as a text beside the lists,
    // shown and retried like a refused reply.
    const RemoteReply branches = callModule(QStringLiteral("GetFilialSoli"), branchArgs);
    if (!branches.ok)
        failLoad(branches);
    if (const QString refusal = branches.result.at(2).toString(); !refusal.isEmpty())
        failLoad(RemoteReply::failure(refusal, FailureKind::Refused));
    state.cdsFilialSoli.SetData(branches.result.at(0).toPacket());
    state.cdsData.SetData(branches.result.at(1).toPacket());
    if (!branch.isEmpty())
        state.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), branch);

    std::vector<RemoteValue> requisitionArgs{
        data::currentValue(state.cdsFilialSoli, QStringLiteral("CDFILIAL"))};
    requisitionArgs.insert(requisitionArgs.end(), criteria.begin(), criteria.end());
    const RemoteReply requisitions = callModule(QStringLiteral("GetServSolicita"), requisitionArgs);
    if (!requisitions.ok)
        failLoad(requisitions);
    state.cdsServSolicita.SetData(requisitions.result.toPacket());
}

void TfrmFiltroSolicita::sbtConfirmaClick()
{
    confirm({});
}

void TfrmFiltroSolicita::confirm(const QString& branch)
{
    Validacoes();
    Vd_Gerente();
    Dados_Filtro(true);
    setNoRestrictionFlags();
    for (int attempts = 0;; ++attempts) {
        const std::optional<QString> failure = attemptLoad(branch);
        if (!failure)
            break;
        if (attempts >= silentRetries && !askToRetry(*failure))
            Abort();
        const ProgressScope reconnecting;
        state.netLancaSoliCmp.Reconnect();
    }
    SetModalResult(mrOk);
}

std::optional<QString> TfrmFiltroSolicita::attemptLoad(const QString& branch)
{
    try {
        const ProgressScope progress(msgPadrao.Msg(QStringLiteral("Get_Data")));
        loadRequisitions(branch);
        return std::nullopt;
    } catch (const LoadFailure& failure) {
        return failure.text;
    }
}

bool TfrmFiltroSolicita::askToRetry(const QString& failure)
{
    const TMessages& texts = msgFramework();
    const QString question = texts.Msg(QStringLiteral("Err_Conex")) + QStringLiteral("\n\n") +
                             texts.Msg(QStringLiteral("DsErro")) + failure +
                             QStringLiteral("\n\n") + texts.Msg(QStringLiteral("Reestab_Conex"));
    return uiPort().askCustom({question,
                               MsgType::Information,
                               {texts.Msg(QStringLiteral("Sim")),
                                texts.Msg(QStringLiteral("Nao"))}}) == firstCustomAnswer;
}

// --- options -----------------------------------------------------------------------

FilterOptions TfrmFiltroSolicita::GetOptions() const
{
    return {{QStringLiteral("stComprador"), stListaComprador},
            {QStringLiteral("stDestino"), stListaDestino},
            {QStringLiteral("stFili"), stListaFilial}};
}

// Each list comes back with its choice, so that what the dialog shows is
// what the confirmation sends.
void TfrmFiltroSolicita::SetOptions(const FilterOptions& options)
{
    for (const FilterOption& option : options) {
        if (option.name == QLatin1String("stComprador"))
            stListaComprador = option.value;
        else if (option.name == QLatin1String("stDestino"))
            stListaDestino = option.value;
        else if (option.name == QLatin1String("stFili"))
            stListaFilial = option.value;
    }
    chooseList(rbtListaComprador, rbtTodosComprador, !stListaComprador.isEmpty());
    chooseList(rbtListaDestino, rbtTodosDestino, !stListaDestino.isEmpty());
    chooseList(rbtFilialLista, rbtFilialTodas, !stListaFilial.isEmpty());
}

// --- the unit ------------------------------------------------------------------------

// Shown again after a close, with no branch listed, the filter decides
// again whether buyers and destinations are shown.
void CriaFiltroSolicita()
{
    BusyCursor busy;
    data::RequisitionState& state = *unitState;
    state.parametersRefreshPending = true;
    if (!boFiltroCriado) {
        if (!frmFiltroSolicita) {
            frmFiltroSolicita.create(state);
        } else {
            if (state.cdsFilialSoli.IsEmpty()) {
                const auto parameterOn = [&state](const char* flag) {
                    return state.cdsParaSupri.FieldByName(QString::fromLatin1(flag)).AsString() !=
                           no;
                };
                state.destinationShown = parameterOn("IDULTDESTSOL");
                state.buyerShown = parameterOn("IDULTCOMPSOL");
            }
            frmFiltroSolicita->Controla_Filtro();
        }
        boFiltroCriado = true;
    }
    busy.restore();
    uiPort().showModal(*frmFiltroSolicita);
}

void initialization(data::RequisitionState& state)
{
    unitState = &state;
    boFiltroCriado = false;
}

void finalization()
{
    frmFiltroSolicita.free();
    for (QString* text :
         {&stListaComprador, &stListaDestino, &stListaFilial, &stTodosComprador, &stTodosDestino,
          &stTodosFilial, &stGerente, &stTodosGerente, &stAprovacao, &stSol, &stEntr})
        text->clear();
    unitState = nullptr;
}

} // namespace cmp::Cli_cmp03107
