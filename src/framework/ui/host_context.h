#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>

namespace cmp::fw {

// Opens the screen of another module of the suite with its arguments.
using ModuleOpener = std::function<void(const QVariantList& args)>;

// What the host shell tells the screens about the signed-in operator, the
// processing context and the installation. The host fills it on the user
// interface thread after sign-in, before any screen opens.
struct HostContext
{
    QString operatorCode;
    QString operatorName;
    QString processingBranch;
    bool branchBound = false; // the operator works for the processing branch only
    // Processing date of a branch; when unset, every branch works on today.
    std::function<QDate(const QString& branch)> processingDate;
    // Height in pixels of the screen the host shows on; 0 when unknown.
    int screenHeight = 0;
    QString webURL; // empty: the application server runs in this process
    int webPort = 0;
    QString activeModule;
    QHash<QString, QString> moduleAcronyms; // module -> acronym of its access keys
    // Whether an operator may open the screen of an access key
    // ("CMP;CMP06400"); when unset, no screen of another module is granted.
    std::function<bool(const QString& operatorCode, const QString& accessKey)> access;
    QHash<QString, ModuleOpener> modules; // module code -> opener
};

const HostContext& hostContext();
// Replaces the context and returns the previous one.
HostContext SetHostContext(HostContext context);

QString Operador();
QString NomeOperador();
QString FiliProc();
bool ModuFili();
QDate DataProc(const QString& branch);
int ScreenHeight();
QString WebURL();
int WebPort();
QString ModuloAtiv();
// The acronym of a module's access keys; a module without one is its own.
QString SiglaModulo(const QString& module);
bool ExisteAcesso(const QString& operatorCode, const QString& accessKey);

} // namespace cmp::fw
