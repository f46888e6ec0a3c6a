// TWebEngineControl: printing, one print at a time in the process. A printer that writes a
// PDF file gets the engine's own PDF, so that text stays text.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/pagedialogs.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include <memory>

bool WebEngineDetail::g_printing = false;

using namespace WebEngineDetail;

bool TWebEngineControl::IsPrinting()
{
    return g_printing;
}

bool TWebEngineControl::printPage(QPrinter *printer)
{
    if (g_printing || !m_view) {
        delete printer;
        return false;
    }
    g_printing = true;
    m_printer = printer;
    if (PrintsToPdfFile(*printer))
        printToPdfFile(printer);
    else
        m_view->print(printer);
    return true;
}

bool TWebEngineControl::PrintsToPdfFile(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat
            || printer.outputFileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

void TWebEngineControl::printToPdfFile(QPrinter *printer)
{
    // Printing on a PDF printer would make a picture of each page.
    const QString path = printer->outputFileName();
    QPointer<TWebEngineControl> self(this);
    m_page->printToPdf([self, path](const QByteArray &pdf) {
        bool ok = !pdf.isEmpty() && !path.isEmpty();
        if (ok) {
            QSaveFile file(path);
            ok = file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size() && file.commit();
        }
        if (self)
            self->finishPrint(ok);
    }, printer->pageLayout(), printer->pageRanges());
}

void TWebEngineControl::finishPrint(bool ok)
{
    delete m_printer;
    m_printer = nullptr;
    g_printing = false;
    Q_EMIT PrintFinished(ok);
}

void TWebEngineControl::print(bool prompt)
{
    if (g_printing || !m_view)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(TPageSettings::PageLayout());
    printer->setDocName(LocationName());
    bool ask = prompt;
    if (!prompt) {
        const QString file = TPageSettings::PrintToFile();
        if (!file.isEmpty()) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
        } else if (QPrinterInfo::defaultPrinter().isNull()) {
            // No printer to print on without asking: let the user choose (or print to a file).
            ask = true;
        }
    }
    if (ask) {
        QPointer<TWebEngineControl> self(this);
        QPrintDialog dialog(printer.get(), m_view->window());
        if (dialog.exec() != QDialog::Accepted || !self)
            return;
    }
    printPage(printer.release());
}
