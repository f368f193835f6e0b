#include "data/requisition_records.h"

#include "framework/core/messages.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_set_error.h"
#include "framework/data/field.h"

#include <span>
#include <utility>

namespace cmp::data {

namespace {

using fw::ClientDataSet;
using fw::Field;
using fw::FieldType;
using fw::TMessages;

const QString dateFormat = QStringLiteral("dd/mm/yyyy");
const QString quantityFormat = QStringLiteral("#,##0.000");
const QString matrixQuantityFormat = QStringLiteral("##0.000");

// --- coded values -------------------------------------------------------------

struct CodedText
{
    const char* code;
    const char* key;
};

constexpr CodedText launchTypes[] = {{"M", "IdTipLan_M"}, {"A", "IdTipLan_A"}, {"C", "IdTipLan_C"}};
constexpr CodedText settlements[] = {
    {"", "Em_Aberto"}, {"1", "B_Parcial"}, {"2", "B_Total"}, {"3", "B_Manual"}};
constexpr CodedText requisitionImports[] = {
    {"S", "Disponivel"}, {"P", "Importada"}, {"N", "Inconsistente"}};
constexpr CodedText itemImports[] = {
    {"S", "Disponivel"}, {"P", "Importado"}, {"N", "NImportado"}, {"F", "Fechamento"}};

const std::pair<const char*, const char*> codedValueTexts[] = {
    {"IdTipLan_M", "MANUAL"},
    {"IdTipLan_A", "AUTOMÁTICA"},
    {"IdTipLan_C", "CONSOLIDADO"},
    {"B_Parcial", "Baixa Parcial"},
    {"B_Total", "Baixa Total"},
    {"B_Manual", "Baixa Manual"},
    {"Em_Aberto", "Em Aberto"},
    {"Disponivel", "Disponível para importação"},
    {"Importada", "Importada com sucesso"},
    {"Inconsistente", "Inconsistência na Importação, verifique os produtos"},
    {"Importado", "Importado com sucesso"},
    {"NImportado", "Não Importado"},
    {"Fechamento", "Fech. concluído - AF's Geradas"}};

// The catalog text of a code; an unknown code shows nothing.
QString textOfCode(const TMessages& catalog, std::span<const CodedText> texts, const QString& code)
{
    for (const CodedText& entry : texts)
        if (code == QLatin1String(entry.code))
            return catalog.Msg(QLatin1String(entry.key));
    return {};
}

void showLaunchType(Field& field, const TMessages& catalog)
{
    field.OnGetText = [&catalog](Field& self, QString& text, bool) {
        text = textOfCode(catalog, launchTypes, self.AsString());
    };
}

// The first character decides, so a code with trailing characters still
// reads as its settlement.
void showSettlement(Field& field, const TMessages& catalog)
{
    field.OnGetText = [&catalog](Field& self, QString& text, bool) {
        text = self.DataSet().IsEmpty() ? QString()
                                        : textOfCode(catalog, settlements, self.AsString().left(1));
    };
}

// The requisition's import state is edited by picking one of its texts.
void editRequisitionImport(Field& field, const TMessages& catalog)
{
    field.OnGetText = [&catalog](Field& self, QString& text, bool) {
        text = textOfCode(catalog, requisitionImports, self.AsString().toUpper());
    };
    field.OnSetText = [&catalog](Field& self, const QString& typed) {
        const QString text = typed.trimmed();
        if (text.isEmpty()) {
            self.Clear();
            return;
        }
        for (const CodedText& entry : requisitionImports)
            if (text == catalog.Msg(QLatin1String(entry.key))) {
                self.SetValue(QString::fromLatin1(entry.code));
                return;
            }
        throw fw::DataSetError(QStringLiteral("%1: '%2' não é um status de importação válido")
                                   .arg(self.DataSet().Name(), typed)
                                   .toStdString());
    };
}

// An item not yet handed to the integration shows a blank, never the text of
// the record drawn before it.
void showItemImport(Field& field, const TMessages& catalog)
{
    field.OnGetText = [&catalog](Field& self, QString& text, bool) {
        const QString code = self.AsString();
        text = code.isEmpty() ? QStringLiteral(" ") : textOfCode(catalog, itemImports, code);
    };
}

// --- fields ---------------------------------------------------------------------

Field& add(ClientDataSet& set, const char* name, FieldType type, int size, const char* label)
{
    Field& field = set.AddField(QString::fromLatin1(name), type, size);
    if (label)
        field.SetDisplayLabel(QString::fromUtf8(label));
    return field;
}

Field& text(ClientDataSet& set, const char* name, int size, const char* label = nullptr)
{
    return add(set, name, FieldType::String, size, label);
}

// One-letter codes and "S"/"N" flags.
Field& flag(ClientDataSet& set, const char* name, const char* label = nullptr)
{
    return text(set, name, 1, label);
}

Field& date(ClientDataSet& set, const char* name, const char* label = nullptr)
{
    Field& field = add(set, name, FieldType::Date, 0, label);
    field.DisplayFormat = dateFormat;
    return field;
}

// Moments keep their time of day, which the default text shows.
Field& moment(ClientDataSet& set, const char* name)
{
    return add(set, name, FieldType::DateTime, 0, nullptr);
}

Field& number(ClientDataSet& set, const char* name, const char* label = nullptr)
{
    return add(set, name, FieldType::Float, 0, label);
}

void hide(Field& field)
{
    field.Visible = false;
}

} // namespace

void addCodedValueTexts(TMessages& catalog)
{
    for (const auto& [key, text] : codedValueTexts)
        catalog.Add(QLatin1String(key), QString::fromUtf8(text));
}

void declareServSolicita(ClientDataSet& cds, const TMessages& catalog)
{
    hide(text(cds, "CDFILSOLI", 4));
    text(cds, "NRSOLICMP", 10, "Número");
    text(cds, "CDFILLANCA", 4, "Lançamento");
    date(cds, "DTSOLCMP", "Data");
    text(cds, "NMOPERADOR", 40, "Comprador");
    text(cds, "NMDESTSOLI", 30, "Destino");
    showLaunchType(flag(cds, "IDTIPLAN"), catalog);
    flag(cds, "IDSOLEXTRA");
    showSettlement(flag(cds, "IDBAIXASOL", "Baixa"), catalog);
    text(cds, "CDOPERLANC", 12);
    text(cds, "NMOPERLANC", 40, "Responsável");
    editRequisitionImport(flag(cds, "IDIMPSOLSAC", "Status"), catalog);
    text(cds, "CDDESTSOLI", 3);
    text(cds, "NRNECECMPSOL", 10);
}

void declareSolicita(ClientDataSet& cds)
{
    text(cds, "NRSOLICMP", 10, "Número");
    text(cds, "CDFILLANCA", 4, "Lançamento");
    date(cds, "DTSOLCMP", "Data");
    hide(text(cds, "CDFILSOLI", 4));
    flag(cds, "IDTIPLAN");
    text(cds, "CDFILCENT", 4);
    text(cds, "NMFILIAL_LANCAMENTO", 30);
    text(cds, "CDOPERADOR", 12).EditMask = QStringLiteral("999999999999;0; ");
    text(cds, "NMOPERADOR", 40, "Comprador");
    text(cds, "CDDESTSOLI", 3).EditMask = QStringLiteral("999;0; ");
    text(cds, "NMDESTSOLI", 30, "Destino");
    flag(cds, "IDSOLEXTRA");
    text(cds, "CDOPERLANC", 12);
    flag(cds, "IDINSVRCMPANT");
    text(cds, "NRNECECMPSOL", 10);
}

void declareJustSoli(ClientDataSet& cds)
{
    text(cds, "CDFILSOLEXT", 4);
    text(cds, "CDFILLANCEXT", 4);
    text(cds, "NRSOLIMOVEXT", 10);
    moment(cds, "DTMOVSOLEXT");
    text(cds, "CDOPERADOR", 12);
    text(cds, "DSJUSTSOLEXT", 40);
}

void declareItemSoli(ClientDataSet& cds, const TMessages& catalog)
{
    text(cds, "CDFILSOLI", 4);
    text(cds, "CDFILLAN", 4);
    text(cds, "NRSOLICMP", 10);
    text(cds, "CDPRODUTO", 10);
    text(cds, "CDARVPROD", 20);
    date(cds, "DTPROGENTR");
    date(cds, "DTUTILIZA");
    number(cds, "QTSOLIPROD");
    text(cds, "TXOBSITMSOL", 2000);
    showSettlement(flag(cds, "IDBAIXITMSOL"), catalog);
    number(cds, "QTTRANSFSOL");
    flag(cds, "IDSOLIAPROV");
    number(cds, "QTVOLUITEMSO");
    hide(text(cds, "CDPRODORIG", 10));
    hide(number(cds, "QTSOLIORIG"));
    moment(cds, "DTIMPORTASAC");
    moment(cds, "DTULTATUITSOL");
    showItemImport(flag(cds, "IDIMPITMSAC"), catalog);
    text(cds, "NRSEQUCONSOL", 10);
    number(cds, "VRCMPANTERIOR");
    date(cds, "DTCMPANTERIOR");
    flag(cds, "IDINSVRCMPANT");
    cds.SetIndexFieldNames(QStringLiteral("CDARVPROD;DTPROGENTR"));
}

void declareItemNImportados(ClientDataSet& cds)
{
    text(cds, "CDARVPROD", 20);
    date(cds, "DTPROGENTR");
}

void declareDecisionProdutos(ClientDataSet& cds)
{
    text(cds, "NMPRODUTO", 72, "Produto");
    date(cds, "DTPROGENTR", "Data");
    number(cds, "QTSOLIPROD").DisplayFormat = matrixQuantityFormat;
}

void declareMovoPSol(ClientDataSet& cds)
{
    text(cds, "NMPRODUTO", 50, "Produto");
    date(cds, "DTENTROPER", "Entrega");
    number(cds, "QTANTOPER", "Qtde. antes").DisplayFormat = quantityFormat;
    number(cds, "QTDEPOPER", "Qtde. depois").DisplayFormat = quantityFormat;
    Field& justification = text(cds, "DSJUSTOPER", 40, "Justificativa");
    text(cds, "CDFILSOLMOV", 4);
    text(cds, "CDFILLANMOV", 4);
    text(cds, "NRSOLIMOV", 10);
    moment(cds, "DTOPERSOL");
    text(cds, "CDOPERADOR", 12);
    text(cds, "CDPRODUTO", 10);
    text(cds, "CDARVPROD", 20);
    text(cds, "NMOPERADOR", 40);
    flag(cds, "IDOPERAMOVS");
    text(cds, "DSRDMUSUMOVS", 50);
    text(cds, "DSENDUSUMOVS", 50);
    text(cds, "DSNMUSUMOVS", 50);
    text(cds, "DSMETUSUMOVS", 250);
    for (int i = 0; i < cds.FieldCount(); ++i)
        cds.Fields(i).ReadOnly = &cds.Fields(i) != &justification;
}

void declareFilialSoli(ClientDataSet& cds)
{
    text(cds, "CDFILIAL", 4, "Código").EditMask = QStringLiteral(">aaaa;0; ");
    text(cds, "NMFILIAL", 30, "Nome");
    text(cds, "CDFILCENTCMP", 4);
    text(cds, "NMCENTCMP", 30);
    for (const char* name :
         {"IDJUSSOLEXT", "IDAUDALTSOL", "IDULTIDTULTI", "IDULTCOMPSOL", "IDULTDESTSOL",
          "IDUTQTDEVOLU", "IDBAIXSOLDFS", "IDUTPRODPREF", "IDUTAPROVSOL", "IDUTLOPERSOL"})
        flag(cds, name);
    text(cds, "IDPERALTSAPR", 3);
    add(cds, "IDIMPINCSOLAPR", FieldType::FixedString, 1, nullptr);
    flag(cds, "IDBLOQALTSOLAUT");
    flag(cds, "IDALTVRCMPANT");
}

void declareAprovCmpGer(ClientDataSet& cds)
{
    text(cds, "CDFILSOLI", 4);
    text(cds, "CDFILLAN", 4);
    text(cds, "NRSOLICMP", 10);
    text(cds, "CDOPERADOR", 12);
    text(cds, "CDPRODUTO", 10);
    text(cds, "CDARVPROD", 20, "Produto");
    text(cds, "IDENVIAEMAIL", 1);
    text(cds, "DSJUSTREPROV", 250);
    cds.SetIndexFieldNames(QStringLiteral("CDFILLAN;CDFILSOLI;NRSOLICMP;CDOPERADOR;CDPRODUTO"));
}

void declareData(ClientDataSet& cds)
{
    date(cds, "DATA");
}

void declareVdPeriodicidade(ClientDataSet& cds)
{
    text(cds, "CDARVPROD", 20, "Produto");
    text(cds, "NMPRODUTO", 72, "Nome");
    text(cds, "PERIODICIDADE", 22, "Periodicidade");
    date(cds, "DTPROGENTR", "Data de Entrega");
}

void declareProduto(ClientDataSet& cds)
{
    text(cds, "CDPRODUTO", 10);
    text(cds, "CDARVPROD", 20);
    text(cds, "NMPRODUTO", 50);
    text(cds, "CDNVPRODUTO", 1);
    text(cds, "SGUNIDADE", 10);
}

} // namespace cmp::data
