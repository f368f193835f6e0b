#pragma once

#include <QtGlobal>

// The module library's entry points, as the host's package loader calls
// them: Initialize once after loading (every unit's initialization, the
// module's declared statements), IniProc for each time the user opens the
// module, Finalize before unloading.
extern "C" {
Q_DECL_EXPORT void Initialize();
Q_DECL_EXPORT void Finalize();
Q_DECL_EXPORT void IniProc();
}
