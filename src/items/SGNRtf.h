#pragma once
// Rich-text item: an RTF document rendered into zone-sized pages of bit
// planes before it is sent.
#include "items/SGNSendMsg.h"

#include <QByteArray>
#include <vector>

class TSGNRtf : public TSGNSendMsg
{
public:
    // The document a new item starts with: Welcome in red, 20-point Arial Black.
    static QByteArray DefaultDocument();

    TSGNRtf();

    // Caption; an empty Caption first becomes "超文本", which the project
    // file then keeps.
    QString GetName() const override;
    // Refuses (FileLimitError) a document of 65536 bytes or more: its length
    // field is 16 bits wide.
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;

    // Sending: the rendered pages, cut into 1024-byte blocks. A page whose
    // planes exceed one block goes out as a first block and continuation
    // blocks; each page is sent under its own card page number.
    void FillBlock() override;
    // Block b of page d = b div k goes out under card page PageNo + d; a
    // block other than the first of its page is a continuation (command 2)
    // at its byte offset within the page.
    void BuildPacket() override;
    int GetBlockCount() const override;
    // min(pages, 30), limited to the pages left before page 80; the last
    // count when nothing is rendered. Also stores it in PlayPages.
    int GetPageCount() const override;
    // Bytes of one rendered page (all pages have the same size); 0 without pages.
    int PageBytes() const override
    {
        return Pages.empty() ? 0 : static_cast<int>(Pages.front().size());
    }
    // The pages are rendered by the rich-text renderer, not here.
    void Prepare() override {}

    // The rendered pages (the renderer fills them; the item owns them).
    void AddPage(QByteArray page) { Pages.push_back(std::move(page)); }
    void ClearPages() { Pages.clear(); }
    const QByteArray* PageAt(int i) const;
    // Empties the item before the editor stores new text.
    void ResetContent();
    // Caption = the first 6 characters of text.
    void SetCaptionFromText(const QString& text);

    // Pages a program can hold; an item's pages end before this one.
    static constexpr int ProgramPages = 80;
    // Pages an item reports at most.
    static constexpr int MaxReportedPages = 30;

    // Written by GetPageCount, which the send asks in its const form.
    mutable int32_t PlayPages = 1;
    uint8_t PageLayout = 0; // 0 horizontal, 1 vertical
    QByteArray RtfStream;
    std::vector<QByteArray> Pages; // rendered bit planes, one entry per page
    mutable QString Caption;       // GetName names an empty one
};
