#pragma once

// The help window: the help document shipped with the program (HELP.md), shown as formatted
// text with its links followable. F1 anywhere in the program, and Help > Quorvin Help, open it.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace help {

inline constexpr char16_t kHelpFileName[] = u"HELP.md";

// The help document: the program folder's, else the shipped one found from the executable's
// folder (platform::ShippedFile); empty when there is none.
QString HelpDocument(const QString& programFolder, const QString& executableFolder);

// What the user is told when there is no help document.
QString MissingHelpText(const QString& expectedPath);

}  // namespace help

class HelpWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(const QString& document, QWidget* parent = nullptr);

    bool isUnloaded() const noexcept { return unloaded_; }
    QTextBrowser* browser() const noexcept { return browser_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QTextBrowser* browser_ = nullptr;
    bool unloaded_ = false;
};
