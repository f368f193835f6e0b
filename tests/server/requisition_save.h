#pragma once

#include "db/demo_data.h"
#include "db/requisition_writer.h"
#include "framework/net/net_connection.h"
#include "server/method_registry.h"
#include "server/numbering.h"
#include "server/remote_modules.h"
#include "server/resolver.h"

#include <QCoreApplication>
#include <QDate>

#include <vector>

// A requisition save the way the server makes one, for the tests and
// benchmarks that drive a real server with many clients or large
// requisitions: one write transaction numbers a new requisition, writes its
// header and items and commits. Shared by tests/ and bench/.
namespace cmp::test {

inline const QString saveRequisitionMethod = QStringLiteral("SaveRequisitionForTest");

inline const server::ResolveTarget solicitaTarget{
    QStringLiteral("SOLICITA"),
    {QStringLiteral("CDFILSOLI"), QStringLiteral("CDFILLANCA"), QStringLiteral("NRSOLICMP")},
    {QStringLiteral("DTSOLCMP")}};
inline const server::ResolveTarget itemSoliTarget{
    QStringLiteral("ITEMSOLI"),
    {QStringLiteral("CDFILSOLI"), QStringLiteral("CDFILLAN"), QStringLiteral("NRSOLICMP"),
     QStringLiteral("CDPRODUTO"), QStringLiteral("DTPROGENTR")},
    {QStringLiteral("DTUTILIZA"), QStringLiteral("QTSOLIPROD"), QStringLiteral("TXOBSITMSOL")}};

// An empty number: the server gives one when it saves the header.
struct RequisitionKey
{
    QString cdFilSoli;
    QString cdFilLanca;
    QString nrSoliCmp;
};

struct ItemValues
{
    QString cdProduto;
    QDate dtProgEntr;
    double qtSoliProd = 0;
    QString txObsItmSol; // empty: none
};

// The requisition's header as a new record, sized as the table stores it.
inline fw::DataPacket headerPacket(const RequisitionKey& key, QDate dtSolCmp)
{
    using fw::FieldType;
    fw::DataPacket packet;
    packet.fields = {{QStringLiteral("CDFILSOLI"), FieldType::String, 4},
                     {QStringLiteral("CDFILLANCA"), FieldType::String, 4},
                     {QStringLiteral("NRSOLICMP"), FieldType::String, 10},
                     {QStringLiteral("DTSOLCMP"), FieldType::Date, 0}};
    packet.rows.push_back({{key.cdFilSoli, key.cdFilLanca, db::textOrNull(key.nrSoliCmp), dtSolCmp},
                           fw::UpdateStatus::Inserted,
                           {}});
    return packet;
}

// The items as new records, delivered on their first day of use.
inline fw::DataPacket itemPacket(const RequisitionKey& key, const std::vector<ItemValues>& items)
{
    using fw::FieldType;
    fw::DataPacket packet;
    packet.fields = {{QStringLiteral("CDFILSOLI"), FieldType::String, 4},
                     {QStringLiteral("CDFILLAN"), FieldType::String, 4},
                     {QStringLiteral("NRSOLICMP"), FieldType::String, 10},
                     {QStringLiteral("CDPRODUTO"), FieldType::String, 10},
                     {QStringLiteral("DTPROGENTR"), FieldType::Date, 0},
                     {QStringLiteral("DTUTILIZA"), FieldType::Date, 0},
                     {QStringLiteral("QTSOLIPROD"), FieldType::Float, 0},
                     {QStringLiteral("TXOBSITMSOL"), FieldType::String, 2000}};
    packet.rows.reserve(items.size());
    for (const ItemValues& item : items)
        packet.rows.push_back(
            {{key.cdFilSoli, key.cdFilLanca, db::textOrNull(key.nrSoliCmp), item.cdProduto,
              item.dtProgEntr, item.dtProgEntr, item.qtSoliProd, db::textOrNull(item.txObsItmSol)},
             fw::UpdateStatus::Inserted,
             {}});
    return packet;
}

// Writes the number into the packet's new records, which came without one.
inline void stampNumber(fw::DataPacket& packet, const QString& number)
{
    const auto field = static_cast<size_t>(packet.fieldIndex(QStringLiteral("NRSOLICMP")));
    for (fw::PacketRow& row : packet.rows)
        if (row.status == fw::UpdateStatus::Inserted)
            row.values[field] = number;
}

// A new header gets the launching branch's next number; a saved one keeps its own.
inline QString requisitionNumber(QSqlDatabase& db, const fw::DataPacket& header)
{
    const int launching = header.fieldIndex(QStringLiteral("CDFILLANCA"));
    const int number = header.fieldIndex(QStringLiteral("NRSOLICMP"));
    if (header.rows.size() != 1 || launching < 0 || number < 0)
        throw server::ServerError(QStringLiteral("Cabeçalho da solicitação inválido."));
    const fw::PacketRow& row = header.rows.front();
    if (row.status != fw::UpdateStatus::Inserted)
        return row.values[static_cast<size_t>(number)].toString();
    return server::nextRequisitionNumber(db, row.values[static_cast<size_t>(launching)].toString());
}

// Numbers a new requisition, writes its header and items and commits, with
// beforeCommit called last inside the transaction. A conflict or refusal
// leaves nothing written, the number included.
template <typename BeforeCommit>
QString writeRequisition(QSqlDatabase& db, fw::DataPacket header, fw::DataPacket items,
                         BeforeCommit beforeCommit)
{
    server::WriteTransaction transaction(db);
    if (!transaction.begin())
        throw server::ServerError(transaction.lastError());
    const QString number = requisitionNumber(db, header);
    stampNumber(header, number);
    stampNumber(items, number);
    const server::ResolveResult result =
        server::resolveInTransaction(db, {{solicitaTarget, header}, {itemSoliTarget, items}});
    if (!result.ok())
        throw server::ServerError(result.errorText());
    beforeCommit();
    if (!transaction.commit())
        throw server::ServerError(transaction.lastError());
    return number;
}

// (header, items) -> the requisition's number; a refusal is the reply's error.
inline fw::RemoteValue saveRequisition(server::CallContext& context,
                                       std::vector<fw::RemoteValue>& args)
{
    return writeRequisition(context.db, args[0].toPacket(), args[1].toPacket(), [] {});
}

inline void registerSaveRequisition(server::MethodRegistry& registry)
{
    using Kind = fw::RemoteValue::Kind;
    registry.add(server::rdmLancaSoliCmp, saveRequisitionMethod, {Kind::Packet, Kind::Packet},
                 saveRequisition);
}

// The HTTP client waits for its replies in an event loop, which needs the
// application object; made once, on the main thread.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "cmp_server_save";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

// Points the connection at the server on 127.0.0.1 and signs the demo
// operator in; the refusal's text when it could not.
inline QString signInOverHttp(fw::TNetConnection& connection, int port)
{
    connection.SetWebURL(QStringLiteral("127.0.0.1"));
    connection.SetWebPort(port);
    const fw::SignInResult result = connection.SignIn(db::demoOperator, db::demoPassword);
    return result.ok ? QString() : result.error;
}

} // namespace cmp::test
