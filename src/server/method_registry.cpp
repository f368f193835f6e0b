#include "server/method_registry.h"

#include <QDebug>

#include <algorithm>

namespace cmp::server {

namespace {

using Kind = fw::RemoteValue::Kind;

bool accepts(const Param& param, Kind actual)
{
    if (actual == param.kind)
        return true;
    // JSON does not tell 5 from 5.0: a whole number serves a decimal argument.
    if (param.kind == Kind::Number && actual == Kind::Integer)
        return true;
    return param.passing == Param::Passing::ByReference && actual == Kind::Null;
}

bool hasByReference(const std::vector<Param>& params)
{
    return std::any_of(params.begin(), params.end(), [](const Param& param) {
        return param.passing == Param::Passing::ByReference;
    });
}

QString qualifiedName(const fw::RemoteCall& call)
{
    return call.module + QLatin1Char('.') + call.method;
}

} // namespace

void MethodRegistry::add(const QString& module, const QString& method, std::vector<Param> params,
                         Handler handler, Effect effect)
{
    const bool added =
        modules_[module]
            .try_emplace(method, Method{std::move(params), std::move(handler), effect})
            .second;
    if (!added)
        throw std::logic_error(QStringLiteral("método registrado duas vezes: %1.%2")
                                   .arg(module, method)
                                   .toStdString());
}

bool MethodRegistry::contains(const QString& module, const QString& method) const
{
    return find(module, method) != nullptr;
}

Effect MethodRegistry::effect(const QString& module, const QString& method) const
{
    const Method* found = find(module, method);
    return found ? found->effect : Effect::Writes;
}

const MethodRegistry::Method* MethodRegistry::find(const QString& module,
                                                   const QString& method) const
{
    const auto moduleIt = modules_.find(module);
    if (moduleIt == modules_.end())
        return nullptr;
    const auto methodIt = moduleIt->second.find(method);
    return methodIt == moduleIt->second.end() ? nullptr : &methodIt->second;
}

CallOutcome MethodRegistry::invoke(const fw::RemoteCall& call, CallContext& context) const
{
    if (!modules_.contains(call.module))
        return CallOutcome::failed(
            CallFailure::UnknownMethod,
            QStringLiteral("Módulo remoto desconhecido: %1.").arg(call.module));
    const Method* method = find(call.module, call.method);
    if (!method)
        return CallOutcome::failed(
            CallFailure::UnknownMethod,
            QStringLiteral("Método desconhecido em %1: %2.").arg(call.module, call.method));
    const QString wrongArguments = checkArguments(call, *method);
    if (!wrongArguments.isEmpty())
        return CallOutcome::failed(CallFailure::BadArguments, wrongArguments);
    return run(call, *method, context);
}

QString MethodRegistry::checkArguments(const fw::RemoteCall& call, const Method& method)
{
    const auto& params = method.params;
    if (call.args.size() != params.size())
        return QStringLiteral("O método %1 espera %2 argumento(s) e recebeu %3.")
            .arg(call.method)
            .arg(params.size())
            .arg(call.args.size());
    for (size_t i = 0; i < params.size(); ++i) {
        const Kind actual = call.args[i].kind();
        if (!accepts(params[i], actual))
            return QStringLiteral("O argumento %1 do método %2 deve ser %3, não %4.")
                .arg(i + 1)
                .arg(call.method, fw::remoteKindName(params[i].kind), fw::remoteKindName(actual));
    }
    return {};
}

CallOutcome MethodRegistry::run(const fw::RemoteCall& call, const Method& method,
                                CallContext& context)
{
    std::vector<fw::RemoteValue> args = call.args;
    try {
        fw::RemoteValue result = method.handler(context, args);
        return {CallFailure::None, reply(method, std::move(result), args)};
    } catch (const ServerError& refusal) {
        return CallOutcome::failed(CallFailure::MethodFailed, refusal.message());
    } catch (const std::exception& fault) {
        qCritical().noquote() << qualifiedName(call) << "failed:" << fault.what();
    } catch (...) {
        qCritical().noquote() << qualifiedName(call) << "failed with an unknown exception";
    }
    return CallOutcome::failed(
        CallFailure::MethodFailed,
        QStringLiteral("Erro interno do servidor ao executar %1. Consulte o registro do servidor.")
            .arg(call.method));
}

fw::RemoteReply MethodRegistry::reply(const Method& method, fw::RemoteValue result,
                                      std::vector<fw::RemoteValue>& args)
{
    fw::RemoteReply reply;
    reply.ok = true;
    reply.result = std::move(result);
    // By-reference arguments come back in their positions; the others are not
    // sent back, a packet argument can be large.
    if (hasByReference(method.params)) {
        for (size_t i = 0; i < args.size(); ++i) {
            if (method.params[i].passing == Param::Passing::ByValue)
                args[i] = fw::RemoteValue();
        }
        reply.args = std::move(args);
    }
    return reply;
}

} // namespace cmp::server
