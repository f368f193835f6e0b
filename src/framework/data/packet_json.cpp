#include "framework/data/packet_json.h"

#include "framework/data/json_reading.h"
#include "framework/data/json_writer.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>

namespace cmp::fw {

namespace {

constexpr int formatVersion = 1;
constexpr qsizetype maxFields = 10000;
constexpr qint64 maxFieldSize = 100000;
// A guess at the text of one value, for the writer's first allocation.
constexpr qsizetype expectedBytesPerValue = 12;
constexpr QLatin1String packetTag("cmp");

namespace key {
constexpr QLatin1String packet("packet");
constexpr QLatin1String version("version");
constexpr QLatin1String fields("fields");
constexpr QLatin1String rows("rows");
constexpr QLatin1String log("log");
constexpr QLatin1String name("name");
constexpr QLatin1String type("type");
constexpr QLatin1String size("size");
constexpr QLatin1String row("row");
constexpr QLatin1String status("status");
constexpr QLatin1String original("original");
} // namespace key

struct StatusName
{
    UpdateStatus status;
    QLatin1String name;
};

constexpr std::array<StatusName, 3> statusNames{{
    {UpdateStatus::Inserted, QLatin1String("inserted")},
    {UpdateStatus::Modified, QLatin1String("modified")},
    {UpdateStatus::Deleted, QLatin1String("deleted")},
}};

// ---- Messages -------------------------------------------------------------

[[noreturn]] void fail(const QString& where, const QString& problem)
{
    const QString detail = where.isEmpty() ? problem : where + QLatin1String(": ") + problem;
    throw PacketError(QStringLiteral("Pacote inválido: ") + detail);
}

QString within(const QString& where, QLatin1String member)
{
    const QString name = QLatin1Char('\'') + member + QLatin1Char('\'');
    return where.isEmpty() ? name : where + QLatin1String(", ") + name;
}

QString parseErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::NoError:
        break;
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("objeto não terminado");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("falta ':' após o nome");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("vetor não terminado");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("falta ',' entre valores");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("valor ilegal");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("fim do texto num número");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("número ilegal");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("sequência de escape ilegal");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("UTF-8 inválido");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("texto não terminado");
    case QJsonParseError::MissingObject:
        return QStringLiteral("esperado um objeto");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("aninhamento profundo demais");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("documento grande demais");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("conteúdo após o fim");
    }
    return QStringLiteral("erro desconhecido");
}

[[noreturn]] void failNotObject(QJsonValue::Type found)
{
    fail({}, typeMismatch(QStringLiteral("objeto JSON"), found));
}

// Where a row's values lie; turned into text only when one of them is wrong,
// so that decoding builds no strings on the good path.
struct RowPlace
{
    qsizetype row = 0;
    bool original = false;

    QString text() const
    {
        const QString place = QStringLiteral("linha %1").arg(row + 1);
        return original ? place + QStringLiteral(" (original)") : place;
    }
    QString text(const FieldDef& field) const
    {
        return text() + QStringLiteral(", campo ") + field.name;
    }
};

// ---- Rules shared by encoder and decoder -----------------------------------

bool hasSize(FieldType type)
{
    return type == FieldType::String || type == FieldType::FixedString;
}

QString fieldPlace(qsizetype index, const QString& name)
{
    return QStringLiteral("campo %1 (%2)").arg(index + 1).arg(name);
}

void checkSize(qint64 size, qsizetype index, const QString& name)
{
    if (size < 0 || size > maxFieldSize)
        fail(fieldPlace(index, name),
             QStringLiteral("tamanho %1 fora de 0 a %2").arg(size).arg(maxFieldSize));
}

void checkFieldCount(qsizetype count)
{
    if (count > maxFields)
        fail({}, QStringLiteral("%1 campos excedem o limite de %2").arg(count).arg(maxFields));
}

