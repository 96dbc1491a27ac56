// Chart pages on paper and in files: print jobs on the system's printers or PDF files, and PNG files.
#include "output/print/chartprinting.h"

#include "common/savefile.h"
#include "common/version.h"
#include "variables/view/chartview.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLocale>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScreen>

#include <cmath>

namespace moldrin
{

namespace
{

// Pages are laid out in the screen's pixels, so the chart view measures its texts as it draws them.
int ScreenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInch())) : 96;
}

QPageSize PdfPaper()
{
    return QPageSize(
        QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
}

class ChartPrintJob : public PageSink
{
public:
    // `pdf` is the file a PDF device writes into (none for a printer).
    ChartPrintJob(
        std::unique_ptr<QPagedPaintDevice> device, std::unique_ptr<QSaveFile> pdf, int dpi, const PageMargins& margins)
        : mPdf(std::move(pdf))
        , mDevice(std::move(device))
        , mDpi(dpi)
        , mMargins(margins)
    {
    }

    bool PrintPage(const ChartModel& chart) override
    {
        if (!mPainter.isActive()) {
            if (mPages > 0 || !mPainter.begin(mDevice.get()))
                return Fail(QStringLiteral("The printer cannot start the job"));
        } else if (!mDevice->newPage()) {
            return Fail(QStringLiteral("The printer cannot start a new page"));
        }
        ++mPages;
        const QRect paper = mDevice->pageLayout().fullRectPixels(mDpi);
        const QRect area(int(paper.width() * mMargins.left / 100), int(paper.height() * mMargins.top / 100),
            int(paper.width() * (100 - mMargins.left - mMargins.right) / 100),
            int(paper.height() * (100 - mMargins.top - mMargins.bottom) / 100));
        if (area.width() < 1 || area.height() < 1)
            return Fail(QStringLiteral("The margins leave no room on the page"));
        ChartView view;
        view.setPanelShown(true);
        view.resize(area.size());
        view.render(chart);
        mPainter.save();
        mPainter.translate(area.topLeft());
        mPainter.setMode(QCPPainter::pmVectorized);
        view.toPainter(&mPainter, area.width(), area.height());
        mPainter.restore();
        return true;
    }

    void Abort() override
    {
        if (auto* printer = dynamic_cast<QPrinter*>(mDevice.get()); printer && mPainter.isActive())
            printer->abort();
        if (mPdf)
            mPdf->cancelWriting();
        Fail(QStringLiteral("The print job was stopped"));
    }

    bool Finish() override
    {
        if (mPainter.isActive() && !mPainter.end())
            return Fail(QStringLiteral("The printer cannot finish the job"));
        if (mPages == 0)
            return Fail(QStringLiteral("Nothing was printed"));
        // A PDF file that failed is left out (the save file discards it).
        if (mPdf && mError.isEmpty() && !(mPdf->flush() && mPdf->commit()))
            return Fail(mPdf->errorString());
        return mError.isEmpty();
    }

    QString error() const override { return mError; }

private:
    bool Fail(const QString& error)
    {
        if (mError.isEmpty())
            mError = error;
        return false;
    }

    // The device writes into the file: it goes first.
    std::unique_ptr<QSaveFile> mPdf;
    std::unique_ptr<QPagedPaintDevice> mDevice;
    int mDpi;
    PageMargins mMargins;
    QCPPainter mPainter;
    int mPages = 0;
    QString mError;
};

std::unique_ptr<PageSink> OpenPdfJob(const QString& file, const PageMargins& margins, QString& error)
{
    auto out = std::make_unique<QSaveFile>(file);
    if (!out->open(QIODevice::WriteOnly)) {
        error = out->errorString();
        return nullptr;
    }
    const int dpi = ScreenDpi();
    auto pdf = std::make_unique<QPdfWriter>(out.get());
    pdf->setCreator(QStringLiteral("Moldrin ") + VersionText());
    pdf->setResolution(dpi);
    pdf->setPageLayout(QPageLayout(PdfPaper(), QPageLayout::Landscape, QMarginsF()));
    return std::make_unique<ChartPrintJob>(std::move(pdf), std::move(out), dpi, margins);
}

QString PrintToPdf(const QString& file, const PageMargins& margins, const std::function<bool(PageSink&)>& pages)
{
    return RunPrintJob([&](QString& error) { return OpenPdfJob(file, margins, error); }, pages);
}

} // namespace

SystemPrinters SystemPrinters::Installed()
{
    return { QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName() };
}

QString WriteChartPng(const ChartModel& chart, const QString& file, QSize size)
{
    if (size.isEmpty())
        return QStringLiteral("The chart has no size");
    ChartView view;
    view.setPanelShown(true);
    view.resize(size);
    view.render(chart);
    const QImage image = view.toPixmap(size.width(), size.height()).toImage();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return writer.errorString();
    return SaveFileAtomically(file, [&](QIODevice& out) { return out.write(png) == png.size(); });
}

std::unique_ptr<PageSink> OpenChartPrintJob(const PrintTarget& target, const PageMargins& margins, QString& error)
{
    if (target.printer == kPrintToPdfFile)
        return OpenPdfJob(target.pdfFile, margins, error);
    const QPrinterInfo info = QPrinterInfo::printerInfo(target.printer);
    if (info.isNull()) {
        error = QStringLiteral("Printer ") + target.printer + QStringLiteral(" is not installed");
        return nullptr;
    }
    const int dpi = ScreenDpi();
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) {
        error = QStringLiteral("Printer ") + target.printer + QStringLiteral(" cannot be used");
        return nullptr;
    }
    printer->setDocName(kAppTitle);
    printer->setCreator(QStringLiteral("Moldrin ") + VersionText());
    printer->setResolution(dpi);
    printer->setFullPage(true);
    printer->setPageOrientation(QPageLayout::Landscape);
    return std::make_unique<ChartPrintJob>(std::move(printer), nullptr, dpi, margins);
}

QString PrintChartToPdf(ChartModel& chart, const QString& file, const ChartOutputRow& row)
{
    return PrintToPdf(
        file, row.margins, [&](PageSink& sink) { return PrintChartPage(chart, sink, QDateTime::currentDateTime()); });
}

QString PrintMainChartToPdf(ChartModel& chart, const QString& file, PrintMode mode, const MainChartFilters& filters,
    const QString& chartTitle, bool zonesShown)
{
    return PrintToPdf(file, MainChartOutputRow().margins, [&](PageSink& sink) {
        return PrintMainChartPages(
            chart, mode, PrintFilterLine(filters), chartTitle, zonesShown, sink, QDateTime::currentDateTime());
    });
}

} // namespace moldrin
