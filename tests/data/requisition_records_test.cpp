// The requisition record sets as the main screen declares them: they load
// the server's packets of the embedded demo, and show the coded values, dates
// and quantities the way users read them.
#include "data/requisition_records.h"

#include "framework/core/messages.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_set_error.h"
#include "framework/net/net_connection.h"
#include "support/module_session.h"

#include <string>
#include <vector>

using namespace cmp;
using fw::ClientDataSet;
using fw::RemoteValue;

namespace {

using Args = std::vector<RemoteValue>;
using Texts = std::vector<std::string>;

const QString demoOperator = QStringLiteral("000000000001");
const QString branch = QStringLiteral("0004"); // integrated with the outside system

fw::TMessages codedValueCatalog()
{
    fw::TMessages catalog;
    data::addCodedValueTexts(catalog);
    return catalog;
}

std::vector<std::string> describe(const std::vector<fw::FieldDef>& fields)
{
    std::vector<std::string> names;
    for (const fw::FieldDef& field : fields)
        names.push_back(QStringLiteral("%1:%2:%3")
                            .arg(field.name, fw::fieldTypeName(field.type))
                            .arg(field.size)
                            .toStdString());
    return names;
}

// Every field of the packet is declared, in the packet's order, with its
// type and size; then the packet loads.
void expectLoads(ClientDataSet& cds, const RemoteValue& packet)
{
    EXPECT_EQ(describe(cds.DataFieldDefs()), describe(packet.toPacket().fields))
        << cds.Name().toStdString();
    cds.SetData(packet.toPacket());
}

std::string displayed(const ClientDataSet& cds, const char* fieldName)
{
    return cds.FieldByName(QString::fromLatin1(fieldName)).DisplayText().toStdString();
}

// One more record, with the values given.
void append(ClientDataSet& cds, std::initializer_list<std::pair<const char*, QVariant>> values)
{
    cds.Append();
    for (const auto& [name, value] : values)
        cds.FieldByName(QString::fromLatin1(name)).SetValue(value);
    cds.Post();
}

class RequisitionRecords : public test::ModuleSession
{
protected:
    void TearDown() override
    {
        net.Disconnect();
        ModuleSession::TearDown();
    }

    RemoteValue call(const char* method, const Args& args)
    {
        const fw::RemoteReply reply = net.Call(QString::fromLatin1(method), args);
        EXPECT_TRUE(reply.ok) << method << ": " << reply.error.toStdString();
        return reply.result;
    }

    // The filter with every criterion open, as GetFilialSoli and
    // GetServSolicita take it between their first arguments and the operator.
    static Args everything(Args first)
    {
        const RemoteValue none;
        const QString all = QStringLiteral("T");
        first.insert(first.end(), {none, none, all, QString(), all, QString(), all, none, none, all,
                                   QString(), all, all, demoOperator});
        return first;
    }

    Args currentKey(const ClientDataSet& list) const
    {
        Args key;
        for (const char* name : {"CDFILSOLI", "CDFILLANCA", "NRSOLICMP"})
            key.emplace_back(list.FieldByName(QString::fromLatin1(name)).AsString());
        return key;
    }

