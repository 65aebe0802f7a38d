// The settings file reader on any bytes: whatever it takes from them must be a record the
// program can use and write back.

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

#include "settings/settings_file.h"
#include "settings/settings_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetRecord(record);
    KVXmodules::ReadSettingsFile(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), record);
    const KVXmodules::WindowSizeTwips window{record.ScreenWidth, record.ScreenHeigth};
    KVXmodules::SettingsFileBytes(record, window, u"0.1.0");
    return 0;
}
