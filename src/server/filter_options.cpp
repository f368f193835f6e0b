#include "server/filter_options.h"

#include "framework/sql/sql_query.h"
#include "server/method_registry.h"
#include "server/remote_modules.h"
#include "server/resolver.h"

namespace cmp::server {

namespace {

using fw::DataPacket;
using fw::FieldType;
using fw::RemoteValue;
using Args = std::vector<RemoteValue>;
using Kind = RemoteValue::Kind;

constexpr int screenCodeWidth = 10;
constexpr int nameWidth = 40;
const QChar separator = u'=';
const QChar lineBreak = u'\n';

QString screenCodeArgument(const RemoteValue& argument)
{
    const QString code = argument.toString().trimmed();
    if (code.isEmpty() || code.size() > screenCodeWidth)
        throw ServerError(QStringLiteral("Código de tela inválido: \"%1\".").arg(code));
    return code;
}

bool breaksLines(const QString& text)
{
    return text.contains(lineBreak) || text.contains(u'\r');
}

// OPCFILTRO keeps the list as the dialogs write it: one "name=value" line per
// option; a value may hold "=", the first one ends the name.
QString optionLine(const QString& name, const QString& value)
{
    if (name.isEmpty() || name.size() > nameWidth || name.contains(separator) ||
        breaksLines(name) || breaksLines(value))
        throw ServerError(QStringLiteral("Opção de filtro inválida: \"%1\".").arg(name));
    return name + separator + value;
}

int requiredColumn(const DataPacket& packet, const QString& name)
{
    const int column = packet.fieldIndex(name);
    if (column < 0)
        throw ServerError(QStringLiteral("O pacote de opções não tem o campo %1.").arg(name));
    return column;
}

// Checks the whole list before anything is written.
QString optionsText(const DataPacket& packet)
{
    const int name = requiredColumn(packet, QStringLiteral("NAME"));
    const int value = requiredColumn(packet, QStringLiteral("VALUE"));
    QStringList lines;
    for (const fw::PacketRow& row : packet.rows)
        lines << optionLine(row.values.at(size_t(name)).toString(),
                            row.values.at(size_t(value)).toString());
    return lines.join(lineBreak);
}

DataPacket optionsPacket(const QString& text)
{
    DataPacket packet{{{QStringLiteral("NAME"), FieldType::String, nameWidth},
                       {QStringLiteral("VALUE"), FieldType::Memo, 0}},
                      {}};
    for (const QString& line : text.split(lineBreak, Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(separator);
        if (at <= 0)
            continue; // not an option: nothing a dialog could set from it
        packet.rows.emplace_back().values = {line.left(at), line.mid(at + 1)};
    }
    return packet;
}

using Bindings = std::vector<std::pair<const char*, QString>>;

fw::SqlQuery prepared(const CallContext& context, const char* name, const char* sql,
                      const Bindings& bindings)
{
    fw::SqlQuery query(QString::fromLatin1(name), fw::SqlTexts{QString::fromLatin1(sql)},
                       context.db);
    for (const auto& [param, value] : bindings)
        query.ParamByName(QString::fromLatin1(param)).SetValue(value);
    return query;
}

Bindings keyOf(const CallContext& context, const QString& screen)
{
    return {{"P_CDOPERADOR", context.operatorCode}, {"P_CDTELA", screen}};
}

// (screen code, packet NAME, VALUE) -> true; replaces the operator's list.
// An empty list leaves no row, as if none had been saved.
RemoteValue SaveFilterOptions(CallContext& context, Args& args)
{
    const QString screen = screenCodeArgument(args[0]);
    const DataPacket options = args[1].toPacket();
    Bindings row = keyOf(context, screen);
    row.emplace_back("P_TXOPCOES", optionsText(options));
    WriteTransaction transaction(context.db);
    if (!transaction.begin())
        throw ServerError(transaction.lastError());
    prepared(context, "qryDelOpcFiltro",
             "DELETE FROM OPCFILTRO WHERE CDOPERADOR = :P_CDOPERADOR AND CDTELA = :P_CDTELA",
             keyOf(context, screen))
        .ExecSQL();
    if (!options.rows.empty())
        prepared(context, "qryInsOpcFiltro",
                 "INSERT INTO OPCFILTRO (CDOPERADOR, CDTELA, TXOPCOES) "
                 "VALUES (:P_CDOPERADOR, :P_CDTELA, :P_TXOPCOES)",
                 row)
            .ExecSQL();
    if (!transaction.commit())
        throw ServerError(transaction.lastError());
    return true;
}

// (screen code) -> packet NAME, VALUE; no rows when the operator saved none.
RemoteValue GetFilterOptions(CallContext& context, Args& args)
{
    const DataPacket saved = prepared(context, "qryOpcFiltro",
                                      "SELECT TXOPCOES FROM OPCFILTRO "
                                      "WHERE CDOPERADOR = :P_CDOPERADOR AND CDTELA = :P_CDTELA",
                                      keyOf(context, screenCodeArgument(args[0])))
                                 .Open();
    return optionsPacket(saved.rows.empty() ? QString() : saved.rows.front().values[0].toString());
}

} // namespace

void registerFilterOptions(MethodRegistry& registry)
{
    registry.add(rdmLancaSoliCmp, QStringLiteral("SaveFilterOptions"), {Kind::String, Kind::Packet},
                 SaveFilterOptions);
    registry.add(rdmLancaSoliCmp, QStringLiteral("GetFilterOptions"), {Kind::String},
                 GetFilterOptions, Effect::ReadsOnly);
}

} // namespace cmp::server