// Names are compared the way DataPacket::fieldIndex finds them.
void checkUniqueNames(const std::vector<FieldDef>& fields)
{
    std::vector<const QString*> names;
    names.reserve(fields.size());
    for (const FieldDef& field : fields)
        names.push_back(&field.name);
    const auto less = [](const QString* a, const QString* b) {
        return a->compare(*b, Qt::CaseInsensitive) < 0;
    };
    const auto same = [](const QString* a, const QString* b) {
        return a->compare(*b, Qt::CaseInsensitive) == 0;
    };
    std::stable_sort(names.begin(), names.end(), less);
    const auto first = std::adjacent_find(names.begin(), names.end(), same);
    if (first != names.end())
        fail({}, QStringLiteral("nome de campo repetido %1 (já usado por %2)")
                     .arg(quoted(**std::next(first)), quoted(**first)));
}

void checkFields(const std::vector<FieldDef>& fields)
{
    checkFieldCount(static_cast<qsizetype>(fields.size()));
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& field = fields[i];
        const auto index = static_cast<qsizetype>(i);
        if (field.name.isEmpty())
            fail(fieldPlace(index, field.name), QStringLiteral("nome vazio"));
        if (hasSize(field.type))
            checkSize(field.size, index, field.name);
    }
    checkUniqueNames(fields);
}

void checkWidth(size_t found, size_t expected, const RowPlace& place)
{
    if (found != expected)
        fail(place.text(),
             QStringLiteral("esperados %1 valores, encontrados %2").arg(expected).arg(found));
}

void checkOriginal(const PacketRow& row, const RowPlace& place)
{
    if (row.status != UpdateStatus::Modified && !row.original.empty())
        fail(place.text(), QStringLiteral("valores originais só cabem numa linha modificada"));
}

void checkLength(const FieldDef& field, const QString& text, const RowPlace& place)
{
    if (hasSize(field.type) && text.size() > field.size)
        fail(place.text(field),
             QStringLiteral("texto %1 com %2 caracteres excede o tamanho %3")
                 .arg(quoted(text), QString::number(text.size()), QString::number(field.size)));
}

// ---- Dates on the wire ------------------------------------------------------

// The value of `count` decimal digits at `pos`; -1 when one of them is not a digit.
int digitsAt(QStringView text, qsizetype pos, qsizetype count)
{
    int value = 0;
    for (const QChar c : text.sliced(pos, count)) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// Exactly "yyyy-MM-dd", years 0001 to 9999; an invalid date otherwise.
QDate parseDate(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    const int year = digitsAt(text, 0, 4);
    if (year <= 0) // QDate would take a negative year as a year before Christ
        return {};
    return QDate(year, digitsAt(text, 5, 2), digitsAt(text, 8, 2));
}

// Exactly "yyyy-MM-ddThh:mm:ss.zzz"; an invalid time otherwise.
QTime parseTime(QStringView text)
{
    if (text.size() != 23 || text[10] != u'T' || text[13] != u':' || text[16] != u':' ||
        text[19] != u'.')
        return {};
    return QTime(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2),
                 digitsAt(text, 20, 3));
}

