// Reading PDF files in tests with poppler-utils: the page count and the text of a page.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace moldrin::test
{

// The page count pdfinfo reports, -1 when it cannot read the file.
inline int PdfPageCount(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), { file });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    const auto match = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                           .match(QString::fromUtf8(p.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The text of page `page` (from 1) in reading order, "" when it cannot be read.
inline QString PdfPageText(const QString& file, int page)
{
    QProcess p;
    const QString n = QString::number(page);
    p.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-f"), n, QStringLiteral("-l"), n, file, QStringLiteral("-") });
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace moldrin::test
