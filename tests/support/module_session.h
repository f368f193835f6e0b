#pragma once

#include "framework/net/net_connection.h"
#include "framework/ui/host_context.h"
#include "framework/ui/scripted_ui_port.h"
#include "module/Pkg_cmp03100.h"
#include "server/embedded_server.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace cmp::test {

// The module loaded in a host signed in to the embedded demo database, as
// the desktop runs it, with a scripted port standing for the person. Each
// test works on its own copy of the demo, which is built once per program.
class ModuleSession : public ::testing::Test
{
protected:
    static constexpr auto demoOperator = "000000000001";
    static constexpr auto demoPassword = "demo";

    void SetUp() override
    {
        const QString path = folder_.filePath(QStringLiteral("cmp.sqlite"));
        ASSERT_TRUE(QFile::copy(demoTemplate(), path));
        server_ = std::make_unique<server::EmbeddedServer>(path);
        previousPort_ = fw::SetUiPort(&ui);
        fw::HostContext context;
        context.operatorCode = QString::fromLatin1(demoOperator);
        context.operatorName = QStringLiteral("Ana Paula Ribeiro");
        context.processingBranch = QStringLiteral("0004");
        context.processingDate = [](const QString&) { return QDate(2026, 12, 7); };
        previousContext_ = fw::SetHostContext(context);
        fw::TNetConnection signIn(QStringLiteral("Cmp.rdmCompras"));
        const fw::SignInResult session =
            signIn.SignIn(QString::fromLatin1(demoOperator), QString::fromLatin1(demoPassword));
        ASSERT_TRUE(session.ok) << session.error.toStdString();
        Initialize();
    }

    void TearDown() override
    {
        Finalize();
        fw::SetUiPort(previousPort_);
        fw::SetHostContext(previousContext_);
        server_.reset();
    }

    // Changes the demo for one test, on the server's own connection.
    void exec(const QString& sql)
    {
        QSqlQuery query(server_->server().database().connection());
        ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
    }

    void setHost(const std::function<void(fw::HostContext&)>& change)
    {
        fw::HostContext context = fw::hostContext();
        change(context);
        fw::SetHostContext(context);
    }

    fw::ScriptedUiPort ui;

private:
    // Loading the demo hashes passwords and writes some thousand rows: once.
    static QString demoTemplate()
    {
        static QTemporaryDir folder;
        static const QString path = [] {
            const QString file = folder.filePath(QStringLiteral("demo.sqlite"));
            // Opening the server on a new file creates it with the demo data.
            const server::EmbeddedServer creating(file);
            return file;
        }();
        return path;
    }

    QTemporaryDir folder_;
    std::unique_ptr<server::EmbeddedServer> server_;
    fw::UiPort* previousPort_ = nullptr;
    fw::HostContext previousContext_;
};

} // namespace cmp::test
