#include "framework/forms/base_screens.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/buttons.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/scripted_port.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace cmp::fw;

namespace {

const QStringList commandNames{"Incluir",   "Alterar",  "Excluir",  "Procurar", "Verificar",
                               "Confirmar", "Cancelar", "Imprimir", "Ajuda",    "Fechar"};

// A list screen over a record set of codes and names.
class TfrmCadastro : public TfrmPadraoGrid
{
public:
    TfrmCadastro() : TfrmPadraoGrid("frmCadastro", "CMP09999")
    {
        cdsCadastro.AddField("CODIGO", FieldType::String, 4);
        cdsCadastro.AddField("NOME", FieldType::String, 30);
    }
    ~TfrmCadastro() override { Destroy(); }

    enum class Access
    {
        ReadWrite,
        ReadOnly
    };
    void load(const QStringList& names, Access access = Access::ReadWrite)
    {
        DataPacket packet{cdsCadastro.DataFieldDefs(), {}};
        for (const QString& name : names)
            packet.rows.emplace_back().values = {QString::number(packet.rows.size() + 1), name};
        cdsCadastro.ReadOnly = access == Access::ReadOnly;
        cdsCadastro.SetData(packet);
        dtsPadrao.SetDataSet(&cdsCadastro);
    }
    QString nome() const { return cdsCadastro.FieldByName("NOME").AsString(); }
    void setNome(const QString& name) { cdsCadastro.FieldByName("NOME").SetAsString(name); }

    ClientDataSet cdsCadastro{"cdsCadastro"};
};

class GridScreen : public test::ScriptedUi
{
protected:
    // The commands whose button is enabled; each menu entry must agree with its button.
    QStringList enabledCommands()
    {
        QStringList enabled;
        for (const QString& command : commandNames) {
            const bool button = screen.control("sbt" + command).Enabled();
            EXPECT_EQ(screen.control("mnu" + command).Enabled(), button) << command.toStdString();
            if (button)
                enabled << command;
        }
        return enabled;
    }
    QStringList enabledMoves()
    {
        QStringList enabled;
        for (const char* move : {"Primeiro1", "Anterior1", "Proximo1", "Ultimo1"})
            if (screen.control(move).Enabled())
                enabled << move;
        return enabled;
    }

    TfrmCadastro screen;
};

TEST_F(GridScreen, shouldEnableCommandsByTheStateOfTheRecordSet)
{
    EXPECT_EQ(enabledCommands(), QStringList({"Ajuda", "Fechar"})) << "no record set yet";
    EXPECT_TRUE(enabledMoves().isEmpty());

    screen.load({});
    EXPECT_EQ(enabledCommands(), QStringList({"Incluir", "Verificar", "Ajuda", "Fechar"}));
    EXPECT_TRUE(enabledMoves().isEmpty());

    screen.load({"Arroz", "Feijão"});
    EXPECT_EQ(enabledCommands(), QStringList({"Incluir", "Alterar", "Excluir", "Procurar",
                                              "Verificar", "Imprimir", "Ajuda", "Fechar"}));
    EXPECT_EQ(enabledMoves().size(), 4);

    for (const char* start : {"sbtAlterar", "sbtIncluir"}) {
        ASSERT_TRUE(screen.userClick(start));
        EXPECT_EQ(enabledCommands(), QStringList({"Confirmar", "Cancelar", "Ajuda", "Fechar"}))
            << start;
        EXPECT_TRUE(enabledMoves().isEmpty()) << start;
        ASSERT_TRUE(screen.userClick("sbtCancelar"));
    }

    screen.load({"Arroz"}, TfrmCadastro::Access::ReadOnly);
    EXPECT_EQ(enabledCommands(),
              QStringList({"Procurar", "Verificar", "Imprimir", "Ajuda", "Fechar"}));
}

TEST_F(GridScreen, shouldPostOnConfirmAndDiscardOnCancelFromButtonsAndShortcuts)
{
    screen.load({"Arroz", "Feijão"});

    ASSERT_TRUE(screen.userClick("sbtAlterar"));
    screen.setNome("Arroz parboilizado");
    ASSERT_TRUE(screen.userClick("sbtConfirmar"));
    EXPECT_EQ(screen.nome(), "Arroz parboilizado");
    EXPECT_EQ(screen.cdsCadastro.ChangeCount(), 1);

    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_F2));
    screen.setNome("Arroz integral");
    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_F10, Qt::ControlModifier));
    EXPECT_EQ(screen.nome(), "Arroz parboilizado");

    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_Insert));
    screen.cdsCadastro.FieldByName("CODIGO").SetAsString("3");
    screen.setNome("Óleo");
    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_F10));
    EXPECT_EQ(screen.cdsCadastro.RecordCount(), 3);

    // A disabled command does nothing, whichever way the user reaches it.
    screen.userClick("sbtConfirmar");
    screen.userKey("grdPadrao", Qt::Key_F10, Qt::ControlModifier);
    EXPECT_EQ(screen.cdsCadastro.State(), DataSetState::Browse);
    EXPECT_EQ(screen.cdsCadastro.RecordCount(), 3);
}

