#pragma once
// Reads RTF as rich-edit controls and word processors write it into a
// QTextDocument: fonts with their character sets, colours, sizes, bold,
// italic, underline, strike-out, paragraphs, line breaks, tabs and
// alignment. Everything else (pictures, fields' instructions, style sheets,
// document information, unknown destinations) is skipped.
#include <QByteArray>
#include <QStringList>

class QTextDocument;

namespace RtfReader {

// Groups nested deeper than this are skipped as a whole; the bound keeps a
// hostile file from growing the reader's state without limit.
constexpr int MaxGroupDepth = 100;

struct Result
{
    bool IsRtf = true;    // false: the bytes were not RTF and were read as plain text
    QStringList Warnings; // what was skipped or repaired (truncated input, deep groups)
};

// Replaces the content of doc with the document in rtf. Any input, also
// garbage or a truncated file, gives a document; it never fails.
Result Read(const QByteArray& rtf, QTextDocument& doc);

} // namespace RtfReader
