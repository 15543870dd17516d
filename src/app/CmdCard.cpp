// The card commands of the command line: search, info, clear, clock,
// brightness and sleep. Each connects the way the matching dialog does,
// prints the same outcome texts and closes the link; nothing ever waits for
// an answer from the user.
#include "app/CommandLine.h"
#include "app/CommandPort.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/CnComm.h"
#include "serial/ConnectPanel.h"
#include "serial/PortSearch.h"
#include "serial/Rs232unit.h"

#include <QRegularExpression>

using CommandLine::Err;
using CommandLine::Out;

namespace {

const QString kCannotConnect = QStringLiteral("Cannot connect control card");
const QString kTimeout = QStringLiteral("Timeout.");
const QString kSuccess = QStringLiteral("Send msg success");

// One panel in a project of its own, on the port the arguments name.
struct CardSession
{
    const TCommandHooks hooks;
    TSGNPanels project;
    TSGNPanel* panel = nullptr;

    CardSession()
    {
        panel = project.AddPanel();
        project.PortNumber = FirstComPort();
    }
    ~CardSession() { panel->CloseLink(); }

    QString PortText() const { return PortDescription(project.PortNumber); }

    // Why the last exchange failed, for stderr.
    void ExplainFailure() const
    {
        Err(QStringLiteral("%1: %2").arg(PortText(),
                                         TransactOutcomeText(panel->LastTransactOutcome)));
    }

    // Connects as the dialogs do; prints "Cannot connect control card" and
    // the cause when the card does not identify itself. The link is closed
    // then (ConnectPanel closes it on failure).
    bool Connect(bool withLayout)
    {
        if (!panel->OpenLink()) {
            Err(OpenFailureText(*panel));
            Out(kCannotConnect);
            return false;
        }
        if (ConnectPanel(panel, withLayout))
            return true;
        ExplainFailure();
        Out(kCannotConnect);
        return false;
    }

    // The outcome of one command after a successful connect.
    int Report(bool acknowledged)
    {
        if (!acknowledged)
            ExplainFailure();
        panel->CloseLink();
        Out(acknowledged ? kSuccess : kTimeout);
        return acknowledged ? CommandLine::ExitOk : CommandLine::ExitFailed;
    }
};

// Takes "--port COMn|PATH" out of args into the session and refuses any
// other option. False (with the reason printed) for a bad or missing value.
bool TakePort(QStringList& args, CardSession& session)
{
    if (!TakePortOption(args, &session.project.PortNumber))
        return false;
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            Err(QStringLiteral("unknown option %1").arg(a));
            return false;
        }
    }
    return true;
}

bool ParseNumber(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    out = text.toInt(&ok);
    return ok && out >= low && out <= high;
}

// "HH:MM" with an hour 0..23 and a minute 0..59.
bool ParseTime(const QString& text, int& hour, int& minute)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() && ParseNumber(m.captured(1), 0, 23, hour) &&
           ParseNumber(m.captured(2), 0, 59, minute);
}

QString Hex(const uint8_t* bytes, int n)
{
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

QString Clock(int hour, int minute)
{
    return QStringLiteral("%1:%2")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'));
}

// Runs a command that takes nothing but --port: connects as the dialogs do,
// with the zone layout, and hands the connected session to run.
int RunOnConnectedCard(const QStringList& arguments, int (*run)(CardSession&))
{
    QStringList args = arguments;
    CardSession session;
    if (!TakePort(args, session))
        return CommandLine::ExitBadInput;
    if (!args.isEmpty()) {
        Err(QStringLiteral("unexpected argument %1").arg(args.first()));
        return CommandLine::ExitBadInput;
    }
    if (!session.Connect(true))
        return CommandLine::ExitFailed;
    return run(session);
}

int PrintInfo(CardSession& session)
{
    session.panel->CloseLink();
    const TSGNPanel& p = *session.panel;
    static const char* const kColours[] = {"?", "R", "RG", "RGB"};
    Out(QStringLiteral("Port: %1").arg(session.PortText()));
    Out(QStringLiteral("Version: %1").arg(p.VersionText));
    Out(QStringLiteral("Hardware parameters: %1").arg(Hex(p.HardwareParams.data(), 16)));
    Out(QStringLiteral("Size: %1 x %2 pixels, colour %3")
            .arg(p.Width())
            .arg(p.Height())
            .arg(QLatin1String(p.ColorMode() >= 1 && p.ColorMode() <= 3 ? kColours[p.ColorMode()]
                                                                        : kColours[0])));
    Out(QStringLiteral("Zone table: %1, layout %2")
            .arg(p.ZonesConfigured ? QStringLiteral("set") : QStringLiteral("none"))
            .arg(p.Zones.LayoutType));
    for (int i = 0; i < p.Zones.ZoneCount(); ++i) {
        const TZoneRect z = *p.Zones.Zone(i);
        Out(QStringLiteral("Zone %1: left %2, top %3, width %4, height %5")
                .arg(i + 1)
                .arg(z.Left)
                .arg(z.Top)
                .arg(z.Width())
                .arg(z.Height()));
    }
    return CommandLine::ExitOk;
}

} // namespace

