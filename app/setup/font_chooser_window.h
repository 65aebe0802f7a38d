#pragma once

// The font chooser window, "Select a font": a modeless window that lists the installed font
// families, previews the one clicked and on "OK" gives its name to the window it was opened for:
// the receive window (the setting Font) or the notebook editor (the setting Editor font only). "Use
// Default Font" picks "System", the desktop's own font. "Cancel" and the close box change
// nothing. The settings reach the settings file with its next save.
//
// It opens at the font in use, its list focused: the arrow keys move the choice and the
// preview, Return takes "OK" (once a font is picked), Escape is "Cancel".

#include <QStringList>
#include <functional>

#include "platform/setup_dialog.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace KVXmodules {
struct SettingsRecord;
}

struct FontChooserServices {
    KVXmodules::SettingsRecord& settings;  // SelectedFont, FontForEditor, Font, EditorFont
    // Gives the chosen font name to the window the chooser works for.
    std::function<void(const QString&)> applyFont;
};

class FontChooserWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    explicit FontChooserWindow(const FontChooserServices& services, QWidget* parent = nullptr);

    QListWidget* List1 = nullptr;
    QLabel* Label1 = nullptr;  // the preview
    QLabel* Label2 = nullptr;  // "Font: " and the name
    QCheckBox* Check1 = nullptr;
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

    void List1_Click();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();

  protected:
    void cancel() override { Command2_Click(); }
    // The close box is a Cancel: nothing chosen stays.
    void closing() override;

  private:
    void pick(const QString& name);
    // Shows the font the chooser works for as the current one, picking nothing.
    void showFontInUse(const QStringList& families);

    FontChooserServices services_;
    bool applied_ = false;
};
