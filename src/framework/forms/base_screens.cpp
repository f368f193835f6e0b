#include "framework/forms/base_screens.h"

#include "framework/core/named.h"
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

MenuItem& topMenu(const QString& name, Form& form, fw::MainMenu& menu, const QString& caption)
{
    return form.createCaptioned<MenuItem>(name, &menu, caption);
}

SpeedButton& dialogButton(const QString& name, Form& form, Panel& bar, const QString& caption)
{
    return form.createCaptioned<SpeedButton>(name, &bar, caption);
}

DBNavigator& navigator(const QString& name, Form& form, Control* parent)
{
    return DBNavigator::create(form, name, parent);
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
      FW_NAMED(mnuPadrao, create<fw::MainMenu>),
      FW_NAMED(mnuManutencao, topMenu, *this, mnuPadrao, QStringLiteral("&Manutenção")),
      FW_NAMED(mnuIncluir, entry, mnuManutencao, QStringLiteral("&Incluir"), QStringLiteral("Ins"),
               &TfrmPadraoGrid::sbtIncluirClick),
      FW_NAMED(mnuAlterar, entry, mnuManutencao, QStringLiteral("&Alterar"), QStringLiteral("F2"),
               &TfrmPadraoGrid::sbtAlterarClick),
      FW_NAMED(mnuExcluir, entry, mnuManutencao, QStringLiteral("&Excluir"),
               QStringLiteral("Ctrl+Del"), &TfrmPadraoGrid::sbtExcluirClick),
      FW_NAMED(mnuConfirmar, entry, mnuManutencao, QStringLiteral("C&onfirmar"),
               QStringLiteral("F10"), &TfrmPadraoGrid::sbtConfirmarClick),
      FW_NAMED(mnuCancelar, entry, mnuManutencao, QStringLiteral("&Cancelar"),
               QStringLiteral("Ctrl+F10"), &TfrmPadraoGrid::sbtCancelarClick),
      FW_NAMED(mnuOperacao, topMenu, *this, mnuPadrao, QStringLiteral("&Operação")),
      FW_NAMED(mnuProcurar, entry, mnuOperacao, QStringLiteral("&Procurar"),
               QStringLiteral("Ctrl+F"), &TfrmPadraoGrid::sbtProcurarClick),
      FW_NAMED(mnuVerificar, entry, mnuOperacao, QStringLiteral("&Verificar"), QStringLiteral("F5"),
               &TfrmPadraoGrid::sbtVerificarClick),
      FW_NAMED(Primeiro1, entry, mnuOperacao, QStringLiteral("Pri&meiro"),
               QStringLiteral("Ctrl+Home"), &TfrmPadraoGrid::Primeiro1Click),
      FW_NAMED(Anterior1, entry, mnuOperacao, QStringLiteral("&Anterior"),
               QStringLiteral("Ctrl+PgUp"), &TfrmPadraoGrid::Anterior1Click),
      FW_NAMED(Proximo1, entry, mnuOperacao, QStringLiteral("Pró&ximo"),
               QStringLiteral("Ctrl+PgDn"), &TfrmPadraoGrid::Proximo1Click),
      FW_NAMED(Ultimo1, entry, mnuOperacao, QStringLiteral("Ú&ltimo"), QStringLiteral("Ctrl+End"),
               &TfrmPadraoGrid::Ultimo1Click),
      FW_NAMED(mnuImprimir, entry, mnuOperacao, QStringLiteral("&Imprimir"),
               QStringLiteral("Ctrl+P"), &TfrmPadraoGrid::sbtImprimirClick),
      FW_NAMED(mnuAjuda, entry, mnuOperacao, QStringLiteral("Aj&uda"), QStringLiteral("F1"),
               &TfrmPadraoGrid::sbtAjudaClick),
      FW_NAMED(mnuFechar, entry, mnuOperacao, QStringLiteral("&Fechar"), QStringLiteral("Ctrl+F4"),
               &TfrmPadraoGrid::sbtFecharClick),
      FW_NAMED(panBotoes, create<Panel>),
      FW_NAMED(sbtIncluir, command, mnuIncluir, QStringLiteral("Incluir")),
      FW_NAMED(sbtAlterar, command, mnuAlterar, QStringLiteral("Alterar")),
      FW_NAMED(sbtExcluir, command, mnuExcluir, QStringLiteral("Excluir")),
      FW_NAMED(sbtProcurar, command, mnuProcurar, QStringLiteral("Procurar")),
      FW_NAMED(sbtVerificar, command, mnuVerificar, QStringLiteral("Verificar")),
      FW_NAMED(sbtConfirmar, command, mnuConfirmar, QStringLiteral("Confirmar")),
      FW_NAMED(sbtCancelar, command, mnuCancelar, QStringLiteral("Cancelar")),
      FW_NAMED(sbtImprimir, command, mnuImprimir, QStringLiteral("Imprimir")),
      FW_NAMED(sbtAjuda, command, mnuAjuda, QStringLiteral("Ajuda")),
      FW_NAMED(sbtFechar, command, mnuFechar, QStringLiteral("Fechar")),
      FW_NAMED(panNavegador, create<Panel>), FW_NAMED(dbnPadrao, navigator, *this, &panNavegador),
      FW_NAMED(pgcPadrao, create<PageControl>), FW_NAMED(tshPadrao, create<TabSheet>, &pgcPadrao),
      FW_NAMED(grdPadrao, create<DBGrid>, &tshPadrao)
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
    : Form(std::move(name)), FW_NAMED(panBotoes, create<Panel>),
      FW_NAMED(sbtConfirma, dialogButton, *this, panBotoes, QStringLiteral("&Confirma")),
      FW_NAMED(sbtCancel, dialogButton, *this, panBotoes, QStringLiteral("C&ancela")),
      FW_NAMED(lblCodTela, create<Label>, &panBotoes)
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
      FW_NAMED(btfSaveOpc, dialogButton, *this, panBotoes, QStringLiteral("&Salvar Opções")),
      FW_NAMED(btfLoadOpc, dialogButton, *this, panBotoes, QStringLiteral("Ca&rregar Opções")),
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
