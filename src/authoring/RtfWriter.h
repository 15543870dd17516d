#pragma once
// Writes a QTextDocument as RTF that rich-edit controls and word processors
// read back with the same text, fonts, sizes, colours, styles and paragraph
// alignment. Text outside ASCII is written as \uN with a "?" fallback.
#include <QByteArray>

class QTextDocument;

namespace RtfWriter {

// The whole document as RTF bytes (no trailing zero byte).
QByteArray Write(const QTextDocument& doc);

} // namespace RtfWriter
