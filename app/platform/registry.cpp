#include "platform/registry.h"

#include <QSettings>

namespace platform {

bool GetKeyValue(RegistryRoot root, const QString& key, const QString& valueName, QString& value) {
    value.clear();
#if defined(Q_OS_WIN)
    const QString rootName = root == RegistryRoot::LocalMachine
                                 ? QStringLiteral("HKEY_LOCAL_MACHINE\\\\")
                                 : QStringLiteral("HKEY_CURRENT_USER\\\\");
    const QSettings registry(rootName + key, QSettings::NativeFormat);
    const QVariant stored = registry.value(valueName);
    if (!stored.isValid() || stored.typeId() != QMetaType::QString) {
        return false;
    }
    value = stored.toString();
    return true;
#else
    static_cast<void>(root);
    static_cast<void>(key);
    static_cast<void>(valueName);
    return false;
#endif
}

}  // namespace platform
