// Rich-text items in lumaxis export, run as the real programs: rendered for
// the panel's colours, written with continuation blocks, and read back by
// the virtual card.
#include "support/JsonFile.h"
#include "support/ProgramRun.h"
#include "support/SampleProjects.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Lit pixels of a card page image, all of them pure red.
int RedPixels(const QImage& png)
{
    int red = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QRgb px = png.pixel(x, y) & 0xFFFFFF;
            EXPECT_TRUE(px == 0 || px == 0xFF0000) << x << "," << y;
            red += px != 0;
        }
    }
    return red;
}

} // namespace

TEST(CmdProgramRtf, ExportWritesRenderedPagesInBlocks)
{
    QTemporaryDir dir;
    // Three planes of 128 x 32: 1536 bytes a page, a first and a
    // continuation block.
    const QString project = SaveRichTextProject(dir.path(), 3);
    const ProgramRun r =
        RunLumaxis({QStringLiteral("export"), project, QStringLiteral("--out"), dir.path()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QString sd = dir.filePath(QStringLiteral("led.sd"));
    // Parameters, zones, two rich-text blocks, the text item, program end.
    EXPECT_EQ(QFile(sd).size(), 6 * 2048);

    const QString pages = dir.filePath(QStringLiteral("pages"));
    const ProgramRun load =
        RunProgram(VcardProgram(), {QStringLiteral("--quiet"), QStringLiteral("--load"), sd,
                                    QStringLiteral("--program-dir"), pages});
    ASSERT_EQ(load.ExitCode, 0) << load.Err.toStdString();
    const QJsonObject rich = ReadJson(QDir(pages).filePath(QStringLiteral("page-001.json")));
    EXPECT_EQ(rich.value("Blocks").toInt(), 2);
    EXPECT_EQ(rich.value("DataBytes").toInt(), 1536);
    const QImage png(QDir(pages).filePath(QStringLiteral("page-001.png")));
    ASSERT_EQ(png.size(), QSize(128, 32));
    EXPECT_GT(RedPixels(png), 100);
}
