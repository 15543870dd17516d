#pragma once
// Helpers shared by the rich-text tests: documents from RTF text and a
// plain description of a document's runs to compare documents by.
#include "authoring/RtfReader.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <memory>
#include <string>
#include <vector>

namespace RtfTest {

inline std::unique_ptr<QTextDocument> Read(const QByteArray& rtf,
                                           RtfReader::Result* result = nullptr)
{
    auto doc = std::make_unique<QTextDocument>();
    const RtfReader::Result r = RtfReader::Read(rtf, *doc);
    if (result)
        *result = r;
    return doc;
}

inline QByteArray Fixture(const char* name)
{
    QFile f(QStringLiteral(LUMAXIS_FIXTURES "/rtf/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// One run of text with the properties a document shows it with.
struct Run
{
    int Block = 0;
    QString Text;
    QString Family;
    double Points = 0;
    QString Color; // "auto" or #rrggbb
    bool Bold = false, Italic = false, Underline = false, Strike = false;
    bool operator==(const Run& o) const
    {
        return Block == o.Block && Text == o.Text && Family == o.Family && Points == o.Points &&
               Color == o.Color && Bold == o.Bold && Italic == o.Italic &&
               Underline == o.Underline && Strike == o.Strike;
    }
};

inline std::string ToString(const Run& r)
{
    return QStringLiteral("[%1] \"%2\" %3 %4pt %5%6%7%8%9")
        .arg(r.Block)
        .arg(r.Text, r.Family)
        .arg(r.Points)
        .arg(r.Color, r.Bold ? " b" : "", r.Italic ? " i" : "", r.Underline ? " u" : "",
             r.Strike ? " s" : "")
        .toStdString();
}

inline std::vector<Run> Runs(const QTextDocument& doc)
{
    std::vector<Run> runs;
    int b = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next(), ++b) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            const QFont font = c.font();
            Run r;
            r.Block = b;
            r.Text = f.text();
            r.Family = font.families().value(0);
            r.Points = c.fontPointSize();
            r.Color = c.foreground().style() == Qt::NoBrush ? QStringLiteral("auto")
                                                            : c.foreground().color().name();
            r.Bold = font.weight() >= QFont::DemiBold;
            r.Italic = font.italic();
            r.Underline = font.underline();
            r.Strike = font.strikeOut();
            // Neighbouring runs with the same look are one run.
            if (!runs.empty()) {
                Run& last = runs.back();
                Run probe = r;
                probe.Text = last.Text;
                if (probe == last) {
                    last.Text += r.Text;
                    continue;
                }
            }
            runs.push_back(r);
        }
    }
    return runs;
}

inline std::vector<Qt::Alignment> Alignments(const QTextDocument& doc)
{
    std::vector<Qt::Alignment> a;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        a.push_back(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask);
    return a;
}

inline QString Text(const QTextDocument& doc)
{
    return doc.toPlainText();
}

} // namespace RtfTest
