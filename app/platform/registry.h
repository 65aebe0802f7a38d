#pragma once

// The Windows registry, read where there is one: the program reads two string values of it
// (where Windows keeps its system information program). Other platforms have no registry and
// every read finds nothing.

#include <QString>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

// Reads the string value `valueName` of `key` under `root` into `value`; true on success,
// false (with `value` empty) when the key or value is missing or unreadable.
bool GetKeyValue(RegistryRoot root, const QString& key, const QString& valueName, QString& value);

}  // namespace platform
