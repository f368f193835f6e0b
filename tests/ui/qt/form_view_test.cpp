// tests/ui/qt/form_view_test.cpp
#include "support/qt_application.h"
#include "ui/qt/form_view.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

#include <gtest/gtest.h>

namespace cmp::ui {
namespace {

using namespace cmp::fw;

// A filter dialog in miniature: code with a lookup button and a name, a
// date, a quantity, options, notes, pages, a command bar and a menu.
class SampleForm : public Form
{
public:
    SampleForm() : Form(QStringLiteral("frmAmostra"))
    {
        SetCaption(QStringLiteral("Amostra"));
        mnuPadrao.SetCaption({});
        mnuOperacao.SetCaption(QStringLiteral("&Operação"));
        mnuAlterar.SetCaption(QStringLiteral("&Alterar"));
        mnuAlterar.SetShortCut(QStringLiteral("F2"));
        sbtConfirmar.SetHint(QStringLiteral("Confirmar"));
        grbDados.SetCaption(QStringLiteral("Dados"));
        lblCodigo.SetCaption(QStringLiteral("Código"));
        medCodigo.SetEditMask(QStringLiteral("99.99.999.999;0; "));
        cbxTipo.SetItems({QStringLiteral("Manual"), QStringLiteral("Automática")});
        chkExtra.SetCaption(QStringLiteral("Extra"));
        rbtTodas.SetCaption(QStringLiteral("Todas"));
        rbtLista.SetCaption(QStringLiteral("Lista"));
        tshPrincipal.SetCaption(QStringLiteral("Principal"));
        tshEntrega.SetCaption(QStringLiteral("Entrega"));
        pgcPaginas.SetActivePage(&tshPrincipal);
        mnuTodos.SetCaption(QStringLiteral("Todos"));
        sbtOpcoes.DropdownMenu = &pmnOpcoes;
        lblMensagem.SetCaption(QStringLiteral("Incluindo solicitação de compras"));
        aniMensagem.SetResourceName(QStringLiteral("busca.avi"));
        panMensagem.SetVisible(false);
    }
    ~SampleForm() override { Destroy(); }

    fw::MainMenu& mnuPadrao = create<fw::MainMenu>(QStringLiteral("mnuPadrao"));
    MenuItem& mnuOperacao = create<MenuItem>(QStringLiteral("mnuOperacao"), &mnuPadrao);
    MenuItem& mnuAlterar = create<MenuItem>(QStringLiteral("mnuAlterar"), &mnuOperacao);
    Panel& panBotoes = create<Panel>(QStringLiteral("panBotoes"));
    SpeedButton& sbtConfirmar = create<SpeedButton>(QStringLiteral("sbtConfirmar"), &panBotoes);
    PageControl& pgcPaginas = create<PageControl>(QStringLiteral("pgcPaginas"));
    TabSheet& tshPrincipal = create<TabSheet>(QStringLiteral("tshPrincipal"), &pgcPaginas);
    TabSheet& tshEntrega = create<TabSheet>(QStringLiteral("tshEntrega"), &pgcPaginas);
    GroupBox& grbDados = create<GroupBox>(QStringLiteral("grbDados"), &tshPrincipal);
    Label& lblCodigo = create<Label>(QStringLiteral("lblCodigo"), &grbDados);
    MaskEdit& medCodigo = create<MaskEdit>(QStringLiteral("medCodigo"), &grbDados);
    LookupButton& btnCodigo = create<LookupButton>(QStringLiteral("btnCodigo"), &grbDados);
    Edit& edtNome = create<Edit>(QStringLiteral("edtNome"), &grbDados);
    DateEdit& depEntrega = create<DateEdit>(QStringLiteral("depEntrega"), &grbDados);
    NumberEdit& nedQuantidade = create<NumberEdit>(QStringLiteral("nedQuantidade"), &grbDados);
    ComboBox& cbxTipo = create<ComboBox>(QStringLiteral("cbxTipo"), &grbDados);
    CheckBox& chkExtra = create<CheckBox>(QStringLiteral("chkExtra"), &grbDados);
    RadioButton& rbtTodas = create<RadioButton>(QStringLiteral("rbtTodas"), &grbDados);
    RadioButton& rbtLista = create<RadioButton>(QStringLiteral("rbtLista"), &grbDados);
    Memo& memObservacao = create<Memo>(QStringLiteral("memObservacao"), &tshEntrega);
    PopupMenu& pmnOpcoes = create<PopupMenu>(QStringLiteral("pmnOpcoes"));
    MenuItem& mnuTodos = create<MenuItem>(QStringLiteral("mnuTodos"), &pmnOpcoes);
    SpeedButton& sbtOpcoes = create<SpeedButton>(QStringLiteral("sbtOpcoes"), &panBotoes);
    Panel& panMensagem = create<Panel>(QStringLiteral("panMensagem"));
    Label& lblMensagem = create<Label>(QStringLiteral("lblMensagem"), &panMensagem);
    Image& aniMensagem = create<Image>(QStringLiteral("aniMensagem"), &panMensagem);
};

class FormViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousPresenter_ = SetErrorPresenter([this](const QString& text) { shown << text; });
        view = std::make_unique<FormView>(form);
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        form.Show();
    }
    void TearDown() override
    {
        view.reset();
        SetErrorPresenter(previousPresenter_);
    }

