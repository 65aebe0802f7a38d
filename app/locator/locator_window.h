#pragma once

// The locator window, the locator calculator: a small modeless window where the operator types a
// home and a target Maidenhead locator and reads the target's longitude and latitude, the distance
// and the azimuth. It keeps the locators calculated while it is open in the drop-down lists of its
// two boxes, remembers a default home locator in locator.ini in the program folder, copies its
// results to the clipboard and explains itself in a help box.
//
// The arithmetic is LocatorCalc (locator_calc.h); this window only checks the texts, fills
// the calculation's inputs and shows its results.
//
// Form_Activate runs when the window becomes the program's active window: when it is first
// shown and whenever the user comes back to it from another window of the program. Coming back
// from another application, or from a message box the window itself showed, does not count.

#include <QString>
#include <QWidget>

#include "locator/locator_calc.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWindow;

namespace platform {
class Clipboard;
class Dialogs;
}  // namespace platform

// What the locator window works with. All of it outlives the window.
struct LocatorServices {
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    QString programFolder;  // where locator.ini lives
};

class LocatorWindow final : public QWidget {
    Q_OBJECT
  public:
    // Builds the window and loads it (Form_Load); it is not shown yet.
    explicit LocatorWindow(const LocatorServices& services, QWidget* parent = nullptr);
    ~LocatorWindow() override;
    LocatorWindow(const LocatorWindow&) = delete;
    LocatorWindow& operator=(const LocatorWindow&) = delete;

    // The file of the default home locator: locator.ini in the program folder, whatever the
    // current directory is.
    QString locatorIniPath() const;

    // True once the window has been closed ("OK" or its close box): it is gone, and opening
    // the calculator again builds a new one.
    bool isUnloaded() const noexcept { return unloaded_; }

    // ---- handlers ----
    void Form_Load();
    void Form_Activate();
    void Combo1_KeyPress(int key);  // a key typed in the home box (Qt key code)
    void Combo2_KeyPress(int key);  // a key typed in the target box (Qt key code)
    void Combo1_LostFocus();
    void Combo2_LostFocus();
    void command8_Click();  // "Calculate"
    void Command1_Click();  // "Copy"
    void Command2_Click();  // "OK"
    void Command3_Click();  // "Default"
    void Command4_Click();  // "Help"

    // The calculation's inputs and results (HomeLocator, TargetLocator, DistanceText,
    // LongitudeText, LatitudeText, AzimuthText).
    locator::LocatorTexts texts;

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;      // "Maidenhead Locator Calculator"
    QLabel* Label6 = nullptr;         // "Home: "
    QLabel* Label7 = nullptr;         // "Target: "
    QComboBox* Combo1 = nullptr;      // home locator and its history
    QComboBox* Combo2 = nullptr;      // target locator and its history
    QPushButton* Command8 = nullptr;  // "Calculate"
    QPushButton* Command3 = nullptr;  // "Default"
    QPushButton* Command4 = nullptr;  // "Help"
    QPushButton* Command2 = nullptr;  // "OK"

    QGroupBox* Frame2 = nullptr;      // "Output"
    QLabel* Label12 = nullptr;        // "Distance:"
    QLabel* Label14 = nullptr;        // distance result
    QLabel* Label13 = nullptr;        // "Azimuth:"
    QLabel* Label15 = nullptr;        // azimuth result
    QLabel* Label8 = nullptr;         // "Longitude:"
    QLabel* Label10 = nullptr;        // longitude result
    QLabel* Label9 = nullptr;         // "Latitude:"
    QLabel* Label11 = nullptr;        // latitude result
    QPushButton* Command1 = nullptr;  // "Copy"
    QLabel* Image1 = nullptr;         // decoration

    // The texts of the help box and of the copy, as the window builds them.
    static QString helpText();
    QString copyText() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void connectHandlers();
    void watchBox(QComboBox* box);
    // A window of the program (or none: another application) became the focus window.
    void focusWindowChanged(const QWindow* window);
    // A message box of this window; while it shows, the window's losing the focus to it is
    // not a move to another window.
    void showMessage(const QString& text, const QString& title, bool information);
    // Adds the upper-case form of `text` to the box's list unless an entry equals `text`.
    static void rememberLocator(QComboBox* box, const QString& text);

    platform::Dialogs& dialogs_;
    platform::Clipboard& clipboard_;
    QString programFolder_;
    bool activationPending_ = true;  // the next activation of the window runs Form_Activate
    bool messageShowing_ = false;
    bool unloaded_ = false;
};
