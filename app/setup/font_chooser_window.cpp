#include "setup/font_chooser_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/font_names.h"
#include "platform/modeless_window.h"
#include "settings/settings_record.h"

FontChooserWindow::FontChooserWindow(const FontChooserServices& services, QWidget* parent)
    : platform::SetupDialog(parent), services_(services) {
    platform::SetUpModelessWindow(*this, QStringLiteral("Form8"), QStringLiteral("Select a font"));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    Label1 = new QLabel(QStringLiteral("EXAMPLE: God bless the World and mankind"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(platform::FontNamed(Label1->font(), QStringLiteral("Fixedsys")));
    Label1->setWordWrap(true);
    Label1->setMinimumHeight(60);
    Label2 = new QLabel(QStringLiteral("Font: System"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Check1 = new QCheckBox(QStringLiteral("Use Default Font"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setEnabled(false);
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(List1, 0, 0, 4, 1);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(Check1, 1, 1);
    grid->addWidget(Command1, 2, 1);
    grid->addWidget(Command2, 3, 1, Qt::AlignTop);
    grid->addWidget(Label1, 4, 0, 1, 2);
    resize(460, 340);

    // Every font family the screen offers, each once, symbol fonts left out.
    const QStringList families = platform::InstalledChooserFamilies();
    List1->addItems(families);
    showFontInUse(families);
    List1->setFocus(Qt::OtherFocusReason);
    // A click, or an arrow key selecting another row, picks the name. The list's focus alone
    // makes its first row current without selecting it: that picks nothing.
    connect(List1, &QListWidget::itemClicked, this, &FontChooserWindow::List1_Click);
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List1->selectedItems().isEmpty()) {
            List1_Click();
        }
    });
    connect(Check1, &QCheckBox::clicked, this, &FontChooserWindow::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &FontChooserWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FontChooserWindow::Command2_Click);
}

void FontChooserWindow::showFontInUse(const QStringList& families) {
    const KVXmodules::SettingsRecord& r = services_.settings;
    const QString& inUse = r.FontForEditor != 0 ? r.EditorFont : r.Font;
    const int row = platform::ChooserRow(families, inUse);
    if (row < 0 || row >= List1->count()) {
        return;
    }
    List1->setCurrentRow(row);
    List1->scrollToItem(List1->item(row), QAbstractItemView::PositionAtCenter);
    const QString name = List1->item(row)->text();
    Label1->setFont(platform::FontNamed(Label1->font(), name));
    Label2->setText(QStringLiteral("Font: ") + name);
}

void FontChooserWindow::pick(const QString& name) {
    QFont preview = platform::FontNamed(Label1->font(), name);
    preview.setBold(false);
    preview.setItalic(false);
    Label1->setFont(preview);
    Command1->setEnabled(true);
    services_.settings.SelectedFont = name;
    Label2->setText(QStringLiteral("Font: ") + name);
}

void FontChooserWindow::List1_Click() {
    if (const QListWidgetItem* item = List1->currentItem()) {
        pick(item->text());
    }
}

void FontChooserWindow::Check1_Click() {
    pick(QString::fromUtf16(platform::kSystemFontName));
}

void FontChooserWindow::Command1_Click() {
    KVXmodules::SettingsRecord& r = services_.settings;
    services_.applyFont(r.SelectedFont);
    // The editor's font is its own: the receive window's setting stays.
    if (r.FontForEditor != 0) {
        r.EditorFont = r.SelectedFont;
    } else {
        r.Font = r.SelectedFont;
    }
    r.FontForEditor = 0;
    applied_ = true;
    close();
}

void FontChooserWindow::Command2_Click() {
    close();
}

void FontChooserWindow::closing() {
    if (!applied_) {
        services_.settings.SelectedFont.clear();
        services_.settings.FontForEditor = 0;
    }
}
