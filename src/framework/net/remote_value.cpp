#include "framework/net/remote_value.h"

#include "framework/core/formats.h"
#include "framework/data/json_reading.h"
#include "framework/data/json_writer.h"
#include "framework/data/packet_json.h"

#include <QJsonArray>
#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>

namespace cmp::fw {

namespace {

using Kind = RemoteValue::Kind;

// Deeper nesting than any method returns is hostile input, refused before it
// can exhaust the stack.
constexpr int maxDepth = 32;
// The wire forms of dates, read here as packets write them.
const QString dateFormat = QStringLiteral("yyyy-MM-dd");
const QString dateTimeFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz");

// Tags of the JSON form, in the order of RemoteValue::Kind.
constexpr std::array<QLatin1String, 9> tags{
    QLatin1String("null"),     QLatin1String("string"), QLatin1String("date"),
    QLatin1String("dateTime"), QLatin1String("number"), QLatin1String("integer"),
    QLatin1String("boolean"),  QLatin1String("packet"), QLatin1String("array"),
};

namespace key {
constexpr QLatin1String module("module");
constexpr QLatin1String method("method");
constexpr QLatin1String args("args");
constexpr QLatin1String ok("ok");
constexpr QLatin1String error("error");
constexpr QLatin1String result("result");
constexpr QLatin1String token("token");
constexpr QLatin1String operatorCode("operator");
constexpr QLatin1String name("name");
constexpr QLatin1String expiresAt("expiresAt");
} // namespace key

// Where a value lies in what is being read or written ("argumento 2,
// elemento 0"); spelled out only when something there is wrong.
class Place
{
public:
    enum class Step
    {
        Argument,
        Element
    };

    // The root names what is read or written: "Resposta inválida".
    explicit Place(QString subject) : subject_(std::move(subject)) {}
    Place(const Place& parent, Step step, qsizetype index)
        : parent_(&parent), step_(step), index_(index), depth_(parent.depth_ + 1)
    {}

    int depth() const { return depth_; }

    [[noreturn]] void fail(const QString& problem) const
    {
        const Place* root = this;
        QStringList steps;
        for (; root->parent_; root = root->parent_)
            steps.prepend(root->stepText());
        steps.prepend(root->subject_);
        steps.append(problem);
        throw RemoteValueError(steps.join(QLatin1String(": ")).toStdString());
    }

private:
    // Arguments are counted from 1, as callers list them; array elements
    // from 0, as callers address them ("element 0").
    QString stepText() const
    {
        return step_ == Step::Argument ? QStringLiteral("argumento %1").arg(index_ + 1)
                                       : QStringLiteral("elemento %1").arg(index_);
    }

    const Place* parent_ = nullptr;
    QString subject_;
    Step step_ = Step::Element;
    qsizetype index_ = 0;
    int depth_ = 0;
};

// ---- Object members -----------------------------------------------------------

// Members not named here are refused: the format grows only with a new version.
void checkMembers(const QJsonObject& object, std::initializer_list<QLatin1String> allowed,
                  const Place& place)
{
    for (auto it = object.begin(); it != object.end(); ++it)
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end())
            place.fail(QStringLiteral("chave desconhecida %1").arg(quoted(it.key())));
}

QJsonValue requireMember(const QJsonObject& object, QLatin1String name, QJsonValue::Type type,
                         const Place& place)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        place.fail(QStringLiteral("falta a chave '%1'").arg(name));
    if (value.type() != type)
        place.fail(QStringLiteral("chave '%1': ").arg(name) +
                   typeMismatch(jsonTypeName(type), value.type()));
    return value;
}

QString requireText(const QJsonObject& object, QLatin1String name, const Place& place)
{
    const QString text = requireMember(object, name, QJsonValue::String, place).toString();
    if (text.isEmpty())
        place.fail(QStringLiteral("chave '%1' vazia").arg(name));
    return text;
}

QJsonObject requireObject(const QJsonValue& json, const Place& place)
{
    if (!json.isObject())
        place.fail(typeMismatch(jsonTypeName(QJsonValue::Object), json.type()));
    return json.toObject();
}

// ---- Dates --------------------------------------------------------------------

