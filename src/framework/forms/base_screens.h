#pragma once

#include "framework/core/messages.h"
#include "framework/data/data_source.h"
#include "framework/forms/form.h"
#include "framework/net/net_connection.h"

#include <QHash>
#include <QString>

#include <vector>

namespace cmp::fw {

class BitBtn;
class DBGrid;
class DBNavigator;
class Label;
class MainMenu;
class MenuItem;
class PageControl;
class Panel;
class SpeedButton;
class TabSheet;

// The grid screen the module's child windows build on: a page control whose
// first page holds the grid over dtsPadrao, a command bar whose buttons each
// have a menu entry, and record navigation. The commands follow the state of
// dtsPadrao's record set (ControlaBotoes); a screen gives them their meaning
// by overriding the handlers.
//
// Menu entries and their shortcuts:
//   mnuManutencao: mnuIncluir (Ins), mnuAlterar (F2), mnuExcluir (Ctrl+Del),
//                  mnuConfirmar (F10), mnuCancelar (Ctrl+F10)
//   mnuOperacao:   mnuProcurar (Ctrl+F), mnuVerificar (F5), Primeiro1 (Ctrl+Home),
//                  Anterior1 (Ctrl+PgUp), Proximo1 (Ctrl+PgDn), Ultimo1 (Ctrl+End),
//                  mnuImprimir (Ctrl+P), mnuAjuda (F1), mnuFechar (Ctrl+F4)
// Ctrl+Enter is left to the screens, which confirm and go on inserting.
class TfrmPadraoGrid : public Form
{
    // Built before the controls, which register with them.
    class StateLink : public DataLink
    {
    public:
        explicit StateLink(TfrmPadraoGrid& screen) : screen_(screen) {}

    private:
        void dataSetChanged() override { screen_.ControlaBotoes(); }
        void stateChanged() override { screen_.ControlaBotoes(); }
        TfrmPadraoGrid& screen_;
    };
    QHash<const SpeedButton*, MenuItem*> menuOf_;
    StateLink stateLink_{*this};

public:
    TfrmPadraoGrid(QString name, QString screenCode);
    ~TfrmPadraoGrid() override;

    // A command button on the bar that runs its menu entry's click and is
    // enabled with it by SetCommandEnabled.
    SpeedButton& command(const QString& name, MenuItem& menu, const QString& hint);

    DataSource dtsPadrao;
    TMessages msgPadrao;

    fw::MainMenu& mnuPadrao;
    MenuItem& mnuManutencao;
    MenuItem& mnuIncluir;
    MenuItem& mnuAlterar;
    MenuItem& mnuExcluir;
    MenuItem& mnuConfirmar;
    MenuItem& mnuCancelar;
    MenuItem& mnuOperacao;
    MenuItem& mnuProcurar;
    MenuItem& mnuVerificar;
    MenuItem& Primeiro1;
    MenuItem& Anterior1;
    MenuItem& Proximo1;
    MenuItem& Ultimo1;
    MenuItem& mnuImprimir;
    MenuItem& mnuAjuda;
    MenuItem& mnuFechar;

    Panel& panBotoes;
    SpeedButton& sbtIncluir;
    SpeedButton& sbtAlterar;
    SpeedButton& sbtExcluir;
    SpeedButton& sbtProcurar;
    SpeedButton& sbtVerificar;
    SpeedButton& sbtConfirmar;
    SpeedButton& sbtCancelar;
    SpeedButton& sbtImprimir;
    SpeedButton& sbtAjuda;
    SpeedButton& sbtFechar;

    // The navigator moves through dtsPadrao until a screen points it elsewhere.
    Panel& panNavegador;
    DBNavigator& dbnPadrao;

    PageControl& pgcPadrao;
    TabSheet& tshPadrao;
    DBGrid& grdPadrao;

protected:
    // Defaults on dtsPadrao's record set: append, edit, delete after a
    // question, search, post, cancel, close. Verify, print and help do
    // nothing until a screen says what they mean.
    virtual void sbtIncluirClick();
    virtual void sbtAlterarClick();
    virtual void sbtExcluirClick();
    virtual void sbtProcurarClick();
    virtual void sbtVerificarClick() {}
    virtual void sbtConfirmarClick();
    virtual void sbtCancelarClick();
    virtual void sbtImprimirClick() {}
    virtual void sbtAjudaClick() {}
    virtual void sbtFecharClick();
    virtual void Primeiro1Click();
    virtual void Anterior1Click();
    virtual void Proximo1Click();
    virtual void Ultimo1Click();

    // Runs whenever dtsPadrao's record set changes state or contents.
    // Browsing: include, search and verify; alter, delete, print and
    // navigation when there is a record. Editing or inserting: only confirm
    // and cancel. A screen extends it for its own commands.
    virtual void ControlaBotoes();
    // A command's button and menu entry are always enabled together.
    void SetCommandEnabled(SpeedButton& button, bool enabled);

private:
    using Handler = void (TfrmPadraoGrid::*)();
    MenuItem& entry(const QString& name, MenuItem& parent, const QString& caption,
                    const QString& shortCut, Handler handler);
    ClientDataSet* padrao() const { return dtsPadrao.DataSet(); }
};

// The dialog the module's modal screens build on: confirm and cancel
// buttons and the screen code in lblCodTela. Esc cancels.
class TfrmRotiGeral : public Form
{
public:
    TfrmRotiGeral(QString name, QString screenCode);
    ~TfrmRotiGeral() override;

    TMessages msgPadrao;
    Panel& panBotoes;
    SpeedButton& sbtConfirma;
    SpeedButton& sbtCancel;
    Label& lblCodTela;

protected:
    // Ends the dialog with mrOk once PodeConfirmar agrees.
    virtual void sbtConfirmaClick();
    // Ends the dialog with mrCancel.
    virtual void sbtCancelClick();
    // The screen's checks before a confirmation; false, or an abort after a
    // message, keeps the dialog open as the user left it.
    virtual bool PodeConfirmar() { return true; }
    virtual void FormKeyDown(Key& key, Shift shift);
};

struct FilterOption
{
    QString name;
    QString value;

    friend bool operator==(const FilterOption&, const FilterOption&) = default;
};
using FilterOptions = std::vector<FilterOption>;

// The filter dialog: besides confirm and cancel, btfSaveOpc keeps the
// dialog's options on the server for the signed-in operator and btfLoadOpc
// brings them back (SaveFilterOptions and GetFilterOptions of
// Cmp03100.rdmLancaSoliCmp, under the screen code).
class TfrmFiltroPadrao : public TfrmRotiGeral
{
public:
    TfrmFiltroPadrao(QString name, QString screenCode);

    SpeedButton& btfSaveOpc;
    SpeedButton& btfLoadOpc;

protected:
    // The options as the dialog shows them, and putting saved ones back.
    // Names are plain words: no "=" and no line breaks.
    virtual FilterOptions GetOptions() const = 0;
    virtual void SetOptions(const FilterOptions& options) = 0;

    virtual void btfSaveOpcClick();
    // With nothing saved the dialog stays as it is and the user is told.
    virtual void btfLoadOpcClick();

private:
    TNetConnection conOpcoes;
};

} // namespace cmp::fw
