// The embedded default: the first start creates the database with the demo
// data; later starts serve what is there; while it runs, host queries reach it.
#include "framework/data/data_packet.h"
#include "framework/sql/host_database.h"
#include "server/embedded_server.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace cmp;

namespace {

QString branchName(const QString& code)
{
    fw::SqlQuery query = fw::hostDatabase().Query(
        QStringLiteral("qryFilial"),
        {QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL")});
    query.ParamByName(QStringLiteral("P_CDFILIAL")).SetValue(code);
    const fw::DataPacket rows = fw::hostDatabase().Open(query);
    return rows.rows.empty() ? QString() : rows.rows.front().values.front().toString();
}

TEST(EmbeddedServer, shouldCreateTheDemoOnceAndServeTheProcess)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("dados/cmp.sqlite"));
    {
        server::EmbeddedServer embedded(path);
        EXPECT_TRUE(embedded.created());
        EXPECT_EQ(branchName(QStringLiteral("0004")), "Restaurante Industrial Sumaré");
        // What the user changes stays for the next start.
        QSqlQuery(embedded.server().database().connection())
            .exec(QStringLiteral(
                "UPDATE FILIAL SET NMFILIAL = 'Filial Renomeada' WHERE CDFILIAL = '0004'"));
    }
    EXPECT_THROW(fw::hostDatabase(), std::logic_error) << "the host goes with the server";

    server::EmbeddedServer again(path);
    EXPECT_FALSE(again.created());
    EXPECT_EQ(branchName(QStringLiteral("0004")), "Filial Renomeada");
}

TEST(EmbeddedServer, shouldRefuseAFolderItCannotCreate)
{
    QTemporaryDir folder;
    const QString blocked = folder.filePath(QStringLiteral("arquivo"));
    QFile(blocked).open(QIODevice::WriteOnly); // a file where the folder should be
    const QString path = blocked + QStringLiteral("/cmp.sqlite");

    EXPECT_ANY_THROW(server::EmbeddedServer{path});
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