    template <class W> W* widget(const QString& name) const { return view->findChild<W*>(name); }

    SampleForm form;
    std::unique_ptr<FormView> view;
    QStringList shown;

private:
    ErrorPresenter previousPresenter_;
};

TEST_F(FormViewTest, shouldRenderEveryControlAsItsWidgetNamedAfterIt)
{
    EXPECT_TRUE(widget<QLineEdit>("edtNome"));
    EXPECT_TRUE(widget<QLineEdit>("nedQuantidade"));
    EXPECT_TRUE(widget<QPlainTextEdit>("memObservacao"));
    EXPECT_TRUE(widget<QCheckBox>("chkExtra"));
    EXPECT_TRUE(widget<QRadioButton>("rbtLista"));
    EXPECT_EQ(widget<QComboBox>("cbxTipo")->count(), 2);
    EXPECT_EQ(widget<QGroupBox>("grbDados")->title(), "Dados");
    EXPECT_EQ(widget<QLabel>("lblCodigo")->buddy(), widget<QLineEdit>("medCodigo"));
    EXPECT_TRUE(widget<QLineEdit>("medCodigo")->inputMask().startsWith("00.00.000.000"));
    EXPECT_EQ(widget<QLineEdit>("depEntrega")->displayText(), "__/__/____");
    EXPECT_EQ(view->windowTitle(), "Amostra");

    auto* pages = widget<QTabWidget>("pgcPaginas");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(1), "Entrega");
    EXPECT_EQ(pages->currentWidget()->objectName(), "tshPrincipal");

    // Speed buttons leave the focus where it is and explain themselves in a tip.
    auto* confirm = widget<QToolButton>("sbtConfirmar");
    EXPECT_EQ(confirm->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(confirm->toolTip(), "Confirmar");
    EXPECT_FALSE(confirm->icon().isNull());
    EXPECT_TRUE(widget<QToolButton>("btnCodigo"));

    auto* entry = view->findChild<QAction*>("mnuAlterar");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text(), "&Alterar\tF2");
    EXPECT_TRUE(view->findChild<QMenuBar*>("mnuPadrao"));
}

TEST_F(FormViewTest, shouldShowTheBusyPanelWithItsAnimationWhenAsked)
{
    auto* panel = widget<QWidget>("panMensagem");
    EXPECT_TRUE(widget<QProgressBar>("aniMensagem"));
    EXPECT_FALSE(panel->isVisible());
    form.panMensagem.SetVisible(true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(widget<QLabel>("lblMensagem")->isVisible());
}

TEST_F(FormViewTest, shouldOpenADropDownMenuUnderItsButton)
{
    int picks = 0;
    form.mnuTodos.OnClick = [&](Control&) { ++picks; };
    widget<QToolButton>("sbtOpcoes")->click();
    auto* menu = widget<QMenu>("pmnOpcoes");
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->isVisible());
    menu->findChild<QAction*>("mnuTodos")->trigger();
    EXPECT_EQ(picks, 1);
    menu->hide();
}

