#include "common/AppError.h"
#include "display/ChartExport.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace quorlin {
namespace {

const QColor kYellow(255, 255, 0);  // plot 1's first colour
const QColor kGreen(0, 255, 0);     // plot 2's

// Plot 1 level at +2, plot 2 at -2, over 0..10 s, on a 700 x 400 plot.
class ChartExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (int p = 0; p < 2; ++p) {
            auto t = std::make_shared<PointTable>();
            for (int i = 0; i <= 1000; ++i) {
                t->setLast(i * 0.01, p == 0 ? 2.0 : -2.0);
                t->addEmptyColumn();
            }
            chart.replacePlotData(p + 1, t);
        }
        chart.setXRange(0, 10);
        QCustomPlot* plot = chart.customPlot();
        plot->resize(700, 400);
        plot->setViewport(QRect(0, 0, 700, 400));  // a hidden widget gets no resize event
        chart.redrawNow();
        plot->replot(QCustomPlot::rpImmediateRefresh);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray contents(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QCustomPlotChart chart;
};

// Rows of a column that carry the colour.
std::vector<int> rowsOf(const QImage& image, int x, const QColor& colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y).rgb() == colour.rgb()) {
            rows.push_back(y);
        }
    }
    return rows;
}

TEST_F(ChartExportTest, png_atScreenSize_hasThePlotsColoursWhereTheyBelong) {
    const QString file = path("chart.png");
    exportChart(chart, file);
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(700, 400));
    QCustomPlot* plot = chart.customPlot();
    const int x = qRound(plot->xAxis->coordToPixel(5.3));  // off the grid lines
    EXPECT_EQ(rowsOf(image, x, kYellow), std::vector<int>{qRound(plot->yAxis->coordToPixel(2))});
    EXPECT_EQ(rowsOf(image, x, kGreen), std::vector<int>{qRound(plot->yAxis->coordToPixel(-2))});
    EXPECT_EQ(image.pixelColor(x, qRound(plot->yAxis->coordToPixel(0.9))).rgb(),
              QColor(Qt::black).rgb());  // the plot area's background between them
}

TEST_F(ChartExportTest, png_atChosenWidth_keepsAspectAndShowsOnlyWhatTheViewShows) {
    chart.setViewYRange(0, 5);  // the operator looks at the upper half: plot 2 out of view
    const QString file = path("wide.PNG");
    exportChart(chart, file, 1400);
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1400, 800));
    int yellow = 0;
    int green = 0;
    for (int x = 0; x < image.width(); x += 7) {
        yellow += static_cast<int>(rowsOf(image, x, kYellow).size());
        green += static_cast<int>(rowsOf(image, x, kGreen).size());
    }
    EXPECT_GT(yellow, 100);
    EXPECT_EQ(green, 0);
    // The screen picture is untouched by the export.
    EXPECT_EQ(chart.customPlot()->viewport().size(), QSize(700, 400));
}

TEST_F(ChartExportTest, svgAndPdf_readBackAsVectorPictures) {
    const QString svg = path("chart.svg");
    exportChart(chart, svg);
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 700, 400));
    const QByteArray svgText = contents(svg);
    EXPECT_TRUE(svgText.contains("#ffff00"));  // the plots' lines, as lines
    EXPECT_TRUE(svgText.contains("#00ff00"));
    EXPECT_TRUE(svgText.contains("Seconds"));

    const QString pdf = path("chart.pdf");
    exportChart(chart, pdf);
    const QByteArray pdfBytes = contents(pdf);
    EXPECT_TRUE(pdfBytes.startsWith("%PDF-"));
    const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page\b)"));
    EXPECT_EQ(QString::fromLatin1(pdfBytes).count(page), 1);
}

TEST_F(ChartExportTest, unknownTypeOrUnwritablePlace_throwAndLeaveNothing) {
    for (const QString& file : {path("chart.jpg"), path("missing/chart.png"),
                                path("missing/chart.svg"), path("missing/chart.pdf")}) {
        EXPECT_THROW(exportChart(chart, file), AppError) << file.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(ChartExportTest, existingFile_isReplaced) {
    const QString file = path("chart.png");
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a picture");
    old.close();
    exportChart(chart, file);
    EXPECT_FALSE(QImage(file).isNull());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"chart.png"});
}

TEST(ChartFileType, followsTheExtensionInAnyCase) {
    EXPECT_EQ(chartFileTypeOf("a.png"), ChartFileType::Png);
    EXPECT_EQ(chartFileTypeOf("/x/b.SvG"), ChartFileType::Svg);
    EXPECT_EQ(chartFileTypeOf("c.d.pdf"), ChartFileType::Pdf);
    EXPECT_EQ(chartFileTypeOf("pdf"), std::nullopt);
    EXPECT_EQ(chartFileTypeOf("e.png.txt"), std::nullopt);
}

}  // namespace
}  // namespace quorlin
