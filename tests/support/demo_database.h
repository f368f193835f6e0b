#pragma once

#include "db/demo_data.h"
#include "db/migrations.h"
#include "support/sql_backends.h"

#include <map>
#include <memory>

namespace cmp::test {

// Loading the demo costs a password hash and some thousand rows: tests that
// only read share one loaded database per backend.
class SharedDemoTest : public BackendTest
{
protected:
    static void TearDownTestSuite() { loaded().clear(); }

    QSqlDatabase& demo()
    {
        auto& database = loaded()[GetParam()];
        if (!database) {
            database = std::make_unique<TestDatabase>(GetParam());
            db::migrate(database->db());
            db::loadDemoData(database->db());
        }
        return database->db();
    }

private:
    static std::map<Backend, std::unique_ptr<TestDatabase>>& loaded()
    {
        static std::map<Backend, std::unique_ptr<TestDatabase>> databases;
        return databases;
    }
};

} // namespace cmp::test
