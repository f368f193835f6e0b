// tests/ui/qt/qt_ui_port_test.cpp
#include "support/qt_application.h"
#include "ui/qt/qt_ui_port.h"

#include "framework/data/client_dataset.h"
#include "framework/forms/base_screens.h"
#include "framework/forms/buttons.h"
#include "framework/forms/form.h"
#include "framework/forms/standard_controls.h"
#include "framework/ui/host_context.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <functional>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

using namespace cmp::fw;

// Acts on the modal window the port opens next, as a person would.
void whenModalOpens(std::function<void(QWidget&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_TRUE(modal);
        act(*modal);
    });
}

void press(QWidget& window, const QString& caption)
{
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (button->text() == caption) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
}

QWidget* topLevel(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name)
            return window;
    return nullptr;
}

class Dialog : public Form
{
public:
    Dialog() : Form(QStringLiteral("frmDialogo"))
    {
        SetCaption(QStringLiteral("Diálogo"));
        btnOk.ModalResult = mrOk;
    }
    ~Dialog() override { Destroy(); }

    Edit& edtValor = create<Edit>(QStringLiteral("edtValor"));
    BitBtn& btnOk = create<BitBtn>(QStringLiteral("btnOk"));
};

class QtUiPortTest : public ::testing::Test
{
protected:
    QtUiPort port;
};

class Filter : public TfrmRotiGeral
{
public:
    Filter() : TfrmRotiGeral(QStringLiteral("frmFiltro"), QStringLiteral("CMP99999")) {}
    ~Filter() override { Destroy(); }

    Edit& edtCodigo = create<Edit>(QStringLiteral("edtCodigo"));
};

TEST_F(QtUiPortTest, shouldEndAModalFormByItsButtonEscOrTheWindowCloseTheFormAgreesTo)
{
    Dialog dialog;
    int queries = 0;
    dialog.OnCloseQuery = [&](Form&, bool& canClose) { canClose = ++queries > 1; };
    whenModalOpens([](QWidget& window) {
        EXPECT_EQ(window.windowTitle(), "Diálogo");
        window.close(); // refused: the dialog stays
        EXPECT_TRUE(window.isVisible());
        QTest::keyClicks(window.findChild<QLineEdit*>("edtValor"), "42");
        window.findChild<QToolButton*>("btnOk")->click();
    });
    EXPECT_EQ(port.showModal(dialog), mrOk);
    EXPECT_EQ(dialog.edtValor.Text(), "42");
    EXPECT_FALSE(dialog.Modal());
    EXPECT_FALSE(dialog.Visible());

    whenModalOpens([](QWidget& window) { window.close(); });
    EXPECT_EQ(port.showModal(dialog), mrCancel);

    Filter filter;
    whenModalOpens([](QWidget& window) {
        QTest::keyClick(window.findChild<QLineEdit*>("edtCodigo"), Qt::Key_Escape);
    });
    EXPECT_EQ(port.showModal(filter), mrCancel);
}