TEST_F(FormViewTest, shouldFollowControlChangesInTheWidgets)
{
    form.edtNome.SetText(QStringLiteral("Feijão"));
    form.medCodigo.SetText(QStringLiteral("0101001"));
    form.depEntrega.SetDate(QDate(2026, 12, 7));
    form.chkExtra.SetChecked(true);
    form.cbxTipo.SetItemIndex(1);
    form.memObservacao.SetLines({QStringLiteral("a"), QStringLiteral("b")});
    form.lblCodigo.SetCaption(QStringLiteral("Produto"));
    EXPECT_EQ(widget<QLineEdit>("edtNome")->text(), "Feijão");
    EXPECT_EQ(widget<QLineEdit>("medCodigo")->displayText(), "01.01.001.   ");
    EXPECT_EQ(widget<QLineEdit>("depEntrega")->text(), "07/12/2026");
    EXPECT_TRUE(widget<QCheckBox>("chkExtra")->isChecked());
    EXPECT_EQ(widget<QComboBox>("cbxTipo")->currentText(), "Automática");
    EXPECT_EQ(widget<QPlainTextEdit>("memObservacao")->toPlainText(), "a\nb");
    EXPECT_EQ(widget<QLabel>("lblCodigo")->text(), "Produto");

    form.edtNome.SetEnabled(false);
    form.chkExtra.SetVisible(false);
    form.mnuAlterar.SetEnabled(false);
    EXPECT_FALSE(widget<QLineEdit>("edtNome")->isEnabled());
    EXPECT_FALSE(widget<QCheckBox>("chkExtra")->isVisible());
    EXPECT_FALSE(view->findChild<QAction*>("mnuAlterar")->isEnabled());

    form.edtNome.SetColor(ColorRole::Required);
    auto* name = widget<QLineEdit>("edtNome");
    EXPECT_EQ(name->palette().color(QPalette::Base), name->palette().color(QPalette::ToolTipBase));
}

TEST_F(FormViewTest, shouldShowPagesAsTheirPageControlSays)
{
    auto* pages = widget<QTabWidget>("pgcPaginas");
    form.pgcPaginas.SetActivePage(&form.tshEntrega);
    EXPECT_EQ(pages->currentIndex(), 1);

    form.tshPrincipal.SetTabVisible(false);
    EXPECT_FALSE(pages->isTabVisible(0));
    form.tshPrincipal.SetEnabled(false);
    EXPECT_FALSE(pages->isTabEnabled(0));

    // A hidden tab may still be the active page, as wizards use it.
    form.pgcPaginas.SetActivePage(&form.tshPrincipal);
    EXPECT_EQ(pages->currentIndex(), 0);

    form.tshEntrega.SetPageIndex(0);
    EXPECT_EQ(pages->widget(0)->objectName(), "tshEntrega");
    EXPECT_EQ(pages->currentWidget()->objectName(), "tshPrincipal");
}

TEST_F(FormViewTest, shouldLetThePageControlDecideWhenTheUserClicksATab)
{
    enum class Answer
    {
        Refuse,
        Abort,
        Allow
    };
    Answer answer = Answer::Refuse;
    QStringList events;
    form.pgcPaginas.OnChanging = [&](PageControl& pages, bool& allowChange) {
        events << "changing from " + pages.ActivePage()->Name();
        if (answer == Answer::Abort)
            MensErro(QStringLiteral("Confirme os dados da página."), true);
        allowChange = answer == Answer::Allow;
    };
    // As the requisition screen does: the page shown decides what else shows.
    form.pgcPaginas.OnChange = [&](Control&) {
        events << "change to " + form.pgcPaginas.ActivePage()->Name();
        form.panMensagem.SetVisible(form.pgcPaginas.ActivePage() == &form.tshEntrega);
    };
    auto* pages = widget<QTabWidget>("pgcPaginas");
    const auto clickTab = [&](int index) {
        events.clear();
        QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {},
                          pages->tabBar()->tabRect(index).center());
    };

    for (Answer refusal : {Answer::Refuse, Answer::Abort}) {
        answer = refusal;
        clickTab(1);
        EXPECT_EQ(events, QStringList{"changing from tshPrincipal"});
        EXPECT_EQ(pages->currentIndex(), 0);
        EXPECT_EQ(form.pgcPaginas.ActivePage(), &form.tshPrincipal);
    }
    EXPECT_EQ(shown, QStringList{"Confirme os dados da página."});

    answer = Answer::Allow;
    clickTab(1);
    EXPECT_EQ(events, (QStringList{"changing from tshPrincipal", "change to tshEntrega"}));
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_TRUE(widget<QWidget>("panMensagem")->isVisible());

    // The tab of a disabled page is not the user's to choose.
    form.tshPrincipal.SetEnabled(false);
    clickTab(0);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(pages->currentIndex(), 1);
}

