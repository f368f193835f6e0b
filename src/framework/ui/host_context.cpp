#include "framework/ui/host_context.h"

#include <utility>

namespace cmp::fw {

namespace {

HostContext& current()
{
    static HostContext context;
    return context;
}

} // namespace

const HostContext& hostContext()
{
    return current();
}

HostContext SetHostContext(HostContext context)
{
    return std::exchange(current(), std::move(context));
}

QString Operador()
{
    return current().operatorCode;
}

QString NomeOperador()
{
    return current().operatorName;
}

QString FiliProc()
{
    return current().processingBranch;
}

bool ModuFili()
{
    return current().branchBound;
}

QDate DataProc(const QString& branch)
{
    const auto& provider = current().processingDate;
    return provider ? provider(branch) : QDate::currentDate();
}

int ScreenHeight()
{
    return current().screenHeight;
}

QString WebURL()
{
    return current().webURL;
}

int WebPort()
{
    return current().webPort;
}

QString ModuloAtiv()
{
    return current().activeModule;
}

QString SiglaModulo(const QString& module)
{
    return current().moduleAcronyms.value(module, module);
}

bool ExisteAcesso(const QString& operatorCode, const QString& accessKey)
{
    const auto& access = current().access;
    return access && access(operatorCode, accessKey);
}

} // namespace cmp::fw