TEST_F(QtUiPortTest, shouldAnswerQuestionsByTheButtonPressedAndCaptionThemInPortuguese)
{
    const auto askQuantity = [this] {
        return port.askCustom({QStringLiteral("Quantidade?"),
                               MsgType::Confirmation,
                               {QStringLiteral("Somar"), QStringLiteral("Repor")}});
    };
    whenModalOpens([](QWidget& box) { press(box, "Repor"); });
    EXPECT_EQ(askQuantity(), firstCustomAnswer + 1);

    // Closing the box chooses nothing.
    whenModalOpens([](QWidget& box) { box.close(); });
    EXPECT_EQ(port.ask({QStringLiteral("Confirma?")}), MsgButton::None);
    whenModalOpens([](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(askQuantity(), 0);

    QStringList captions;
    whenModalOpens([&](QWidget& box) {
        for (QAbstractButton* button : box.findChildren<QAbstractButton*>())
            if (button->isVisible())
                captions << button->text();
        press(box, "Todos");
    });
    EXPECT_EQ(port.ask({QStringLiteral("Excluir?"),
                        MsgType::Warning,
                        {MsgButton::Yes, MsgButton::No, MsgButton::All, MsgButton::Cancel}}),
              MsgButton::All);
    EXPECT_EQ(captions, (QStringList{"Sim", "Não", "Todos", "Cancelar"}));
}

class RecordsTest : public QtUiPortTest
{
protected:
    void SetUp() override
    {
        products.AddField(QStringLiteral("CDPRODUTO"), FieldType::String, 10);
        products.AddField(QStringLiteral("NMPRODUTO"), FieldType::String, 40);
        products.AddField(QStringLiteral("NRNIVEL"), FieldType::Integer).Visible = false;
        products.CreateDataSet();
        for (const QVariantList& row :
             {QVariantList{"01", "Arroz", 1}, QVariantList{"02", "Banana", 2},
              QVariantList{"03", "Batata", 2}}) {
            products.Append();
            for (int field = 0; field < row.size(); ++field)
                products.Fields(field).SetValue(row[field]);
            products.Post();
        }
        products.First();
    }

    QString current() const { return products.FieldByName(QStringLiteral("NMPRODUTO")).AsString(); }

    ClientDataSet products;
};

TEST_F(RecordsTest, shouldPositionOnTheRowChosenByIncrementalSearch)
{
    whenModalOpens([](QWidget& dialog) {
        auto* search = dialog.findChild<QLineEdit*>("edtProcura");
        QTest::keyClicks(search, "bat");
        QTest::keyClick(search, Qt::Key_Return);
    });
    EXPECT_TRUE(port.lookup({products, QStringLiteral("Produto"), QStringLiteral("CDPRODUTO")}));
    EXPECT_EQ(current(), "Batata");

    // Codes are searched too, and a cancelled lookup leaves the record where it was.
    whenModalOpens([](QWidget& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("edtProcura"), "02");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(port.lookup({products, QStringLiteral("Produto"), QStringLiteral("CDPRODUTO")}));
    EXPECT_EQ(current(), "Batata");
}

TEST_F(RecordsTest, shouldIndentTreeRowsByTheirLevel)
{
    whenModalOpens([](QWidget& dialog) {
        auto* list = dialog.findChild<QTreeView*>("lstRegistros");
        const QAbstractItemModel& model = *list->model();
        EXPECT_EQ(model.columnCount(), 2) << "the visible fields";
        EXPECT_EQ(model.index(1, 0).data().toString(), "    02");
        list->setCurrentIndex(model.index(1, 0));
        press(dialog, "OK");
    });
    EXPECT_TRUE(port.lookup({products,
                             QStringLiteral("Produto"),
                             QStringLiteral("CDPRODUTO"),
                             {},
                             QStringLiteral("NRNIVEL")}));
    EXPECT_EQ(current(), "Banana");
}

TEST_F(RecordsTest, shouldReturnTickedKeysInRecordOrder)
{
    whenModalOpens([](QWidget& dialog) {
        auto* model = qobject_cast<QStandardItemModel*>(
            dialog.findChild<QTreeView*>("lstRegistros")->model());
        EXPECT_EQ(model->item(2, 0)->checkState(), Qt::Checked);
        model->item(0, 0)->setCheckState(Qt::Checked);
        press(dialog, "OK");
    });
    const ListChoice choice = port.chooseList({products,
                                               QStringLiteral("CDPRODUTO"),
                                               QStringLiteral("Produtos"),
                                               {QStringLiteral("03")}});
    EXPECT_TRUE(choice.confirmed);
    EXPECT_EQ(choice.keys, (QStringList{"01", "03"}));
}

TEST_F(RecordsTest, shouldAskSearchAndPasswordInTheirDialogs)
{
    whenModalOpens([](QWidget& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("edtValor"), "Ban");
        press(dialog, "OK");
    });
    const auto search =
        port.askSearch({products,
                        QStringLiteral("Procurar"),
                        {QStringLiteral("NMPRODUTO"), QStringLiteral("CDPRODUTO")}});
    ASSERT_TRUE(search);
    EXPECT_EQ(search->field + '=' + search->text, "NMPRODUTO=Ban");

    whenModalOpens([](QWidget& dialog) {
        auto* password = dialog.findChild<QLineEdit*>("edtSenha");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        QTest::keyClicks(password, "segredo");
        press(dialog, "OK");
    });
    EXPECT_EQ(port.askPassword({QStringLiteral("0001"), QStringLiteral("Senha"),
                                QStringLiteral("Senha do gerente")}),
              "segredo");

    whenModalOpens([](QWidget& dialog) { press(dialog, "Cancelar"); });
    EXPECT_FALSE(port.askPassword({QStringLiteral("0001"), QStringLiteral("Senha"), {}}));
}

TEST_F(QtUiPortTest, shouldAskThePasswordAgainInTheSignInDialogWithServerAndOperatorFixed)
{
    HostContext host;
    host.webURL = QStringLiteral("srv");
    host.webPort = 211;
    const HostContext previous = SetHostContext(host);
    const PasswordPrompt prompt{QStringLiteral("000000000001"), QStringLiteral("Sessão encerrada"),
                                QStringLiteral("Sessão expirada. Entre novamente."),
                                PasswordPurpose::SignInAgain};
    port.beginProgress(QStringLiteral("Consultando o servidor..."));
    QWidget* busy = topLevel("frmAguarde");
    ASSERT_TRUE(busy);

    whenModalOpens([&](QWidget& dialog) {
        EXPECT_FALSE(busy->isVisible()) << "the prompt is not hidden under the progress";
        EXPECT_EQ(dialog.objectName(), "frmSignIn");
        EXPECT_EQ(dialog.windowTitle(), "Sessão encerrada");
        for (const auto& [name, text] :
             {std::pair{"edtServidor", "srv:211"}, std::pair{"edtOperador", "000000000001"}}) {
            const auto* fixed = dialog.findChild<QLineEdit*>(name);
            EXPECT_EQ(fixed->text(), text);
            EXPECT_FALSE(fixed->isEnabled()) << name;
        }
        EXPECT_FALSE(dialog.findChild<QWidget*>("cbxFilial")->isVisible());
        EXPECT_EQ(dialog.findChild<QLabel*>("lblErro")->text(),
                  "Sessão expirada. Entre novamente.");
        auto* password = dialog.findChild<QLineEdit*>("edtSenha");
        QTest::keyClicks(password, "segredo");
        QTest::keyClick(password, Qt::Key_Return);
    });
    EXPECT_EQ(port.askPassword(prompt), "segredo");
    EXPECT_TRUE(busy->isVisible());

    whenModalOpens([](QWidget& dialog) { press(dialog, "Cancelar"); });
    EXPECT_FALSE(port.askPassword(prompt));
    port.endProgress();
    SetHostContext(previous);
}

TEST_F(QtUiPortTest, shouldShowProgressFromTheOutermostBeginToItsEndAndTheBusyCursor)
{
    port.beginProgress(QStringLiteral("Recebendo produtos do servidor..."));
    port.beginProgress(QStringLiteral("Gravando..."));
    QWidget* busy = topLevel("frmAguarde");
    ASSERT_TRUE(busy);
    EXPECT_TRUE(busy->isVisible() && busy->isModal());
    QStringList texts;
    for (QLabel* label : busy->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Gravando..."));

    // A message box does not hide under it.
    whenModalOpens([&](QWidget& box) {
        EXPECT_FALSE(busy->isVisible());
        press(box, "OK");
    });
    port.showError(QStringLiteral("Servidor indisponível."));
    EXPECT_TRUE(busy->isVisible());

    port.endProgress();
    EXPECT_TRUE(busy->isVisible());
    port.endProgress();
    EXPECT_FALSE(busy->isVisible());

    port.setBusyCursor(true);
    port.setBusyCursor(true);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    port.setBusyCursor(false);
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(QtUiPortTest, shouldOpenModelessFormsInTheWindowAreaAndCloseThemThroughTheForm)
{
    QMdiArea area;
    area.show();
    QtUiPort shell(&area);
    auto* dialog = new Dialog;
    bool refuse = true;
    dialog->OnCloseQuery = [&](Form&, bool& canClose) { canClose = !refuse; };
    dialog->OnClose = [](Form&, CloseAction& action) { action = CloseAction::Free; };
    dialog->releaseRequested = [](Form& form) { DeferUntilIdle([&form] { delete &form; }); };
    int activations = 0;
    dialog->OnActivate = [&](Form&) { ++activations; };
    shell.showModeless(*dialog);
    ASSERT_EQ(area.subWindowList().size(), 1);
    QMdiSubWindow* window = area.subWindowList().first();
    EXPECT_EQ(window->windowTitle(), "Diálogo");
    EXPECT_EQ(activations, 1);

    // Coming back from another child window activates the form again.
    QMdiSubWindow* other = area.addSubWindow(new QWidget);
    other->show();
    area.setActiveSubWindow(other);
    area.setActiveSubWindow(window);
    EXPECT_EQ(activations, 2);
    delete other;

    window->close();
    EXPECT_TRUE(window->isVisible()) << "the form refused";

    refuse = false;
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(area.subWindowList().isEmpty());
    EXPECT_EQ(findLiveForm(QStringLiteral("frmDialogo")), nullptr);
}

// A form whose content grows with its window.
class Notes : public Form
{
public:
    Notes() : Form(QStringLiteral("frmNotas")) { SetCaption(QStringLiteral("Notas")); }
    ~Notes() override { Destroy(); }

    Memo& memNotas = create<Memo>(QStringLiteral("memNotas"));
};

QMdiSubWindow* windowShowing(const QMdiArea& area, const Form& form)
{
    for (QMdiSubWindow* window : area.subWindowList())
        if (window->widget()->objectName() == form.Name())
            return window;
    return nullptr;
}

TEST_F(QtUiPortTest, shouldOpenModelessWindowsAtTheirPreferredSizeAndRoomyWhenTheyStretch)
{
    QMdiArea area;
    area.resize(1200, 800);
    area.show();
    QtUiPort shell(&area);
    Dialog dialog;
    Notes notes;
    shell.showModeless(dialog);
    shell.showModeless(notes);
    const QMdiSubWindow* dialogWindow = windowShowing(area, dialog);
    const QMdiSubWindow* notesWindow = windowShowing(area, notes);
    ASSERT_TRUE(dialogWindow && notesWindow);
    EXPECT_EQ(dialogWindow->size(), dialogWindow->sizeHint());
    EXPECT_EQ(notesWindow->size(), QSize(1000, 640));

    // A smaller area bounds the room given, not what the form cannot do without.
    QMdiArea narrow;
    narrow.resize(700, 30);
    narrow.show();
    QtUiPort narrowShell(&narrow);
    Notes narrowNotes;
    narrowShell.showModeless(narrowNotes);
    const QMdiSubWindow* narrowWindow = windowShowing(narrow, narrowNotes);
    ASSERT_TRUE(narrowWindow);
    EXPECT_EQ(narrowWindow->width(), narrow.viewport()->width());
    EXPECT_EQ(narrowWindow->height(), narrowWindow->minimumSizeHint().height());
}

} // namespace
} // namespace cmp::ui
