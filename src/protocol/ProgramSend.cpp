#include "protocol/ProgramSend.h"

#include "items/SGNRtf.h"
#include "model/SGNPanel.h"
#include "protocol/SendProgress.h"
#include "serial/UiHooks.h"

#include <QSaveFile>
#include <QThread>

namespace ProgramSend {
namespace {

// Restores the previous progress listener however the loop ends.
class ProgressScope
{
public:
    explicit ProgressScope(std::function<void()> listener)
        : previous_(SendProgress::SetListener(std::move(listener)))
    {
    }
    ~ProgressScope() { SendProgress::SetListener(std::move(previous_)); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    std::function<void()> previous_;
};

void Call(const std::function<void()>& f)
{
    if (f)
        f();
}

void RenderIfRichText(TSGNPanel& panel, int index, const RenderRichText& render)
{
    TSGNSendMsg* item = panel.Items.Items(index);
    if (render && item && item->KindCode == KindCodes::Rtf)
        render(static_cast<TSGNRtf&>(*item), panel);
}

// Sends item index from startPage on, to the card or (with a file) into the
// export file, rendering rich text first; startPage moves past the pages it
// took and done notes the outcome.
bool SendNextItem(TSGNPanel& panel, int index, int& startPage, QIODevice* file,
                  const RenderRichText& render, ProgramReport& done)
{
    RenderIfRichText(panel, index, render);
    int pages = 0;
    const bool ok = panel.SendItem(index, startPage, file, file != nullptr, false, &pages);
    startPage += pages;
    if (ok) {
        ++done.ItemsSent;
        done.NextPage = startPage;
    } else {
        done.FailedItem = index;
    }
    return ok;
}

} // namespace

QString OutcomeText(SendOutcome outcome)
{
    switch (outcome) {
    case SendOutcome::Success:
        return QStringLiteral("Send msg success");
    case SendOutcome::Timeout:
        return QStringLiteral("Timeout.");
    case SendOutcome::PlayOver:
        return QStringLiteral("Play Over.");
    case SendOutcome::NothingToSend:
        break;
    }
    return QString();
}

QString UnsendableReason(const TSGNSendMsg& item)
{
    if (item.KindCode == KindCodes::TimerEx)
        return QStringLiteral("is a dial clock, which cannot be sent");
    if ((item.KindCode == KindCodes::Image || item.KindCode == KindCodes::Rtf) &&
        item.PageBytes() > TSGNSendMsg::MaxPageBytes) {
        return QStringLiteral("has pages of %1 bytes; a card page takes at most %2 bytes")
            .arg(item.PageBytes())
            .arg(TSGNSendMsg::MaxPageBytes);
    }
    return QString();
}

SendOutcome SendAllItems(TSGNPanel* panel, const SendHooks& hooks, ProgramReport* report)
{
    ProgramReport local;
    ProgramReport& done = report ? *report : local;
    done = ProgramReport{};
    if (!panel || panel->Items.Count() == 0)
        return SendOutcome::NothingToSend;
    const int n = panel->Items.Count();

    if (!hooks.Connect || !hooks.Connect(*panel)) {
        Call(hooks.HideProgress);
        return SendOutcome::Timeout;
    }
    if (!panel->SendProgramBoundary(0, false, nullptr)) {
        Call(hooks.HideProgress);
        panel->CloseLink();
        return SendOutcome::Timeout;
    }

    // The bar's step is per page while the notifications come per packet,
    // so items of several packets per page fill it sooner; the end sets 100.
    const int totalPages = panel->AssignStartPages();
    const int step = totalPages > 0 ? 100 / totalPages : 0;
    int progress = 0;
    bool sending = true;
    auto show = [&hooks](int value) {
        if (hooks.Progress)
            hooks.Progress(value);
    };
    ProgressScope scope([&] {
        if (!sending)
            return;
        progress += step;
        show(progress);
    });
    show(0);

    int startPage = 1;
    for (int i = 0; i < n; ++i) {
        const bool ok = SendNextItem(*panel, i, startPage, nullptr, hooks.Render, done);
        if (!ok || startPage > ProgramPages) {
            sending = false;
            Call(hooks.HideProgress);
            panel->SendProgramBoundary(1, false, nullptr);
            panel->CloseLink();
            return ok ? SendOutcome::PlayOver : SendOutcome::Timeout;
        }
        QThread::msleep(10);
    }

    sending = false;
    if (!panel->SendProgramBoundary(1, false, nullptr)) {
        Call(hooks.HideProgress);
        panel->CloseLink();
        return SendOutcome::Timeout;
    }
    show(100);
    UiHooks::Pump();
    panel->CloseLink();
    Call(hooks.HideProgress);
    return SendOutcome::Success;
}

ExportOutcome ExportSdFile(TSGNPanel* panel, const QString& fileName, const RenderRichText& render,
                           QString* error, ProgramReport* report)
{
    ProgramReport local;
    ProgramReport& done = report ? *report : local;
    done = ProgramReport{};
    if (!panel || panel->Items.Count() == 0)
        return ExportOutcome::NothingToExport;
    // Written beside the target and renamed over it at the end, so a failed
    // export never leaves a half-written led.sd for a card to load.
    QSaveFile file(fileName);
    // A medium where only the existing led.sd may be written still gets it.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return ExportOutcome::CannotCreate;
    }
    auto failed = [&]() {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        file.cancelWriting();
        return ExportOutcome::WriteFailed;
    };
    if (!panel->WriteHardwareParams(true, &file) || !panel->WriteZoneLayout(true, &file))
        return failed();

    int startPage = 1;
    for (int i = 0; i < panel->Items.Count(); ++i) {
        const bool ok = SendNextItem(*panel, i, startPage, &file, render, done);
        if (!ok) {
            // A dial clock cannot be exported; a write error can.
            if (file.error() != QFileDevice::NoError)
                return failed();
            break;
        }
        // Page 80 never begins an item in the file.
        if (startPage >= ProgramPages)
            break;
    }
    if (!panel->SendProgramBoundary(1, true, &file) || !file.commit())
        return failed();
    return ExportOutcome::Saved;
}

} // namespace ProgramSend