TEST_F(FormViewTest, shouldPassTypingToTheControlAndRunItsEvents)
{
    QStringList events;
    form.edtNome.OnChange = [&](Control& c) { events << "change " + c.Text(); };
    form.edtNome.OnExit = [&](Control&) { events << "exit"; };
    // Letters are refused as they are typed.
    form.edtNome.OnKeyPress = [](Control&, QChar& key) {
        if (key.isDigit())
            key = QChar();
    };
    auto* name = widget<QLineEdit>("edtNome");
    name->setFocus();
    QTest::keyClicks(name, "ab1c");
    EXPECT_EQ(form.edtNome.Text(), "abc");
    EXPECT_EQ(name->text(), "abc");
    EXPECT_EQ(form.ActiveControl(), &form.edtNome);

    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(events.last(), "exit");
    EXPECT_TRUE(events.contains("change abc"));
    EXPECT_EQ(form.ActiveControl(), &form.depEntrega);

    auto* date = widget<QLineEdit>("depEntrega");
    date->setCursorPosition(0);
    QTest::keyClicks(date, "07122026");
    EXPECT_EQ(form.depEntrega.Date(), QDate(2026, 12, 7));
    EXPECT_EQ(widget<QLabel>("depEntrega_semana")->text(), "Segunda-feira");

    auto* code = widget<QLineEdit>("medCodigo");
    code->setFocus();
    code->setCursorPosition(0);
    QTest::keyClicks(code, "0101001");
    EXPECT_EQ(form.medCodigo.Text(), "0101001");

    auto* quantity = widget<QLineEdit>("nedQuantidade");
    quantity->setFocus();
    QTest::keyClicks(quantity, "12,5");
    EXPECT_DOUBLE_EQ(form.nedQuantidade.Value(), 12.5);
}

TEST_F(FormViewTest, shouldPassClicksAndChoicesToTheControls)
{
    int clicks = 0;
    form.chkExtra.OnClick = [&](Control&) { ++clicks; };
    widget<QCheckBox>("chkExtra")->click();
    EXPECT_TRUE(form.chkExtra.Checked());
    EXPECT_EQ(clicks, 1);

    form.rbtTodas.SetChecked(true);
    widget<QRadioButton>("rbtLista")->click();
    EXPECT_TRUE(form.rbtLista.Checked());
    EXPECT_FALSE(widget<QRadioButton>("rbtTodas")->isChecked());

    auto* kind = widget<QComboBox>("cbxTipo");
    kind->activated(1);
    EXPECT_EQ(form.cbxTipo.ItemIndex(), 1);

    int confirmations = 0;
    form.sbtConfirmar.OnClick = [&](Control&) { ++confirmations; };
    widget<QToolButton>("sbtConfirmar")->click();
    view->findChild<QAction*>("mnuAlterar")->trigger();
    EXPECT_EQ(confirmations, 1);
}

TEST_F(FormViewTest, shouldKeepTheFocusWhereALeavingCheckRefuses)
{
    form.edtNome.OnExit = [](Control&) { MensErro(QStringLiteral("Nome inválido."), true); };
    auto* name = widget<QLineEdit>("edtNome");
    name->setFocus();
    ASSERT_EQ(form.ActiveControl(), &form.edtNome);

    widget<QLineEdit>("nedQuantidade")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(shown, QStringList{"Nome inválido."});
    EXPECT_EQ(form.ActiveControl(), &form.edtNome);
    EXPECT_TRUE(name->hasFocus());
}

