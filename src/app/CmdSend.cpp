// lumaxis send PROJECT.sgn [--panel N] [--port COMn|DEVICE]: sends one
// panel's whole program to its card as the toolbar's "All" does, with a
// progress bar on the terminal and the same outcome texts.
#include "app/CommandLine.h"
#include "app/CommandPort.h"
#include "app/ProgramArgs.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "protocol/ProgramSend.h"
#include "serial/ConnectPanel.h"

#include <cstdio>
#include <unistd.h>

namespace {

// A bar of 40 cells redrawn in place on a terminal; plain percentages, one a
// line, when stderr is not a terminal.
class TerminalBar
{
public:
    TerminalBar() : tty_(::isatty(fileno(stderr)) != 0) {}

    void Show(int value)
    {
        value = std::min(100, std::max(0, value));
        if (value == last_)
            return;
        last_ = value;
        if (tty_) {
            const int cells = value * 40 / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(cells, '#').c_str(),
                         std::string(40 - cells, '.').c_str(), value);
        } else {
            std::fprintf(stderr, "progress %d%%\n", value);
        }
        std::fflush(stderr);
        shown_ = true;
    }

    void Hide()
    {
        if (tty_ && shown_)
            std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    bool tty_;
    bool shown_ = false;
    int last_ = -1;
};

} // namespace

int RunSend(const QStringList& args)
{
    const char* usage = "lumaxis send PROJECT.sgn [--panel N] [--port COMn|DEVICE]";
    ProgramArgs in;
    int code = 0;
    if (!ParseProgramArgs(args, usage, &in, &code))
        return code;
    if (!TakePortOption(in.Rest, &in.Project->PortNumber))
        return CommandLine::ExitBadInput;
    if (!in.Rest.isEmpty()) {
        CommandLine::Err(QStringLiteral("usage: %1").arg(QLatin1String(usage)));
        return CommandLine::ExitBadInput;
    }
    if (in.Panel->Items.Count() == 0) {
        CommandLine::Err(QStringLiteral("panel %1 \"%2\" has no items: nothing sent")
                             .arg(in.PanelNumber)
                             .arg(in.Panel->Name));
        return CommandLine::ExitFailed;
    }

    const TCommandHooks commandHooks;
    TerminalBar bar;
    TSGNPanel* panel = in.Panel;
    ProgramSend::SendHooks hooks;
    // A port that does not open leaves no exchange outcome to report: its
    // cause is kept here instead.
    QString openFailure;
    hooks.Connect = [&openFailure](TSGNPanel& p) {
        if (!p.OpenLink()) {
            openFailure = OpenFailureText(p);
            return false;
        }
        return ConnectPanel(&p, true);
    };
    hooks.Render = RenderRichTextForCommand;
    hooks.Progress = [&bar](int value) { bar.Show(value); };
    hooks.HideProgress = [&bar] { bar.Hide(); };
    ProgramSend::ProgramReport report;
    const ProgramSend::SendOutcome outcome = ProgramSend::SendAllItems(panel, hooks, &report);
    bar.Hide();
    panel->CloseLink();

    const QString where = PortDescription(in.Project->PortNumber);
    const int n = panel->Items.Count();
    if (outcome == ProgramSend::SendOutcome::Success) {
        CommandLine::Err(QStringLiteral("%1: %2 item(s) on pages 1 to %3")
                             .arg(where)
                             .arg(report.ItemsSent)
                             .arg(report.NextPage - 1));
    } else if (outcome == ProgramSend::SendOutcome::PlayOver) {
        CommandLine::Err(QStringLiteral("%1: item %2 ends at page %3 and a program holds 80 pages; "
                                        "%4 item(s) after it were not sent")
                             .arg(where)
                             .arg(report.ItemsSent)
                             .arg(report.NextPage - 1)
                             .arg(n - report.ItemsSent));
    } else if (report.FailedItem >= 0) {
        const TSGNSendMsg* item = panel->Items.Items(report.FailedItem);
        const QString reason = ProgramSend::UnsendableReason(*item);
        CommandLine::Err(!reason.isEmpty()
                             ? QStringLiteral("%1: item %2 \"%3\" %4; the send stopped there")
                                   .arg(where)
                                   .arg(report.FailedItem + 1)
                                   .arg(item->GetName(), reason)
                             : QStringLiteral("%1: item %2 \"%3\" was not acknowledged (%4)")
                                   .arg(where)
                                   .arg(report.FailedItem + 1)
                                   .arg(item->GetName())
                                   .arg(TransactOutcomeText(panel->LastTransactOutcome)));
    } else if (!openFailure.isEmpty()) {
        CommandLine::Err(openFailure);
    } else {
        CommandLine::Err(QStringLiteral("%1: the card could not be reached or did not "
                                        "acknowledge the program begin (%2)")
                             .arg(where)
                             .arg(TransactOutcomeText(panel->LastTransactOutcome)));
    }
    CommandLine::Out(ProgramSend::OutcomeText(outcome));
    return outcome == ProgramSend::SendOutcome::Success ? CommandLine::ExitOk
                                                        : CommandLine::ExitFailed;
}
