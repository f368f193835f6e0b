// tests/ui/qt/form_view_test.cpp
#include "support/qt_application.h"
#include "ui/qt/form_view.h"
#include "ui/qt/widget_kinds.h"

#include "framework/core/abort.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/buttons.h"
#include "framework/forms/containers.h"
#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "framework/forms/form.h"
#include "framework/forms/menus.h"
#include "framework/forms/standard_controls.h"
#include "support/shown_errors.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <stdexcept>

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
        mnuOperacao.SetCaption(QStringLiteral("&Operação"));
        mnuAlterar.SetCaption(QStringLiteral("&Alterar"));
        mnuAlterar.SetShortCut(QStringLiteral("F2"));
        sbtConfirmar.SetHint(QStringLiteral("Confirmar"));
        lblCodigo.SetCaption(QStringLiteral("Código"));
        medCodigo.SetEditMask(QStringLiteral("99.99.999.999;0; "));
        cbxTipo.SetItems({QStringLiteral("Manual"), QStringLiteral("Automática")});
        tshEntrega.SetCaption(QStringLiteral("Entrega"));
        pgcPaginas.SetActivePage(&tshPrincipal);
        sbtOpcoes.DropdownMenu = &pmnOpcoes;
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
};

class FormViewTest : public test::ShownErrors
{
protected:
    void SetUp() override
    {
        ShownErrors::SetUp();
        view = std::make_unique<FormView>(form);
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        form.Show();
    }

    template <class W> W* widget(const QString& name) const { return view->findChild<W*>(name); }
    QLineEdit* edit(const QString& name) const { return widget<QLineEdit>(name); }
    QAction* action(const QString& name) const { return widget<QAction>(name); }

    SampleForm form;
    std::unique_ptr<FormView> view;
};

