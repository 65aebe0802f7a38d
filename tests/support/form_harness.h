#pragma once

// A main window for tests: MainWindow on a recording engine, scripted dialogs and a recording sound
// player, with a fresh settings record and its own temporary program folder. The current
// directory is put back when the harness goes away.

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "mainwindow/main_window.h"
#include "settings/settings_record.h"
#include "support/recording_clipboard.h"
#include "support/recording_engine.h"
#include "support/recording_outside_programs.h"
#include "support/recording_sound_player.h"
#include "support/scripted_dialogs.h"

namespace testing_support {

class FormHarness {
  public:
    FormHarness();
    ~FormHarness();
    FormHarness(const FormHarness&) = delete;
    FormHarness& operator=(const FormHarness&) = delete;

    // The window's program folder from now on is `folder` instead of the harness's own
    // temporary one; for a window created after this call.
    void useProgramFolder(const QString& folder) { programFolder_ = folder; }

    // Creates the window (not yet loaded, not shown).
    MainWindow& create();
    // Creates the window and runs its load sequence.
    MainWindow& load();
    // Creates, loads and shows the window, and lets it settle.
    MainWindow& show();

    // Destroys the window (without unloading it).
    void destroy() { form_.reset(); }

    MainWindow& form() { return *form_; }
    QString programFolder() const { return programFolder_; }
    QString filePath(const QString& name) const { return QDir(programFolder_).filePath(name); }

    KVXmodules::SettingsRecord settings;
    ScriptedDialogs dialogs;
    RecordingClipboard clipboard;
    RecordingEngine engine;
    RecordingSoundPlayer sound;
    RecordingOutsidePrograms programs;
    platform::Printer* printer = nullptr;  // none: the default printer

  private:
    QString previousCurrent_;
    QTemporaryDir folder_;
    QString programFolder_ = folder_.path();
    std::unique_ptr<MainWindow> form_;
};

// Lets Qt deliver what is posted and pending.
void processEvents();

}  // namespace testing_support