bool inWireRange(QDate date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

// Writes `value` as `count` zero-padded digits; packets are encoded by the
// hundred thousand rows, where a printf per date shows.
void putDigits(QChar* out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = QChar(u'0' + value % 10);
}

void putDate(QChar* out, QDate date)
{
    putDigits(out, date.year(), 4);
    putDigits(out + 5, date.month(), 2);
    putDigits(out + 8, date.day(), 2);
}

QString formatDate(QDate date)
{
    QString text = QStringLiteral("0000-00-00");
    putDate(text.data(), date);
    return text;
}

QString formatDateTime(QDate date, QTime time)
{
    QString text = QStringLiteral("0000-00-00T00:00:00.000");
    QChar* out = text.data();
    putDate(out, date);
    putDigits(out + 11, time.hour(), 2);
    putDigits(out + 14, time.minute(), 2);
    putDigits(out + 17, time.second(), 2);
    putDigits(out + 20, time.msec(), 3);
    return text;
}

// ---- Decoding -----------------------------------------------------------------

// Qt keeps JSON integers exactly; a double is taken only when it is integral
// and fits. toInteger() signals neither case, so asking with two different
// defaults tells a real value from a fallback.
template <typename Json> bool exactInteger(const Json& json, qint64& out)
{
    const qint64 value = json.toInteger(0);
    if (value != json.toInteger(1))
        return false;
    out = value;
    return true;
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

void requireType(QJsonValueConstRef json, QJsonValue::Type type, const FieldDef& field,
                 const RowPlace& place)
{
    if (json.type() != type)
        fail(place.text(field), typeMismatch(jsonTypeName(type), json.type()));
}

QVariant decodeText(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    requireType(json, QJsonValue::String, field, place);
    QString text = json.toString();
    checkLength(field, text, place);
    return text;
}

QVariant decodeDate(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    requireType(json, QJsonValue::String, field, place);
    const QString text = json.toString();
    const QDate date = parseDate(text);
    if (!date.isValid())
        fail(place.text(field), QStringLiteral("data inválida %1").arg(quoted(text)));
    return date;
}

QVariant decodeDateTime(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    requireType(json, QJsonValue::String, field, place);
    const QString text = json.toString();
    const QDate date = parseDate(QStringView(text).left(10));
    const QTime time = parseTime(text);
    if (!date.isValid() || !time.isValid())
        fail(place.text(field), QStringLiteral("data e hora inválida %1").arg(quoted(text)));
    const QDateTime moment(date, time);
    if (!moment.isValid()) // skipped by a change of the local clock
        fail(place.text(field),
             QStringLiteral("data e hora inexistente no horário local %1").arg(quoted(text)));
    return moment;
}

QVariant decodeFloat(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    requireType(json, QJsonValue::Double, field, place);
    const double value = json.toDouble();
    if (!std::isfinite(value))
        fail(place.text(field), QStringLiteral("número não finito"));
    return value;
}

QVariant decodeInteger(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    qint64 value = 0;
    if (json.isDouble()) {
        if (!exactInteger(json, value))
            fail(place.text(field), QStringLiteral("número %1 não é um inteiro de 64 bits")
                                        .arg(json.toDouble(), 0, 'g', 17));
    } else if (json.isString()) {
        const QString text = json.toString();
        if (!parseDecimal(text, value))
            fail(place.text(field), QStringLiteral("inteiro inválido %1").arg(quoted(text)));
    } else {
        fail(place.text(field),
             typeMismatch(QStringLiteral("número ou texto decimal"), json.type()));
    }
    return QVariant(qlonglong(value));
}

QVariant decodeBoolean(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    requireType(json, QJsonValue::Bool, field, place);
    return json.toBool();
}

QVariant decodeValue(const FieldDef& field, QJsonValueConstRef json, const RowPlace& place)
{
    if (json.isNull())
        return {};
    switch (field.type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        return decodeText(field, json, place);
    case FieldType::Date:
        return decodeDate(field, json, place);
    case FieldType::DateTime:
        return decodeDateTime(field, json, place);
    case FieldType::Float:
        return decodeFloat(field, json, place);
    case FieldType::Integer:
        return decodeInteger(field, json, place);
    case FieldType::Boolean:
        return decodeBoolean(field, json, place);
    }
    Q_UNREACHABLE();
}

// Items of one requisition repeat their dates and moments from row to row: a
// date text equal to the one above it in the same column takes that row's
// value, without parsing it or converting a local time again.
struct RepeatedDates
{
    std::vector<QString> texts;                    // by column: the last date text decoded
    const std::vector<QVariant>* values = nullptr; // the row above
};

bool isDateKind(FieldType type)
{
    return type == FieldType::Date || type == FieldType::DateTime;
}

std::vector<QVariant> decodeValues(const QJsonArray& json, const std::vector<FieldDef>& fields,
                                   const RowPlace& place, RepeatedDates* repeats = nullptr)
{
    checkWidth(static_cast<size_t>(json.size()), fields.size(), place);
    std::vector<QVariant> values;
    values.reserve(fields.size());
    size_t next = 0;
    for (const QJsonValueConstRef value : json) {
        const size_t column = next++;
        const FieldDef& field = fields[column];
        if (!repeats || !isDateKind(field.type) || !value.isString()) {
            if (repeats)
                repeats->texts[column].clear(); // the row above has no text here
            values.push_back(decodeValue(field, value, place));
            continue;
        }
        QString text = value.toString();
        QString& last = repeats->texts[column];
        if (repeats->values && !last.isEmpty() && text == last) {
            values.push_back((*repeats->values)[column]);
        } else {
            values.push_back(decodeValue(field, value, place));
            last = std::move(text);
        }
    }
    return values;
}

// Members not named here are refused: the format grows only with a new version.
void checkMembers(const QJsonObject& object, std::initializer_list<QLatin1String> allowed,
                  const QString& where)
{
    const auto isAllowed = [&](const QString& name) {
        return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
    };
    const auto present = std::count_if(allowed.begin(), allowed.end(),
                                       [&](QLatin1String name) { return object.contains(name); });
    if (present == object.size())
        return;
    for (const QString& name : object.keys())
        if (!isAllowed(name))
            fail(where, QStringLiteral("chave desconhecida %1").arg(quoted(name)));
}

QJsonValue requireMember(const QJsonObject& object, QLatin1String name, QJsonValue::Type type,
                         const QString& where)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        fail(where, QStringLiteral("falta a chave '%1'").arg(name));
    if (value.type() != type)
        fail(within(where, name), typeMismatch(jsonTypeName(type), value.type()));
    return value;
}

qint64 requireInteger(const QJsonObject& object, QLatin1String name, const QString& where)
{
    const QJsonValue value = requireMember(object, name, QJsonValue::Double, where);
    qint64 integer = 0;
    if (!exactInteger(value, integer))
        fail(within(where, name),
             QStringLiteral("número %1 não é inteiro").arg(value.toDouble(), 0, 'g', 17));
    return integer;
}

QJsonObject requireObject(const QJsonValue& json, const QString& where)
{
    if (!json.isObject())
        fail(where, typeMismatch(jsonTypeName(QJsonValue::Object), json.type()));
    return json.toObject();
}

void checkHeader(const QJsonObject& top)
{
    const QString tag = requireMember(top, key::packet, QJsonValue::String, {}).toString();
    if (tag != packetTag)
        fail({}, QStringLiteral("marca de pacote desconhecida %1").arg(quoted(tag)));
    const qint64 version = requireInteger(top, key::version, {});
    if (version != formatVersion)
        fail({}, QStringLiteral("versão %1 do formato não suportada (esta versão lê a %2)")
                     .arg(version)
                     .arg(formatVersion));
}

FieldDef decodeField(const QJsonValue& json, qsizetype index)
{
    const QString position = QStringLiteral("campo %1").arg(index + 1);
    const QJsonObject object = requireObject(json, position);
    checkMembers(object, {key::name, key::type, key::size}, position);
    FieldDef field;
    field.name = requireMember(object, key::name, QJsonValue::String, position).toString();
    const QString where = fieldPlace(index, field.name);
    const QString type = requireMember(object, key::type, QJsonValue::String, where).toString();
    if (!fieldTypeFromName(type, field.type))
        fail(where, QStringLiteral("tipo desconhecido %1").arg(quoted(type)));
    if (hasSize(field.type)) {
        const qint64 size = requireInteger(object, key::size, where);
        checkSize(size, index, field.name);
        field.size = static_cast<int>(size);
    } else if (object.contains(key::size)) {
        fail(where, QStringLiteral("'size' só cabe em campos string e fixedString"));
    }
    return field;
}

std::vector<FieldDef> decodeFields(const QJsonArray& json)
{
    checkFieldCount(json.size());
    std::vector<FieldDef> fields;
    fields.reserve(static_cast<size_t>(json.size()));
    for (qsizetype i = 0; i < json.size(); ++i)
        fields.push_back(decodeField(json.at(i), i));
    checkFields(fields);
    return fields;
}

// Items of one requisition repeat branch, number and product: equal texts of
// consecutive rows share one string instead of each holding its own copy.
void shareRepeats(std::vector<QVariant>& values, const std::vector<QVariant>& previous)
{
    for (size_t i = 0; i < values.size() && i < previous.size(); ++i)
        if (values[i].typeId() == QMetaType::QString &&
            previous[i].typeId() == QMetaType::QString &&
            *static_cast<const QString*>(values[i].constData()) ==
                *static_cast<const QString*>(previous[i].constData()))
            values[i] = previous[i];
}

std::vector<PacketRow> decodeRows(const QJsonArray& json, const std::vector<FieldDef>& fields)
{
    std::vector<PacketRow> rows;
    rows.reserve(static_cast<size_t>(json.size()));
    RowPlace place;
    RepeatedDates repeats{std::vector<QString>(fields.size())};
    for (const QJsonValueConstRef row : json) {
        if (!row.isArray())
            fail(place.text(), typeMismatch(jsonTypeName(QJsonValue::Array), row.type()));
        repeats.values = rows.empty() ? nullptr : &rows.back().values;
        std::vector<QVariant> values = decodeValues(row.toArray(), fields, place, &repeats);
        if (!rows.empty())
            shareRepeats(values, rows.back().values);
        rows.push_back(PacketRow{std::move(values), UpdateStatus::Unmodified, {}});
        ++place.row;
    }
    return rows;
}

UpdateStatus decodeStatus(const QJsonObject& entry, const QString& where)
{
    const QString name = requireMember(entry, key::status, QJsonValue::String, where).toString();
    for (const StatusName& known : statusNames)
        if (name == known.name)
            return known.status;
    fail(where, QStringLiteral("situação desconhecida %1").arg(quoted(name)));
}

void decodeLogEntry(const QJsonValue& json, qsizetype index, DataPacket& packet)
{
    const QString where = QStringLiteral("log, entrada %1").arg(index + 1);
    const QJsonObject entry = requireObject(json, where);
    checkMembers(entry, {key::row, key::status, key::original}, where);
    const qint64 rowIndex = requireInteger(entry, key::row, where);
    if (rowIndex < 0 || rowIndex >= static_cast<qint64>(packet.rows.size()))
        fail(within(where, key::row), QStringLiteral("%1 fora do pacote, que tem %2 linhas")
                                          .arg(rowIndex)
                                          .arg(packet.rows.size()));
    PacketRow& row = packet.rows[static_cast<size_t>(rowIndex)];
    if (row.status != UpdateStatus::Unmodified)
        fail(where, QStringLiteral("linha %1 já consta do log").arg(rowIndex + 1));
    row.status = decodeStatus(entry, where);
    if (row.status == UpdateStatus::Modified) {
        const QJsonArray original =
            requireMember(entry, key::original, QJsonValue::Array, where).toArray();
        row.original =
            decodeValues(original, packet.fields, RowPlace{static_cast<qsizetype>(rowIndex), true});
    } else if (entry.contains(key::original)) {
        fail(where, QStringLiteral("'original' só cabe numa linha modificada"));
    }
}

void decodeLog(const QJsonObject& top, DataPacket& packet)
{
    if (!top.contains(key::log))
        return;
    const QJsonArray entries = requireMember(top, key::log, QJsonValue::Array, {}).toArray();
    for (qsizetype i = 0; i < entries.size(); ++i)
        decodeLogEntry(entries.at(i), i, packet);
}

// ---- Encoding -----------------------------------------------------------------

QMetaType canonicalType(FieldType type)
{
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        return QMetaType::fromType<QString>();
    case FieldType::Date:
        return QMetaType::fromType<QDate>();
    case FieldType::DateTime:
        return QMetaType::fromType<QDateTime>();
    case FieldType::Float:
        return QMetaType::fromType<double>();
    case FieldType::Integer:
        return QMetaType::fromType<qlonglong>();
    case FieldType::Boolean:
        return QMetaType::fromType<bool>();
    }
    Q_UNREACHABLE();
}

