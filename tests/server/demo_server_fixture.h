#pragma once

#include "db/demo_data.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <map>
#include <ostream>
#include <vector>

// Failures show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The demo company on a real server, called as the signed-in demo operators
// (on Cmp03100.rdmLancaSoliCmp unless a case names the module), with the rows
// a case adds on top.
namespace cmp::test {

using Args = std::vector<fw::RemoteValue>;
using Rows = std::vector<QStringList>;

inline QString demoOperator(int number)
{
    return QString::number(number).rightJustified(12, u'0');
}

// Each row as texts, "null" for an empty value, to compare whole results.
inline Rows rowsOf(const fw::RemoteValue& packet)
{
    Rows rows;
    for (const fw::PacketRow& row : packet.toPacket().rows) {
        QStringList& texts = rows.emplace_back();
        for (const QVariant& value : row.values)
            texts << (value.isNull() ? QStringLiteral("null") : value.toString());
    }
    return rows;
}

// "NAME:type:size" per field.
inline QStringList fieldsOf(const fw::RemoteValue& packet)
{
    QStringList names;
    for (const fw::FieldDef& field : packet.toPacket().fields)
        names << QStringLiteral("%1:%2:%3")
                     .arg(field.name, fw::fieldTypeName(field.type))
                     .arg(field.size);
    return names;
}

inline QStringList column(const Rows& rows, int index)
{
    QStringList values;
    for (const QStringList& row : rows)
        values << row.at(index);
    return values;
}

class DemoServerTest : public ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        QSqlDatabase connection = server().database().connection();
        db::loadDemoData(connection);
    }

    server::CallOutcome call(const QString& module, const QString& method, Args args,
                             int asOperator = 1)
    {
        return server().execute({module, method, std::move(args)},
                                tokenOf(demoOperator(asOperator)));
    }
    server::CallOutcome call(const QString& method, Args args, int asOperator = 1)
    {
        return call(server::rdmLancaSoliCmp, method, std::move(args), asOperator);
    }

    fw::RemoteValue result(const QString& module, const QString& method, Args args,
                           int asOperator = 1)
    {
        const server::CallOutcome outcome = call(module, method, std::move(args), asOperator);
        EXPECT_TRUE(outcome.reply.ok)
            << method.toStdString() << ": " << outcome.reply.error.toStdString();
        return outcome.reply.result;
    }
    fw::RemoteValue result(const QString& method, Args args, int asOperator = 1)
    {
        return result(server::rdmLancaSoliCmp, method, std::move(args), asOperator);
    }

    // Fixture rows; a failure here is a broken fixture, not a finding.
    void sql(const QString& statement)
    {
        QSqlQuery query(server().database().connection());
        if (!query.exec(statement))
            throw std::runtime_error(
                (statement + QStringLiteral(": ") + query.lastError().text()).toStdString());
    }

    QString demoValue(const QString& statement)
    {
        QSqlDatabase connection = server().database().connection();
        return scalar(connection, statement).toString();
    }

private:
    QString tokenOf(const QString& operatorCode)
    {
        QString& token = tokens_[operatorCode];
        if (token.isEmpty())
            token = server().signIn(operatorCode, db::demoPassword).token;
        return token;
    }

    std::map<QString, QString> tokens_;
};

} // namespace cmp::test
