#include "framework/core/strings.h"
#include "framework/data/client_dataset.h"
#include "framework/ui/lookups.h"
#include "framework/ui/password.h"

#include "framework/ui/scripted_port.h"

#include <gtest/gtest.h>

using namespace cmp::fw;
using cmp::fw::test::ScriptedUi;

namespace {

class Lookups : public ScriptedUi
{
protected:
    void SetUp() override
    {
        ScriptedUi::SetUp();
        buyers.AddField("CDOPERADOR", FieldType::String, 12);
        buyers.AddField("NMOPERADOR", FieldType::String, 40);
        buyers.CreateDataSet();
        for (const auto& [code, name] : {std::pair{"000000000001", "Ana Souza"},
                                         {"000000000002", "Bruno Lima"},
                                         {"000000000003", "Carla Dias"}}) {
            buyers.Append();
            buyers.FieldByName("CDOPERADOR").SetValue(code);
            buyers.FieldByName("NMOPERADOR").SetValue(name);
            buyers.Post();
        }
        buyers.First();
    }

    QString currentBuyer() const { return buyers.FieldByName("CDOPERADOR").AsString(); }

    ClientDataSet buyers{"qryComprador"};
};

} // namespace

TEST_F(Lookups, shouldPositionTheRecordSetOnTheChosenRowOnlyAndNeverOfferAnEmptyOne)
{
    ui.pickNext("000000000002");
    EXPECT_TRUE(Pesquisar({.dataSet = buyers, .title = "Operadores", .keyField = "CDOPERADOR"}));
    EXPECT_EQ(currentBuyer(), "000000000002");

    ui.cancelNext();
    EXPECT_FALSE(Pesquisar({.dataSet = buyers, .title = "Operadores", .keyField = "CDOPERADOR"}));
    EXPECT_EQ(currentBuyer(), "000000000002");

    // An empty lookup is not offered at all.
    const size_t offered = ui.events().size();
    buyers.EmptyDataSet();
    EXPECT_FALSE(Pesquisar({.dataSet = buyers, .title = "Operadores", .keyField = "CDOPERADOR"}));
    EXPECT_EQ(ui.events().size(), offered);
}

TEST_F(Lookups, shouldWriteTheTickedKeysAsAListString)
{
    QString list;
    ui.pickListNext({"000000000001", "000000000003"});
    EXPECT_TRUE(PesquisaLista(buyers, "CDOPERADOR", "Comprador", list));
    EXPECT_EQ(list, "_000000000001_000000000003_");

    // The list opens with the keys already ticked.
    ui.pickListNext({});
    EXPECT_TRUE(PesquisaLista(buyers, "CDOPERADOR", "Comprador", list));
    EXPECT_EQ(ui.events().back().options, (QStringList{"000000000001", "000000000003"}));
    EXPECT_EQ(list, "");

    list = ListString({"000000000002"});
    ui.cancelNext();
    EXPECT_FALSE(PesquisaLista(buyers, "CDOPERADOR", "Comprador", list));
    EXPECT_EQ(list, "_000000000002_");
}

TEST_F(Lookups, shouldMoveToTheFirstRecordStartingWithTheTypedText)
{
    ui.searchNext("NMOPERADOR", "car");
    EXPECT_TRUE(Procura(buyers));
    EXPECT_EQ(currentBuyer(), "000000000003");

    ui.searchNext("NMOPERADOR", "Zeca");
    EXPECT_FALSE(Procura(buyers));
    EXPECT_EQ(currentBuyer(), "000000000003");
    EXPECT_EQ(ui.texts(UiEventKind::Info),
              QStringList{"Nenhum registro encontrado para \"Zeca\"."});
    ui.cancelNext();
    EXPECT_FALSE(Procura(buyers));
    EXPECT_EQ(ui.texts(UiEventKind::Info).size(), 1) << "a cancelled search tells nothing";
}

class PasswordConfirmation : public ScriptedUi
{
protected:
    void SetUp() override
    {
        ScriptedUi::SetUp();
        previous_ =
            SetPasswordChecker([this](const QString& operatorCode, const QString& password) {
                checked.append(operatorCode);
                return operatorCode == "000000000005" && password == "gerente123";
            });
    }
    void TearDown() override
    {
        SetPasswordChecker(previous_);
        ScriptedUi::TearDown();
    }

    QStringList checked;

private:
    PasswordChecker previous_;
};

TEST_F(PasswordConfirmation, shouldConfirmOnlyTheOperatorsOwnPassword)
{
    ui.typePasswordNext("gerente123");
    EXPECT_TRUE(CriaConfSenha("000000000005", "Confere senha", "Senha do gerente:"));

    // Another operator's password is refused as a wrong one.
    ui.typePasswordNext("gerente123");
    EXPECT_FALSE(CriaConfSenha("000000000006", "Confere senha", "Senha do gerente:"));
    EXPECT_EQ(ui.texts(UiEventKind::Error), QStringList{"Senha não confere."});
    EXPECT_EQ(checked, (QStringList{"000000000005", "000000000006"}));

    // A cancelled prompt refuses without checking or telling anything.
    const qsizetype errors = ui.texts(UiEventKind::Error).size();
    ui.cancelNext();
    EXPECT_FALSE(CriaConfSenha("000000000005", "Confere senha", "Senha do gerente:"));
    EXPECT_EQ(checked.size(), 2);
    EXPECT_EQ(ui.texts(UiEventKind::Error).size(), errors);
}
