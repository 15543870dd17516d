// lumaxis render run as a process on a real project file.
#include "support/ProgramRun.h"
#include "support/SampleProjects.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CmdRender, DefaultItemShowsWelcomeInRedCentred)
{
    QTemporaryDir dir;
    const QString project = SaveRichTextProject(dir.path(), 3);
    const QString out = dir.filePath(QStringLiteral("pages"));
    const ProgramRun r =
        RunLumaxis({"render", project, "--panel", "1", "--item", "1", "--out", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("1 page(s) of 128 x 32"))) << r.Out.toStdString();
    QImage page(QDir(out).filePath(QStringLiteral("page-01.png")));
    ASSERT_EQ(page.size(), QSize(128, 32));
    page = page.convertToFormat(QImage::Format_RGB32);
    int lit = 0, minX = 128, maxX = -1, minY = 32, maxY = -1;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) {
            const QRgb px = page.pixel(x, y);
            if ((px & 0xFFFFFF) == 0)
                continue;
            // Only the red plane is lit, fully.
            EXPECT_EQ(px & 0xFFFFFF, 0xFF0000u) << x << "," << y;
            ++lit;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    EXPECT_GT(lit, 100);
    // Centred both ways within a pixel or two.
    EXPECT_LE(std::abs(minX - (127 - maxX)), 2);
    EXPECT_LE(std::abs(minY - (31 - maxY)), 2);
    page.save(QStringLiteral(LUMAXIS_BINARY_DIR "/render-default-item.png"));
}

TEST(CmdRender, RefusesOtherKindsAndBadNumbers)
{
    QTemporaryDir dir;
    const QString project = SaveRichTextProject(dir.path(), 1);
    const QString out = dir.filePath(QStringLiteral("pages"));
    ProgramRun r = RunLumaxis({"render", project, "--panel", "1", "--item", "2", "--out", out});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("rich-text items only"))) << r.Err.toStdString();
    r = RunLumaxis({"render", project, "--panel", "2", "--item", "1", "--out", out});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("no panel 2")));
    r = RunLumaxis({"render", project, "--panel", "1", "--item", "0", "--out", out});
    EXPECT_EQ(r.ExitCode, 2);
    r = RunLumaxis(
        {"render", dir.filePath("missing.sgn"), "--panel", "1", "--item", "1", "--out", out});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_FALSE(QDir(out).exists());
}

} // namespace