    fw::TNetConnection net{QStringLiteral("Cmp03100.rdmLancaSoliCmp")};
    const fw::TMessages catalog = codedValueCatalog();
    ClientDataSet cdsServSolicita{QStringLiteral("cdsServSolicita")};
};

TEST_F(RequisitionRecords, shouldLoadEveryRecordSetOfTheBranchesAndOfARequisition)
{
    ClientDataSet cdsFilialSoli(QStringLiteral("cdsFilialSoli"));
    ClientDataSet cdsData(QStringLiteral("cdsData"));
    ClientDataSet cdsSolicita(QStringLiteral("cdsSolicita"));
    ClientDataSet cdsJustSoli(QStringLiteral("cdsJustSoli"));
    ClientDataSet cdsItemSoli(QStringLiteral("cdsItemSoli"));
    ClientDataSet cdsItemNImportados(QStringLiteral("cdsItemNImportados"));
    ClientDataSet cdsDecisionProdutos(QStringLiteral("cdsDecisionProdutos"));
    ClientDataSet cdsMovoPSol(QStringLiteral("cdsMovoPSol"));
    data::declareFilialSoli(cdsFilialSoli);
    data::declareData(cdsData);
    data::declareServSolicita(cdsServSolicita, catalog);
    data::declareSolicita(cdsSolicita);
    data::declareJustSoli(cdsJustSoli);
    data::declareItemSoli(cdsItemSoli, catalog);
    data::declareItemNImportados(cdsItemNImportados);
    data::declareDecisionProdutos(cdsDecisionProdutos);
    data::declareMovoPSol(cdsMovoPSol);
    const RemoteValue branches =
        call("GetFilialSoli", everything({QString(), QStringLiteral("T"), QString()}));
    expectLoads(cdsFilialSoli, branches.at(0));
    expectLoads(cdsData, branches.at(1));
    EXPECT_EQ(displayed(cdsData, "DATA"),
              QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")).toStdString());

    expectLoads(cdsServSolicita, call("GetServSolicita", everything({branch})));
    EXPECT_EQ(displayed(cdsServSolicita, "DTSOLCMP"), "26/10/2026") << "the oldest comes first";

    // The extra requisition carries its justification.
    ASSERT_TRUE(cdsServSolicita.Locate(QStringLiteral("IDSOLEXTRA"), QStringLiteral("S")));
    Args key = currentKey(cdsServSolicita);
    expectLoads(cdsSolicita, call("GetSolicita", key));
    EXPECT_EQ(displayed(cdsSolicita, "DTSOLCMP"), "30/11/2026");
    expectLoads(cdsJustSoli, call("GetJustSoli", key));
    EXPECT_EQ(displayed(cdsJustSoli, "DTMOVSOLEXT"), "30/11/2026 10:15:00");

    // The requisition of December 1st had two quantities changed after saving.
    ASSERT_TRUE(cdsServSolicita.Locate(QStringLiteral("DTSOLCMP"), QDate(2026, 12, 1)));
    key = currentKey(cdsServSolicita);
    expectLoads(cdsMovoPSol, call("GetMovoPSol", key));
    EXPECT_EQ(cdsMovoPSol.RecordCount(), 2);
    const RemoteValue items = call("GetItemSoli", key);
    expectLoads(cdsItemSoli, items.at(0));
    expectLoads(cdsItemNImportados, items.at(1));
    expectLoads(cdsDecisionProdutos, call("GetDecisionProdutos", key));
    EXPECT_EQ(cdsItemSoli.RecordCount(), 12 * 3) << "twelve products on three days";
    EXPECT_EQ(cdsDecisionProdutos.RecordCount(), cdsItemSoli.RecordCount());
    EXPECT_FALSE(cdsItemNImportados.IsEmpty());
}

// --- coded values, dates and quantities on records of the client's own ----------

class LocalRecords : public ::testing::Test
{
protected:
    // A fresh set holding one record per value of the field.
    static void fill(ClientDataSet& cds, const char* fieldName, const QVariantList& values)
    {
        cds.Close();
        cds.CreateDataSet();
        for (const QVariant& value : values)
            append(cds, {{fieldName, value}});
    }

    // The texts a grid draws, record by record.
    static Texts shown(const ClientDataSet& cds, const char* fieldName)
    {
        Texts texts;
        for (int i = 0; i < cds.RecordCount(); ++i)
            texts.push_back(cds.DisplayTextAt(i, cds.FieldByName(QString::fromLatin1(fieldName)))
                                .toStdString());
        return texts;
    }

    void SetUp() override
    {
        data::declareServSolicita(cdsServSolicita, catalog);
        data::declareItemSoli(cdsItemSoli, catalog);
    }

    const fw::TMessages catalog = codedValueCatalog();
    ClientDataSet cdsServSolicita{QStringLiteral("cdsServSolicita")};
    ClientDataSet cdsItemSoli{QStringLiteral("cdsItemSoli")};
};

TEST_F(LocalRecords, shouldShowTheTextOfKnownCodesAndNothingForOthers)
{
    cdsServSolicita.CreateDataSet();
    EXPECT_EQ(displayed(cdsServSolicita, "IDBAIXASOL"), "") << "no \"Em Aberto\" on an empty list";

    const struct
    {
        ClientDataSet& cds;
        const char* field;
        QVariantList codes;
        Texts texts;
    } cases[] = {
        {cdsServSolicita,
         "IDBAIXASOL",
         {QVariant(), "1", "2", "3", "4", "2X"},
         {"Em Aberto", "Baixa Parcial", "Baixa Total", "Baixa Manual", "", "Baixa Total"}},
        {cdsItemSoli, "IDBAIXITMSOL", {"3", "4"}, {"Baixa Manual", ""}},
        {cdsServSolicita,
         "IDTIPLAN",
         {"A", "C", "M", "X", QVariant()},
         {"AUTOMÁTICA", "CONSOLIDADO", "MANUAL", "", ""}},
        {cdsServSolicita,
         "IDIMPSOLSAC",
         {"S", "p", "N", "F"},
         {"Disponível para importação", "Importada com sucesso",
          "Inconsistência na Importação, verifique os produtos", ""}},
        {cdsItemSoli,
         "IDIMPITMSAC",
         {"F", "N", "P", "S", QVariant(), "X"},
         {"Fech. concluído - AF's Geradas", "Não Importado", "Importado com sucesso",
          "Disponível para importação", " ", ""}},
    };
    for (const auto& c : cases) {
        fill(c.cds, c.field, c.codes);
        EXPECT_EQ(shown(c.cds, c.field), c.texts) << c.field;
    }
}

TEST_F(LocalRecords, shouldStoreTheCodeOfTheImportStatePickedForARequisition)
{
    fill(cdsServSolicita, "IDIMPSOLSAC", {QVariant()});
    fw::Field& field = cdsServSolicita.FieldByName(QStringLiteral("IDIMPSOLSAC"));
    cdsServSolicita.Edit();
    const std::pair<const char*, const char*> picks[] = {
        {"Disponível para importação", "S"},
        {"Importada com sucesso", "P"},
        {"Inconsistência na Importação, verifique os produtos", "N"}};
    for (const auto& [text, code] : picks) {
        field.SetText(QString::fromUtf8(text));
        EXPECT_EQ(field.AsString().toStdString(), code) << text;
    }
    EXPECT_THROW(field.SetText(QStringLiteral("Importado com sucesso")), fw::DataSetError)
        << "the item's text is not the requisition's";
    EXPECT_EQ(field.AsString().toStdString(), "N") << "a refused text changes nothing";
    field.SetText(QString());
    EXPECT_TRUE(field.IsNull());
}

TEST_F(LocalRecords, shouldKeepItemsInMatrixOrderByProductAndDeliveryDate)
{
    cdsItemSoli.CreateDataSet();
    append(cdsItemSoli, {{"CDARVPROD", "0102"}, {"DTPROGENTR", QDate(2026, 12, 14)}});
    append(cdsItemSoli, {{"CDARVPROD", "0101"}, {"DTPROGENTR", QDate(2026, 12, 14)}});
    append(cdsItemSoli, {{"CDARVPROD", "0101"}, {"DTPROGENTR", QDate(2026, 12, 7)}});
    Texts order;
    for (cdsItemSoli.First(); !cdsItemSoli.Eof(); cdsItemSoli.Next())
        order.push_back(displayed(cdsItemSoli, "CDARVPROD") + ' ' +
                        displayed(cdsItemSoli, "DTPROGENTR"));
    EXPECT_EQ(order, Texts({"0101 07/12/2026", "0101 14/12/2026", "0102 14/12/2026"}));
}

TEST(RecordFormats, shouldShowDatesAndQuantitiesAsUsersReadThem)
{
    ClientDataSet cdsMovoPSol(QStringLiteral("cdsMovoPSol"));
    ClientDataSet cdsDecisionProdutos(QStringLiteral("cdsDecisionProdutos"));
    data::declareMovoPSol(cdsMovoPSol);
    data::declareDecisionProdutos(cdsDecisionProdutos);
    const QDate delivery(2026, 12, 7);
    cdsMovoPSol.CreateDataSet();
    cdsDecisionProdutos.CreateDataSet();
    append(cdsMovoPSol, {{"DTENTROPER", delivery}, {"QTANTOPER", 1234.5}, {"QTDEPOPER", 0.0}});
    append(cdsDecisionProdutos, {{"DTPROGENTR", delivery}, {"QTSOLIPROD", 1234.5}});

    EXPECT_EQ(displayed(cdsMovoPSol, "DTENTROPER"), "07/12/2026");
    EXPECT_EQ(displayed(cdsMovoPSol, "QTANTOPER"), "1.234,500");
    EXPECT_EQ(displayed(cdsMovoPSol, "QTDEPOPER"), "0,000");
    EXPECT_EQ(displayed(cdsDecisionProdutos, "DTPROGENTR"), "07/12/2026");
    EXPECT_EQ(displayed(cdsDecisionProdutos, "QTSOLIPROD"), "1234,500")
        << "the matrix does not group thousands";
}

} // namespace
