#include "platform/printer.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

#include "platform/dialogs.h"

namespace platform {

namespace {

// One printed line per line of the text, whichever line ends it uses (a received line ends
// in CR CR LF).
QString PrintedLines(QString text) {
    text.replace(QStringLiteral("\r\r\n"), QStringLiteral("\n"))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\r', u'\n');
    return text;
}

bool PrintOn(QPrinter& printer, const QString& text) {
    QTextDocument document;
    document.setPlainText(PrintedLines(text));
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

}  // namespace

void PrintOrSayNotReady(Printer& printer, Dialogs& dialogs, const QString& text) {
    if (!printer.print(text)) {
        QApplication::beep();
        dialogs.msgBox(QStringLiteral("Printer not ready"), MsgButtons::Ok, MsgIcon::Exclamation,
                       QStringLiteral("Print error"));
    }
}

bool DefaultPrinter::print(const QString& text) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        return false;
    }
    QPrinter printer(info);
    return printer.isValid() && PrintOn(printer, text);
}

bool PdfFilePrinter::print(const QString& text) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path_);
    return PrintOn(printer, text);
}

}  // namespace platform
