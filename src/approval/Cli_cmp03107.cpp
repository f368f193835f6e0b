#include "approval/Cli_cmp03107.h"

#include "framework/core/abort.h"
#include "framework/core/strings.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/sql/statement_registry.h"
#include "framework/ui/host_context.h"
#include "framework/ui/lookups.h"
#include "module/declared_query.h"
#include "requisition/Cli_cmp03100.h"

#include <stdexcept>

namespace cmp::Cli_cmp03107 {

module::ScreenInstance<TfrmFiltroSolicita> frmFiltroSolicita;
bool boFiltroCriado = false;
QString stListaComprador, stListaDestino, stListaFilial;
QString stTodosComprador, stTodosDestino, stTodosFilial;
QString stGerente, stTodosGerente, stAprovacao;
QString stSol, stEntr;

namespace {

using namespace fw;
using Cli_cmp03100::frmLancaSoliCmp;

const QString all = QStringLiteral("T");
constexpr int groupCodeWidth = 10;
constexpr int operatorWidth = 12;
// Silent reconnections before the user is asked.
constexpr int silentRetries = 3;

const QString qryCompradorName = QStringLiteral("TfrmFiltroSolicita.qryComprador");
const QString qryDestinoName = QStringLiteral("TfrmFiltroSolicita.qryDestino");
const QString qryFilialName = QStringLiteral("TfrmFiltroSolicita.qryFilial");
const QString qryGerenteName = QStringLiteral("TfrmFiltroSolicita.qryGerente");

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
        {"DtEntIniFin_Inv",
         "Data de entrega inicial deve ser menor ou igual a data de entrega final."},
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
        Field& field = rows.AddField(QString::fromLatin1(column.name), FieldType::String, column.size);
        field.SetDisplayLabel(QString::fromUtf8(column.label));
        field.Visible = *column.label != '\0';
    }
}

// A date edit with its "Inicial"/"Final" label.
DateEdit& dateField(Form& form, const QString& name, GroupBox& group, const QString& label)
{
    form.createCaptioned<Label>(QStringLiteral("lbl") + name.mid(3), &group, label);
    return form.create<DateEdit>(name, &group);
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

bool hasContent(const DateEdit& edit)
{
    return !edit.IsBlank();
}

} // namespace

