#pragma once

#include <QLibrary>
#include <QString>

namespace cmp::ui {

// The module library Pkg_cmp03100, loaded on the first menu choice: its
// Initialize runs once after loading, IniProc on every choice, Finalize
// before it is unloaded with the loader.
class ModuleLoader
{
public:
    // The library file; empty: found by defaultModulePath().
    explicit ModuleLoader(QString libraryPath = {});
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // Loads the library when needed and enters the module. False when the
    // library or one of its entries is missing: errorString() says which.
    bool IniProc();
    const QString& errorString() const { return error_; }
    bool loaded() const { return finalize_ != nullptr; }

private:
    using Entry = void (*)();

    bool load();
    Entry entry(const char* name);

    QLibrary library_;
    Entry iniProc_ = nullptr;
    Entry finalize_ = nullptr;
    QString error_;
};

// The build puts the library in src/module beside the folder of the
// executables; an installation puts it next to them. Otherwise the bare name,
// for the system's library search path.
QString defaultModulePath();

} // namespace cmp::ui
