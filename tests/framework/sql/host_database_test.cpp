// The host connection embedded on the demo SQLite file, and the product
// library the screens run over it.
#include "framework/sql/host_database.h"

#include "db/demo_data.h"
#include "db/dialect_functions.h"
#include "db/migrations.h"
#include "framework/core/abort.h"
#include "framework/core/edit_mask.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_source.h"
#include "framework/product/product_library.h"
#include "support/shown_errors.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace cmp::fw {
namespace {

QString demoFile(const QTemporaryDir& folder)
{
    const QString path = folder.filePath(QStringLiteral("demo.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
        db.setDatabaseName(path);
        db.open();
        db::installDialectFunctions(db);
        db::migrate(db);
        db::loadDemoData(db);
    }
    QSqlDatabase::removeDatabase(path);
    return path;
}

// One demo file for the program: loading it costs a password hash.
class EmbeddedHost : public cmp::test::ShownErrors
{
protected:
    static void SetUpTestSuite()
    {
        folder_ = new QTemporaryDir;
        host_ = HostDatabase::Embedded(demoFile(*folder_), db::installDialectFunctions).release();
    }
    static void TearDownTestSuite()
    {
        delete host_;
        delete folder_;
    }
    void SetUp() override
    {
        ShownErrors::SetUp();
        previous_ = SetHostDatabase(host_);
    }
    void TearDown() override
    {
        SetHostDatabase(previous_);
        ShownErrors::TearDown();
    }

private:
    static inline QTemporaryDir* folder_ = nullptr;
    static inline HostDatabase* host_ = nullptr;
    HostDatabase* previous_ = nullptr;
};

QStringList treeCodes(const DataPacket& packet)
{
    QStringList codes;
    const auto column = static_cast<size_t>(packet.fieldIndex(QStringLiteral("CDARVPROD")));
    for (const PacketRow& row : packet.rows)
        codes << row.values[column].toString();
    return codes;
}

TEST_F(EmbeddedHost, shouldAcceptOnlyProductsActiveAtTheBranch)
{
    const auto valid = [](const char* branch, const char* code, const char* blockStock) {
        return RunUserAction([&] {
            Validacao_Produto(QLatin1String(branch), QLatin1String(code),
                              QLatin1String(blockStock));
        });
    };
    EXPECT_TRUE(valid("0004", "0101001001", "N"));
    EXPECT_TRUE(valid("0101", "0101005002", "N"));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(valid("0004", "9999999999", "N"));
    EXPECT_FALSE(valid("0101", "0101005001", "N")); // inactive everywhere
    EXPECT_FALSE(valid("0004", "0101001001", "S")); // a stock product, blocked
    EXPECT_EQ(shown.size(), 3);
    EXPECT_EQ(shown.front(), QStringLiteral("Produto não cadastrado: 9999999999"));
}

TEST_F(EmbeddedHost, shouldFindATypedCodeInTheLookupAndAbortAfterTheMessageWhenAbsent)
{
    SqlQuery search = hostDatabase().Query(QStringLiteral("qryProduto"), {});
    SQL_Pesquisa_Produto(search);
    ClientDataSet products;
    hostDatabase().Open(search, products);
    DataSource dtsProduto(&products);

    QString code = QStringLiteral(" 0101001001");
    EXPECT_TRUE(ValidEx(dtsProduto, productTreePict, code, {}, QString(), true));
    EXPECT_EQ(code, QStringLiteral("0101001001"));
    EXPECT_EQ(products.FieldByName(QStringLiteral("NMPRODUTO")).AsString(),
              QStringLiteral("Arroz Agulhinha Tipo 1 kg"));

    code = QStringLiteral("0101009999");
    EXPECT_FALSE(ValidEx(dtsProduto, productTreePict, code, {}, QStringLiteral("Produto"), false));
    EXPECT_TRUE(shown.isEmpty());
    bool returned = false;
    EXPECT_FALSE(RunUserAction([&] {
        ValidEx(dtsProduto, productTreePict, code, {}, QStringLiteral("Produto"), true);
        returned = true;
    }));
    EXPECT_FALSE(returned);
    EXPECT_EQ(shown, QStringList{QStringLiteral("Produto não cadastrado: 0101009999")});
}

TEST_F(EmbeddedHost, shouldLeaveOutProductsInactiveAtTheBranchOnlyWithTheCache)
{
    SqlQuery search = hostDatabase().Query(QStringLiteral("qryProduto"), {});
    SQL_Pesquisa_Produto(search);
    const QStringList all = treeCodes(hostDatabase().Open(search));
    SQL_Pesquisa_ProdutoCache(search, QStringLiteral("0004"));
    const QStringList cached = treeCodes(hostDatabase().Open(search));
    SQL_Pesquisa_ProdutoCache(search, QStringLiteral("0101"));
    const QStringList school = treeCodes(hostDatabase().Open(search));

    EXPECT_EQ(all.size(), 1032);
    EXPECT_EQ(cached.size(), 1032 - 35);
    EXPECT_TRUE(all.contains(QStringLiteral("0101005001")));
    EXPECT_FALSE(cached.contains(QStringLiteral("0101005001")));
    EXPECT_EQ(school, all); // no product is inactive at the schools
}

} // namespace
} // namespace cmp::fw