TfrmFiltroSolicita::TfrmFiltroSolicita()
    : TfrmFiltroPadrao(QStringLiteral("frmFiltroSolicita"), QStringLiteral("CMP03107")),
      grbDtSolicitacao(createCaptioned<GroupBox>(QStringLiteral("grbDtSolicitacao"), nullptr,
                                           QStringLiteral("Data de Solicitação"))),
      depEmisIni(dateField(*this, QStringLiteral("depEmisIni"), grbDtSolicitacao, "Inicial")),
      depEmisFim(dateField(*this, QStringLiteral("depEmisFim"), grbDtSolicitacao, "Final")),
      grbDtEntrega(createCaptioned<GroupBox>(QStringLiteral("grbDtEntrega"), nullptr,
                                       QStringLiteral("Data de Entrega"))),
      depEntrIni(dateField(*this, QStringLiteral("depEntrIni"), grbDtEntrega, "Inicial")),
      depEntrFim(dateField(*this, QStringLiteral("depEntrFim"), grbDtEntrega, "Final")),
      panAgrupFilial(create<Panel>(QStringLiteral("panAgrupFilial"))),
      medAgrupFilial((createCaptioned<Label>(QStringLiteral("lblAgrupFilial"), &panAgrupFilial,
                                       QStringLiteral("Agrupamento de Filial")),
                      create<MaskEdit>(QStringLiteral("medAgrupFilial"), &panAgrupFilial))),
      btnAgrupFilial(create<LookupButton>(QStringLiteral("btnAgrupFilial"), &panAgrupFilial)),
      edtAgrupFilial(create<Edit>(QStringLiteral("edtAgrupFilial"), &panAgrupFilial)),
      grbFilial(createCaptioned<GroupBox>(QStringLiteral("grbFilial"), nullptr,
                                    QStringLiteral("Filial Solicitante"))),
      rbtFilialTodas(createCaptioned<RadioButton>(QStringLiteral("rbtFilialTodas"), &grbFilial,
                                            QStringLiteral("Todas"))),
      rbtFilialLista(createCaptioned<RadioButton>(QStringLiteral("rbtFilialLista"), &grbFilial,
                                            QStringLiteral("Lista"))),
      btpFilial(create<SpeedButton>(QStringLiteral("btpFilial"), &grbFilial)),
      grbGerente(createCaptioned<GroupBox>(QStringLiteral("grbGerente"), nullptr,
                                     QStringLiteral("Gerente"))),
      medGerente(create<MaskEdit>(QStringLiteral("medGerente"), &grbGerente)),
      sbtGerente(create<LookupButton>(QStringLiteral("sbtGerente"), &grbGerente)),
      edtGerente(create<Edit>(QStringLiteral("edtGerente"), &grbGerente)),
      grbAprovacao(createCaptioned<GroupBox>(QStringLiteral("grbAprovacao"), &grbGerente,
                                       QStringLiteral("Aprovação"))),
      rbtAprova(createCaptioned<CheckBox>(QStringLiteral("rbtAprova"), &grbAprovacao,
                                    QStringLiteral("Aprovado"))),
      rbtNaoAprova(createCaptioned<CheckBox>(QStringLiteral("rbtNaoAprova"), &grbAprovacao,
                                       QStringLiteral("Reprovado"))),
      rbtNaoAprovado(createCaptioned<CheckBox>(QStringLiteral("rbtNaoAprovado"), &grbAprovacao,
                                         QStringLiteral("Não Aprovado"))),
      grbComprador(createCaptioned<GroupBox>(QStringLiteral("grbComprador"), nullptr,
                                       QStringLiteral("Comprador"))),
      rbtTodosComprador(createCaptioned<RadioButton>(QStringLiteral("rbtTodosComprador"),
                                               &grbComprador, QStringLiteral("Todos"))),
      rbtListaComprador(createCaptioned<RadioButton>(QStringLiteral("rbtListaComprador"),
                                               &grbComprador, QStringLiteral("Lista"))),
      sbtComprador(create<SpeedButton>(QStringLiteral("sbtComprador"), &grbComprador)),
      grbDestino(createCaptioned<GroupBox>(QStringLiteral("grbDestino"), nullptr,
                                     QStringLiteral("Destino da Solicitação"))),
      rbtTodosDestino(createCaptioned<RadioButton>(QStringLiteral("rbtTodosDestino"), &grbDestino,
                                             QStringLiteral("Todos"))),
      rbtListaDestino(createCaptioned<RadioButton>(QStringLiteral("rbtListaDestino"), &grbDestino,
                                             QStringLiteral("Lista"))),
      sbtDestino(create<SpeedButton>(QStringLiteral("sbtDestino"), &grbDestino)),
      cdsGrupFili(QStringLiteral("cdsGrupFili")), cdsFiliAgrupFili(QStringLiteral("cdsFiliAgrupFili")),
      cdsDestGrupFili(QStringLiteral("cdsDestGrupFili")),
      cdsAprovSoliGer(QStringLiteral("cdsAprovSoliGer")),
      cdsVD_Gerente(QStringLiteral("cdsVD_Gerente")), qryComprador(qryCompradorName),
      qryDestino(qryDestinoName), qryFilial(qryFilialName), qryGerente(qryGerenteName)
{
    SetCaption(QStringLiteral("Filtro de Solicitação de Compras"));
    HelpContext = 10403107;
    for (const auto& [key, text] : catalog)
        msgPadrao.Add(QString::fromLatin1(key), QString::fromUtf8(text));

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

    wireEvents();
    OnCreate = [this](Form&) { FormCreate(); };
    OnClose = [this](Form&, CloseAction& action) { FormClose(action); };
}