int RunSearch(const QStringList& arguments)
{
    QStringList args = arguments;
    CardSession session;
    if (!args.isEmpty()) {
        Err(QStringLiteral("search takes no arguments: it tries every listed port"));
        return CommandLine::ExitBadInput;
    }
    TPortSearchView view;
    view.Label = [](const QString& text) { Out(text); };
    int shown = -1;
    view.Progress = [&shown](int value) {
        if (value != shown)
            Out(QStringLiteral("Progress: %1").arg(value));
        shown = value;
    };
    const bool found = RunPortSearch(session.panel, view);
    if (found)
        Out(QStringLiteral("Port: COM%1").arg(session.project.PortNumber));
    return found ? CommandLine::ExitOk : CommandLine::ExitFailed;
}

int RunInfo(const QStringList& arguments)
{
    return RunOnConnectedCard(arguments, PrintInfo);
}

int RunClear(const QStringList& arguments)
{
    return RunOnConnectedCard(
        arguments, [](CardSession& session) { return session.Report(session.panel->ClearCard()); });
}

int RunClock(const QStringList& arguments)
{
    return RunOnConnectedCard(
        arguments, [](CardSession& session) { return session.Report(session.panel->SetClock()); });
}

int RunBrightness(const QStringList& arguments)
{
    QStringList args = arguments;
    CardSession session;
    if (!TakePort(args, session))
        return CommandLine::ExitBadInput;
    int level = -1;
    if (args.size() > 1 || (args.size() == 1 && !ParseNumber(args[0], 0, 15, level))) {
        Err(QStringLiteral("brightness takes one LEVEL from 0 to 15, or none to read it"));
        return CommandLine::ExitBadInput;
    }
    if (!session.Connect(false))
        return CommandLine::ExitFailed;
    if (level >= 0)
        return session.Report(session.panel->SetBrightness(static_cast<uint8_t>(level)));
    std::array<uint8_t, 32> bytes{};
    const bool read = session.panel->ReadBrightness(bytes);
    if (read)
        Out(QStringLiteral("Lighteness:%1").arg(bytes[0] & 0x0F));
    return session.Report(read);
}

int RunSleep(const QStringList& arguments)
{
    QStringList args = arguments;
    CardSession session;
    if (!TakePort(args, session))
        return CommandLine::ExitBadInput;
    int mode = 0, wakeHour = 0, wakeMinute = 0, sleepHour = 0, sleepMinute = 0;
    if (!args.isEmpty()) {
        const QString m = args[0].toLower();
        if (m == QLatin1String("auto"))
            mode = 1;
        else if (m == QLatin1String("never") || m == QLatin1String("off"))
            mode = 0;
        else if (!ParseNumber(m, 0, 2, mode))
            mode = -1;
        if (args.size() != 3 || mode < 0 || !ParseTime(args[1], wakeHour, wakeMinute) ||
            !ParseTime(args[2], sleepHour, sleepMinute)) {
            Err(QStringLiteral("sleep takes MODE WAKE SLEEP (MODE auto, never, 0, 1 or 2; "
                               "times as HH:MM), or nothing to read the schedule"));
            return CommandLine::ExitBadInput;
        }
    }
    if (!session.Connect(false))
        return CommandLine::ExitFailed;
    if (!args.isEmpty()) {
        return session.Report(session.panel->WriteSleepSchedule(
            static_cast<uint8_t>(mode), static_cast<uint8_t>(wakeHour),
            static_cast<uint8_t>(wakeMinute), static_cast<uint8_t>(sleepHour),
            static_cast<uint8_t>(sleepMinute)));
    }
    uint8_t status = 0, readMode = 0;
    const bool read = session.panel->ReadSleepSchedule(status, readMode, wakeHour, wakeMinute,
                                                       sleepHour, sleepMinute);
    if (read) {
        Out(QStringLiteral("Mode: %1 (%2)")
                .arg(readMode)
                .arg(readMode == 1 ? QStringLiteral("Auto Sleep") : QStringLiteral("Don't Sleep")));
        Out(QStringLiteral("Wake Up: %1").arg(Clock(wakeHour, wakeMinute)));
        Out(QStringLiteral("Sleep: %1").arg(Clock(sleepHour, sleepMinute)));
    }
    return session.Report(read);
}
