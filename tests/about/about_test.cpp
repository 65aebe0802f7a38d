// The About box, the Help menu's web page and the sound mixer: the texts for a version, the
// links handed to the desktop, and the messages when an outside program is missing.

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrlQuery>
#include <utility>
#include <vector>

#include "about/about_box.h"
#include "help/help_window.h"
#include "help/quick_guide_window.h"
#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "notebook/notebook_editor.h"
#include "platform/image_box.h"
#include "setup/dsp_setup_window.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/keyboard.h"
#include "support/recording_engine.h"
#include "support/test_files.h"

namespace {

using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::OutsideProgram;
using Started = testing_support::RecordingOutsidePrograms::Started;

TEST(About, VersionLineAndMailSubjectForAVersion) {
    struct Case {
        const char* version;
        const char* line;
        const char* subject;
    };
    for (const Case& c : {Case{"2.0.0", "Version 2.0.0", "Quorvin v 2 0 0"},
                          Case{"0.1.0", "Version 0.1.0", "Quorvin v 0 1 0"},
                          Case{"10.12", "Version 10.12.0", "Quorvin v 10 12 0"}}) {
        SCOPED_TRACE(c.version);
        const QString version = QString::fromLatin1(c.version);
        EXPECT_EQ(about::VersionLine(version), QString::fromLatin1(c.line));
        const QUrl mail = about::SupportMail(version);
        EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
        EXPECT_EQ(mail.path(), about::SupportAddress());
        EXPECT_EQ(QUrlQuery(mail).queryItemValue(QStringLiteral("subject")),
                  QString::fromLatin1(c.subject));
    }
}

TEST(About, OneBoxWhoseLinksAndSystemInfoGoToTheDesktop) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.load();
    form.mnuHelpAbout->trigger();
    AboutBox* box = form.aboutBox();
    ASSERT_NE(box, nullptr);
    form.mnuHelpAbout->trigger();
    EXPECT_EQ(form.aboutBox(), box);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Quorvin"));
    EXPECT_EQ(box->lblVersion->text(), about::VersionLine(QStringLiteral(QUORVIN_VERSION)));

    Q_EMIT box->Label2->clicked();
    Q_EMIT box->Label4->clicked();
    Q_EMIT box->Label10->clicked();
    form.menuwebsite->trigger();
    EXPECT_EQ(
        harness.programs.links,
        (std::vector<QUrl>{about::WebPage(), about::SupportMail(QStringLiteral(QUORVIN_VERSION)),
                           about::MailFormPage(), about::WebPage()}));

    box->cmdSysInfo->click();
    harness.programs.available = false;
    box->cmdSysInfo->click();
    form.menusound->trigger();
    EXPECT_EQ(harness.programs.started,
              (std::vector<Started>{{OutsideProgram::SystemInformation, QString()},
                                    {OutsideProgram::SystemInformation, QString()},
                                    {OutsideProgram::SoundMixer, QString()}}));
    const std::vector<MessageBoxRequest> expected{
        {QStringLiteral("System Information Is Unavailable At This Time"),
         QStringLiteral("Quorvin"), MsgButtons::Ok, MsgIcon::None},
        {QStringLiteral("Could not find ") +
             platform::OutsideProgramCandidates(OutsideProgram::SoundMixer).lookedFor,
         QStringLiteral("Error nr: 53"), MsgButtons::Ok, MsgIcon::Exclamation}};
    EXPECT_EQ(harness.dialogs.messageBoxes(), expected);

    box->cmdOK->click();
    EXPECT_EQ(form.aboutBox(), nullptr);
}

TEST(About, EscapeClosesTheBoxWhicheverButtonHasTheFocus) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.load();
    for (const bool onSysInfo : {false, true}) {
        SCOPED_TRACE(onSysInfo);
        form.mnuHelpAbout->trigger();
        AboutBox* box = form.aboutBox();
        ASSERT_NE(box, nullptr);
        testing_support::FocusOn(onSysInfo ? box->cmdSysInfo : box->cmdOK);
        testing_support::PressKeyInFocus(Qt::Key_Escape);
        EXPECT_EQ(form.aboutBox(), nullptr);
        testing_support::processEvents();
    }
    EXPECT_TRUE(harness.programs.started.empty());
}