TfrmFiltroSolicita::~TfrmFiltroSolicita()
{
    Destroy();
}

void TfrmFiltroSolicita::wireEvents()
{
    for (DateEdit* date : {&depEmisIni, &depEmisFim, &depEntrIni, &depEntrFim})
        date->OnExit = [this](Control& edit) {
            const auto& field = static_cast<DateEdit&>(edit);
            if (!field.HasValidDate())
                MensErro(QStringLiteral("'%1' %2").arg(field.Text().trimmed(),
                                                       msgPadrao.Msg(QStringLiteral("Data_Inv"))),
                         true);
        };

    medAgrupFilial.OnKeyPress = [](Control&, QChar& key) {
        if ((key >= u'A' && key <= u'Z') || (key >= u'a' && key <= u'z'))
            key = QChar();
    };
    medAgrupFilial.OnChange = [this](Control&) {
        edtAgrupFilial.SetText({});
        stListaFilial.clear();
        Filtro.Filial.stFilial.clear();
    };
    medAgrupFilial.OnExit = [this](Control&) { Vd_AgrupFilial(); };
    btnAgrupFilial.BeforePesq = [this](LookupButton&, bool&) {
        loadFromServer(cdsGrupFili, QStringLiteral("GetAgruFili"), {}, medAgrupFilial);
    };
    btnAgrupFilial.AfterPesq = [this](LookupButton&) {
        medAgrupFilial.SetText(cdsGrupFili.FieldByName(QStringLiteral("CDGRUPFILI")).AsString());
        edtAgrupFilial.SetText(cdsGrupFili.FieldByName(QStringLiteral("NMGRUPFILI")).AsString());
    };

    wireListChoice(rbtFilialTodas, rbtFilialLista, btpFilial, stListaFilial);
    btpFilial.OnClick = [this](Control&) { ListaFiliais(); };

    wireListChoice(rbtTodosComprador, rbtListaComprador, sbtComprador, stListaComprador);
    sbtComprador.OnClick = [this](Control&) {
        module::OpenDeclared(qryComprador, qryCompradorName, {});
        PesquisaLista(qryComprador, QStringLiteral("CDOPERADOR"),
                      msgPadrao.Msg(QStringLiteral("Comprador")), stListaComprador);
    };
    wireListChoice(rbtTodosDestino, rbtListaDestino, sbtDestino, stListaDestino);
    sbtDestino.OnClick = [this](Control&) { ListaDestinos(); };
    // F9 on a "Lista" choice opens its list.
    rbtListaComprador.OnKeyDown = [this](Control&, Key& key, Shift) {
        if (key == Qt::Key_F9)
            sbtComprador.Click();
    };
    rbtListaDestino.OnKeyDown = [this](Control&, Key& key, Shift) {
        if (key == Qt::Key_F9)
            sbtDestino.Click();
    };

    medGerente.OnChange = [this](Control&) { ClearGerente(); };
    medGerente.OnExit = [this](Control&) { Vd_Gerente(); };
    sbtGerente.BeforePesq = [this](LookupButton&, bool&) {
        module::OpenDeclared(qryGerente, qryGerenteName, {{"P_CDOPERADOR", {}}, {"P_TCDOPERADOR", all}});
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
    ChooseLista(rbtFilialLista, rbtFilialTodas, false);
    btpFilial.SetEnabled(false);
    stListaFilial.clear();
    managerDefaultApplied_ = false;
    Dados_Filtro(false);
    if (ModuFili()) {
        SetChildEnabled(panAgrupFilial, false);
        ChooseLista(rbtFilialLista, rbtFilialTodas, true);
        stListaFilial = QStringLiteral("_%1_").arg(FiliProc());
        grbFilial.SetEnabled(false);
    }
    LoadMainScreenParameters();
    frmLancaSoliCmp->panDestino.SetVisible(
        frmLancaSoliCmp->cdsParaSupri.FieldByName(QStringLiteral("IDULTDESTSOL")).AsString() !=
        QLatin1String("N"));
    frmLancaSoliCmp->panComprador.SetVisible(
        frmLancaSoliCmp->cdsParaSupri.FieldByName(QStringLiteral("IDULTCOMPSOL")).AsString() !=
        QLatin1String("N"));
    Controla_Filtro();
}

QString TfrmFiltroSolicita::PurchaseCenter()
{
    module::OpenDeclared(qryFilial, qryFilialName, {{"P_CDFILIAL", FiliProc()}, {"P_TCDFILIAL", {}}});
    const QString center =
        qryFilial.IsEmpty() ? QString()
                            : qryFilial.FieldByName(QStringLiteral("CDFILCENTCMP")).AsString();
    return center.isEmpty() ? FiliProc() : center;
}

// The center's supply parameters and, where automatic requisitions are
// locked, the operator's permissions to change them anyway.
void TfrmFiltroSolicita::LoadMainScreenParameters()
{
    module::BusyCursor busy;
    auto& main = *frmLancaSoliCmp;
    QString center = PurchaseCenter();
    main.GetParamCmp(center, QStringLiteral("SUP"));

    main.permissoes.clear();
    if (main.cdsParaSupri.FieldByName(QStringLiteral("IDBLOQALTSOLAUT")).AsString() !=
        QLatin1String("S"))
        return;
    const RemoteReply granted =
        main.netLancaSoliCmp.Call(QStringLiteral("GetPermissoes"), {Operador()});
    main.cdsPermissoes.SetData(CheckResultServ(granted, true).toPacket());
    for (main.cdsPermissoes.First(); !main.cdsPermissoes.Eof(); main.cdsPermissoes.Next()) {
        const QString key =
            main.cdsPermissoes.FieldByName(QStringLiteral("IDAUTLANCSOLI")).AsString().toUpper();
        if (Cli_cmp03100::permissionKeys.contains(key))
            main.permissoes.insert(key);
    }
}

void TfrmFiltroSolicita::Controla_Filtro()
{
    auto& main = *frmLancaSoliCmp;
    grbComprador.SetVisible(main.panComprador.Visible());
    grbDestino.SetVisible(main.panDestino.Visible());
    cdsAprovSoliGer.SetData(CheckResultServ(callModule(QStringLiteral("GetVdAprovSoliGer"))).toPacket());
    const bool managers = cdsAprovSoliGer.FieldByName(QStringLiteral("CONTADOR")).AsFloat() > 0;
    grbGerente.SetVisible(managers && main.panDestino.Visible());
    if (!grbGerente.Visible() || std::exchange(managerDefaultApplied_, true))
        return;
    module::OpenDeclared(qryGerente, qryGerenteName, {{"P_CDOPERADOR", Operador()}, {"P_TCDOPERADOR", {}}});
    const bool isManager = !qryGerente.IsEmpty();
    if (isManager) {
        medGerente.SetText(qryGerente.FieldByName(QStringLiteral("CDOPERADOR")).AsString());
        edtGerente.SetText(qryGerente.FieldByName(QStringLiteral("NMOPERADOR")).AsString());
        stGerente = medGerente.Text();
    } else {
        medGerente.SetText({});
        edtGerente.SetText({});
    }
    SetChildEnabled(grbAprovacao, isManager);
}

void TfrmFiltroSolicita::FormClose(CloseAction& action)
{
    boFiltroCriado = false;
    action = CloseAction::Hide;
}

// --- server and queries ----------------------------------------------------------

RemoteReply TfrmFiltroSolicita::callModule(const QString& method, std::vector<RemoteValue> args)
{
    return frmLancaSoliCmp->netLancaSoliCmp.Call(method, args);
}

void TfrmFiltroSolicita::loadFromServer(ClientDataSet& target, const QString& method,
                                        std::vector<RemoteValue> args, Control& focusOnFailure)
{
    try {
        const ProgressScope progress;
        target.SetData(CheckResultServ(callModule(method, std::move(args))).toPacket());
    } catch (...) {
        SetFocus(focusOnFailure);
        throw;
    }
}

// --- lists and lookups ----------------------------------------------------------

void TfrmFiltroSolicita::ChooseLista(RadioButton& lista, RadioButton& todos, bool chosen)
{
    (chosen ? lista : todos).SetChecked(true);
}


void TfrmFiltroSolicita::ListaFiliais()
{
    cdsFiliAgrupFili.EmptyDataSet();
    ClientDataSet* branches = &qryFilial;
    if (medAgrupFilial.Text().trimmed().isEmpty()) {
        module::OpenDeclared(qryFilial, qryFilialName, {{"P_CDFILIAL", QStringLiteral(" ")}, {"P_TCDFILIAL", all}});
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

void TfrmFiltroSolicita::ListaDestinos()
{
    ClientDataSet* destinations = &qryDestino;
    if (!medAgrupFilial.Text().trimmed().isEmpty() && rbtFilialTodas.Checked()) {
        loadFromServer(cdsDestGrupFili, QStringLiteral("GetDestGrupFili"), {medAgrupFilial.Text()},
                       sbtDestino);
        destinations = &cdsDestGrupFili;
    } else {
        module::OpenDeclared(qryDestino, qryDestinoName,
                  {{"P_CDFILIAL", stListaFilial},
                   {"P_TCDFILIAL", rbtFilialTodas.Checked() ? all : QString()}});
    }
    if (destinations->IsEmpty())
        MensErro(QStringLiteral("Não há destino cadastrado."), true);
    PesquisaLista(*destinations, QStringLiteral("CDDESTSOLI"), msgPadrao.Msg(QStringLiteral("Destino")),
                  stListaDestino);
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

void TfrmFiltroSolicita::ClearGerente()
{
    edtGerente.SetText({});
    Filtro.Gerente.stGerente.clear();
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

bool TfrmFiltroSolicita::ManagerApprovalInUse() const
{
    return grbGerente.Visible() && cdsAprovSoliGer.Active() && !cdsAprovSoliGer.IsEmpty() &&
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
            MensErro(QStringLiteral("'%1' %2").arg(date->Text().trimmed(),
                                                   msgPadrao.Msg(QStringLiteral("Data_Inv"))),
                     true);
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
    if (!ManagerApprovalInUse())
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
        Filtro.Comprador.boListaComprador = rbtListaComprador.Checked();
        Filtro.Comprador.stComprador = stListaComprador;
        Filtro.Destino.boListaDestino = rbtListaDestino.Checked();
        Filtro.Destino.stDestino = stListaDestino;
        Filtro.Filial.boListaFilial = rbtFilialLista.Checked();
        Filtro.Filial.stFilial = stListaFilial;
        Filtro.dtSolIni = depEmisIni.Date();
        Filtro.dtSolFin = depEmisFim.Date();
        Filtro.dtEntrIni = depEntrIni.Date();
        Filtro.dtEntrFin = depEntrFim.Date();
        Filtro.Gerente.stGerente = stGerente;
        Filtro.Gerente.stAprovacao = stAprovacao;
        return;
    }
    ChooseLista(rbtListaComprador, rbtTodosComprador, Filtro.Comprador.boListaComprador);
    stListaComprador = Filtro.Comprador.stComprador;
    ChooseLista(rbtListaDestino, rbtTodosDestino, Filtro.Destino.boListaDestino);
    stListaDestino = Filtro.Destino.stDestino;
    ChooseLista(rbtFilialLista, rbtFilialTodas, Filtro.Filial.boListaFilial);
    stListaFilial = Filtro.Filial.stFilial;
    depEmisIni.SetDate(Filtro.dtSolIni);
    depEmisFim.SetDate(Filtro.dtSolFin);
    depEntrIni.SetDate(Filtro.dtEntrIni);
    depEntrFim.SetDate(Filtro.dtEntrFin);
    stGerente = Filtro.Gerente.stGerente;
    stAprovacao = Filtro.Gerente.stAprovacao;
}

void TfrmFiltroSolicita::SetTodosFlags()
{
    const auto flag = [](const QString& value) { return value.isEmpty() ? all : QString(); };
    stTodosComprador = flag(stListaComprador);
    stTodosDestino = flag(stListaDestino);
    stTodosFilial = flag(stListaFilial);
    stSol = flag(depEmisIni.Text().trimmed());
    stEntr = flag(depEntrIni.Text().trimmed());
    stTodosGerente = flag(stGerente);
}

// The requesting branches with matching requisitions and the requisitions of
// the first one, straight into the main screen.
void TfrmFiltroSolicita::CarregaSolicitacoes(const QString& filialOrigem)
{
    auto& main = *frmLancaSoliCmp;
    std::vector<RemoteValue> criteria{
        remoteDate(Filtro.dtSolIni), remoteDate(Filtro.dtSolFin),  stSol,
        Filtro.Comprador.stComprador, stTodosComprador,              Filtro.Destino.stDestino,
        stTodosDestino,               remoteDate(Filtro.dtEntrIni), remoteDate(Filtro.dtEntrFin),
        stEntr,                       Filtro.Gerente.stGerente,     stTodosGerente,
        Filtro.Gerente.stAprovacao,   Operador()};
    std::vector<RemoteValue> branchArgs{medAgrupFilial.Text(), stTodosFilial, Filtro.Filial.stFilial};
    branchArgs.insert(branchArgs.end(), criteria.begin(), criteria.end());

    // Silent on purpose: the retry loop decides what the user is told.
    const RemoteReply branches = main.netLancaSoliCmp.Call(QStringLiteral("GetFilialSoli"), branchArgs);
    if (!branches.ok)
        throw std::runtime_error(branches.error.toStdString());
    if (const QString error = branches.result.at(2).toString(); !error.isEmpty())
        throw std::runtime_error(error.toStdString());
    main.cdsFilialSoli.SetData(branches.result.at(0).toPacket());
    main.cdsData.SetData(branches.result.at(1).toPacket());
    if (!filialOrigem.isEmpty())
        main.cdsFilialSoli.Locate(QStringLiteral("CDFILIAL"), filialOrigem);

    std::vector<RemoteValue> requisitionArgs{
        main.cdsFilialSoli.IsEmpty()
            ? QString()
            : main.cdsFilialSoli.FieldByName(QStringLiteral("CDFILIAL")).AsString()};
    requisitionArgs.insert(requisitionArgs.end(), criteria.begin(), criteria.end());
    const RemoteReply requisitions =
        main.netLancaSoliCmp.Call(QStringLiteral("GetServSolicita"), requisitionArgs);
    if (!requisitions.ok)
        throw std::runtime_error(requisitions.error.toStdString());
    main.cdsServSolicita.SetData(requisitions.result.toPacket());
}

void TfrmFiltroSolicita::sbtConfirmaClick()
{
    Confirma({});
}

void TfrmFiltroSolicita::Confirma(const QString& filialOrigem)
{
    Validacoes();
    Vd_Gerente();
    Dados_Filtro(true);
    SetTodosFlags();
    for (int attempts = 0;; ++attempts) {
        try {
            const ProgressScope progress(msgPadrao.Msg(QStringLiteral("Get_Data")));
            CarregaSolicitacoes(filialOrigem);
            break;
        } catch (const std::exception& failure) {
            if (attempts >= silentRetries) {
                const TMessages& texts = msgFramework();
                const QString question =
                    texts.Msg(QStringLiteral("Err_Conex")) + QStringLiteral("\n\n") +
                    texts.Msg(QStringLiteral("DsErro")) + QString::fromUtf8(failure.what()) +
                    QStringLiteral("\n\n") + texts.Msg(QStringLiteral("Reestab_Conex"));
                const int answer = uiPort().askCustom(
                    {question, MsgType::Information,
                     {texts.Msg(QStringLiteral("Sim")), texts.Msg(QStringLiteral("Nao"))}});
                if (answer != firstCustomAnswer)
                    Abort();
            }
            const ProgressScope reconnecting;
            frmLancaSoliCmp->netLancaSoliCmp.Reconnect();
        }
    }
    SetModalResult(mrOk);
}

// --- options -----------------------------------------------------------------------

FilterOptions TfrmFiltroSolicita::GetOptions() const
{
    return {{QStringLiteral("stComprador"), stListaComprador},
            {QStringLiteral("stDestino"), stListaDestino},
            {QStringLiteral("stFili"), stListaFilial}};
}

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
}

// --- the unit ------------------------------------------------------------------------

void CriaFiltroSolicita()
{
    module::BusyCursor busy;
    frmLancaSoliCmp->boFiltroAberto = true;
    if (!boFiltroCriado) {
        if (!frmFiltroSolicita) {
            frmFiltroSolicita.create();
        } else {
            auto& main = *frmLancaSoliCmp;
            if (main.cdsFilialSoli.IsEmpty()) {
                const auto parameterOn = [&main](const char* flag) {
                    return main.cdsParaSupri.FieldByName(QString::fromLatin1(flag)).AsString() !=
                           QLatin1String("N");
                };
                main.panDestino.SetVisible(parameterOn("IDULTDESTSOL"));
                main.panComprador.SetVisible(parameterOn("IDULTCOMPSOL"));
            }
            frmFiltroSolicita->Controla_Filtro();
        }
        boFiltroCriado = true;
    }
    busy.restore();
    uiPort().showModal(*frmFiltroSolicita);
}

void DeclareStatements(StatementRegistry& registry)
{
    registry.Declare(qryCompradorName,
                     {QStringLiteral("SELECT COMPRADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM COMPRADOR, "
                                     "OPERADOR WHERE COMPRADOR.CDOPERADOR = OPERADOR.CDOPERADOR "
                                     "ORDER BY COMPRADOR.CDOPERADOR")});
    registry.Declare(
        qryDestinoName,
        {QStringLiteral("SELECT CDDESTSOLI, MIN (NMDESTSOLI) NMDESTSOLI FROM DESTSOL WHERE "
                        "((INSTR(:P_CDFILIAL, CDFILIAL) > 0) OR ('T' = :P_TCDFILIAL)) GROUP BY "
                        "CDDESTSOLI ORDER BY CDDESTSOLI")});
    registry.Declare(
        qryFilialName,
        {QStringLiteral("SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL, FILIAL.IDCNTRRESC, "
                        "FILIAL.CDFILCENTCMP, FILIAL.CDREGIAO FROM FILIAL WHERE (FILIAL.CDFILIAL = "
                        ":P_CDFILIAL OR :P_TCDFILIAL = 'T') AND (FILIAL.IDCNTRRESC <> 'S') AND "
                        "(FILIAL.CDREGIAO IS NOT NULL) ORDER BY FILIAL.CDFILIAL")});
    registry.Declare(
        qryGerenteName,
        {QStringLiteral("SELECT OPERADOR.CDOPERADOR, OPERADOR.NMOPERADOR FROM GERENTE, OPERADOR "
                        "WHERE GERENTE.CDOPERADOR = OPERADOR.CDOPERADOR AND ((OPERADOR.CDOPERADOR "
                        "= :P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) ORDER BY OPERADOR.CDOPERADOR")});
}

void initialization()
{
    boFiltroCriado = false;
}

void finalization()
{
    frmFiltroSolicita.free();
    for (QString* text : {&stListaComprador, &stListaDestino, &stListaFilial, &stTodosComprador,
                          &stTodosDestino, &stTodosFilial, &stGerente, &stTodosGerente,
                          &stAprovacao, &stSol, &stEntr})
        text->clear();
}

} // namespace cmp::Cli_cmp03107
