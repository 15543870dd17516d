#include "items/SGNRtf.h"

#include "model/BinaryStream.h"

QByteArray TSGNRtf::DefaultDocument()
{
    QByteArray doc(
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fswiss"
        "\\fprq2\\fcharset0 Arial Black;}{\\f1\\fmodern\\fprq6\\fcharset134 "
        "\\'cb\\'ce\\'cc\\'e5;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\cf1\\f0\\fs40 "
        "Welcome\\lang2052\\f1\\fs20\\par\r\n"
        "}\r\n");
    doc.append('\0');
    return doc;
}

TSGNRtf::TSGNRtf() : RtfStream(DefaultDocument()), Caption(QStringLiteral("Welcome!"))
{
    KindCode = KindCodes::Rtf;
    Params.TypeCode = 1;
}

QString TSGNRtf::GetName() const
{
    return Caption.isEmpty() ? QStringLiteral("超文本") : Caption;
}

void TSGNRtf::SaveToFile(BinaryWriter& out) const
{
    if (RtfStream.size() > 0xFFFF) {
        throw FileLimitError(QStringLiteral("the rich text \"%1\" is %2 bytes long; a project file "
                                            "holds at most 65535 bytes of rich text")
                                 .arg(GetName())
                                 .arg(RtfStream.size()));
    }
    out.WriteTag("SGN RTF ");
    out.WriteU8(PageLayout);
    out.WriteI32(PlayPages);
    out.WriteU16(static_cast<uint16_t>(RtfStream.size()));
    out.WriteBytes(RtfStream);
    out.WriteWideString(Caption, "rich text caption");
    TSGNSendMsg::SaveToFile(out);
}

void TSGNRtf::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "rich text item tag (16 bytes)");
    PageLayout = in.ReadU8("rich text page layout (u8)");
    PlayPages = in.ReadI32("rich text play pages (i32)");
    const uint16_t length = in.ReadU16("rich text length (u16)");
    RtfStream = in.ReadBytes(length, "rich text bytes");
    Caption = in.ReadWideString("rich text caption");
    Pages.clear();
    TSGNSendMsg::LoadFromFile(in);
}