TEST_F(FormViewTest, shouldRouteKeysToMenusFormAndControl)
{
    int alterations = 0;
    form.mnuAlterar.OnClick = [&](Control&) { ++alterations; };
    QStringList keys;
    form.KeyPreview = true;
    form.OnKeyDown = [&](Form&, Key& key, Shift) {
        if (key == Qt::Key_F9)
            keys << "form F9";
    };
    form.edtNome.OnKeyDown = [&](Control&, Key& key, Shift shift) {
        if (key == Qt::Key_F9 && shift == Qt::NoModifier)
            keys << "edit F9";
    };
    auto* name = widget<QLineEdit>("edtNome");
    name->setFocus();

    QTest::keyClick(name, Qt::Key_F2);
    EXPECT_EQ(alterations, 1);
    QTest::keyClick(name, Qt::Key_F9);
    EXPECT_EQ(keys, (QStringList{"form F9", "edit F9"}));

    // Up and Down choose in a combo box through the control.
    auto* kind = widget<QComboBox>("cbxTipo");
    kind->setFocus();
    QTest::keyClick(kind, Qt::Key_Down);
    EXPECT_EQ(form.cbxTipo.ItemIndex(), 0);
    EXPECT_EQ(kind->currentIndex(), 0);
}

TEST(DataAwareView, shouldWriteWhatIsTypedToTheCurrentRecord)
{
    ClientDataSet items;
    items.AddField(QStringLiteral("DSOBSERVACAO"), FieldType::String, 40);
    items.AddField(QStringLiteral("IDEXTRA"), FieldType::String, 1);
    items.CreateDataSet();
    items.Append();
    items.FieldByName(QStringLiteral("DSOBSERVACAO")).SetAsString(QStringLiteral("Urgente"));
    items.FieldByName(QStringLiteral("IDEXTRA")).SetAsString(QStringLiteral("N"));
    items.Post();
    DataSource source(&items);
    Form form(QStringLiteral("frmItem"));
    auto& note = form.create<DBEdit>(QStringLiteral("dbeObservacao"));
    note.SetDataSource(&source);
    note.SetDataField(QStringLiteral("DSOBSERVACAO"));
    auto& extra = form.create<DBCheckBox>(QStringLiteral("dckExtra"));
    extra.SetDataSource(&source);
    extra.SetDataField(QStringLiteral("IDEXTRA"));
    FormView view(form);
    form.Show();

    auto* edit = view.findChild<QLineEdit*>("dbeObservacao");
    EXPECT_EQ(edit->text(), "Urgente");
    edit->selectAll();
    QTest::keyClicks(edit, "Normal");
    view.findChild<QCheckBox*>("dckExtra")->click();
    EXPECT_EQ(items.FieldByName(QStringLiteral("DSOBSERVACAO")).AsString(), "Normal");
    EXPECT_EQ(items.FieldByName(QStringLiteral("IDEXTRA")).AsString(), "S");

    items.Cancel();
    EXPECT_EQ(edit->text(), "Urgente");
}

