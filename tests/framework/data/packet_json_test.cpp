#include "framework/data/packet_json.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cmp::fw;

namespace {

DataPacket roundTrip(const DataPacket& packet)
{
    return decodePacket(encodePacket(packet));
}

// The message of the PacketError the call throws; empty when it throws none.
template <typename Call> std::string packetErrorOf(Call&& call)
{
    try {
        call();
    } catch (const PacketError& error) {
        return error.what();
    }
    return {};
}

const std::vector<FieldDef> everyType{
    {"CDFILSOLI", FieldType::String, 4},   {"IDTIPLAN", FieldType::FixedString, 1},
    {"DTPROGENTR", FieldType::Date, 0},    {"DTHRALTER", FieldType::DateTime, 0},
    {"QTSOLICIT", FieldType::Float, 0},    {"NRSEQ", FieldType::Integer, 0},
    {"IDAPROVADO", FieldType::Boolean, 0}, {"DSOBSERV", FieldType::Memo, 0},
};

QDateTime local(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

std::vector<QVariant> row(std::initializer_list<QVariant> values)
{
    return values;
}

PacketRow unchanged(std::initializer_list<QVariant> values)
{
    return {values, UpdateStatus::Unmodified, {}};
}

QString units(std::initializer_list<char16_t> codes)
{
    QString text;
    for (const char16_t code : codes)
        text.append(QChar(code));
    return text;
}

} // namespace

TEST(PacketJson, shouldWriteTheDocumentedShape)
{
    DataPacket packet{{{"CDFILSOLI", FieldType::String, 4},
                       {"DTPROGENTR", FieldType::Date, 0},
                       {"DTHRALTER", FieldType::DateTime, 0},
                       {"NRSEQ", FieldType::Integer, 0}},
                      {}};
    packet.rows.push_back(unchanged(
        {"0001", QDate(2026, 12, 7), local(2026, 12, 7, 8, 30, 0, 250), qlonglong(1) << 53}));
    packet.rows.push_back(unchanged({"", QVariant(), QVariant(), (qlonglong(1) << 53) + 1}));
    packet.rows.push_back(unchanged({"1", QVariant(), QVariant(), -(qlonglong(1) << 53) - 1}));

    EXPECT_EQ(encodePacket(packet).toStdString(),
              R"({"fields":[{"name":"CDFILSOLI","size":4,"type":"string"},)"
              R"({"name":"DTPROGENTR","type":"date"},{"name":"DTHRALTER","type":"dateTime"},)"
              R"({"name":"NRSEQ","type":"integer"}],"packet":"cmp",)"
              R"("rows":[["0001","2026-12-07","2026-12-07T08:30:00.250",9007199254740992],)"
              R"(["",null,null,"9007199254740993"],["1",null,null,"-9007199254740993"]],)"
              R"("version":1})");
}

TEST(PacketJson, shouldKeepUnicodeTextAndCountItsCharactersAgainstTheSize)
{
    const QString name = QStringLiteral("Feijão Carioca — 1ª");
    DataPacket packet{{{"NMPRODUTO", FieldType::String, 19}}, {unchanged({name})}};
    EXPECT_EQ(roundTrip(packet), packet);

    const DataPacket escaped = decodePacket(R"({"packet":"cmp","version":1,"fields":)"
                                            R"([{"name":"NMPRODUTO","type":"string","size":19}],)"
                                            R"("rows":[["Feij\u00e3o Carioca \u2014 1\u00aa"]]})");
    EXPECT_EQ(escaped, packet);

    packet.fields[0].size = 18;
    EXPECT_NE(packetErrorOf([&] { encodePacket(packet); }).find("excede o tamanho 18"),
              std::string::npos);
}

TEST(PacketJson, shouldCarryDateTimesAsLocalWallClockTime)
{
    const QDateTime inUtc(QDate(2026, 12, 7), QTime(11, 30), Qt::UTC);
    const DataPacket packet{{{"DTHRALTER", FieldType::DateTime, 0}}, {unchanged({inUtc})}};

    const QString wire = QJsonDocument::fromJson(encodePacket(packet))["rows"][0][0].toString();

    EXPECT_EQ(wire, inUtc.toLocalTime().toString("yyyy-MM-ddThh:mm:ss.zzz"));
    EXPECT_EQ(roundTrip(packet).rows[0].values[0].toDateTime(), inUtc);
}

TEST(PacketJson, shouldReadIntegersAsNumbersOrDecimalTexts)
{
    const DataPacket decoded = decodePacket(
        R"({"packet":"cmp","version":1,"fields":[{"name":"N","type":"integer"}],)"
        R"("rows":[[42],["42"],[1e3],["-9223372036854775808"],[9223372036854775807]]})");

    const std::vector<qlonglong> expected{42, 42, 1000, std::numeric_limits<qlonglong>::min(),
                                          std::numeric_limits<qlonglong>::max()};
    ASSERT_EQ(decoded.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(decoded.rows[i].values[0].toLongLong(), expected[i]) << "row " << i;
}

TEST(PacketJson, shouldCarryTheChangeLogOfAChangePacket)
{
    DataPacket packet{{{"CDPRODUTO", FieldType::String, 10}, {"QTSOLICIT", FieldType::Float, 0}},
                      {}};
    packet.rows.push_back(unchanged({"0000000001", 1.0}));
    packet.rows.push_back({row({"0000000002", 2.0}), UpdateStatus::Inserted, {}});
    packet.rows.push_back(
        {row({"0000000003", 7.5}), UpdateStatus::Modified, row({"0000000003", 3.0})});
    packet.rows.push_back({row({"0000000004", 4.0}), UpdateStatus::Deleted, {}});

    const QJsonObject json = packetToJson(packet);
    const QJsonArray log = json["log"].toArray();

    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0].toObject(), QJsonObject({{"row", 1}, {"status", "inserted"}}));
    EXPECT_EQ(log[1]["status"], "modified");
    EXPECT_EQ(log[1]["original"], QJsonArray({"0000000003", 3.0}));
    EXPECT_EQ(log[2].toObject(), QJsonObject({{"row", 3}, {"status", "deleted"}}));
    EXPECT_EQ(packetFromJson(json), packet);

