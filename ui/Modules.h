#pragma once
// Modules the program loads when a feature is first used, from plugins/ in
// its folder: out of the linker's search path, as they are private.

#include <QString>

namespace velmora {

// Where plugins/ is looked for; the program's own folder unless set (tests and
// benchmarks run from other folders).
void SetModuleFolder(const QString& folder);
QString ModulePath(const char* file);

// The exported function `symbol` of module `file`, or null with `error` set.
// A loaded module stays for the life of the program.
template <typename Function>
Function ResolveModule(const char* file, const char* symbol, QString* error);

// Untyped form of ResolveModule.
void (*ResolveModuleFunction(const char* file, const char* symbol, QString* error))();

template <typename Function>
Function ResolveModule(const char* file, const char* symbol, QString* error) {
  return reinterpret_cast<Function>(ResolveModuleFunction(file, symbol, error));
}

}  // namespace velmora
