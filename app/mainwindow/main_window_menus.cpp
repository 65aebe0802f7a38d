// MainWindow's menu bar: five menus and the waterfall's popup, with their captions, shortcuts,
// separators and the items that carry a tick.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "mainwindow/main_window.h"
#include "platform/mode_names.h"

namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* AddSubmenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = QKeySequence()) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
    }
    return item;
}

// An item that carries a tick while its setting is on.
QAction* AddTickItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut = QKeySequence()) {
    QAction* item = AddItem(menu, name, caption, shortcut);
    item->setCheckable(true);
    return item;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

}  // namespace

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = AddMenu(bar, "mnuFile", QStringLiteral("&File"));
    menufiletext = AddSubmenu(mnuFile, "menufiletext", QStringLiteral("Text "));
    menuopen = AddItem(menufiletext, "menuopen", QStringLiteral("&Open..."),
                       QKeySequence(Qt::CTRL | Qt::Key_O));
    menuopenote = AddItem(menufiletext, "menuopenote", QStringLiteral("Open in &Notepad..."));
    menusave = AddItem(menufiletext, "menusave", QStringLiteral("&Save..."),
                       QKeySequence(Qt::CTRL | Qt::Key_S));
    menufilewaterfall =
        AddSubmenu(mnuFile, "menufilewaterfall", QStringLiteral("Waterfall Spectrum"));
    menuopenbmp = AddItem(menufilewaterfall, "menuopenbmp", QStringLiteral("Open..."));
    menuopenpaint = AddItem(menufilewaterfall, "menuopenpaint", QStringLiteral("Open in &Paint..."),
                            QKeySequence(Qt::CTRL | Qt::Key_P));
    menusavebmp = AddItem(menufilewaterfall, "menusavebmp", QStringLiteral("Save as BMP..."),
                          QKeySequence(Qt::CTRL | Qt::Key_B));
    niks9 = AddSeparator(mnuFile, "niks9");
    menuautolog = AddTickItem(mnuFile, "menuautolog", QStringLiteral("Autolog To File"),
                              QKeySequence(Qt::Key_F4));
    niks0 = AddSeparator(mnuFile, "niks0");
    menuprint = AddItem(mnuFile, "menuprint", QStringLiteral("Print..."));
    niks = AddSeparator(mnuFile, "niks");
    mnuFileExit = AddItem(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    menuedit = AddMenu(bar, "menuedit", QStringLiteral("&Edit"));
    menucut = AddItem(menuedit, "menucut", QStringLiteral("Cut"));
    menucopy = AddItem(menuedit, "menucopy", QStringLiteral("Copy"));
    menupaste = AddItem(menuedit, "menupaste", QStringLiteral("Paste"));
    niks11 = AddSeparator(menuedit, "niks11");
    menupastetime = AddItem(menuedit, "menupastetime", QStringLiteral("Paste Date and Time"),
                            QKeySequence(Qt::CTRL | Qt::Key_T));
    niks1 = AddSeparator(menuedit, "niks1");
    menutextwin = AddItem(menuedit, "menutextwin", QStringLiteral("Copy Entire Text Window"));
    menuwater = AddItem(menuedit, "menuwater", QStringLiteral("Copy Waterfall"));
    niks8 = AddSeparator(menuedit, "niks8");
    menuedittext = AddTickItem(menuedit, "menuedittext", QStringLiteral("Enable Text To Edit "));

    menuoptions = AddMenu(bar, "menuoptions", QStringLiteral("&Options"));
    menufind = AddItem(menuoptions, "menufind", QStringLiteral("&Find"));
    menufindlocat = AddItem(menuoptions, "menufindlocat", QStringLiteral("Find Locator..."),
                            QKeySequence(Qt::Key_F5));
    menuband = AddItem(menuoptions, "menuband", QStringLiteral("Band Activity..."),
                       QKeySequence(Qt::Key_F6));
    niks7 = AddSeparator(menuoptions, "niks7");
    menupskalarm = AddItem(menuoptions, "menupskalarm", QStringLiteral("PSK-Alarm..."),
                           QKeySequence(Qt::CTRL | Qt::Key_A));
    niks3 = AddSeparator(menuoptions, "niks3");
    menuclear1 = AddItem(menuoptions, "menuclear1", QStringLiteral("Clear Receive Window"));
    menuclear2 = AddItem(menuoptions, "menuclear2", QStringLiteral("Clear Waterfall Window"));
    niks5 = AddSeparator(menuoptions, "niks5");
    menubook = AddItem(menuoptions, "menubook", QStringLiteral("Notebook..."));
    menuspeedniks = AddSeparator(menuoptions, "menuspeedniks");
    menuspeed = AddSubmenu(menuoptions, "menuspeed", QStringLiteral("Speed"));
    for (const pskmodem::Speed speed : platform::kSpeeds) {
        const QByteArray name = "menuspeed" + QByteArray::number(pskmodem::speedNumber(speed));
        menuspeeds[static_cast<std::size_t>(speed)] =
            AddTickItem(menuspeed, name.constData(), platform::SpeedName(speed));
    }

    menusetup = AddMenu(bar, "menusetup", QStringLiteral("&Setup"));
    menusetupfont = AddItem(menusetup, "menusetupfont", QStringLiteral("Fonts..."));
    menutextcolors = AddSubmenu(menusetup, "menutextcolors", QStringLiteral("Text Colors"));
    menutextcol1 = AddTickItem(menutextcolors, "menutextcol1", QStringLiteral("Black on Yellow"));
    menutextcol2 = AddTickItem(menutextcolors, "menutextcol2", QStringLiteral("Black on White"));
    menutextcol3 = AddTickItem(menutextcolors, "menutextcol3", QStringLiteral("White on Blue"));
    menutextcol4 = AddTickItem(menutextcolors, "menutextcol4", QStringLiteral("Yellow on Black"));
    menutextcol5 = AddTickItem(menutextcolors, "menutextcol5", QStringLiteral("White on green"));
    menuwatercol = AddSubmenu(menusetup, "menuwatercol", QStringLiteral("Waterfall Colors"));
    menuwaterfallcol1 = AddTickItem(menuwatercol, "menuwaterfallcol1", QStringLiteral("Blue"));
    menuwaterfallcol2 = AddTickItem(menuwatercol, "menuwaterfallcol2", QStringLiteral("Red"));
    menuwaterfallcol3 = AddTickItem(menuwatercol, "menuwaterfallcol3", QStringLiteral("Black"));
    niks4 = AddSeparator(menusetup, "niks4");
    menusetupdsp = AddItem(menusetup, "menusetupdsp", QStringLiteral("Setup PSK/DSP..."));
    menusetupalarm = AddItem(menusetup, "menusetupalarm", QStringLiteral("Setup PSK Alarm..."));
    nikss1 = AddSeparator(menusetup, "nikss1");
    menusound = AddItem(menusetup, "menusound", QStringLiteral("Sound Mixer..."));
    menuaudioinput = AddItem(menusetup, "menuaudioinput", QStringLiteral("Audio Input..."));
    menurig = AddItem(menusetup, "menurig", QStringLiteral("Rig Control..."));
    menureporting = AddItem(menusetup, "menureporting", QStringLiteral("Reporting..."));
    setupniks1 = AddSeparator(menusetup, "setupniks1");
    menuopcall = AddItem(menusetup, "menuopcall", QStringLiteral("Enter your call..."));
    menusetupbackground =
        AddTickItem(menusetup, "menusetupbackground", QStringLiteral("Use Background Skin"));
    menuscreensize =
        AddTickItem(menusetup, "menuscreensize", QStringLiteral("Remember Screen Size"));
    menuopniks = AddSeparator(menusetup, "menuopniks");
    menudefault =
        AddItem(menusetup, "menudefault", QStringLiteral("Restore all settings to default"));
    menusetupsaveset =
        AddItem(menusetup, "menusetupsaveset", QStringLiteral("Save Current Settings"));
    menusetupsaveset->setVisible(false);

    // The waterfall's popup: a menu of the window that never shows in the menu bar.
    menuwaters = new QMenu(QStringLiteral("Waterfall"), this);
    menuwaters->setObjectName(QStringLiteral("menuwaters"));
    menuwatcopy = AddItem(menuwaters, "menuwatcopy", QStringLiteral("Copy"));
    menuwatclear = AddItem(menuwaters, "menuwatclear", QStringLiteral("Clear"));
    menuwatsave = AddItem(menuwaters, "menuwatsave", QStringLiteral("Save..."));
    niks6 = AddSeparator(menuwaters, "niks6");
    menuwatclose = AddItem(menuwaters, "menuwatclose", QStringLiteral("Close Menu"));

    mnuHelp = AddMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    // "F1" is part of the caption; the F1 key itself is handled by the window.
    help = AddItem(mnuHelp, "help",
                   QStringLiteral("Quorvin Help") + QString(23, u' ') + QStringLiteral("F1"));
    menuwebsite = AddItem(mnuHelp, "menuwebsite", QStringLiteral("Quorvin On The Web..."));
    niks10 = AddSeparator(mnuHelp, "niks10");
    menuhelpguide = AddItem(mnuHelp, "menuhelpguide", QStringLiteral("PSK Quick Guide"));
    nikss2 = AddSeparator(mnuHelp, "nikss2");
    mnuHelpAbout = AddItem(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"));
}
