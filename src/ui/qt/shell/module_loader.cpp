#include "ui/qt/shell/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace cmp::ui {

namespace {

const auto moduleName = QStringLiteral("Pkg_cmp03100");

} // namespace

QString defaultModulePath()
{
    const QDir executables(QCoreApplication::applicationDirPath());
    const QString file = QStringLiteral("lib%1.so").arg(moduleName);
    for (const QString& candidate : {executables.filePath(QStringLiteral("../src/module/") + file),
                                     executables.filePath(file)})
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    return moduleName;
}

ModuleLoader::ModuleLoader(QString libraryPath)
    : library_(libraryPath.isEmpty() ? defaultModulePath() : libraryPath)
{}

ModuleLoader::~ModuleLoader()
{
    if (!loaded())
        return;
    finalize_();
    library_.unload();
}

bool ModuleLoader::IniProc()
{
    if (!loaded() && !load())
        return false;
    iniProc_();
    return true;
}

bool ModuleLoader::load()
{
    error_.clear();
    if (!library_.load()) {
        error_ = QStringLiteral("Não foi possível carregar o módulo %1 (%2): %3")
                     .arg(moduleName, library_.fileName(), library_.errorString());
        return false;
    }
    const Entry initialize = entry("Initialize");
    iniProc_ = entry("IniProc");
    const Entry finalize = entry("Finalize");
    if (!initialize || !iniProc_ || !finalize) {
        library_.unload();
        return false;
    }
    initialize();
    finalize_ = finalize; // only now is there something to finalize
    return true;
}

ModuleLoader::Entry ModuleLoader::entry(const char* name)
{
    const auto found = reinterpret_cast<Entry>(library_.resolve(name));
    if (!found && error_.isEmpty())
        error_ = QStringLiteral("O módulo %1 (%2) não exporta a rotina %3.")
                     .arg(moduleName, library_.fileName(), QString::fromLatin1(name));
    return found;
}

} // namespace cmp::ui