TEST(QuickGuide, OneModelessWindowWithTheFrequencyListAndItsPictures) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.show();
    form.menuhelpguide->trigger();
    QuickGuideWindow* guide = form.quickGuide();
    ASSERT_NE(guide, nullptr);
    form.menuhelpguide->trigger();
    EXPECT_EQ(form.quickGuide(), guide);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(guide->windowTitle(), QStringLiteral("Quick PSK-Guide"));

    const QStringList caption = guide->frequencyCaption().split(QStringLiteral("\r\n"));
    ASSERT_EQ(caption.size(), 12);  // eleven lines, each ended by CR LF
    EXPECT_EQ(caption[2], QStringLiteral("7035 KHz && 7080 KHz for region 2 *"));
    EXPECT_EQ(caption[10], QStringLiteral("144150 KHz"));
    const QStringList shown = guide->Label4->text().split(u'\n');
    EXPECT_EQ(shown[2], QStringLiteral("7035 KHz & 7080 KHz for region 2 *"));
    EXPECT_EQ(shown[6], QStringLiteral("21070 KHz & 21080 KHz"));
    EXPECT_EQ(guide::ShownCaption(QStringLiteral("&Save && go")), QStringLiteral("Save & go"));
    for (QLabel* picture : {guide->Image1, guide->Image2, guide->Image3}) {
        EXPECT_FALSE(picture->pixmap().isNull());
    }
    guide->close();
    EXPECT_EQ(form.quickGuide(), nullptr);
}

TEST(Help, F1FromAnyWindowOpensTheHelpDocumentAndAMissingOneSaysSo) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.show();
    testing_support::FocusOn(form.Text1);
    testing_support::PressKeyInFocus(Qt::Key_F1);
    EXPECT_EQ(form.helpWindow(), nullptr);
    ASSERT_EQ(harness.dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(harness.dialogs.messageBoxes()[0].text, help::MissingHelpText(form.HelpFile));

    testing_support::WriteAll(form.HelpFile, "# Quorvin Help\n\nConnect the receiver.\n");
    form.help->trigger();
    HelpWindow* window = form.helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("Connect the receiver.")));
    window->close();

    // From the notebook editor and a setup window too.
    form.menubook->trigger();
    form.menusetupdsp->trigger();
    for (QWidget* opened : {static_cast<QWidget*>(form.notebook().notebookWindow()),
                            static_cast<QWidget*>(form.setup().dspSetupWindow())}) {
        testing_support::processEvents();
        opened->activateWindow();
        testing_support::FocusOn(opened->focusWidget() ? opened->focusWidget() : opened);
        testing_support::PressKeyInFocus(Qt::Key_F1);
        ASSERT_NE(form.helpWindow(), nullptr);
        form.helpWindow()->close();
        opened->close();
    }

    // From a modal dialog, whose help window it does not block.
    QDialog dialog(&form);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    testing_support::FocusOn(&dialog);
    testing_support::PressKeyInFocus(Qt::Key_F1);
    ASSERT_NE(form.helpWindow(), nullptr);
    EXPECT_EQ(form.helpWindow()->parentWidget(), &dialog);
    EXPECT_TRUE(form.helpWindow()->isWindow());
}

// The program folder's help first, then the shipped one: from share/quorvin of an installation,
// else from beside the executable.
TEST(Help, TheDocumentOfTheProgramFolderElseTheShippedOne) {
    const struct {
        bool own;
        bool inShare;
        bool besideExecutable;
        const char* found;
    } cases[] = {
        {false, false, false, ""},
        {false, false, true, "bin/HELP.md"},
        {false, true, true, "share/quorvin/HELP.md"},
        {true, true, true, "own/HELP.md"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.own << c.inShare << c.besideExecutable);
        const QTemporaryDir root;
        const QDir top(root.path());
        for (const char* folder : {"own", "bin", "share/quorvin"}) {
            ASSERT_TRUE(top.mkpath(QString::fromLatin1(folder)));
        }
        for (const auto& [wanted, file] :
             {std::pair{c.own, "own/HELP.md"}, std::pair{c.inShare, "share/quorvin/HELP.md"},
              std::pair{c.besideExecutable, "bin/HELP.md"}}) {
            if (wanted) {
                testing_support::WriteAll(top.filePath(QString::fromLatin1(file)), "# Help\n");
            }
        }
        const QString expected =
            *c.found == '\0' ? QString() : top.filePath(QString::fromLatin1(c.found));
        EXPECT_EQ(help::HelpDocument(top.filePath(QStringLiteral("own")),
                                     top.filePath(QStringLiteral("bin"))),
                  expected);
    }
}

TEST(Exit, UnloadsTheMainWindowWhileTheProgramsOtherWindowsStayOpen) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.show();
    form.menubook->trigger();
    form.mnuHelpAbout->trigger();
    harness.engine.clearCalls();
    form.mnuFileExit->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(harness.engine.calls(), std::vector<testing_support::EngineCall>{
                                          testing_support::Call("fnStopSoundCard", {})});
    ASSERT_NE(form.notebook().notebookWindow(), nullptr);
    EXPECT_TRUE(form.notebook().notebookWindow()->isVisible());
    ASSERT_NE(form.aboutBox(), nullptr);
    EXPECT_TRUE(form.aboutBox()->isVisible());
    form.notebook().notebookWindow()->close();
    form.aboutBox()->close();
}

}  // namespace