TEST_F(FormViewTest, shouldRenderEveryControlAsItsWidgetNamedAfterIt)
{
    EXPECT_EQ(widget<QLabel>("lblCodigo")->buddy(), edit("medCodigo"));
    EXPECT_TRUE(edit("medCodigo")->inputMask().startsWith("00.00.000.000"));
    EXPECT_EQ(edit("depEntrega")->displayText(), "__/__/____");
    EXPECT_FALSE(widget<QWidget>("panMensagem")->isVisible());

    // Speed buttons leave the focus where it is and explain themselves in a tip.
    auto* confirm = widget<QToolButton>("sbtConfirmar");
    EXPECT_EQ(confirm->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(confirm->toolTip(), "Confirmar");
    EXPECT_FALSE(confirm->icon().isNull());
    ASSERT_TRUE(action("mnuAlterar"));
    EXPECT_EQ(action("mnuAlterar")->text(), "&Alterar\tF2");
}

TEST_F(FormViewTest, shouldFollowControlChangesInTheWidgets)
{
    form.medCodigo.SetText(QStringLiteral("0101001"));
    form.depEntrega.SetDate(QDate(2026, 12, 7));
    form.cbxTipo.SetItemIndex(1);
    form.memObservacao.SetLines({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(edit("medCodigo")->displayText(), "01.01.001.   ");
    EXPECT_EQ(edit("depEntrega")->text(), "07/12/2026");
    EXPECT_EQ(widget<QComboBox>("cbxTipo")->currentText(), "Automática");
    EXPECT_EQ(widget<QPlainTextEdit>("memObservacao")->toPlainText(), "a\nb");

    form.edtNome.SetEnabled(false);
    form.chkExtra.SetVisible(false);
    form.mnuAlterar.SetEnabled(false);
    EXPECT_FALSE(edit("edtNome")->isEnabled());
    EXPECT_FALSE(widget<QCheckBox>("chkExtra")->isVisible());
    EXPECT_FALSE(action("mnuAlterar")->isEnabled());

    form.edtNome.SetColor(ColorRole::Required);
    const QPalette palette = edit("edtNome")->palette();
    EXPECT_EQ(palette.color(QPalette::Base), palette.color(QPalette::ToolTipBase));

    form.SetFocus(form.nedQuantidade);
    EXPECT_TRUE(edit("nedQuantidade")->hasFocus());
}

TEST_F(FormViewTest, shouldShowPagesAsTheirPageControlSays)
{
    auto* pages = widget<QTabWidget>("pgcPaginas");
    form.tshPrincipal.SetTabVisible(false);
    EXPECT_FALSE(pages->isTabVisible(0));
    // A hidden tab may still be the active page, as wizards use it.
    form.pgcPaginas.SetActivePage(&form.tshEntrega);
    form.pgcPaginas.SetActivePage(&form.tshPrincipal);
    EXPECT_EQ(pages->currentIndex(), 0);

    form.tshEntrega.SetPageIndex(0);
    EXPECT_EQ(pages->widget(0)->objectName(), "tshEntrega");
    EXPECT_EQ(pages->currentWidget()->objectName(), "tshPrincipal");
}

TEST_F(FormViewTest, shouldLetThePageControlDecideWhenTheUserClicksATab)
{
    bool allow = false;
    QStringList events;
    form.pgcPaginas.OnChanging = [&](PageControl& pages, bool& allowChange) {
        events << "changing from " + pages.ActivePage()->Name();
        if (!allow)
            MensErro(QStringLiteral("Confirme os dados da página."), true);
        allowChange = true;
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

    // A refusal shows its message and leaves the page as it was.
    clickTab(1);
    EXPECT_EQ(events, QStringList{"changing from tshPrincipal"});
    EXPECT_EQ(shown, QStringList{"Confirme os dados da página."});
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(form.pgcPaginas.ActivePage(), &form.tshPrincipal);

    allow = true;
    clickTab(1);
    EXPECT_EQ(events, (QStringList{"changing from tshPrincipal", "change to tshEntrega"}));
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_TRUE(widget<QWidget>("panMensagem")->isVisible());

    // The tab of a disabled page is not the user's to choose.
    form.tshPrincipal.SetEnabled(false);
    EXPECT_FALSE(pages->isTabEnabled(0));
}

TEST_F(FormViewTest, shouldPassTypingToTheControlAndRunItsEvents)
{
    QStringList events;
    form.edtNome.OnChange = [&](Control& c) { events << "change " + c.Text(); };
    form.edtNome.OnExit = [&](Control&) { events << "exit"; };
    form.edtNome.OnKeyPress = [](Control&, QChar& key) {
        if (key.isDigit())
            key = QChar();
    };
    auto* name = edit("edtNome");
    name->setFocus();
    QTest::keyClicks(name, "ab1c");
    EXPECT_EQ(form.edtNome.Text(), "abc");
    EXPECT_EQ(name->text(), "abc");

    QTest::keyClick(name, Qt::Key_Tab);
    EXPECT_EQ(events.last(), "exit");
    EXPECT_TRUE(events.contains("change abc"));
    EXPECT_EQ(form.ActiveControl(), &form.depEntrega);

    auto* date = edit("depEntrega");
    date->setCursorPosition(0);
    QTest::keyClicks(date, "07122026");
    EXPECT_EQ(form.depEntrega.Date(), QDate(2026, 12, 7));
    EXPECT_EQ(widget<QLabel>("depEntrega_semana")->text(), "Segunda-feira");

    auto* quantity = edit("nedQuantidade");
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

    widget<QComboBox>("cbxTipo")->activated(1);
    EXPECT_EQ(form.cbxTipo.ItemIndex(), 1);

    // A drop-down button opens its menu under it.
    int picks = 0;
    form.mnuTodos.OnClick = [&](Control&) { ++picks; };
    widget<QToolButton>("sbtOpcoes")->click();
    auto* menu = widget<QMenu>("pmnOpcoes");
    ASSERT_TRUE(menu && menu->isVisible());
    menu->findChild<QAction*>("mnuTodos")->trigger();
    EXPECT_EQ(picks, 1);
    menu->hide();
}

TEST_F(FormViewTest, shouldShowAnUnexpectedErrorOfAUserActionAndStayUsable)
{
    const auto fault = [](Control&) { throw std::logic_error("falha inesperada"); };
    form.sbtConfirmar.OnClick = fault;
    form.mnuAlterar.OnClick = fault;
    form.edtNome.OnChange = fault;
    widget<QToolButton>("sbtConfirmar")->click();
    action("mnuAlterar")->trigger();
    QTest::keyClicks(edit("edtNome"), "x");
    EXPECT_EQ(shown, QStringList(3, QStringLiteral("falha inesperada")));

    int confirmations = 0;
    form.sbtConfirmar.OnClick = [&](Control&) { ++confirmations; };
    widget<QToolButton>("sbtConfirmar")->click();
    EXPECT_EQ(confirmations, 1) << "the screen still works";
}

TEST_F(FormViewTest, shouldKeepTheFocusWhereALeavingCheckRefuses)
{
    form.edtNome.OnExit = [](Control&) { MensErro(QStringLiteral("Nome inválido."), true); };
    auto* name = edit("edtNome");
    name->setFocus();
    ASSERT_EQ(form.ActiveControl(), &form.edtNome);

    edit("nedQuantidade")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(shown, QStringList{"Nome inválido."});
    EXPECT_EQ(form.ActiveControl(), &form.edtNome);
    EXPECT_TRUE(name->hasFocus());
}

TEST_F(FormViewTest, shouldRouteKeysThroughTheFormToMenusAndControls)
{
    int alterations = 0;
    form.mnuAlterar.OnClick = [&](Control&) { ++alterations; };
    auto* name = edit("edtNome");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_F2);
    EXPECT_EQ(alterations, 1);

    // Up and Down choose in a combo box through the control.
    auto* kind = widget<QComboBox>("cbxTipo");
    kind->setFocus();
    QTest::keyClick(kind, Qt::Key_Down);
    EXPECT_EQ(form.cbxTipo.ItemIndex(), 0);
    EXPECT_EQ(kind->currentIndex(), 0);
}

// One text field over a set of names, filled with the given rows.
void fillNames(ClientDataSet& set, const QString& field, const QStringList& names)
{
    set.AddField(field, FieldType::String, 40);
    set.CreateDataSet();
    for (const QString& name : names) {
        set.Append();
        set.FieldByName(field).SetAsString(name);
        set.Post();
    }
    set.First();
}

TEST(DataAwareView, shouldWriteWhatIsTypedToTheCurrentRecord)
{
    ClientDataSet items;
    items.AddField(QStringLiteral("IDEXTRA"), FieldType::String, 1);
    fillNames(items, QStringLiteral("DSOBSERVACAO"), {QStringLiteral("Urgente")});
    items.Edit();
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

// A kind of control no widget is made for.
class Gauge : public Control
{
public:
    using Control::Control;
};

// A control and the widget class it is rendered as.
struct Rendered
{
    const char* name;
    const char* widgetClass;
};

template <class Kind> Rendered place(Form& form, Control& parent, Rendered rendered)
{
    form.create<Kind>(QString::fromLatin1(rendered.name), &parent);
    return rendered;
}

TEST(ControlKindsView, shouldRenderEveryKindOfControlAndRefuseAnUnknownOne)
{
    Form form(QStringLiteral("frmTipos"));
    auto& panel = form.create<Panel>(QStringLiteral("panTipos"));
    auto& pages = form.create<PageControl>(QStringLiteral("pgcTipos"));
    auto& page = form.create<TabSheet>(QStringLiteral("tshTipos"), &pages);
    auto& menu = form.create<MainMenu>(QStringLiteral("mnuTipos"));
    form.create<MenuItem>(QStringLiteral("mnuItem"), &menu);
    form.create<PopupMenu>(QStringLiteral("pmnTipos"));
    DBNavigator::create(form, QStringLiteral("dbnTipos"), &panel);
    const Rendered expected[] = {
        place<Label>(form, page, {"lblTipo", "QLabel"}),
        place<DBText>(form, page, {"dbtTipo", "QLabel"}),
        place<Image>(form, page, {"imgTipo", "QLabel"}),
        place<Edit>(form, page, {"edtTipo", "QLineEdit"}),
        place<DBEdit>(form, page, {"dbeTipo", "QLineEdit"}),
        place<MaskEdit>(form, page, {"medTipo", "QLineEdit"}),
        place<NumberEdit>(form, page, {"nedTipo", "QLineEdit"}),
        place<DateEdit>(form, page, {"depTipo", "QLineEdit"}),
        place<Memo>(form, page, {"memTipo", "QPlainTextEdit"}),
        place<DBMemo>(form, page, {"dbmTipo", "QPlainTextEdit"}),
        place<ComboBox>(form, page, {"cbxTipo", "QComboBox"}),
        place<CheckBox>(form, page, {"chkTipo", "QCheckBox"}),
        place<DBCheckBox>(form, page, {"dckTipo", "QCheckBox"}),
        place<RadioButton>(form, page, {"rbtTipo", "QRadioButton"}),
        place<SpeedButton>(form, page, {"sbtTipo", "QToolButton"}),
        place<BitBtn>(form, page, {"bbtTipo", "QToolButton"}),
        place<LookupButton>(form, page, {"btnTipo", "QToolButton"}),
        place<GroupBox>(form, page, {"grbTipo", "QGroupBox"}),
        place<DBGrid>(form, page, {"grdTipo", "QTableView"}),
        place<DecisionGrid>(form, page, {"degTipo", "QTableView"}),
        {"panTipos", "QWidget"},
        {"dbnTipos", "QWidget"},
        {"pgcTipos", "QTabWidget"},
        {"tshTipos", "QWidget"},
        {"mnuTipos", "QMenuBar"},
        {"mnuItem", "QAction"},
        {"pmnTipos", "QMenu"},
    };
    const FormView view(form);
    for (const Rendered& control : expected) {
        const QObject* widget = view.findChild<QObject*>(QString::fromLatin1(control.name));
        ASSERT_TRUE(widget) << control.name;
        EXPECT_TRUE(widget->inherits(control.widgetClass))
            << control.name << " is a " << widget->metaObject()->className();
    }

    // A kind added to the framework without its widget is named, not left out.
    form.create<Gauge>(QStringLiteral("gauTipo"), &panel);
    try {
        const FormView unknown(form);
        ADD_FAILURE() << "a control without a widget was rendered";
    } catch (const UnknownControlKind& error) {
        EXPECT_STREQ(error.what(),
                     "no widget is made for cmp::ui::(anonymous namespace)::Gauge, the kind of "
                     "control frmTipos.gauTipo");
    }
}

QRect placeIn(const QWidget& view, const QString& name)
{
    const QWidget* widget = view.findChild<QWidget*>(name);
    return widget ? QRect(widget->mapTo(&view, QPoint()), widget->size()) : QRect();
}

TEST(CommandBarView, shouldLayANavigatorAndTheRecordsLabelsOutInOneRow)
{
    ClientDataSet branches;
    fillNames(branches, QStringLiteral("NMFILIAL"),
              {QStringLiteral("Cozinha Central"), QStringLiteral("Filial Norte")});
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

    // The navigator's buttons stay together on the left; the labels follow on their row.
    const QRect last = placeIn(view, "dbnPadraoLast");
    const QRect label = placeIn(view, "lblPrevia");
    EXPECT_LT(placeIn(view, "dbnPadraoFirst").right(), last.left());
    EXPECT_LT(last.right(), view.width() / 2);
    EXPECT_GT(label.left(), view.width() / 2);
    EXPECT_NEAR(label.center().y(), last.center().y(), 2);
    EXPECT_GT(placeIn(view, "dbtNome").left(), last.right());

    view.findChild<QToolButton*>("dbnPadraoLast")->click();
    EXPECT_EQ(view.findChild<QLabel*>("dbtNome")->text(), "Filial Norte");
}

TEST(PageLayoutView, shouldGiveGridsTheHeightAndKeepDatesAndLongHintFacesShort)
{
    ClientDataSet items;
    fillNames(items, QStringLiteral("NMPRODUTO"), {});
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
    const QRect fields = placeIn(view, "panDtUtiliza");
    EXPECT_GT(placeIn(view, "grdItens").height(), 3 * fields.height());
    EXPECT_GT(fields.top(), view.height() * 3 / 4);
    // A date keeps its width, beside its label.
    const QRect date = placeIn(view, "depUtiliza");
    EXPECT_LT(date.width(), view.width() / 2);
    EXPECT_LT(date.left(), view.width() / 4);

    const auto* button = view.findChild<QToolButton*>("sbtGerente");
    EXPECT_TRUE(button->text().endsWith(u'…'));
    EXPECT_EQ(button->toolTip(), hint);
}

} // namespace
} // namespace cmp::ui
