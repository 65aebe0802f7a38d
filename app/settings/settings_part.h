#pragma once

// Following the settings, where the parts of the program meet: each part that shows a share
// of the settings record in its controls, or keeps a share of it in its own state, follows
// the record through this interface. The settings keeper calls the parts in the order they
// were added, at a reset, after a load and before a save at exit.

namespace KVXmodules {

struct SettingsRecord;

class SettingsPart {
  public:
    SettingsPart() = default;
    virtual ~SettingsPart() = default;
    SettingsPart(const SettingsPart&) = delete;
    SettingsPart& operator=(const SettingsPart&) = delete;

    // The record holds the default settings: the part's controls show its share of them.
    virtual void showDefaults(const SettingsRecord& record) = 0;
    // The record was read from the settings file: the part's controls show its share.
    virtual void showLoaded(const SettingsRecord& record) = 0;
    // Before a save at exit: the part's state that the record does not follow by itself goes
    // into `record`.
    virtual void keepIn(SettingsRecord& /*record*/) const {}
};

}  // namespace KVXmodules
