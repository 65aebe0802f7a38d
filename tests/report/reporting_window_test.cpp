// Setup > "Reporting..." in the program: its place after "Rig Control...", the call sign it
// shows (the one Setup > "Enter your call..." keeps), the home locator it offers, keys typed into
// the focused box, a wrong stream address told in the window, OK keeping the choice and Cancel or
// Escape leaving everything as it was; the spots' status at the end of the caption.

#include "report/reporting_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "mainwindow/main_window.h"
#include "report/report_controller.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/keyboard.h"
#include "support/test_files.h"

namespace {

using testing_support::FocusOn;
using testing_support::FormHarness;
using testing_support::PressKeyInFocus;
using testing_support::TypeInFocus;

ReportingWindow* Open(MainWindow& form) {
    form.menureporting->trigger();
    testing_support::processEvents();
    return form.report().reportingWindow();
}

TEST(ReportingWindow, AfterRigControlAndOffByDefault) {
    FormHarness harness;
    MainWindow& form = harness.load();
    const QList<QAction*> items = form.menusetup->actions();
    const qsizetype rig = items.indexOf(form.menurig);
    ASSERT_GE(rig, 0);
    EXPECT_EQ(items.value(rig + 1), form.menureporting);
    EXPECT_EQ(form.menureporting->text(), QStringLiteral("Reporting..."));

    ReportingWindow* window = Open(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), QStringLiteral("Reporting"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Reporting"));
    EXPECT_FALSE(window->Check1->isChecked());
    EXPECT_FALSE(window->Check2->isChecked());
    EXPECT_TRUE(window->Text3->text().isEmpty());
    EXPECT_TRUE(window->Label2->text().contains(u"Enter your call..."));
    EXPECT_EQ(window->Label7->text(), QStringLiteral("Reporting is off."));
    EXPECT_EQ(form.windowTitle(), MainWindow::designedCaption());
    window->Command2_Click();
    EXPECT_EQ(form.report().reportingWindow(), nullptr);
}

TEST(ReportingWindow, KeysIntoTheFocusedBoxesAWrongAddressToldAndOkKeeps) {
    FormHarness harness;
    testing_support::WriteAll(harness.filePath(QStringLiteral("locator.ini")), "JO20AW\r\n");
    MainWindow& form = harness.load();
    harness.settings.OperatorCall = QStringLiteral("QX1AA");
    ReportingWindow* window = Open(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Label2->text(), QStringLiteral("QX1AA"));
    EXPECT_TRUE(window->Text1->placeholderText().startsWith(u"JO20AW"));

    ASSERT_EQ(FocusOn(window->Text2), window->Text2);
    TypeInFocus(QStringLiteral("DIPOLE"));
    ASSERT_EQ(FocusOn(window->Text3), window->Text3);
    TypeInFocus(QStringLiteral("127.0.0.1"));
    ASSERT_EQ(FocusOn(window->Check2), window->Check2);
    PressKeyInFocus(Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(window->Check2->isChecked());
    // Enter: the window's OK. The address lacks its port: said in the window, which stays.
    PressKeyInFocus(Qt::Key_Return, QStringLiteral("\r"));
    testing_support::processEvents();
    ASSERT_EQ(form.report().reportingWindow(), window);
    EXPECT_FALSE(window->Label6->isHidden());
    EXPECT_TRUE(window->Label6->text().contains(u"HOST:PORT"));
    EXPECT_EQ(QApplication::focusWidget(), window->Text3);
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_TRUE(harness.settings.ReportStream.isEmpty());

    TypeInFocus(QStringLiteral(":7300"));
    EXPECT_TRUE(window->Label6->isHidden());
    PressKeyInFocus(Qt::Key_Return, QStringLiteral("\r"));
    testing_support::processEvents();
    EXPECT_EQ(form.report().reportingWindow(), nullptr);
    const report::ReportingChoice kept = report::ReportingOf(harness.settings);
    EXPECT_EQ(kept, (report::ReportingChoice{false, {}, "DIPOLE", "127.0.0.1:7300", true}));
    EXPECT_TRUE(form.report().active());
    // Spots are off: the caption carries nothing of the stream or the log.
    EXPECT_FALSE(form.windowTitle().contains(u"spots"));

    // Opened again, it shows what was kept; Escape leaves it as it is.
    window = Open(form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Text3->text(), QStringLiteral("127.0.0.1:7300"));
    EXPECT_TRUE(window->Check2->isChecked());
    EXPECT_TRUE(window->Label7->text().contains(u"Stream: "));
    ASSERT_EQ(FocusOn(window->Text3), window->Text3);
    window->Text3->clear();
    PressKeyInFocus(Qt::Key_Escape);
    testing_support::processEvents();
    EXPECT_EQ(form.report().reportingWindow(), nullptr);
    EXPECT_EQ(harness.settings.ReportStream, QStringLiteral("127.0.0.1:7300"));
}

// Spots switched on without a rig: the caption says why none go, after the call sign, and a new
// call sign keeps the status last; switched off, it goes.
TEST(ReportingWindow, CaptionTellsWhyNoSpotsGo) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.SetCaption(harness.settings.CaptionPrefix + QStringLiteral("QX1AA"));
    harness.settings.OperatorCall = QStringLiteral("QX1AA");
    ReportingWindow* window = Open(form);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(FocusOn(window->Check1), window->Check1);
    PressKeyInFocus(Qt::Key_Space, QStringLiteral(" "));
    window->Command1_Click();
    EXPECT_TRUE(form.windowTitle().endsWith(u"QX1AA - no spots: no dial"))
        << form.windowTitle().toStdString();
    form.SetCaption(harness.settings.CaptionPrefix + QStringLiteral("QX2BB"));
    EXPECT_TRUE(form.windowTitle().endsWith(u"QX2BB - no spots: no dial"))
        << form.windowTitle().toStdString();
    form.report().apply(report::ReportingChoice{});
    EXPECT_TRUE(form.windowTitle().endsWith(u"QX2BB")) << form.windowTitle().toStdString();
}

}  // namespace