    packet.rows.resize(1);
    EXPECT_FALSE(packetToJson(packet).contains("log"));
}

TEST(PacketJson, shouldConvertLooseValuesAndRefuseWhatWouldNotDecode)
{
    const std::vector<FieldDef> fields{{"CDFILSOLI", FieldType::String, 4},
                                       {"DTPROGENTR", FieldType::Date, 0},
                                       {"QTSOLICIT", FieldType::Float, 0}};
    // Query results hold dates as text and numbers of other widths.
    const DataPacket loose{fields, {unchanged({"0001", "2026-12-07", 5})}};
    EXPECT_EQ(roundTrip(loose).rows[0].values, row({"0001", QDate(2026, 12, 7), 5.0}));

    const struct
    {
        DataPacket packet;
        const char* message;
    } refused[]{
        {{fields, {unchanged({"00001", QVariant(), QVariant()})}},
         "linha 1, campo CDFILSOLI: texto"},
        {{fields, {unchanged({"0001", QVariant(), std::nan("")})}},
         "campo QTSOLICIT: número não finito"},
        {{fields, {unchanged({"0001", "32/01/2026", 1})}}, "campo DTPROGENTR: valor '32/01/2026'"},
        {{fields, {unchanged({"0001", QVariant()})}}, "linha 1: esperados 3 valores"},
        {{fields, {{row({"0001", QVariant(), 1}), UpdateStatus::Inserted, row({"0001", {}, 1})}}},
         "linha 1: valores originais só cabem"},
        {{fields, {{row({"0001", QVariant(), 1}), UpdateStatus::Modified, {}}}},
         "linha 1 (original): esperados 3 valores, encontrados 0"},
        {{{{"A", FieldType::Memo, 0}, {"a", FieldType::Date, 0}}, {}}, "nome de campo repetido"},
        {{{{"", FieldType::Memo, 0}}, {}}, "campo 1 (): nome vazio"},
    };
    for (const auto& refusal : refused) {
        SCOPED_TRACE(refusal.message);
        const std::string message = packetErrorOf([&] { encodePacket(refusal.packet); });
        EXPECT_NE(message.find(refusal.message), std::string::npos);
        EXPECT_EQ(message, packetErrorOf([&] { packetToJson(refusal.packet); }));
    }
}