QVariant canonicalValue(const FieldDef& field, const QVariant& value, const RowPlace& place)
{
    if (value.isNull())
        return {};
    if (value.metaType() == canonicalType(field.type))
        return value;
    QVariant converted;
    if (!coerceValue(field.type, value, converted))
        fail(place.text(field), QStringLiteral("valor %1 não serve ao tipo %2")
                                    .arg(quoted(value.toString()), fieldTypeName(field.type)));
    return converted;
}

QString wireDate(const FieldDef& field, QDate date, const RowPlace& place)
{
    QString text = formatWireDate(date);
    if (text.isEmpty())
        fail(place.text(field), QStringLiteral("data inválida ou fora de 0001 a 9999"));
    return text;
}

QString wireDateTime(const FieldDef& field, const QDateTime& moment, const RowPlace& place)
{
    QString text = formatWireDateTime(moment);
    if (text.isEmpty())
        fail(place.text(field), QStringLiteral("data e hora inválida ou fora de 0001 a 9999"));
    return text;
}

double wireFloat(const FieldDef& field, double value, const RowPlace& place)
{
    if (!std::isfinite(value))
        fail(place.text(field), QStringLiteral("número não finito"));
    return value;
}

// The one place where values are checked on their way out, whichever writer
// takes them.
JsonScalar wireValue(const FieldDef& field, const QVariant& value, const RowPlace& place)
{
    const QVariant canonical = canonicalValue(field, value, place);
    if (canonical.isNull())
        return nullptr;
    switch (field.type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo: {
        QString text = canonical.toString();
        checkLength(field, text, place);
        return text;
    }
    case FieldType::Date:
        return wireDate(field, canonical.toDate(), place);
    case FieldType::DateTime:
        return wireDateTime(field, canonical.toDateTime(), place);
    case FieldType::Float:
        return wireFloat(field, canonical.toDouble(), place);
    case FieldType::Integer:
        return portableInteger(canonical.toLongLong());
    case FieldType::Boolean:
        return canonical.toBool();
    }
    Q_UNREACHABLE();
}