TEST(CommandBarView, shouldLayANavigatorAndTheRecordsLabelsOutInOneRow)
{
    ClientDataSet branches;
    branches.AddField(QStringLiteral("NMFILIAL"), FieldType::String, 30);
    branches.CreateDataSet();
    for (const char* name : {"Cozinha Central", "Filial Norte"}) {
        branches.Append();
        branches.FieldByName(QStringLiteral("NMFILIAL")).SetAsString(QString::fromLatin1(name));
        branches.Post();
    }
    branches.First();
    DataSource source(&branches);
    Form form(QStringLiteral("frmNavegacao"));
    auto& bar = form.create<Panel>(QStringLiteral("panNavegador"));
    DBNavigator::create(form, QStringLiteral("dbnPadrao"), &bar).SetDataSource(&source);
    auto& name = form.create<DBText>(QStringLiteral("dbtNome"), &bar);
    name.SetDataSource(&source);
    name.SetDataField(QStringLiteral("NMFILIAL"));
    form.create<Label>(QStringLiteral("lblPrevia"), &bar).SetCaption(QStringLiteral("Prévia:"));
    form.create<Memo>(QStringLiteral("memNotas"));
    FormView view(form);
    view.resize(640, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    const QStringList inOrder{"dbnPadraoFirst", "dbnPadraoPrior", "dbnPadraoNext",
                              "dbnPadraoLast",  "dbtNome",        "lblPrevia"};
    const auto placeOf = [&](const QString& widgetName) {
        const QWidget* widget = view.findChild<QWidget*>(widgetName);
        return widget ? QRect(widget->mapTo(&view, QPoint()), widget->size()) : QRect();
    };
    const QRect first = placeOf(inOrder.first());
    ASSERT_TRUE(first.isValid());
    int previousRight = -1;
    for (const QString& widgetName : inOrder) {
        const QRect place = placeOf(widgetName);
        SCOPED_TRACE(widgetName.toStdString());
        EXPECT_NEAR(place.center().y(), first.center().y(), 2);
        EXPECT_GT(place.left(), previousRight);
        previousRight = place.right();
    }
    // The navigator's buttons stay together; the labels go to the right.
    EXPECT_LT(placeOf("dbnPadraoLast").right(), view.width() / 2);
    EXPECT_GT(placeOf("lblPrevia").left(), view.width() / 2);
    EXPECT_EQ(view.findChild<QLabel*>("dbtNome")->text(), "Cozinha Central");

    view.findChild<QToolButton*>("dbnPadraoLast")->click();
    EXPECT_EQ(view.findChild<QLabel*>("dbtNome")->text(), "Filial Norte");
}

TEST(PageLayoutView, shouldGiveGridsTheHeightAndKeepDatesAndLongHintFacesShort)
{
    ClientDataSet items;
    items.AddField(QStringLiteral("NMPRODUTO"), FieldType::String, 40);
    items.CreateDataSet();
    DataSource source(&items);
    Form form(QStringLiteral("frmPagina"));
    auto& bar = form.create<Panel>(QStringLiteral("panBotoes"));
    const QString hint = QStringLiteral("Aprovação de Item de Solicitação de Compras por Gerente");
    form.create<SpeedButton>(QStringLiteral("sbtGerente"), &bar).SetHint(hint);
    auto& pages = form.create<PageControl>(QStringLiteral("pgcPadrao"));
    auto& page = form.create<TabSheet>(QStringLiteral("tshProdutos"), &pages);
    form.create<DBGrid>(QStringLiteral("grdItens"), &page).SetDataSource(&source);
    auto& panel = form.create<Panel>(QStringLiteral("panDtUtiliza"), &page);
    form.create<Label>(QStringLiteral("lblDtUtiliza"), &panel).SetCaption(QStringLiteral("Data"));
    form.create<DateEdit>(QStringLiteral("depUtiliza"), &panel);
    FormView view(form);
    view.resize(800, 600);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    // The grid takes what the fields below it leave of the page.
    const QWidget* grid = view.findChild<QWidget*>("grdItens");
    const QWidget* fields = view.findChild<QWidget*>("panDtUtiliza");
    EXPECT_GT(grid->height(), 3 * fields->height());
    EXPECT_GT(fields->mapTo(&view, QPoint()).y(), view.height() * 3 / 4);
    // A date keeps its width, beside its label.
    const QWidget* date = view.findChild<QWidget*>("depUtiliza");
    EXPECT_LT(date->width(), view.width() / 2);
    EXPECT_LT(date->mapTo(&view, QPoint()).x(), view.width() / 4);

    const auto* button = view.findChild<QToolButton*>("sbtGerente");
    EXPECT_TRUE(button->text().endsWith(u'…'));
    EXPECT_EQ(button->toolTip(), hint);
}

TEST_F(FormViewTest, shouldMoveTheWidgetFocusWithTheForm)
{
    form.SetFocus(form.nedQuantidade);
    EXPECT_TRUE(widget<QLineEdit>("nedQuantidade")->hasFocus());
}

} // namespace
} // namespace cmp::ui
