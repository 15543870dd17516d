#include "items/SGNRtf.h"

#include "model/BinaryStream.h"

#include <algorithm>
#include <cstring>

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
    if (Caption.isEmpty())
        Caption = QStringLiteral("超文本");
    return Caption;
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

const QByteArray* TSGNRtf::PageAt(int i) const
{
    if (i < 0 || i >= static_cast<int>(Pages.size()))
        return nullptr;
    return &Pages[static_cast<size_t>(i)];
}

void TSGNRtf::ResetContent()
{
    PlayPages = 1;
    RtfStream.clear();
    ClearPages();
}

void TSGNRtf::SetCaptionFromText(const QString& text)
{
    Caption = text.left(6);
}

namespace {

// Blocks per page for pages of `bytes` bytes.
int BlocksPerPage(qsizetype bytes)
{
    return static_cast<int>((bytes + TSGNUnit::MaxData - 1) / TSGNUnit::MaxData);
}

// Pages left in the program from `startPage` on; never negative, so an item
// placed past the end reports and sends nothing rather than a negative count.
int PagesLeft(int32_t startPage)
{
    return std::max(0, TSGNRtf::ProgramPages - startPage);
}

} // namespace

int TSGNRtf::GetPageCount() const
{
    const int n = std::min(static_cast<int>(Pages.size()), MaxReportedPages);
    if (n > 0)
        PlayPages = n;
    // A count read from a damaged file may be negative; it would give pages
    // back to the items after this one.
    if (PlayPages < 0)
        PlayPages = 0;
    if (StartPage + PlayPages > ProgramPages)
        PlayPages = PagesLeft(StartPage);
    return PlayPages;
}

int TSGNRtf::GetBlockCount() const
{
    if (Pages.empty())
        return 0;
    int n = static_cast<int>(Pages.size());
    if (n + StartPage > ProgramPages)
        n = PagesLeft(StartPage);
    return n * BlocksPerPage(Pages.front().size());
}

void TSGNRtf::FillBlock()
{
    DataCount = 0;
    if (Pages.empty())
        return;
    const int k = BlocksPerPage(Pages.front().size());
    if (k <= 0 || BlockIndex < 0)
        return;
    const int d = BlockIndex / k;
    const qsizetype o = static_cast<qsizetype>(BlockIndex % k) * MaxData;
    if (d >= static_cast<int>(Pages.size()))
        return;
    const QByteArray& page = Pages[static_cast<size_t>(d)];
    const qsizetype n = std::clamp<qsizetype>(page.size() - o, 0, MaxData);
    Params.PageIndex = static_cast<uint8_t>(d);
    Params.LastPageIndex = static_cast<uint8_t>(GetPageCount() - 1);
    std::memcpy(Data.data(), page.constData() + o, static_cast<size_t>(n));
    DataCount = static_cast<int32_t>(n);
}

void TSGNRtf::BuildPacket()
{
    const int k = Pages.empty() ? 0 : BlocksPerPage(Pages.front().size());
    if (k <= 0 || BlockIndex < 0) {
        BuildBlockPacket(0, 0);
        return;
    }
    BuildBlockPacket(BlockIndex / k, (BlockIndex % k) * MaxData);
}
