// Form1's menu bar: five menus and the waterfall's popup, with their captions, shortcuts,
// separators and the items that carry a tick.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "mainwindow/form1.h"

namespace {

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* addSubmenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = QKeySequence()) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
    }
    return item;
}

// An item that carries a tick while its setting is on.
QAction* addTickItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut = QKeySequence()) {
    QAction* item = addItem(menu, name, caption, shortcut);
    item->setCheckable(true);
    return item;
}

QAction* addSeparator(QMenu* menu, const char* name) {
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

}  // namespace

void Form1::createMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = addMenu(bar, "mnuFile", QStringLiteral("&File"));
    menufiletext = addSubmenu(mnuFile, "menufiletext", QStringLiteral("Text "));
    menuopen = addItem(menufiletext, "menuopen", QStringLiteral("&Open..."),
                       QKeySequence(Qt::CTRL | Qt::Key_O));
    menuopenote = addItem(menufiletext, "menuopenote", QStringLiteral("Open in &Notepad..."));
    menusave = addItem(menufiletext, "menusave", QStringLiteral("&Save..."),
                       QKeySequence(Qt::CTRL | Qt::Key_S));
    menufilewaterfall =
        addSubmenu(mnuFile, "menufilewaterfall", QStringLiteral("Waterfall Spectrum"));
    menuopenbmp = addItem(menufilewaterfall, "menuopenbmp", QStringLiteral("Open..."));
    menuopenpaint = addItem(menufilewaterfall, "menuopenpaint", QStringLiteral("Open in &Paint..."),
                            QKeySequence(Qt::CTRL | Qt::Key_P));
    menusavebmp = addItem(menufilewaterfall, "menusavebmp", QStringLiteral("Save as BMP..."),
                          QKeySequence(Qt::CTRL | Qt::Key_B));
    niks9 = addSeparator(mnuFile, "niks9");
    menuautolog = addTickItem(mnuFile, "menuautolog", QStringLiteral("Autolog To File"),
                              QKeySequence(Qt::Key_F4));
    niks0 = addSeparator(mnuFile, "niks0");
    menuprint = addItem(mnuFile, "menuprint", QStringLiteral("Print..."));
    niks = addSeparator(mnuFile, "niks");
    mnuFileExit = addItem(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    menuedit = addMenu(bar, "menuedit", QStringLiteral("&Edit"));
    menucut = addItem(menuedit, "menucut", QStringLiteral("Cut"));
    menucopy = addItem(menuedit, "menucopy", QStringLiteral("Copy"));
    menupaste = addItem(menuedit, "menupaste", QStringLiteral("Paste"));
    niks11 = addSeparator(menuedit, "niks11");
    menupastetime = addItem(menuedit, "menupastetime", QStringLiteral("Paste Date and Time"),
                            QKeySequence(Qt::CTRL | Qt::Key_T));
    niks1 = addSeparator(menuedit, "niks1");
    menutextwin = addItem(menuedit, "menutextwin", QStringLiteral("Copy Entire Text Window"));
    menuwater = addItem(menuedit, "menuwater", QStringLiteral("Copy Waterfall"));
    niks8 = addSeparator(menuedit, "niks8");
    menuedittext = addTickItem(menuedit, "menuedittext", QStringLiteral("Enable Text To Edit "));

    menuoptions = addMenu(bar, "menuoptions", QStringLiteral("&Options"));
    menufind = addItem(menuoptions, "menufind", QStringLiteral("&Find"));
    menufindlocat = addItem(menuoptions, "menufindlocat", QStringLiteral("Find Locator..."),
                            QKeySequence(Qt::Key_F5));
    niks7 = addSeparator(menuoptions, "niks7");
    menupskalarm = addItem(menuoptions, "menupskalarm", QStringLiteral("PSK-Alarm..."),
                           QKeySequence(Qt::CTRL | Qt::Key_A));
    niks3 = addSeparator(menuoptions, "niks3");
    menuclear1 = addItem(menuoptions, "menuclear1", QStringLiteral("Clear Receive Window"));
    menuclear2 = addItem(menuoptions, "menuclear2", QStringLiteral("Clear Waterfall Window"));
    niks5 = addSeparator(menuoptions, "niks5");
    menubook = addItem(menuoptions, "menubook", QStringLiteral("Notebook..."));

    menusetup = addMenu(bar, "menusetup", QStringLiteral("&Setup"));
    menusetupfont = addItem(menusetup, "menusetupfont", QStringLiteral("Fonts..."));
    menutextcolors = addSubmenu(menusetup, "menutextcolors", QStringLiteral("Text Colors"));
    menutextcol1 = addTickItem(menutextcolors, "menutextcol1", QStringLiteral("Black on Yellow"));
    menutextcol2 = addTickItem(menutextcolors, "menutextcol2", QStringLiteral("Black on White"));
    menutextcol3 = addTickItem(menutextcolors, "menutextcol3", QStringLiteral("White on Blue"));
    menutextcol4 = addTickItem(menutextcolors, "menutextcol4", QStringLiteral("Yellow on Black"));
    menutextcol5 = addTickItem(menutextcolors, "menutextcol5", QStringLiteral("White on green"));
    menuwatercol = addSubmenu(menusetup, "menuwatercol", QStringLiteral("Waterfall Colors"));
    menuwaterfallcol1 = addTickItem(menuwatercol, "menuwaterfallcol1", QStringLiteral("Blue"));
    menuwaterfallcol2 = addTickItem(menuwatercol, "menuwaterfallcol2", QStringLiteral("Red"));
    menuwaterfallcol3 = addTickItem(menuwatercol, "menuwaterfallcol3", QStringLiteral("Black"));
    niks4 = addSeparator(menusetup, "niks4");
    menusetupdsp = addItem(menusetup, "menusetupdsp", QStringLiteral("Setup PSK/DSP..."));
    menusetupalarm = addItem(menusetup, "menusetupalarm", QStringLiteral("Setup PSK Alarm..."));
    nikss1 = addSeparator(menusetup, "nikss1");
    menusound = addItem(menusetup, "menusound", QStringLiteral("Sound Mixer..."));
    menuaudioinput = addItem(menusetup, "menuaudioinput", QStringLiteral("Audio Input..."));
    setupniks1 = addSeparator(menusetup, "setupniks1");
    menuopcall = addItem(menusetup, "menuopcall", QStringLiteral("Enter your call..."));
    menusetupbackground =
        addTickItem(menusetup, "menusetupbackground", QStringLiteral("Use Background Skin"));
    menuscreensize =
        addTickItem(menusetup, "menuscreensize", QStringLiteral("Remember Screen Size"));
    menuopniks = addSeparator(menusetup, "menuopniks");
    menudefault =
        addItem(menusetup, "menudefault", QStringLiteral("Restore all settings to default"));
    menusetupsaveset =
        addItem(menusetup, "menusetupsaveset", QStringLiteral("Save Current Settings"));
    menusetupsaveset->setVisible(false);

    // The waterfall's popup: a menu of the window that never shows in the menu bar.
    menuwaters = new QMenu(QStringLiteral("Waterfall"), this);
    menuwaters->setObjectName(QStringLiteral("menuwaters"));
    menuwatcopy = addItem(menuwaters, "menuwatcopy", QStringLiteral("Copy"));
    menuwatclear = addItem(menuwaters, "menuwatclear", QStringLiteral("Clear"));
    menuwatsave = addItem(menuwaters, "menuwatsave", QStringLiteral("Save..."));
    niks6 = addSeparator(menuwaters, "niks6");
    menuwatclose = addItem(menuwaters, "menuwatclose", QStringLiteral("Close Menu"));

    mnuHelp = addMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    // "F1" is part of the caption; the F1 key itself is handled by the window.
    help = addItem(mnuHelp, "help",
                   QStringLiteral("Quorvin Help") + QString(23, u' ') + QStringLiteral("F1"));
    menuwebsite = addItem(mnuHelp, "menuwebsite", QStringLiteral("Quorvin On The Web..."));
    niks10 = addSeparator(mnuHelp, "niks10");
    menuhelpguide = addItem(mnuHelp, "menuhelpguide", QStringLiteral("PSK Quick Guide"));
    nikss2 = addSeparator(mnuHelp, "nikss2");
    mnuHelpAbout = addItem(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"));

    connect(menufindlocat, &QAction::triggered, this, &Form1::menufindlocat_Click);
}
