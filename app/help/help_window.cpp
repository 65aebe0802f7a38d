#include "help/help_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/modeless_window.h"
#include "platform/program_folder.h"

namespace help {

QString HelpDocument(const QString& programFolder, const QString& executableFolder) {
    const QString name = QString::fromUtf16(kHelpFileName);
    if (!programFolder.isEmpty()) {
        const QString own = QDir(programFolder).absoluteFilePath(name);
        if (QFileInfo(own).isFile()) {
            return own;
        }
    }
    return platform::ShippedFile(executableFolder, name);
}

QString MissingHelpText(const QString& expectedPath) {
    return QStringLiteral("The help document cannot be found. It belongs at ") + expectedPath +
           QStringLiteral(".");
}

}  // namespace help

HelpWindow::HelpWindow(const QString& document, QWidget* parent) : QWidget(parent) {
    platform::SetUpModelessWindow(*this, QStringLiteral("HelpWindow"),
                                  QStringLiteral("Quorvin Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl::fromLocalFile(document), QTextDocument::MarkdownResource);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 560);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    event->accept();
}