bool inWireRange(QDate date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

// Only the exact wire form is taken: Qt's parser alone would also read
// one-digit months or a year without its leading zeros.
QDate parseDate(const QString& text)
{
    const QDate date = QDate::fromString(text, dateFormat);
    return inWireRange(date) && date.toString(dateFormat) == text ? date : QDate();
}

QDateTime parseDateTime(const QString& text)
{
    const QDateTime moment = QDateTime::fromString(text, dateTimeFormat);
    return moment.isValid() && inWireRange(moment.date()) && moment.toString(dateTimeFormat) == text
               ? moment
               : QDateTime();
}

// ---- Decoding -----------------------------------------------------------------

RemoteValue decodeValue(const QJsonValue& json, const Place& place);

void requireType(const QJsonValue& content, QJsonValue::Type type, Kind kind, const Place& place)
{
    if (content.type() != type)
        place.fail(remoteKindName(kind) + QStringLiteral(": ") +
                   typeMismatch(jsonTypeName(type), content.type()));
}

RemoteValue decodeDate(const QJsonValue& content, const Place& place)
{
    requireType(content, QJsonValue::String, Kind::Date, place);
    const QDate date = parseDate(content.toString());
    if (!date.isValid())
        place.fail(QStringLiteral("data inválida %1").arg(quoted(content.toString())));
    return date;
}

RemoteValue decodeDateTime(const QJsonValue& content, const Place& place)
{
    requireType(content, QJsonValue::String, Kind::DateTime, place);
    const QDateTime moment = parseDateTime(content.toString());
    if (!moment.isValid())
        place.fail(QStringLiteral("data e hora inválida ou inexistente no horário local %1")
                       .arg(quoted(content.toString())));
    return moment;
}

RemoteValue decodeNumber(const QJsonValue& content, const Place& place)
{
    requireType(content, QJsonValue::Double, Kind::Number, place);
    const double number = content.toDouble();
    if (!std::isfinite(number))
        place.fail(QStringLiteral("número não finito"));
    return number;
}

// Strictly an optional minus and decimal digits: no blanks, no plus sign.
bool parseDecimal(const QString& text, qint64& out)
{
    // Characters outside Latin-1 turn into '?', which no number contains.
    const QByteArray digits = text.toLatin1();
    const char* end = digits.constData() + digits.size();
    const auto [last, error] = std::from_chars(digits.constData(), end, out);
    return error == std::errc() && last == end;
}

RemoteValue decodeInteger(const QJsonValue& content, const Place& place)
{
    qint64 value = 0;
    if (content.isString()) {
        if (!parseDecimal(content.toString(), value))
            place.fail(QStringLiteral("inteiro inválido %1").arg(quoted(content.toString())));
        return value;
    }
    requireType(content, QJsonValue::Double, Kind::Integer, place);
    // toInteger() falls back to its default for fractions and overflows
    // without saying so: two different defaults tell a real value apart.
    value = content.toInteger(0);
    if (value != content.toInteger(1))
        place.fail(QStringLiteral("número %1 não é um inteiro de 64 bits")
                       .arg(content.toDouble(), 0, 'g', 17));
    return value;
}

RemoteValue decodePacket(const QJsonValue& content, const Place& place)
{
    try {
        return packetFromJson(content);
    } catch (const PacketError& error) {
        place.fail(QString::fromUtf8(error.what()));
    }
}

void checkDepth(const Place& place)
{
    if (place.depth() >= maxDepth)
        place.fail(QStringLiteral("vetores aninhados além de %1 níveis").arg(maxDepth));
}

RemoteValue::Array decodeArray(const QJsonValue& content, const Place& place)
{
    requireType(content, QJsonValue::Array, Kind::Array, place);
    checkDepth(place);
    const QJsonArray items = content.toArray();
    RemoteValue::Array values;
    values.reserve(static_cast<size_t>(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        values.push_back(decodeValue(items.at(i), Place(place, Place::Step::Element, i)));
    return values;
}

RemoteValue decodeContent(Kind kind, const QJsonValue& content, const Place& place)
{
    switch (kind) {
    case Kind::Null:
        if (content != QJsonValue(true))
            place.fail(QStringLiteral("a marca 'null' leva o valor true"));
        return {};
    case Kind::String:
        requireType(content, QJsonValue::String, kind, place);
        return content.toString();
    case Kind::Date:
        return decodeDate(content, place);
    case Kind::DateTime:
        return decodeDateTime(content, place);
    case Kind::Number:
        return decodeNumber(content, place);
    case Kind::Integer:
        return decodeInteger(content, place);
    case Kind::Boolean:
        requireType(content, QJsonValue::Bool, kind, place);
        return content.toBool();
    case Kind::Packet:
        return decodePacket(content, place);
    case Kind::Array:
        return decodeArray(content, place);
    }
    Q_UNREACHABLE();
}

RemoteValue decodeValue(const QJsonValue& json, const Place& place)
{
    const QJsonObject object = requireObject(json, place);
    if (object.size() != 1)
        place.fail(QStringLiteral("esperada uma marca de tipo, encontradas %1").arg(object.size()));
    const QString tag = object.begin().key();
    const auto known = std::find(tags.begin(), tags.end(), tag);
    if (known == tags.end())
        place.fail(QStringLiteral("marca de tipo desconhecida %1").arg(quoted(tag)));
    return decodeContent(static_cast<Kind>(known - tags.begin()), object.begin().value(), place);
}

std::vector<RemoteValue> decodeArgs(const QJsonArray& json, const Place& place)
{
    std::vector<RemoteValue> args;
    args.reserve(static_cast<size_t>(json.size()));
    for (qsizetype i = 0; i < json.size(); ++i)
        args.push_back(decodeValue(json.at(i), Place(place, Place::Step::Argument, i)));
    return args;
}

// ---- Encoding -----------------------------------------------------------------

QLatin1String tagOf(Kind kind)
{
    return tags[static_cast<size_t>(kind)];
}

QString checkedDate(QString text, const Place& place, const QString& problem)
{
    if (text.isEmpty())
        place.fail(problem);
    return text;
}

// The checked content of a value that is neither a packet nor an array,
// whichever writer takes it.
JsonScalar scalarContent(const RemoteValue& value, const Place& place)
{
    switch (value.kind()) {
    case Kind::Null:
        return true;
    case Kind::String:
        return value.toString();
    case Kind::Date:
        return checkedDate(formatWireDate(value.toDate()), place,
                           QStringLiteral("data inválida ou fora de 0001 a 9999"));
    case Kind::DateTime:
        return checkedDate(formatWireDateTime(value.toDateTime()), place,
                           QStringLiteral("data e hora inválida ou fora de 0001 a 9999"));
    case Kind::Number:
        if (!std::isfinite(value.toNumber()))
            place.fail(QStringLiteral("número não finito"));
        return value.toNumber();
    case Kind::Integer:
        return portableInteger(value.toInteger());
    case Kind::Boolean:
        return value.toBoolean();
    case Kind::Packet:
    case Kind::Array:
        break;
    }
    Q_UNREACHABLE();
}

// Runs `encode` on a packet, placing its PacketError where the packet lies.
template <class Encode> decltype(auto) inPacket(const Place& place, Encode encode)
{
    try {
        return encode();
    } catch (const PacketError& error) {
        place.fail(QString::fromUtf8(error.what()));
    }
}

// ---- Encoding into QJson values ---------------------------------------------------

QJsonValue encodeValue(const RemoteValue& value, const Place& place);

QJsonArray encodeArray(const RemoteValue::Array& items, const Place& place)
{
    checkDepth(place);
    QJsonArray json;
    for (size_t i = 0; i < items.size(); ++i)
        json.append(
            encodeValue(items[i], Place(place, Place::Step::Element, static_cast<qsizetype>(i))));
    return json;
}

QJsonValue encodeContent(const RemoteValue& value, const Place& place)
{
    switch (value.kind()) {
    case Kind::Packet:
        return inPacket(place, [&] { return packetToJson(value.toPacket()); });
    case Kind::Array:
        return encodeArray(value.toArray(), place);
    default:
        return toJsonValue(scalarContent(value, place));
    }
}

QJsonValue encodeValue(const RemoteValue& value, const Place& place)
{
    return QJsonObject{{tagOf(value.kind()), encodeContent(value, place)}};
}

QJsonArray encodeArgs(const std::vector<RemoteValue>& args, const Place& place)
{
    QJsonArray json;
    for (size_t i = 0; i < args.size(); ++i)
        json.append(
            encodeValue(args[i], Place(place, Place::Step::Argument, static_cast<qsizetype>(i))));
    return json;
}

// ---- Writing text -----------------------------------------------------------------
// Members go in alphabetical order, as QJsonDocument writes them.

void writeValue(JsonWriter& out, const RemoteValue& value, const Place& place);

void writeValues(JsonWriter& out, const std::vector<RemoteValue>& values, const Place& place,
                 Place::Step step)
{
    out.beginArray();
    for (size_t i = 0; i < values.size(); ++i)
        writeValue(out, values[i], Place(place, step, static_cast<qsizetype>(i)));
    out.endArray();
}

void writeContent(JsonWriter& out, const RemoteValue& value, const Place& place)
{
    switch (value.kind()) {
    case Kind::Packet:
        inPacket(place, [&] { writePacket(out, value.toPacket()); });
        return;
    case Kind::Array:
        checkDepth(place);
        writeValues(out, value.toArray(), place, Place::Step::Element);
        return;
    default:
        out.scalar(scalarContent(value, place));
    }
}

void writeValue(JsonWriter& out, const RemoteValue& value, const Place& place)
{
    out.beginObject();
    out.key(tagOf(value.kind()));
    writeContent(out, value, place);
    out.endObject();
}

// What the decoder requires of a text, the encoder refuses to write.
const QString& checkedText(const QString& text, QLatin1String name, const Place& place)
{
    if (text.isEmpty())
        place.fail(QStringLiteral("chave '%1' vazia").arg(name));
    return text;
}

// ---- Typed access ---------------------------------------------------------------

[[noreturn]] void wrongKind(Kind wanted, Kind found)
{
    throw RemoteValueError(QStringLiteral("Valor remoto: esperado %1, encontrado %2")
                               .arg(remoteKindName(wanted), remoteKindName(found))
                               .toStdString());
}

template <class T> const T& held(const RemoteValue::Storage& value, Kind wanted)
{
    if (const T* content = std::get_if<T>(&value))
        return *content;
    wrongKind(wanted, static_cast<Kind>(value.index()));
}

} // namespace

QString RemoteValue::toString() const
{
    switch (kind()) {
    case Kind::Null:
        return {};
    case Kind::Date:
        return FormatDate(toDate());
    case Kind::DateTime:
        return FormatDateTime(toDateTime());
    case Kind::Number:
        return FormatFloat({}, toNumber());
    case Kind::Integer:
        return QString::number(toInteger());
    default:
        return held<QString>(value_, Kind::String);
    }
}

QDate RemoteValue::toDate() const
{
    return held<QDate>(value_, Kind::Date);
}

QDateTime RemoteValue::toDateTime() const
{
    return held<QDateTime>(value_, Kind::DateTime);
}

double RemoteValue::toNumber() const
{
    if (kind() == Kind::Integer)
        return static_cast<double>(toInteger());
    return held<double>(value_, Kind::Number);
}

qint64 RemoteValue::toInteger() const
{
    return held<qint64>(value_, Kind::Integer);
}

bool RemoteValue::toBoolean() const
{
    return held<bool>(value_, Kind::Boolean);
}

const DataPacket& RemoteValue::toPacket() const
{
    return *held<std::shared_ptr<const DataPacket>>(value_, Kind::Packet);
}

const RemoteValue::Array& RemoteValue::toArray() const
{
    return held<Array>(value_, Kind::Array);
}

const RemoteValue& RemoteValue::at(size_t index) const
{
    const Array& items = toArray();
    if (index >= items.size())
        throw RemoteValueError(
            QStringLiteral("Valor remoto: não há elemento %1 num vetor de %2 elementos")
                .arg(index)
                .arg(items.size())
                .toStdString());
    return items[index];
}

bool operator==(const RemoteValue& a, const RemoteValue& b)
{
    if (a.kind() != b.kind())
        return false;
    // Packets are shared, not owned: equal when their contents are.
    if (a.kind() == RemoteValue::Kind::Packet)
        return a.toPacket() == b.toPacket();
    return a.value_ == b.value_;
}

QString remoteKindName(RemoteValue::Kind kind)
{
    switch (kind) {
    case Kind::Null:
        return QStringLiteral("nulo");
    case Kind::String:
        return QStringLiteral("texto");
    case Kind::Date:
        return QStringLiteral("data");
    case Kind::DateTime:
        return QStringLiteral("data e hora");
    case Kind::Number:
        return QStringLiteral("número");
    case Kind::Integer:
        return QStringLiteral("inteiro");
    case Kind::Boolean:
        return QStringLiteral("booleano");
    case Kind::Packet:
        return QStringLiteral("pacote");
    case Kind::Array:
        return QStringLiteral("vetor");
    }
    Q_UNREACHABLE();
}

QJsonValue remoteValueToJson(const RemoteValue& value)
{
    return encodeValue(value, Place(QStringLiteral("Valor remoto não codificável")));
}

RemoteValue remoteValueFromJson(const QJsonValue& json)
{
    return decodeValue(json, Place(QStringLiteral("Valor remoto inválido")));
}

QByteArray encodeRemoteCall(const RemoteCall& call)
{
    const Place place(QStringLiteral("Chamada não codificável"));
    const QString& module = checkedText(call.module, key::module, place);
    const QString& method = checkedText(call.method, key::method, place);
    JsonWriter out;
    out.beginObject();
    out.key(key::args);
    writeValues(out, call.args, place, Place::Step::Argument);
    out.key(key::method);
    out.string(method);
    out.key(key::module);
    out.string(module);
    out.endObject();
    return out.take();
}

QJsonObject remoteCallToJson(const RemoteCall& call)
{
    const Place place(QStringLiteral("Chamada não codificável"));
    return {{key::module, checkedText(call.module, key::module, place)},
            {key::method, checkedText(call.method, key::method, place)},
            {key::args, encodeArgs(call.args, place)}};
}

RemoteCall remoteCallFromJson(const QJsonValue& json)
{
    const Place place(QStringLiteral("Chamada inválida"));
    const QJsonObject object = requireObject(json, place);
    checkMembers(object, {key::module, key::method, key::args}, place);
    RemoteCall call;
    call.module = requireText(object, key::module, place);
    call.method = requireText(object, key::method, place);
    call.args =
        decodeArgs(requireMember(object, key::args, QJsonValue::Array, place).toArray(), place);
    return call;
}

QJsonObject remoteReplyToJson(const RemoteReply& reply)
{
    const Place place(QStringLiteral("Resposta não codificável"));
    if (!reply.ok)
        return {{key::ok, false}, {key::error, checkedText(reply.error, key::error, place)}};
    QJsonObject json{{key::ok, true}, {key::result, encodeValue(reply.result, place)}};
    if (!reply.args.empty())
        json.insert(key::args, encodeArgs(reply.args, place));
    return json;
}

RemoteReply remoteReplyFromJson(const QJsonValue& json)
{
    const Place place(QStringLiteral("Resposta inválida"));
    const QJsonObject object = requireObject(json, place);
    RemoteReply reply;
    reply.ok = requireMember(object, key::ok, QJsonValue::Bool, place).toBool();
    if (!reply.ok) {
        checkMembers(object, {key::ok, key::error}, place);
        reply.error = requireText(object, key::error, place);
        return reply;
    }
    checkMembers(object, {key::ok, key::result, key::args}, place);
    if (!object.contains(key::result))
        place.fail(QStringLiteral("falta a chave 'result'"));
    reply.result = decodeValue(object.value(key::result), place);
    if (object.contains(key::args))
        reply.args =
            decodeArgs(requireMember(object, key::args, QJsonValue::Array, place).toArray(), place);
    return reply;
}

QJsonObject signInResultToJson(const SignInResult& result)
{
    const Place place(QStringLiteral("Resposta de autenticação não codificável"));
    if (!result.ok)
        return {{key::ok, false}, {key::error, checkedText(result.error, key::error, place)}};
    if (!result.expiresAt.isValid())
        place.fail(QStringLiteral("validade do token inválida"));
    return {{key::ok, true},
            {key::token, checkedText(result.token, key::token, place)},
            {key::operatorCode, checkedText(result.operatorCode, key::operatorCode, place)},
            {key::name, result.operatorName},
            {key::expiresAt, result.expiresAt.toUTC().toString(Qt::ISODateWithMs)}};
}

SignInResult signInResultFromJson(const QJsonValue& json)
{
    const Place place(QStringLiteral("Resposta de autenticação inválida"));
    const QJsonObject object = requireObject(json, place);
    SignInResult result;
    result.ok = requireMember(object, key::ok, QJsonValue::Bool, place).toBool();
    if (!result.ok) {
        checkMembers(object, {key::ok, key::error}, place);
        result.error = requireText(object, key::error, place);
        return result;
    }
    checkMembers(object, {key::ok, key::token, key::operatorCode, key::name, key::expiresAt},
                 place);
    result.token = requireText(object, key::token, place);
    result.operatorCode = requireText(object, key::operatorCode, place);
    result.operatorName = requireMember(object, key::name, QJsonValue::String, place).toString();
    const QString expiresAt = requireText(object, key::expiresAt, place);
    result.expiresAt = QDateTime::fromString(expiresAt, Qt::ISODateWithMs);
    if (!result.expiresAt.isValid())
        place.fail(QStringLiteral("validade do token inválida %1").arg(quoted(expiresAt)));
    return result;
}

} // namespace cmp::fw
