#include "framework/forms/base_screens.h"

#include "framework/data/client_dataset.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/net/check_result.h"
#include "framework/ui/host_context.h"
#include "framework/ui/lookups.h"

namespace cmp::fw {

namespace {

// Base texts; a screen may replace them in its own msgPadrao.
const QString confirmDelete = QStringLiteral("Conf_Excl");
const QString optionsSaved = QStringLiteral("Opc_Salva");
const QString noSavedOptions = QStringLiteral("Opc_NaoSalva");

const QString filterModule = QStringLiteral("Cmp03100.rdmLancaSoliCmp");

MenuItem& topMenu(Form& form, const QString& name, fw::MainMenu& menu, const QString& caption)
{
    MenuItem& item = form.create<MenuItem>(name, &menu);
    item.SetCaption(caption);
    return item;
}

SpeedButton& dialogButton(Form& form, const QString& name, Panel& bar, const QString& caption)
{
    SpeedButton& button = form.create<SpeedButton>(name, &bar);
    button.SetCaption(caption);
    return button;
}

DataPacket optionsPacket(const FilterOptions& options)
{
    DataPacket packet{{{QStringLiteral("NAME"), FieldType::String, 40},
                       {QStringLiteral("VALUE"), FieldType::Memo, 0}},
                      {}};
    for (const FilterOption& option : options)
        packet.rows.emplace_back().values = {option.name, option.value};
    return packet;
}

FilterOptions optionsOf(const DataPacket& packet)
{
    const int name = packet.fieldIndex(QStringLiteral("NAME"));
    const int value = packet.fieldIndex(QStringLiteral("VALUE"));
    FilterOptions options;
    for (const PacketRow& row : packet.rows)
        options.push_back(
            {row.values.at(size_t(name)).toString(), row.values.at(size_t(value)).toString()});
    return options;
}

} // namespace

// --- TfrmPadraoGrid -------------------------------------------------------------

TfrmPadraoGrid::TfrmPadraoGrid(QString name, QString screenCode)
    : Form(std::move(name)), msgPadrao{{confirmDelete,
                                        QStringLiteral("Confirma a exclusão do registro?")}},
      mnuPadrao(create<fw::MainMenu>(QStringLiteral("mnuPadrao"))),
      mnuManutencao(topMenu(*this, QStringLiteral("mnuManutencao"), mnuPadrao,
                            QStringLiteral("&Manutenção"))),
      mnuIncluir(entry(QStringLiteral("mnuIncluir"), mnuManutencao, QStringLiteral("&Incluir"),
                       QStringLiteral("Ins"), &TfrmPadraoGrid::sbtIncluirClick)),
      mnuAlterar(entry(QStringLiteral("mnuAlterar"), mnuManutencao, QStringLiteral("&Alterar"),
                       QStringLiteral("F2"), &TfrmPadraoGrid::sbtAlterarClick)),
      mnuExcluir(entry(QStringLiteral("mnuExcluir"), mnuManutencao, QStringLiteral("&Excluir"),
                       QStringLiteral("Ctrl+Del"), &TfrmPadraoGrid::sbtExcluirClick)),
      mnuConfirmar(entry(QStringLiteral("mnuConfirmar"), mnuManutencao,
                         QStringLiteral("C&onfirmar"), QStringLiteral("F10"),
                         &TfrmPadraoGrid::sbtConfirmarClick)),
      mnuCancelar(entry(QStringLiteral("mnuCancelar"), mnuManutencao, QStringLiteral("&Cancelar"),
                        QStringLiteral("Ctrl+F10"), &TfrmPadraoGrid::sbtCancelarClick)),
      mnuOperacao(
          topMenu(*this, QStringLiteral("mnuOperacao"), mnuPadrao, QStringLiteral("&Operação"))),
      mnuProcurar(entry(QStringLiteral("mnuProcurar"), mnuOperacao, QStringLiteral("&Procurar"),
                        QStringLiteral("Ctrl+F"), &TfrmPadraoGrid::sbtProcurarClick)),
      mnuVerificar(entry(QStringLiteral("mnuVerificar"), mnuOperacao, QStringLiteral("&Verificar"),
                         QStringLiteral("F5"), &TfrmPadraoGrid::sbtVerificarClick)),
      Primeiro1(entry(QStringLiteral("Primeiro1"), mnuOperacao, QStringLiteral("Pri&meiro"),
                      QStringLiteral("Ctrl+Home"), &TfrmPadraoGrid::Primeiro1Click)),
      Anterior1(entry(QStringLiteral("Anterior1"), mnuOperacao, QStringLiteral("&Anterior"),
                      QStringLiteral("Ctrl+PgUp"), &TfrmPadraoGrid::Anterior1Click)),
      Proximo1(entry(QStringLiteral("Proximo1"), mnuOperacao, QStringLiteral("Pró&ximo"),
                     QStringLiteral("Ctrl+PgDn"), &TfrmPadraoGrid::Proximo1Click)),
      Ultimo1(entry(QStringLiteral("Ultimo1"), mnuOperacao, QStringLiteral("Ú&ltimo"),
                    QStringLiteral("Ctrl+End"), &TfrmPadraoGrid::Ultimo1Click)),
      mnuImprimir(entry(QStringLiteral("mnuImprimir"), mnuOperacao, QStringLiteral("&Imprimir"),
                        QStringLiteral("Ctrl+P"), &TfrmPadraoGrid::sbtImprimirClick)),
      mnuAjuda(entry(QStringLiteral("mnuAjuda"), mnuOperacao, QStringLiteral("Aj&uda"),
                     QStringLiteral("F1"), &TfrmPadraoGrid::sbtAjudaClick)),
      mnuFechar(entry(QStringLiteral("mnuFechar"), mnuOperacao, QStringLiteral("&Fechar"),
                      QStringLiteral("Ctrl+F4"), &TfrmPadraoGrid::sbtFecharClick)),
      panBotoes(create<Panel>(QStringLiteral("panBotoes"))),
      sbtIncluir(command(QStringLiteral("sbtIncluir"), mnuIncluir, QStringLiteral("Incluir"))),
      sbtAlterar(command(QStringLiteral("sbtAlterar"), mnuAlterar, QStringLiteral("Alterar"))),
      sbtExcluir(command(QStringLiteral("sbtExcluir"), mnuExcluir, QStringLiteral("Excluir"))),
      sbtProcurar(command(QStringLiteral("sbtProcurar"), mnuProcurar, QStringLiteral("Procurar"))),
      sbtVerificar(
          command(QStringLiteral("sbtVerificar"), mnuVerificar, QStringLiteral("Verificar"))),
      sbtConfirmar(
          command(QStringLiteral("sbtConfirmar"), mnuConfirmar, QStringLiteral("Confirmar"))),
      sbtCancelar(command(QStringLiteral("sbtCancelar"), mnuCancelar, QStringLiteral("Cancelar"))),
      sbtImprimir(command(QStringLiteral("sbtImprimir"), mnuImprimir, QStringLiteral("Imprimir"))),
      sbtAjuda(command(QStringLiteral("sbtAjuda"), mnuAjuda, QStringLiteral("Ajuda"))),
      sbtFechar(command(QStringLiteral("sbtFechar"), mnuFechar, QStringLiteral("Fechar"))),
      panNavegador(create<Panel>(QStringLiteral("panNavegador"))),
      dbnPadrao(DBNavigator::create(*this, QStringLiteral("dbnPadrao"), &panNavegador)),
      pgcPadrao(create<PageControl>(QStringLiteral("pgcPadrao"))),
      tshPadrao(create<TabSheet>(QStringLiteral("tshPadrao"), &pgcPadrao)),
      grdPadrao(create<DBGrid>(QStringLiteral("grdPadrao"), &tshPadrao))
{
    ScreenCode = std::move(screenCode);
    pgcPadrao.SetActivePage(&tshPadrao);
    grdPadrao.SetDataSource(&dtsPadrao);
    dbnPadrao.SetDataSource(&dtsPadrao);
    dtsPadrao.addLink(&stateLink_);
    ControlaBotoes();
}

TfrmPadraoGrid::~TfrmPadraoGrid()
{
    Destroy();
    dtsPadrao.removeLink(&stateLink_);
}

MenuItem& TfrmPadraoGrid::entry(const QString& name, MenuItem& parent, const QString& caption,
                                const QString& shortCut, Handler handler)
{
    MenuItem& item = create<MenuItem>(name, &parent);
    item.SetCaption(caption);
    item.SetShortCut(shortCut);
    item.OnClick = [this, handler](Control&) { (this->*handler)(); };
    return item;
}

SpeedButton& TfrmPadraoGrid::command(const QString& name, MenuItem& menu, const QString& hint)
{
    SpeedButton& button = create<SpeedButton>(name, &panBotoes);
    button.SetHint(hint);
    button.OnClick = menu.OnClick;
    menuOf_.insert(&button, &menu);
    return button;
}

void TfrmPadraoGrid::SetCommandEnabled(SpeedButton& button, bool enabled)
{
    button.SetEnabled(enabled);
    if (MenuItem* menu = menuOf_.value(&button))
        menu->SetEnabled(enabled);
}

void TfrmPadraoGrid::ControlaBotoes()
{
    const DataSetState state = dtsPadrao.State();
    const bool browsing = state == DataSetState::Browse;
    const bool editing = state == DataSetState::Edit || state == DataSetState::Insert;
    const bool hasRecord = browsing && !padrao()->IsEmpty();
    const bool writable = browsing && !padrao()->ReadOnly;

    SetCommandEnabled(sbtIncluir, writable);
    SetCommandEnabled(sbtAlterar, writable && hasRecord);
    SetCommandEnabled(sbtExcluir, writable && hasRecord);
    SetCommandEnabled(sbtProcurar, hasRecord);
    SetCommandEnabled(sbtVerificar, browsing);
    SetCommandEnabled(sbtImprimir, hasRecord);
    SetCommandEnabled(sbtConfirmar, editing);
    SetCommandEnabled(sbtCancelar, editing);
    for (MenuItem* move : {&Primeiro1, &Anterior1, &Proximo1, &Ultimo1})
        move->SetEnabled(hasRecord);
}

void TfrmPadraoGrid::sbtIncluirClick()
{
    padrao()->Append();
}

void TfrmPadraoGrid::sbtAlterarClick()
{
    padrao()->Edit();
}

void TfrmPadraoGrid::sbtExcluirClick()
{
    if (msgPadrao.ShowMsg(confirmDelete) == MsgButton::Yes)
        padrao()->Delete();
}

void TfrmPadraoGrid::sbtProcurarClick()
{
    Procura(*padrao(), Caption());
}

void TfrmPadraoGrid::sbtConfirmarClick()
{
    padrao()->Post();
}

void TfrmPadraoGrid::sbtCancelarClick()
{
    padrao()->Cancel();
}

void TfrmPadraoGrid::sbtFecharClick()
{
    Close();
}

void TfrmPadraoGrid::Primeiro1Click()
{
    padrao()->First();
}

void TfrmPadraoGrid::Anterior1Click()
{
    padrao()->Prior();
}

void TfrmPadraoGrid::Proximo1Click()
{
    padrao()->Next();
}

void TfrmPadraoGrid::Ultimo1Click()
{
    padrao()->Last();
}

// --- TfrmRotiGeral --------------------------------------------------------------

TfrmRotiGeral::TfrmRotiGeral(QString name, QString screenCode)
    : Form(std::move(name)), panBotoes(create<Panel>(QStringLiteral("panBotoes"))),
      sbtConfirma(dialogButton(*this, QStringLiteral("sbtConfirma"), panBotoes,
                               QStringLiteral("&Confirma"))),
      sbtCancel(
          dialogButton(*this, QStringLiteral("sbtCancel"), panBotoes, QStringLiteral("C&ancela"))),
      lblCodTela(create<Label>(QStringLiteral("lblCodTela"), &panBotoes))
{
    ScreenCode = std::move(screenCode);
    lblCodTela.SetCaption(ScreenCode);
    sbtConfirma.OnClick = [this](Control&) { sbtConfirmaClick(); };
    sbtCancel.OnClick = [this](Control&) { sbtCancelClick(); };
    KeyPreview = true;
    OnKeyDown = [this](Form&, Key& key, Shift shift) { FormKeyDown(key, shift); };
}

TfrmRotiGeral::~TfrmRotiGeral()
{
    Destroy();
}

void TfrmRotiGeral::sbtConfirmaClick()
{
    if (PodeConfirmar())
        SetModalResult(mrOk);
}

void TfrmRotiGeral::sbtCancelClick()
{
    SetModalResult(mrCancel);
}

void TfrmRotiGeral::FormKeyDown(Key& key, Shift shift)
{
    if (key == Qt::Key_Escape && shift == Qt::NoModifier) {
        key = 0;
        sbtCancel.Click();
    }
}

// --- TfrmFiltroPadrao -----------------------------------------------------------

TfrmFiltroPadrao::TfrmFiltroPadrao(QString name, QString screenCode)
    : TfrmRotiGeral(std::move(name), std::move(screenCode)),
      btfSaveOpc(dialogButton(*this, QStringLiteral("btfSaveOpc"), panBotoes,
                              QStringLiteral("&Salvar Opções"))),
      btfLoadOpc(dialogButton(*this, QStringLiteral("btfLoadOpc"), panBotoes,
                              QStringLiteral("Ca&rregar Opções"))),
      conOpcoes(filterModule)
{
    msgPadrao.Add(optionsSaved, QStringLiteral("Opções salvas."));
    msgPadrao.Add(noSavedOptions, QStringLiteral("Não há opções salvas para esta tela."));
    btfSaveOpc.OnClick = [this](Control&) { btfSaveOpcClick(); };
    btfLoadOpc.OnClick = [this](Control&) { btfLoadOpcClick(); };
    conOpcoes.BeforeConnect = [](TNetConnection& connection) {
        connection.SetWebURL(WebURL());
        connection.SetWebPort(WebPort());
    };
}

void TfrmFiltroPadrao::btfSaveOpcClick()
{
    CheckResultServ(conOpcoes.Call(QStringLiteral("SaveFilterOptions"),
                                   {ScreenCode, optionsPacket(GetOptions())}),
                    true, 0);
    uiPort().showInfo(msgPadrao.Msg(optionsSaved));
}

void TfrmFiltroPadrao::btfLoadOpcClick()
{
    const FilterOptions saved = optionsOf(
        CheckResultServ(conOpcoes.Call(QStringLiteral("GetFilterOptions"), {ScreenCode}), true, 0)
            .toPacket());
    if (saved.empty())
        uiPort().showInfo(msgPadrao.Msg(noSavedOptions));
    else
        SetOptions(saved);
}

} // namespace cmp::fw