TEST(PacketJson, shouldKeepEveryTypeAndValueAndWriteTheSameJsonAsThroughQtJson)
{
    const QString controls =
        units({0x0000, 0x0008, 0x0009, 0x000a, 0x000c, 0x000d, 0x001f, 0x007f, '"', '\\', '/'});
    const QString unicode =
        QStringLiteral("Açúcar — 1ª ☕ 😀 日本") + units({0xd800, 'x', 0xdfff, 0xfeff, 0xffff});
    DataPacket packet{everyType, {}};
    packet.rows.push_back(
        unchanged({"0001", "M", QDate(2026, 12, 7), local(2026, 12, 7, 8, 30, 0, 250), 1234.5,
                   qlonglong(42), true, controls}));
    packet.rows.push_back(
        {row({"", "", QDate(1, 1, 1), local(9999, 12, 31, 23, 59, 59, 999),
              std::numeric_limits<double>::denorm_min(), (qlonglong(1) << 53) + 1, false, unicode}),
         UpdateStatus::Inserted,
         {}});
    packet.rows.push_back(
        {row({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
              QVariant()}),
         UpdateStatus::Modified,
         row({"9999", "A", QDate(2024, 2, 29), local(1970, 1, 1, 0, 0, 0, 0),
              std::numeric_limits<double>::max(), std::numeric_limits<qlonglong>::min(), true,
              QString(3000, u'x')})});
    packet.rows.push_back(unchanged({unicode.left(4), "\t", QVariant(), QVariant(), -0.0,
                                     -(qlonglong(1) << 53), false, QString()}));
    packet.rows.push_back({row({"0002", "Z", QVariant(), QVariant(),
                                -std::numeric_limits<double>::max(), qlonglong(0), QVariant(), ""}),
                           UpdateStatus::Deleted,
                           {}});

    for (const DataPacket& sample : {packet, DataPacket{everyType, {}}, DataPacket{}}) {
        const QByteArray text = encodePacket(sample);
        EXPECT_EQ(QJsonDocument::fromJson(text), QJsonDocument(packetToJson(sample)))
            << text.toStdString();
        EXPECT_EQ(decodePacket(text), sample);
    }

    // Values decode to one canonical type per field type, nulls to nulls.
    const DataPacket decoded = decodePacket(encodePacket(packet));
    const std::vector<QMetaType> canonical{
        QMetaType::fromType<QString>(), QMetaType::fromType<QString>(),
        QMetaType::fromType<QDate>(),   QMetaType::fromType<QDateTime>(),
        QMetaType::fromType<double>(),  QMetaType::fromType<qlonglong>(),
        QMetaType::fromType<bool>(),    QMetaType::fromType<QString>()};
    for (size_t i = 0; i < canonical.size(); ++i) {
        EXPECT_EQ(decoded.rows[0].values[i].metaType(), canonical[i]) << "field " << i;
        EXPECT_TRUE(decoded.rows[2].values[i].isNull()) << "field " << i;
    }
}

