#pragma once

// Sizes of the real dialogs on the desktop: a message box wide enough for the window manager to
// show its whole caption, and file dialogs wide enough for all the columns of their file list.

#include <QRect>
#include <QSize>

class QFileDialog;
class QFont;
class QMessageBox;
class QString;

namespace platform {

// The least size of a file dialog: its list then shows the name, size, type and date columns
// side by side.
inline constexpr QSize kFileDialogSize{900, 540};

// The width, in pixels, that a window needs for its title bar to show `title` whole: the
// caption in the bold face of `font` (title bars draw their captions bold), and room for the
// window's icon and its three buttons.
int WidthForCaption(const QString& title, const QFont& font);

// Makes `box` at least as wide as its caption needs. A message box sizes itself to its text and
// buttons, so a short text ("Could not write to disk.") under a longer caption would have the
// caption cut off by the window manager.
void FitCaption(QMessageBox& box);

// The size a file dialog opens at, from its own size `hint`: at least kFileDialogSize, within
// `available` (the screen's free area).
QSize FileDialogSize(const QSize& hint, const QRect& available);

// Gives `dialog` its FileDialogSize on the screen it opens on, and the columns of its file
// list room for a size, a type and a date written out in full.
void SizeFileDialog(QFileDialog& dialog);

}  // namespace platform
