#include "framework/net/remote_value.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <limits>

using namespace cmp::fw;

namespace {

// Through bytes, as the HTTP transport sends it.
QJsonValue overTheWire(const QJsonObject& json)
{
    return QJsonDocument::fromJson(QJsonDocument(json).toJson(QJsonDocument::Compact)).object();
}

DataPacket itemPacket()
{
    DataPacket packet;
    packet.fields = {{"CDPRODUTO", FieldType::String, 20},
                     {"DTUTILIZA", FieldType::Date, 0},
                     {"QTSOLIORIG", FieldType::Float, 0}};
    packet.rows.push_back(
        {{QString("0101.0002"), QDate(2026, 12, 7), 5.0}, UpdateStatus::Unmodified, {}});
    packet.rows.push_back({{QString("Açúcar"), QVariant(), 1.5},
                           UpdateStatus::Modified,
                           {QString("Açúcar"), QDate(2026, 12, 8), 2.0}});
    return packet;
}

// Every kind, nested the way results come: packets and texts inside arrays.
RemoteValue::Array everyKind()
{
    return {
        RemoteValue(),
        "Feijão carioca ☕ 日本 \"aspas\" \\ \n",
        QString(),
        QDate(2026, 12, 7),
        QDate(1, 1, 1),
        QDate(9999, 12, 31),
        QDateTime(QDate(2026, 12, 7), QTime(8, 30, 0, 250)),
        -1234.5,
        1e-300,
        qint64(0),
        (qint64(1) << 53) + 1,
        std::numeric_limits<qint64>::min(),
        std::numeric_limits<qint64>::max(),
        true,
        false,
        itemPacket(),
        DataPacket{},
        RemoteValue::Array{},
        RemoteValue::Array{itemPacket(), "", RemoteValue::Array{RemoteValue(), 7}},
    };
}

template <class Decode> std::string errorOf(Decode&& decode)
{
    try {
        decode();
    } catch (const RemoteValueError& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

TEST(RemoteValueJson, shouldKeepEveryKindAndValueThroughCallsAndRepliesWrittenAsQtWouldWriteThem)
{
    RemoteValue::Array values = everyKind();
    values.insert(values.end(), {5e-324, 1.7976931348623157e308, -0.0, QString(QChar(0xd800)),
                                 QString(QChar(0x0001))});
    const RemoteCall calls[]{
        {"Cmp03100.rdmLancaSoliCmp", "GetVerificaData", values},
        {"Cmp03100.rdmLancaSoliCmp",
         "SalvaSolicitacao",
         {RemoteValue::Array{values, RemoteValue::Array{RemoteValue::Array{itemPacket()}}}}},
        {"Cmp.rdmCompras", "GetPermissoes", {}},
    };
    for (const RemoteCall& call : calls) {
        SCOPED_TRACE(call.method.toStdString());
        const QByteArray text = encodeRemoteCall(call);
        const QJsonDocument read = QJsonDocument::fromJson(text);
        EXPECT_EQ(read, QJsonDocument(remoteCallToJson(call))) << text.toStdString();
        const RemoteCall decoded = remoteCallFromJson(read.object());
        EXPECT_EQ(decoded.module, call.module);
        EXPECT_EQ(decoded.method, call.method);
        ASSERT_EQ(decoded.args.size(), call.args.size());
        for (size_t i = 0; i < call.args.size(); ++i) {
            EXPECT_EQ(decoded.args[i].kind(), call.args[i].kind()) << "argument " << i;
            EXPECT_EQ(decoded.args[i], call.args[i]) << "argument " << i;
        }
    }

    RemoteReply reply;
    reply.ok = true;
    reply.result = values;
    reply.args = {"0101.0002", RemoteValue()};
    const RemoteReply decodedReply = remoteReplyFromJson(overTheWire(remoteReplyToJson(reply)));
    EXPECT_TRUE(decodedReply.ok);
    EXPECT_EQ(decodedReply.result, reply.result);
    EXPECT_EQ(decodedReply.args, reply.args);
    EXPECT_EQ(decodedReply.result.at(18).at(0).toPacket(), itemPacket());
}

TEST(RemoteValueJson, shouldWriteTheDocumentedTaggedForm)
{
    const QJsonValue json = remoteValueToJson(
        RemoteValue::Array{RemoteValue(), "0001", QDate(2026, 12, 7),
                           QDateTime(QDate(2026, 12, 7), QTime(8, 30)), 1.5, 42, true});
    EXPECT_EQ(QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact),
              R"({"array":[{"null":true},{"string":"0001"},{"date":"2026-12-07"},)"
              R"({"dateTime":"2026-12-07T08:30:00.000"},{"number":1.5},{"integer":42},)"
              R"({"boolean":true}]})");
}

TEST(RemoteValueJson, shouldRefuseMalformedInputWithAMessageSayingWhere)
{
    const auto call = [](const char* text) {
        return [text] { remoteCallFromJson(QJsonDocument::fromJson(text).object()); };
    };
    const auto callArray = [](const char* text) {
        return [text] { remoteCallFromJson(QJsonDocument::fromJson(text).array()); };
    };
    const auto reply = [](const char* text) {
        return [text] { remoteReplyFromJson(QJsonDocument::fromJson(text).object()); };
    };
    const auto signIn = [](const char* text) {
        return [text] { signInResultFromJson(QJsonDocument::fromJson(text).object()); };
    };
    const auto argument = [](const std::string& value) {
        return [value] {
            const std::string text = R"({"module":"M","method":"X","args":[)" + value + "]}";
            remoteCallFromJson(QJsonDocument::fromJson(text.c_str()).object());
        };
    };
    std::string deep = R"({"string":"x"})";
    for (int i = 0; i < 40; ++i)
        deep = R"({"array":[)" + deep + "]}";

    const std::vector<std::pair<std::function<void()>, std::string>> cases{
        {callArray("[]"), "Chamada inválida: esperado objeto, encontrado vetor"},
        {call(R"({"module":"M","args":[]})"), "Chamada inválida: falta a chave 'method'"},
        {call(R"({"module":"","method":"X","args":[]})"), "Chamada inválida: chave 'module' vazia"},
        {call(R"({"module":"M","method":"X","args":{}})"),
         "Chamada inválida: chave 'args': esperado vetor, encontrado objeto"},
        {call(R"({"module":"M","method":"X","args":[],"sql":"drop"})"),
         "Chamada inválida: chave desconhecida 'sql'"},
        {argument(R"("0001")"), "Chamada inválida: argumento 1: esperado objeto, encontrado texto"},
        {argument(R"({"string":"a","date":"2026-12-07"})"),
         "esperada uma marca de tipo, encontradas 2"},
        {argument(R"({"text":"a"})"), "marca de tipo desconhecida 'text'"},
        {argument(R"({"null":false})"), "a marca 'null' leva o valor true"},
        {argument(R"({"string":1})"), "texto: esperado texto, encontrado número"},
        {argument(R"({"date":"2026-13-01"})"), "data inválida '2026-13-01'"},
        {argument(R"({"dateTime":"2026-12-07T08:30:00"})"), "data e hora inválida"},
        {argument(R"({"number":"1,5"})"), "número: esperado número, encontrado texto"},
        {argument(R"({"integer":1.5})"), "número 1.5 não é um inteiro de 64 bits"},
        {argument(R"({"integer":"12a"})"), "inteiro inválido '12a'"},
        {argument(R"({"boolean":"true"})"), "booleano: esperado booleano, encontrado texto"},
        {argument(R"({"packet":{"packet":"cmp","version":2,"fields":[],"rows":[]}})"),
         "argumento 1: Pacote inválido: versão 2 do formato não suportada"},
        {argument(R"({"string":"a"},{"array":[{"date":"x"}]})"),
         "Chamada inválida: argumento 2: elemento 0: data inválida 'x'"},
        {argument(deep), "vetores aninhados além de 32 níveis"},
        {reply(R"({"ok":"yes"})"),
         "Resposta inválida: chave 'ok': esperado booleano, encontrado texto"},
        {reply(R"({"ok":true})"), "Resposta inválida: falta a chave 'result'"},
        {reply(R"({"ok":true,"result":{"null":true},"args":[1]})"),
         "Resposta inválida: argumento 1: esperado objeto, encontrado número"},
        {reply(R"({"ok":false})"), "Resposta inválida: falta a chave 'error'"},
        {reply(R"({"ok":false,"error":""})"), "Resposta inválida: chave 'error' vazia"},
        {reply(R"({"ok":false,"error":"x","result":{"null":true}})"),
         "chave desconhecida 'result'"},
        {signIn(R"({"ok":true,"operator":"0001","name":"","expiresAt":"2026-12-07T18:00:00Z"})"),
         "Resposta de autenticação inválida: falta a chave 'token'"},
        {signIn(R"({"ok":true,"token":"t","operator":"0001","name":"","expiresAt":"amanhã"})"),
         "validade do token inválida 'amanhã'"},
    };
    for (const auto& [decode, expected] : cases)
        EXPECT_NE(errorOf(decode).find(expected), std::string::npos)
            << "expected: " << expected << "\n got: " << errorOf(decode);
}

// Refused the same way as text and through Qt's JSON, before anything is sent.
TEST(RemoteValueJson, shouldRefuseToWriteACallThatCouldNotBeRead)
{
    DataPacket tooLong{{{"CDFILIAL", FieldType::String, 4}}, {}};
    tooLong.rows.push_back({{QString("00001")}, UpdateStatus::Unmodified, {}});
    RemoteValue deep = "x";
    for (int i = 0; i < 40; ++i)
        deep = RemoteValue::Array{deep};
    const std::vector<std::pair<RemoteCall, std::string>> refused{
        {{"Cmp.rdmCompras", "", {}}, "chave 'method' vazia"},
        {{"", "GetParam", {}}, "chave 'module' vazia"},
        {{"M", "X", {"a", std::numeric_limits<double>::infinity()}}, "número não finito"},
        {{"M", "X", {RemoteValue::Array{1, RemoteValue::Array{QDate()}}}},
         "Chamada não codificável: argumento 1: elemento 1: elemento 0: data inválida"},
        {{"M", "X", {QDateTime()}}, "data e hora inválida"},
        {{"M", "X", {RemoteValue::Array{"a", tooLong}}},
         "argumento 1: elemento 1: Pacote inválido"},
        {{"M", "X", {deep}}, "vetores aninhados além de 32 níveis"},
    };
    for (const auto& [call, expected] : refused) {
        const std::string message = errorOf([&] { encodeRemoteCall(call); });
        EXPECT_NE(message.find(expected), std::string::npos)
            << "expected: " << expected << "\n got: " << message;
        EXPECT_EQ(message, errorOf([&] { remoteCallToJson(call); }));
    }
    const RemoteValue undated = RemoteValue::Array{1, QDate()};
    EXPECT_EQ(errorOf([&] { remoteValueToJson(undated); }),
              "Valor remoto não codificável: elemento 1: data inválida ou fora de 0001 a 9999");
    EXPECT_EQ(errorOf([] { remoteReplyToJson(RemoteReply::failure({})); }),
              "Resposta não codificável: chave 'error' vazia");
}

TEST(RemoteValueAccess, shouldGiveTypedValuesAndTextsAndNameBothKindsWhenTheyDiffer)
{
    const RemoteValue result = RemoteValue::Array{itemPacket(), "Sem erro", 3};
    EXPECT_EQ(result.at(0).toPacket().rows.size(), 2u);
    EXPECT_EQ(result.at(1).toString(), "Sem erro");
    EXPECT_EQ(result.at(2).toNumber(), 3.0);
    EXPECT_EQ(errorOf([&] { result.at(3); }),
              "Valor remoto: não há elemento 3 num vetor de 3 elementos");
    EXPECT_EQ(errorOf([&] { result.at(1).toPacket(); }),
              "Valor remoto: esperado pacote, encontrado texto");
    EXPECT_EQ(errorOf([&] { RemoteValue("S").toBoolean(); }),
              "Valor remoto: esperado booleano, encontrado texto");
    EXPECT_EQ(RemoteValue().toString(), "");
    EXPECT_EQ(RemoteValue(QDate(2026, 12, 7)).toString(), "07/12/2026");
    EXPECT_EQ(RemoteValue(QDateTime(QDate(2026, 12, 7), QTime(8, 5, 9))).toString(),
              "07/12/2026 08:05:09");
    EXPECT_EQ(RemoteValue(1.5).toString(), "1,5");
    EXPECT_EQ(RemoteValue(-42).toString(), "-42");
    EXPECT_THROW(RemoteValue(true).toString(), RemoteValueError);
}