TEST(PacketJson, shouldRefuseMalformedPacketsWithAMessageSayingWhere)
{
    const auto packet = [](const char* rows, const char* more = "") {
        return QByteArray(
                   R"({"packet":"cmp","version":1,"fields":[)"
                   R"({"name":"CDFILSOLI","type":"string","size":4},)"
                   R"({"name":"DTPROGENTR","type":"date"},{"name":"NRSEQ","type":"integer"}],)"
                   R"("rows":)") +
               rows + more + "}";
    };
    const auto withFields = [](const char* fields) {
        return QByteArray(R"({"packet":"cmp","version":1,"rows":[],"fields":)") + fields + "}";
    };
    const auto single = [](const char* type, const char* value) {
        return QByteArray(R"({"packet":"cmp","version":1,"fields":[{"name":"X","type":")") + type +
               R"("}],"rows":[[)" + value + "]]}";
    };
    const char* valid = R"([["0001","2026-12-07",1],["0002",null,2]])";
    const QByteArray tooManyFields = withFields(QByteArray(R"({"name":"F","type":"memo"},)")
                                                    .repeated(10001)
                                                    .chopped(1)
                                                    .prepend('[')
                                                    .append(']'));

    const struct
    {
        QByteArray json;
        const char* message;
    } malformed[]{
        {R"({"packet":"cmp",)", "Pacote inválido: JSON malformado na posição"},
        {"[1,2]", "Pacote inválido: esperado objeto JSON, encontrado vetor"},
        {R"({"packet":"xml","version":1,"fields":[],"rows":[]})",
         "marca de pacote desconhecida 'xml'"},
        {R"({"packet":"cmp","version":2,"fields":[],"rows":[]})",
         "versão 2 do formato não suportada"},
        {R"({"packet":"cmp","version":1,"fields":[]})", "falta a chave 'rows'"},
        {packet(valid, R"(,"extra":1)"), "chave desconhecida 'extra'"},
        {withFields(R"([{"name":"A","type":"text"}])"), "campo 1 (A): tipo desconhecido 'text'"},
        {withFields(R"([{"name":"A","type":"string"}])"), "campo 1 (A): falta a chave 'size'"},
        {withFields(R"([{"name":"A","type":"date","size":4}])"), "'size' só cabe em campos string"},
        {withFields(R"([{"name":"A","type":"string","size":100001}])"), "tamanho 100001 fora"},
        {withFields(R"([{"name":"A","type":"memo"},{"name":"B","type":"memo"},)"
                    R"({"name":"a","type":"date"}])"),
         "nome de campo repetido 'a' (já usado por 'A')"},
        {withFields(R"([{"name":"","type":"memo"}])"), "campo 1 (): nome vazio"},
        {tooManyFields, "10001 campos excedem o limite de 10000"},
        {packet(R"([{"CDFILSOLI":"0001"}])"), "linha 1: esperado vetor, encontrado objeto"},
        {packet(R"([["0001","2026-12-07"]])"), "linha 1: esperados 3 valores, encontrados 2"},
        {packet(R"([["0001","2026-12-07",1],["0002",null,"12a"]])"),
         "linha 2, campo NRSEQ: inteiro inválido '12a'"},
        {packet(R"([[1,null,null]])"),
         "linha 1, campo CDFILSOLI: esperado texto, encontrado número"},
        {packet(R"([["00001",null,null]])"), "texto '00001' com 5 caracteres excede o tamanho 4"},
        {packet(R"([["1",null,1],["2",null,2],["3","2026-13-01",3]])"),
         "Pacote inválido: linha 3, campo DTPROGENTR: data inválida '2026-13-01'"},
        {packet(R"([["1","07/12/2026",1]])"), "data inválida '07/12/2026'"},
        {single("dateTime", R"("2026-12-07T08:30:00Z")"), "data e hora inválida"},
        {single("dateTime", R"("2026-12-07")"), "data e hora inválida"},
        {single("boolean", R"("true")"), "linha 1, campo X: esperado booleano, encontrado texto"},
        {single("float", R"("1,5")"), "esperado número, encontrado texto"},
        {packet(R"([["1",null,1.5]])"), "número 1.5 não é um inteiro de 64 bits"},
        {packet(R"([["1",null," 12"]])"), "inteiro inválido ' 12'"},
        {packet(R"([["1",null,true]])"), "esperado número ou texto decimal, encontrado booleano"},
        {packet(valid, R"(,"log":[{"row":2,"status":"inserted"}])"),
         "log, entrada 1, 'row': 2 fora do pacote, que tem 2 linhas"},
        {packet(valid, R"(,"log":[{"row":0,"status":"deleted"},{"row":0,"status":"inserted"}])"),
         "log, entrada 2: linha 1 já consta do log"},
        {packet(valid, R"(,"log":[{"row":0,"status":"unmodified"}])"), "situação desconhecida"},
        {packet(valid, R"(,"log":[{"row":0,"status":"inserted","original":["0001",null,1]}])"),
         "log, entrada 1: 'original' só cabe numa linha modificada"},
        {packet(valid, R"(,"log":[{"row":0,"status":"modified"}])"), "falta a chave 'original'"},
        {packet(valid, R"(,"log":[{"row":1,"status":"modified","original":["0002",null,false]}])"),
         "linha 2 (original), campo NRSEQ: esperado número"},
    };
    for (const auto& bad : malformed) {
        SCOPED_TRACE(bad.json.left(200).toStdString());
        const std::string message = packetErrorOf([&] { decodePacket(bad.json); });
        EXPECT_NE(message.find(bad.message), std::string::npos) << message;
    }
}

