#include "display/ChartExport.h"

#include "common/AppError.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace quorlin {

namespace {

AppError cannotWrite(const QString& path, const QString& why) {
    return AppError(
        ErrorNumber::PathFileAccessError,
        QStringLiteral("Path/File access error: %1 (%2)").arg(QDir::toNativeSeparators(path), why));
}

// QCustomPlot writes PNG and PDF to a path of its own choosing; it goes to a temporary file
// beside the target first, so a failed export neither leaves a half file nor spoils an
// existing one.
QString temporaryBeside(const QString& path) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() +
           QStringLiteral(".export-tmp.") + info.suffix();
}

void moveIntoPlace(const QString& from, const QString& path) {
    if (QFile::exists(path) && !QFile::remove(path)) {
        QFile::remove(from);
        throw cannotWrite(path, QStringLiteral("the existing file cannot be replaced"));
    }
    if (!QFile::rename(from, path)) {
        QFile::remove(from);
        throw cannotWrite(path, QStringLiteral("the file cannot be written"));
    }
}

void writeSvg(QCustomPlot& plot, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw cannotWrite(path, file.errorString());
    }
    const int width = plot.width();
    const int height = plot.height();
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setTitle(QStringLiteral("Quorlin chart"));
        QCPPainter painter;
        if (!painter.begin(&generator)) {
            file.cancelWriting();
            throw cannotWrite(path, QStringLiteral("the picture cannot be drawn"));
        }
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        plot.toPainter(&painter, width, height);
        painter.end();
    }
    if (!file.flush() || !file.commit()) {
        file.cancelWriting();
        throw cannotWrite(path, file.errorString());
    }
}

}  // namespace

std::optional<ChartFileType> chartFileTypeOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png") {
        return ChartFileType::Png;
    }
    if (suffix == u"svg") {
        return ChartFileType::Svg;
    }
    if (suffix == u"pdf") {
        return ChartFileType::Pdf;
    }
    return std::nullopt;
}

QString chartFileFilter() {
    return QStringLiteral(
        "PNG Image (*.png)|*.png|SVG Image (*.svg)|*.svg|PDF Document (*.pdf)|*.pdf");
}

void exportChart(QCustomPlotChart& chart, const QString& path, int pngWidth) {
    const std::optional<ChartFileType> type = chartFileTypeOf(path);
    if (!type) {
        throw cannotWrite(path, QStringLiteral("the name must end in .png, .svg or .pdf"));
    }
    QCustomPlot& plot = *chart.customPlot();
    chart.redrawNow();  // what is pending is part of what is shown
    if (*type == ChartFileType::Svg) {
        writeSvg(plot, path);
        return;
    }
    const QString temporary = temporaryBeside(path);
    bool written = false;
    if (*type == ChartFileType::Png) {
        int width = plot.width();
        int height = plot.height();
        if (pngWidth > 0 && width > 0) {
            height = std::max(
                1, static_cast<int>(std::lround(static_cast<double>(height) * pngWidth / width)));
            width = pngWidth;
        }
        // At another width than the screen's, the plot is laid out afresh for that size
        // (as on a window of that size), not scaled: lines stay one pixel wide.
        written = plot.savePng(temporary, width, height);
    } else {
        written = plot.savePdf(temporary, plot.width(), plot.height());
    }
    if (!written) {
        QFile::remove(temporary);
        throw cannotWrite(path, QStringLiteral("the file cannot be written"));
    }
    moveIntoPlace(temporary, path);
}

}  // namespace quorlin