TEST_F(GridScreen, shouldDeleteOnlyAfterTheUserAgreesAndMoveThroughTheRecords)
{
    screen.load({"Arroz", "Feijão", "Óleo"});

    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_End, Qt::ControlModifier));
    EXPECT_EQ(screen.nome(), "Óleo");
    ASSERT_TRUE(screen.userClick("Anterior1"));
    EXPECT_EQ(screen.nome(), "Feijão");

    ui.answerNext(MsgButton::No);
    ASSERT_TRUE(screen.userClick("sbtExcluir"));
    EXPECT_EQ(screen.cdsCadastro.RecordCount(), 3);
    ui.answerNext(MsgButton::Yes);
    ASSERT_TRUE(screen.userClick("mnuExcluir"));
    EXPECT_EQ(screen.cdsCadastro.RecordCount(), 2);

    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_PageDown, Qt::ControlModifier));
    EXPECT_EQ(screen.nome(), "Óleo");

    screen.Show();
    ASSERT_TRUE(screen.userKey("grdPadrao", Qt::Key_F4, Qt::ControlModifier));
    EXPECT_FALSE(screen.Visible()) << "Ctrl+F4 closes the screen";
}

// A quantity dialog refusing to confirm an empty quantity.
class TfrmQuantidade : public TfrmRotiGeral
{
public:
    TfrmQuantidade() : TfrmRotiGeral("frmQuantidade", "CMP03102") {}

    Edit& edtQtde = create<Edit>("edtQtde");

protected:
    bool PodeConfirmar() override
    {
        if (edtQtde.Text().isEmpty())
            MensErro("Informe a quantidade.", true);
        return edtQtde.Text() != "0";
    }
};

class Dialog : public test::ScriptedUi
{
protected:
    // Shows the dialog modally; the user's actions run inside.
    int runModal(std::function<void(Form&)> actions)
    {
        ui.actInNextModal([&actions](Form& form) {
            actions(form);
            return int(mrNone);
        });
        return uiPort().showModal(dialog);
    }

    TfrmQuantidade dialog;
};

TEST_F(Dialog, shouldEndWithTheResultOfTheButtonOrEsc)
{
    const struct
    {
        const char* action;
        int result;
    } cases[] = {{"sbtConfirma", mrOk}, {"sbtCancel", mrCancel}, {"Esc", mrCancel}};
    for (const auto& c : cases) {
        const int result = runModal([&c](Form& form) {
            form.userType("edtQtde", "5");
            if (QLatin1String(c.action) == QLatin1String("Esc"))
                form.userKey("edtQtde", Qt::Key_Escape);
            else
                form.userClick(c.action);
        });
        EXPECT_EQ(result, c.result) << c.action;
        EXPECT_FALSE(dialog.Modal()) << c.action;
        EXPECT_FALSE(dialog.Visible()) << c.action;
    }
}

TEST_F(Dialog, shouldStayOpenAsTheUserLeftItWhenTheCheckRefuses)
{
    runModal([this](Form& form) {
        EXPECT_FALSE(form.userClick("sbtConfirma")) << "an aborting check";
        form.userType("edtQtde", "0");
        EXPECT_TRUE(form.userClick("sbtConfirma")) << "a check answering no";
        EXPECT_TRUE(form.Modal());
        EXPECT_EQ(form.ModalResult(), mrNone);
        EXPECT_EQ(dialog.edtQtde.Text(), "0");
        form.userType("edtQtde", "3");
        form.userClick("sbtConfirma");
    });
    EXPECT_EQ(dialog.ModalResult(), mrOk);
    EXPECT_EQ(ui.texts(UiEventKind::Error), QStringList({"Informe a quantidade."}));
}

} // namespace
