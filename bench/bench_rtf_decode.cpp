// Times TRTFDecodeUnit::Decode and measures its peak memory for 40 and 1000
// characters, horizontal and vertical, on a 128 x 32 zone in colour mode 1
// and a 2040 x 256 zone in colour mode 3. Each case runs in a child process
// of its own so that its peak resident size is its own.
//
//   bench_rtf_decode [ITERATIONS]
#include "authoring/RTFDecodeUnit.h"
#include "authoring/RtfReader.h"
#include "items/SGNRtf.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Case
{
    int Characters;
    int Layout; // 0 horizontal, 1 vertical
    int Width, Height, Mode;
    int HalfPoints; // text size as written in the document
};

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A document as the editor stores one: Latin and Chinese text in two fonts
// and two colours, n characters in all.
QByteArray Document(int n, int halfPoints)
{
    const QString pattern = QStringLiteral("Welcome to our shop 欢迎光临本店 Sale today ");
    QString text;
    while (text.size() < n)
        text += pattern;
    text.truncate(n);
    QByteArray body;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            body += "\\f0\\cf1 ";
            body += static_cast<char>(u);
        } else {
            body += "\\f1\\cf2\\u" + QByteArray::number(u > 0x7FFF ? u - 0x10000 : u) + '?';
        }
    }
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial Black;}"
           "{\\f1\\fmodern\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}{\\colortbl "
           ";\\red255\\green0\\blue0;"
           "\\red255\\green255\\blue0;}\\viewkind4\\uc1\\pard\\fs" +
           QByteArray::number(halfPoints) + body + "\\par}";
}

int RunCase(const Case& c, int iterations, int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QByteArray rtf = Document(c.Characters, c.HalfPoints);
    std::array<uint8_t, 16> params{};
    params[0] = static_cast<uint8_t>(c.Width / 8);
    params[1] = static_cast<uint8_t>(c.Height / 8);
    params[2] = static_cast<uint8_t>(c.Mode);
    TRTFDecodeUnit unit;
    TSGNRtf item;
    item.PageLayout = static_cast<uint8_t>(c.Layout);
    const long baseline = PeakKiB();
    std::vector<double> ms;
    for (int i = 0; i < iterations; ++i) {
        // A fresh document each time: the fit changes the one it works on.
        QTextDocument doc;
        RtfReader::Read(rtf, doc);
        unit.Attach(&doc, params.data(), &item, 0, 0, c.Width, c.Height);
        QElapsedTimer timer;
        timer.start();
        unit.Decode();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        unit.Detach();
    }
    std::sort(ms.begin(), ms.end());
    // LUMAXIS_BENCH_DUMP=DIR keeps the last page image of each case to look at.
    const QString dump = qEnvironmentVariable("LUMAXIS_BENCH_DUMP");
    if (!dump.isEmpty())
        unit.GetBitmap().save(QStringLiteral("%1/%2-%3-%4x%5.png")
                                  .arg(dump)
                                  .arg(c.Characters)
                                  .arg(c.Layout ? "v" : "h")
                                  .arg(c.Width)
                                  .arg(c.Height));
    std::printf("%5d chars  %-10s  %4d x %-3d mode %d  %3zu pages  min %8.1f ms  median %8.1f ms  "
                "max %8.1f ms  peak RSS %6.1f MB (+%6.1f MB over %5.1f MB before Decode)\n",
                c.Characters, c.Layout ? "vertical" : "horizontal", c.Width, c.Height, c.Mode,
                item.Pages.size(), ms.front(), ms[ms.size() / 2], ms.back(), PeakKiB() / 1024.0,
                (PeakKiB() - baseline) / 1024.0, baseline / 1024.0);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const Case cases[] = {
        {40, 0, 128, 32, 1, 40},      {40, 1, 128, 32, 1, 40},      {1000, 0, 128, 32, 1, 40},
        {1000, 1, 128, 32, 1, 40},    {40, 0, 2040, 256, 3, 400},   {40, 1, 2040, 256, 3, 400},
        {1000, 0, 2040, 256, 3, 400}, {1000, 1, 2040, 256, 3, 400},
    };
    std::printf("Decode, %d runs a case (a fresh document each run; text written at 20 points "
                "for the small zone, 200 points for the large one, so the large one shrinks)\n",
                iterations);
    std::fflush(stdout);
    int failed = 0;
    for (const Case& c : cases) {
        const pid_t pid = fork();
        if (pid == 0)
            _exit(RunCase(c, iterations, argc, argv));
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            ++failed;
    }
    return failed ? 1 : 0;
}
