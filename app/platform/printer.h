#pragma once

// Printing plain text: the default printer, or (for a test or a preview) a PDF file, both
// through Qt's print support. Fonts, margins and pages are the printer's defaults.

#include <QString>
#include <utility>

namespace platform {

class Printer {
  public:
    Printer() = default;
    virtual ~Printer() = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Prints `text` (line breaks LF, CR LF or CR) as one document; false when there is no
    // printer or it failed.
    virtual bool print(const QString& text) = 0;
};

// The system's default printer; with none installed every print fails.
class DefaultPrinter final : public Printer {
  public:
    bool print(const QString& text) override;
};

class Dialogs;

// Prints `text`; when that fails, beeps and says "Printer not ready" (captioned "Print error").
void PrintOrSayNotReady(Printer& printer, Dialogs& dialogs, const QString& text);

// A PDF file in place of a printer.
class PdfFilePrinter final : public Printer {
  public:
    explicit PdfFilePrinter(QString path) : path_(std::move(path)) {}
    bool print(const QString& text) override;

  private:
    QString path_;
};

}  // namespace platform