TEST(PacketJson, shouldRefuseATimeTheLocalClockSkips)
{
    // Sao Paulo's clocks jumped from 00:00 to 01:00 on 2018-11-04.
    if (QDateTime(QDate(2018, 11, 4), QTime(0, 30)).isValid())
        GTEST_SKIP() << "the local time zone has no gap there";
    const std::string message = packetErrorOf([] {
        decodePacket(R"({"packet":"cmp","version":1,"fields":[{"name":"DTHRALTER",)"
                     R"("type":"dateTime"}],"rows":[["2018-11-04T00:30:00.000"]]})");
    });
    EXPECT_NE(message.find("data e hora inexistente no horário local"), std::string::npos);
}

// Items repeat their dates row after row; each row still reads as its own
// text says, whatever the rows above it held.
TEST(PacketJson, shouldReadRepeatedDatesRowByRowAcrossNullsAndBadTexts)
{
    const auto packet = [](const char* rows) {
        return QByteArray(R"({"packet":"cmp","version":1,"fields":[)"
                          R"({"name":"DTPROGENTR","type":"date"},)"
                          R"({"name":"DTHRALTER","type":"dateTime"}],"rows":)") +
               rows + "}";
    };
    const QDate dec7(2026, 12, 7);
    const QDateTime morning = local(2026, 12, 7, 8, 30, 0, 250);
    const DataPacket read = decodePacket(packet(R"([["2026-12-07","2026-12-07T08:30:00.250"],)"
                                                R"([null,null],)"
                                                R"(["2026-12-07","2026-12-07T08:30:00.250"],)"
                                                R"(["2026-12-07","2026-12-07T08:30:00.250"],)"
                                                R"(["2026-12-08","2026-12-07T08:30:00.250"]])"));
    const std::vector<std::vector<QVariant>> expected{{dec7, morning},
                                                      {QVariant(), QVariant()},
                                                      {dec7, morning},
                                                      {dec7, morning},
                                                      {dec7.addDays(1), morning}};
    ASSERT_EQ(read.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(read.rows[i].values, expected[i]) << "row " << i;

    EXPECT_NE(packetErrorOf([&] {
                  decodePacket(packet(R"([["2026-12-07",null],["2026-13-07",null]])"));
              }).find("linha 2, campo DTPROGENTR"),
              std::string::npos);
    EXPECT_NE(packetErrorOf([&] { decodePacket(packet(R"([["",null],["",null]])")); }),
              std::string());
}
