#pragma once

// The Reporting window, "Reporting": spots of the stations heard to the reception-report network
// (on or off), the call sign reported (the one Setup > "Enter your call..." keeps, shown here),
// the locator (the locator window's home locator unless one is given), the antenna, the live
// stream's HOST:PORT (empty: none) and the heard-stations log (heard.adi, on or off). Nothing
// changes before "OK"; a wrong stream address is told in the window, which stays open. The
// reporter's status shows live, below.
//
// The rules are in report_settings.h.

#include <QString>
#include <functional>

#include "platform/setup_dialog.h"
#include "report/report_settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the Reporting window works with. All of it outlives the window.
struct ReportingServices {
    report::ReportingChoice chosen;  // what the settings hold now
    QString call;                    // the operator's call sign; empty: none given yet
    QString homeLocator;             // the locator window's home locator; may be empty
    QString status;                  // the reporter's status when the window opens
    // "OK": the reports follow `choice` from now on.
    std::function<void(const report::ReportingChoice&)> apply;
};

class ReportingWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    // Builds the window and loads it; not shown yet.
    explicit ReportingWindow(ReportingServices services);
    ~ReportingWindow() override;
    ReportingWindow(const ReportingWindow&) = delete;
    ReportingWindow& operator=(const ReportingWindow&) = delete;

    // ---- handlers ----
    void Form_Load();
    void Command1_Click();  // "OK"
    void Command2_Click();  // "Cancel"

    // What the window shows as chosen.
    report::ReportingChoice choice() const;
    // The reporter's status, as it changes.
    void showStatus(const QString& status);

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;      // "Reception reports"
    QCheckBox* Check1 = nullptr;      // "Send spots of the stations heard"
    QLabel* Label1 = nullptr;         // "Call sign"
    QLabel* Label2 = nullptr;         // the call sign, or how to give one
    QLabel* Label3 = nullptr;         // "Locator"
    QLineEdit* Text1 = nullptr;       // the locator; empty: the home locator
    QLabel* Label4 = nullptr;         // "Antenna"
    QLineEdit* Text2 = nullptr;       // the antenna
    QGroupBox* Frame2 = nullptr;      // "Live stream"
    QLabel* Label5 = nullptr;         // "HOST:PORT"
    QLineEdit* Text3 = nullptr;       // the stream's address; empty: none
    QLabel* Label6 = nullptr;         // why the address is none
    QCheckBox* Check2 = nullptr;      // "Keep a log of the stations heard (heard.adi)"
    QGroupBox* Frame3 = nullptr;      // "Status"
    QLabel* Label7 = nullptr;         // the reporter's status
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

  protected:
    void cancel() override { Command2_Click(); }

  private:
    void createControls();
    void connectHandlers();

    ReportingServices services_;
};
