#include "ui/qt/shell/client_session.h"

#include "framework/core/strings.h"
#include "framework/net/net_connection.h"
#include "framework/ui/ui_port.h"

#include <QGuiApplication>
#include <QHash>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

namespace cmp::ui {

namespace {

constexpr int operatorWidth = 12;
const auto comprasModule = QStringLiteral("Cmp.rdmCompras");

void pointAt(fw::TNetConnection& connection, const ServerAddress& server)
{
    connection.SetWebURL(server.host);
    connection.SetWebPort(server.port);
}

int requiredColumn(const fw::DataPacket& packet, const char* name)
{
    const int column = packet.fieldIndex(QString::fromLatin1(name));
    if (column < 0)
        throw fw::RemoteValueError(std::string("a lista de filiais não tem o campo ") + name);
    return column;
}

std::vector<OperatorBranch> branchesIn(const fw::DataPacket& packet)
{
    const auto code = size_t(requiredColumn(packet, "CDFILIAL"));
    const auto name = size_t(requiredColumn(packet, "NMFILIAL"));
    const auto date = size_t(requiredColumn(packet, "DTPROCFILI"));
    std::vector<OperatorBranch> branches;
    for (const fw::PacketRow& row : packet.rows)
        branches.push_back({row.values.at(code).toString(), row.values.at(name).toString(),
                            row.values.at(date).toDate()});
    return branches;
}

// Empty text when the branches came; otherwise why not.
QString loadBranches(SignedIn& session)
{
    fw::TNetConnection connection(comprasModule);
    pointAt(connection, session.server);
    const fw::RemoteReply reply = connection.Call(QStringLiteral("GetFiliaisOperador"));
    if (!reply.ok)
        return reply.error;
    try {
        session.branches = branchesIn(reply.result.toPacket());
    } catch (const fw::RemoteValueError& error) {
        return QStringLiteral("Resposta inesperada do servidor: %1.")
            .arg(QString::fromUtf8(error.what()));
    }
    if (session.branches.empty())
        return QStringLiteral("Nenhuma filial liberada para o operador %1.")
            .arg(session.operatorCode);
    return {};
}

} // namespace

ServerAddress parseServerAddress(const QString& text)
{
    static const QRegularExpression hostAndPort(QStringLiteral("^([^:/]+):(\\d{1,5})$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = hostAndPort.match(trimmed);
    if (!match.hasMatch())
        return {trimmed, 0};
    return {match.captured(1), match.captured(2).toInt()};
}

const OperatorBranch* SignedIn::branch(const QString& code) const
{
    const auto found = std::find_if(branches.begin(), branches.end(),
                                    [&](const OperatorBranch& b) { return b.code == code; });
    return found == branches.end() ? nullptr : &*found;
}

QString normalizedOperatorCode(const QString& typed)
{
    const QString code = typed.trimmed();
    const bool numeric = !code.isEmpty() && std::all_of(code.begin(), code.end(), fw::isAsciiDigit);
    return numeric ? fw::Ajusta(code, operatorWidth) : code;
}

SignInAttempt signIn(const ServerAddress& server, const QString& typedOperator,
                     const QString& password)
{
    fw::TNetConnection::SignOut();
    fw::TNetConnection connection(comprasModule);
    pointAt(connection, server);
    const fw::SignInResult result =
        connection.SignIn(normalizedOperatorCode(typedOperator), password);
    if (!result.ok)
        return {std::nullopt, result.error};
    SignedIn session{result.operatorCode, result.operatorName, server, {}};
    if (QString error = loadBranches(session); !error.isEmpty()) {
        fw::TNetConnection::SignOut();
        return {std::nullopt, error};
    }
    return {std::move(session), {}};
}

fw::HostContext hostContextFor(const SignedIn& session, const QString& processingBranch)
{
    QHash<QString, QDate> dates;
    for (const OperatorBranch& branch : session.branches)
        if (branch.processingDate.isValid())
            dates.insert(branch.code, branch.processingDate);

    fw::HostContext context;
    context.operatorCode = session.operatorCode;
    context.operatorName = session.operatorName;
    context.processingBranch = processingBranch;
    context.branchBound = session.branches.size() == 1;
    context.processingDate = [dates](const QString& branch) {
        return dates.value(branch, QDate::currentDate());
    };
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        context.screenHeight = screen->size().height();
    context.webURL = session.server.host;
    context.webPort = session.server.port;
    context.activeModule = QStringLiteral("CMP");
    // The installation keeps no access table: every operator may open the
    // screens of the suite, and a module this installation lacks is reported
    // as missing when opened. No other module is installed, so no opener.
    context.access = [](const QString&, const QString&) { return true; };
    return context;
}

void startSession(const SignedIn& session, const QString& processingBranch, fw::UiPort& port)
{
    fw::SetHostContext(hostContextFor(session, processingBranch));
    fw::TNetConnection::SetBusyHook([&port](bool busy) {
        if (busy)
            port.beginProgress(QStringLiteral("Aguarde, consultando o servidor..."));
        else
            port.endProgress();
    });
}

void endSession()
{
    fw::TNetConnection::SetBusyHook({});
    fw::TNetConnection::SignOut();
    fw::SetHostContext({});
}

} // namespace cmp::ui
