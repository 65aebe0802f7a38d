#include "platform/dialog_sizes.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QString>
#include <QTreeView>

namespace platform {

namespace {

// The window's icon and its three title-bar buttons, with the gaps around them, take about
// this many lines of the caption's height (window managers centre the caption in the bar, so
// the wider side counts twice).
constexpr int kTitleBarButtonsInLines = 8;

}  // namespace

int WidthForCaption(const QString& title, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(title) + kTitleBarButtonsInLines * metrics.height();
}

void FitCaption(QMessageBox& box) {
    // The box sets its own fixed size from its layout when it is shown: an empty item as wide
    // as the caption needs, under everything else, widens it.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    const int width = WidthForCaption(box.windowTitle(), box.font());
    const QMargins margins = grid->contentsMargins();
    grid->addItem(new QSpacerItem(width - margins.left() - margins.right(), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

QSize FileDialogSize(const QSize& hint, const QRect& available) {
    return hint.expandedTo(kFileDialogSize).boundedTo(available.size());
}

void SizeFileDialog(QFileDialog& dialog) {
    const QWidget* parent = dialog.parentWidget();
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    dialog.resize(FileDialogSize(dialog.sizeHint(), screen->availableGeometry()));
    // The list's own columns start too narrow for a size, a type or a date written out in full;
    // they get room for the longest usual ones and the name takes the rest.
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (list == nullptr || list->header()->count() < 4) {
        return;
    }
    QHeaderView* header = list->header();
    const QFontMetrics metrics(list->font());
    const int padding = 2 * metrics.height();
    const QDateTime longDate(QDate(2026, 12, 28), QTime(23, 59, 59));
    header->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("1023.9 KiB")) + padding);
    header->resizeSection(2,
                          metrics.horizontalAdvance(QStringLiteral("Windows BMP image")) + padding);
    header->resizeSection(
        3, metrics.horizontalAdvance(QLocale::system().toString(longDate, QLocale::ShortFormat)) +
               padding);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
}

}  // namespace platform
