#include "help/help_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/modeless_window.h"

namespace help {

QString HelpDocument(const QString& programFolder, const QString& executableFolder) {
    for (const QString& folder : {programFolder, executableFolder}) {
        if (folder.isEmpty()) {
            continue;
        }
        const QString path = QDir(folder).absoluteFilePath(QString::fromUtf16(kHelpFileName));
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return {};
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