QJsonArray encodeValues(const std::vector<FieldDef>& fields, const std::vector<QVariant>& values,
                        const RowPlace& place)
{
    checkWidth(values.size(), fields.size(), place);
    QJsonArray json;
    for (size_t i = 0; i < values.size(); ++i)
        json.append(toJsonValue(wireValue(fields[i], values[i], place)));
    return json;
}

QJsonArray encodeFields(const std::vector<FieldDef>& fields)
{
    QJsonArray json;
    for (const FieldDef& field : fields) {
        QJsonObject def{{key::name, field.name}, {key::type, fieldTypeName(field.type)}};
        if (hasSize(field.type))
            def.insert(key::size, field.size);
        json.append(def);
    }
    return json;
}

QLatin1String statusName(UpdateStatus status)
{
    for (const StatusName& known : statusNames)
        if (known.status == status)
            return known.name;
    Q_UNREACHABLE();
}

QJsonObject encodeLogEntry(const DataPacket& packet, qsizetype index)
{
    const PacketRow& row = packet.rows[static_cast<size_t>(index)];
    QJsonObject entry{{key::row, index}, {key::status, statusName(row.status)}};
    if (row.status == UpdateStatus::Modified)
        entry.insert(key::original,
                     encodeValues(packet.fields, row.original, RowPlace{index, true}));
    return entry;
}

