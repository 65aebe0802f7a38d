// The main window's whole menu tree against the table of it: names, captions, shortcuts,
// separators, submenus, the hidden item and the hidden popup. Compared as text, so that a
// failure shows the lines that differ.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include "mainwindow/main_window.h"
#include "support/form_harness.h"

namespace {

// One line per item: indentation by depth, then name|caption|shortcut, and |hidden for an item
// that is never shown. A separator's caption is "-"; a submenu's items follow it, indented.
void Dump(const QMenu& menu, int depth, QStringList& lines) {
    for (const QAction* action : menu.actions()) {
        const QMenu* submenu = action->menu();
        const QString name = submenu != nullptr ? submenu->objectName() : action->objectName();
        QString line = QString(depth * 2, u' ') + name + u'|' +
                       (action->isSeparator() ? QStringLiteral("-") : action->text()) + u'|' +
                       action->shortcut().toString();
        if (!action->isVisible()) {
            line += QStringLiteral("|hidden");
        }
        lines.append(line);
        if (submenu != nullptr) {
            Dump(*submenu, depth + 1, lines);
        }
    }
}

TEST(MenuTree, IsTheWholeTableItemByItem) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.create();
    QStringList lines;
    for (const QAction* top : form.menuBar()->actions()) {
        lines.append(top->menu()->objectName() + u'|' + top->text() + u'|');
        Dump(*top->menu(), 1, lines);
    }
    lines.append(form.menuwaters->objectName() + u'|' + form.menuwaters->title() + u'|');
    Dump(*form.menuwaters, 1, lines);

    const QStringList expected{
        "mnuFile|&File|",
        "  menufiletext|Text |",
        "    menuopen|&Open...|Ctrl+O",
        "    menuopenote|Open in &Notepad...|",
        "    menusave|&Save...|Ctrl+S",
        "  menufilewaterfall|Waterfall Spectrum|",
        "    menuopenbmp|Open...|",
        "    menuopenpaint|Open in &Paint...|Ctrl+P",
        "    menusavebmp|Save as BMP...|Ctrl+B",
        "  niks9|-|",
        "  menuautolog|Autolog To File|F4",
        "  niks0|-|",
        "  menuprint|Print...|",
        "  niks|-|",
        "  mnuFileExit|E&xit|",
        "menuedit|&Edit|",
        "  menucut|Cut|",
        "  menucopy|Copy|",
        "  menupaste|Paste|",
        "  niks11|-|",
        "  menupastetime|Paste Date and Time|Ctrl+T",
        "  niks1|-|",
        "  menutextwin|Copy Entire Text Window|",
        "  menuwater|Copy Waterfall|",
        "  niks8|-|",
        "  menuedittext|Enable Text To Edit |",
        "menuoptions|&Options|",
        "  menufind|&Find|",
        "  menufindlocat|Find Locator...|F5",
        "  menuband|Band Activity...|F6",
        "  niks7|-|",
        "  menupskalarm|PSK-Alarm...|Ctrl+A",
        "  niks3|-|",
        "  menuclear1|Clear Receive Window|",
        "  menuclear2|Clear Waterfall Window|",
        "  niks5|-|",
        "  menubook|Notebook...|",
        "  menuspeedniks|-|",  // the program's own: the receive speed
        "  menuspeed|Speed|",
        "    menuspeed31|PSK31|",
        "    menuspeed63|PSK63|",
        "    menuspeed125|PSK125|",
        "    menuspeed250|PSK250|",
        "menusetup|&Setup|",
        "  menusetupfont|Fonts...|",
        "  menutextcolors|Text Colors|",
        "    menutextcol1|Black on Yellow|",
        "    menutextcol2|Black on White|",
        "    menutextcol3|White on Blue|",
        "    menutextcol4|Yellow on Black|",
        "    menutextcol5|White on green|",
        "  menuwatercol|Waterfall Colors|",
        "    menuwaterfallcol1|Blue|",
        "    menuwaterfallcol2|Red|",
        "    menuwaterfallcol3|Black|",
        "  niks4|-|",
        "  menusetupdsp|Setup PSK/DSP...|",
        "  menusetupalarm|Setup PSK Alarm...|",
        "  nikss1|-|",
        "  menusound|Sound Mixer...|",
        "  menuaudioinput|Audio Input...|",  // the program's own: the sound card input
        "  menurig|Rig Control...|",         // the program's own: the rig whose dial is read
        "  menureporting|Reporting...|",     // the program's own: spots, stream, heard log
        "  setupniks1|-|",
        "  menuopcall|Enter your call...|",
        "  menusetupbackground|Use Background Skin|",
        "  menuscreensize|Remember Screen Size|",
        "  menuopniks|-|",
        "  menudefault|Restore all settings to default|",
        "  menusetupsaveset|Save Current Settings||hidden",
        "mnuHelp|&Help|",
        "  help|Quorvin Help" + QString(23, u' ') + "F1|",
        "  menuwebsite|Quorvin On The Web...|",
        "  niks10|-|",
        "  menuhelpguide|PSK Quick Guide|",
        "  nikss2|-|",
        "  mnuHelpAbout|&About|",
        "menuwaters|Waterfall|",
        "  menuwatcopy|Copy|",
        "  menuwatclear|Clear|",
        "  menuwatsave|Save...|",
        "  niks6|-|",
        "  menuwatclose|Close Menu|",
    };
    EXPECT_EQ(lines.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
    // The popup is never part of the menu bar.
    EXPECT_FALSE(form.menuBar()->actions().contains(form.menuwaters->menuAction()));
}

}  // namespace
