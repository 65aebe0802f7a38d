#pragma once

// The About box: the version, what the program is, its terms, links to its web page,
// its mail form and its support mail, and the platform's system information program.

#include <QString>
#include <QStringView>
#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace platform {
class Dialogs;
class Label;
class OutsidePrograms;
}  // namespace platform

namespace about {

// The program's web page (a build setting), its mail form and its support address.
QUrl WebPage();
QUrl MailFormPage();
QString SupportAddress();

// "Version " and the major, minor and revision numbers of `version` ("2.0.0").
QString VersionLine(QStringView version);
// The support mail with the subject "Quorvin v" and the three numbers, each after a blank.
QUrl SupportMail(QStringView version);

inline constexpr char16_t kSysInfoUnavailable[] = u"System Information Is Unavailable At This Time";

}  // namespace about

struct AboutServices {
    platform::Dialogs& dialogs;
    platform::OutsidePrograms& programs;
    QString version;  // the program's version, "major.minor.revision"
};

class AboutBox final : public QWidget {
    Q_OBJECT
  public:
    explicit AboutBox(const AboutServices& services, QWidget* parent = nullptr);

    bool isUnloaded() const noexcept { return unloaded_; }

    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblDisclaimer = nullptr;
    platform::Label* Label2 = nullptr;   // the web page
    platform::Label* Label4 = nullptr;   // the support mail
    platform::Label* Label10 = nullptr;  // the mail form
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Starts the system information program, or says it is unavailable.
    void StartSysInfo();
    void Label2_Click();
    void Label4_Click();
    void Label10_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the box: "OK" is its cancel button too.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    AboutServices services_;
    bool unloaded_ = false;
};