// ---- Writing text -------------------------------------------------------------
// Members go in alphabetical order, as QJsonDocument writes them.

void writeValues(JsonWriter& out, const std::vector<FieldDef>& fields,
                 const std::vector<QVariant>& values, const RowPlace& place)
{
    checkWidth(values.size(), fields.size(), place);
    out.beginArray();
    for (size_t i = 0; i < values.size(); ++i)
        out.scalar(wireValue(fields[i], values[i], place));
    out.endArray();
}

void writeFields(JsonWriter& out, const std::vector<FieldDef>& fields)
{
    out.beginArray();
    for (const FieldDef& field : fields) {
        out.beginObject();
        out.key(key::name);
        out.string(field.name);
        if (hasSize(field.type)) {
            out.key(key::size);
            out.integer(field.size);
        }
        out.key(key::type);
        out.string(fieldTypeName(field.type));
        out.endObject();
    }
    out.endArray();
}

void writeLogEntry(JsonWriter& out, const DataPacket& packet, qsizetype index)
{
    const PacketRow& row = packet.rows[static_cast<size_t>(index)];
    out.beginObject();
    if (row.status == UpdateStatus::Modified) {
        out.key(key::original);
        writeValues(out, packet.fields, row.original, RowPlace{index, true});
    }
    out.key(key::row);
    out.integer(index);
    out.key(key::status);
    out.string(statusName(row.status));
    out.endObject();
}

