#pragma once
// A panel's whole program, sent to its card (send-all) or written to an
// SD/USB export file (led.sd). Headless: the main window and the command
// line call these and show the outcome themselves.
#include <QString>
#include <functional>

class QIODevice;
class TSGNPanel;
class TSGNRtf;
class TSGNSendMsg;

namespace ProgramSend {

// A card program holds pages 1..80.
constexpr int ProgramPages = 80;

// Renders a rich-text item's pages for the panel before it is sent (the
// window binds it to the rich-text editor page). May be empty.
using RenderRichText = std::function<void(TSGNRtf& item, TSGNPanel& panel)>;

enum class SendOutcome
{
    NothingToSend, // no panel or no items: nothing happened
    Success,       // "Send msg success"
    Timeout,       // "Timeout.": no connection, or a packet not acknowledged
    PlayOver       // "Play Over.": the program passed page 80
};

// What a send or an export did, for messages that name the cause.
struct ProgramReport
{
    int ItemsSent = 0;   // items whose packets all went out (or were written)
    int NextPage = 1;    // the start page after the last item sent
    int FailedItem = -1; // index of the item that failed, or -1
};

// The user's text for an outcome; empty for NothingToSend.
QString OutcomeText(SendOutcome outcome);

// Why SendItem refuses the item whatever the card does (a dial clock, a
// page too large for the block offsets), as a phrase after the item's name;
// empty when the item can be sent.
QString UnsendableReason(const TSGNSendMsg& item);

struct SendHooks
{
    // Opens the link and identifies the card (ConnectPanel with layout).
    std::function<bool(TSGNPanel& panel)> Connect;
    RenderRichText Render;
    // The progress bar's new value (above 100 shows a full bar).
    std::function<void(int value)> Progress;
    // Called before the outcome is shown, where the window hides its
    // progress window.
    std::function<void()> HideProgress;
};

// Sends every item of the panel from page 1 between program begin and end.
// Stops after the item that takes the program past page 80 ("Play Over.")
// or at the first item that fails ("Timeout."); both still end the program.
// A failed connection leaves the link open, as the card may still be found.
SendOutcome SendAllItems(TSGNPanel* panel, const SendHooks& hooks, ProgramReport* report = nullptr);

enum class ExportOutcome
{
    NothingToExport, // no panel or no items: no file was created
    CannotCreate,    // the file could not be created; *error says why
    WriteFailed,     // a record could not be written; *error says why
    Saved            // "Save Ok"
};

// Writes led.sd for the panel: the hardware parameter record, the zone
// layout record, the items' packets from page 1 (no item starts at page 80
// or later; the first failing item ends the list) and the end-of-program
// record, each 2048 bytes.
ExportOutcome ExportSdFile(TSGNPanel* panel, const QString& fileName, const RenderRichText& render,
                           QString* error, ProgramReport* report = nullptr);

} // namespace ProgramSend
