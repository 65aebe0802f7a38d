// The settings keeper without a window: the order in which the parts follow a reset and a
// load, which loads leave the controls alone, and a save at exit that leaves the record as it is.

#include "settings/settings_keeper.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_record.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using KVXmodules::SettingsRecord;

// A part that writes what it was asked into a shared log and keeps a band window place.
class LoggingPart final : public KVXmodules::SettingsPart {
  public:
    LoggingPart(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    void showDefaults(const SettingsRecord&) override { log_.push_back(name_ + " defaults"); }
    void showLoaded(const SettingsRecord&) override { log_.push_back(name_ + " loaded"); }
    void keepIn(SettingsRecord& record) const override { record.BandActivityLeft = 123; }

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(SettingsKeeper, PartsFollowResetsAndWholeLoadsInTheirOrderAndAnExitSaveKeepsTheRecord) {
    QTemporaryDir folder;
    SettingsRecord settings;
    KVXmodules::DefaultSetRecord(settings);
    settings.SettingsFilePath = QDir(folder.path()).filePath(QStringLiteral("QUORVIN.ini"));
    testing_support::ScriptedDialogs dialogs;
    KVXmodules::SettingsKeeper keeper({settings, dialogs,
                                       [] {
                                           return KVXmodules::WindowSizeTwips{9000, 7000};
                                       },
                                       [](const QString&) {}});
    std::vector<std::string> log;
    LoggingPart first("first", log);
    LoggingPart second("second", log);
    keeper.addPart(first);
    keeper.addPart(second);

    struct Case {
        const char* what;
        QByteArray file;  // empty: no file
        std::vector<std::string> calls;
    };
    keeper.save();
    const QByteArray whole = testing_support::ReadAll(settings.SettingsFilePath);
    const std::vector<Case> cases{
        {"no file: a reset", {}, {"first defaults", "second defaults"}},
        {"a whole file", whole, {"first loaded", "second loaded"}},
        {"a short file: the controls stay", whole.left(whole.size() / 2), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        QFile::remove(settings.SettingsFilePath);
        if (!c.file.isEmpty()) {
            testing_support::WriteAll(settings.SettingsFilePath, c.file);
        }
        keeper.load();
        EXPECT_EQ(log, c.calls);
    }

    settings.BandActivityLeft = 5;
    EXPECT_EQ(keeper.atExit().BandActivityLeft, 123);
    EXPECT_EQ(settings.BandActivityLeft, 5);
    keeper.keepParts();
    EXPECT_EQ(settings.BandActivityLeft, 123);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

}  // namespace