qsizetype expectedBytes(const DataPacket& packet)
{
    return static_cast<qsizetype>(packet.rows.size() * packet.fields.size()) *
           expectedBytesPerValue;
}

} // namespace

PacketError::PacketError(const QString& message) : std::runtime_error(message.toStdString()) {}

QJsonObject packetToJson(const DataPacket& packet)
{
    checkFields(packet.fields);
    QJsonArray rows;
    QJsonArray log;
    for (size_t i = 0; i < packet.rows.size(); ++i) {
        const PacketRow& row = packet.rows[i];
        const RowPlace place{static_cast<qsizetype>(i), false};
        checkOriginal(row, place);
        rows.append(encodeValues(packet.fields, row.values, place));
        if (row.status != UpdateStatus::Unmodified)
            log.append(encodeLogEntry(packet, place.row));
    }
    QJsonObject json{{key::packet, packetTag},
                     {key::version, formatVersion},
                     {key::fields, encodeFields(packet.fields)},
                     {key::rows, rows}};
    if (!log.isEmpty())
        json.insert(key::log, log);
    return json;
}

DataPacket packetFromJson(const QJsonValue& json)
{
    if (!json.isObject())
        failNotObject(json.type());
    const QJsonObject top = json.toObject();
    checkMembers(top, {key::packet, key::version, key::fields, key::rows, key::log}, {});
    checkHeader(top);
    DataPacket packet;
    packet.fields = decodeFields(requireMember(top, key::fields, QJsonValue::Array, {}).toArray());
    packet.rows =
        decodeRows(requireMember(top, key::rows, QJsonValue::Array, {}).toArray(), packet.fields);
    decodeLog(top, packet);
    return packet;
}

void writePacket(JsonWriter& out, const DataPacket& packet)
{
    checkFields(packet.fields);
    out.beginObject();
    out.key(key::fields);
    writeFields(out, packet.fields);
    // The log goes before the rows but is known only once they are written,
    // so the rows wait in a writer of their own.
    JsonWriter rows(expectedBytes(packet));
    rows.beginArray();
    bool logOpen = false;
    for (size_t i = 0; i < packet.rows.size(); ++i) {
        const PacketRow& row = packet.rows[i];
        const RowPlace place{static_cast<qsizetype>(i), false};
        checkOriginal(row, place);
        writeValues(rows, packet.fields, row.values, place);
        if (row.status == UpdateStatus::Unmodified)
            continue;
        if (!logOpen) {
            out.key(key::log);
            out.beginArray();
            logOpen = true;
        }
        writeLogEntry(out, packet, place.row);
    }
    rows.endArray();
    if (logOpen)
        out.endArray();
    out.key(key::packet);
    out.string(packetTag);
    out.key(key::rows);
    out.written(rows.take());
    out.key(key::version);
    out.integer(formatVersion);
    out.endObject();
}

QByteArray encodePacket(const DataPacket& packet)
{
    JsonWriter out(expectedBytes(packet));
    writePacket(out, packet);
    return out.take();
}

QString formatWireDate(QDate date)
{
    return inWireRange(date) ? formatDate(date) : QString();
}

QString formatWireDateTime(const QDateTime& moment)
{
    const QDateTime local = moment.toLocalTime();
    return local.isValid() && inWireRange(local.date()) ? formatDateTime(local.date(), local.time())
                                                        : QString();
}

DataPacket decodePacket(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        fail({}, QStringLiteral("JSON malformado na posição %1: %2")
                     .arg(error.offset)
                     .arg(parseErrorText(error.error)));
    if (!document.isObject())
        failNotObject(QJsonValue::Array);
    return packetFromJson(document.object());
}

} // namespace cmp::fw
