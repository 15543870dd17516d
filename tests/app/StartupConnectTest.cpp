// The start-up connection and the "Search" command as a user meets them: the
// real window on the offscreen platform, the real serial engine on
// pseudo-terminals against virtual control cards listed as COM ports, the
// real "Auto Search" dialog answered by pressing its buttons, and scripted
// answers for the window's questions.
#include "app/MainFrm.h"
#include "app/UserPrompts.h"
#include "items/SGNSendMsg.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/CardCommands.h"
#include "protocol/GetHWParam.h"
#include "protocol/GetHWVersion.h"
#include "serial/SearchFrm.h"
#include "serial/UiHooks.h"
#include "support/CardPorts.h"
#include "support/WindowWatch.h"
#include "vcard/VirtualCard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <vector>

namespace {

const QString kZoneCaption = QStringLiteral("是否现在分区?");
const QString kZoneQuestion =
    QStringLiteral("你的分区卡未设置分区,点击'是'设置分区.点击'否'设置为不分区");

// Answers the Yes/No question from a script and records what the window
// asked and showed, with the tree and the window's state at that moment.
class TRecordingPrompts : public TUserPrompts
{
public:
    struct Question
    {
        QString Caption;
        QString Text;
        QStringList Tree;
        bool WindowEnabled;
    };

    QString OpenFileName(QWidget*, const QString&) override
    {
        return OpenAnswers.isEmpty() ? QString() : OpenAnswers.takeFirst();
    }
    QString SaveFileName(QWidget*, const QString&) override { return QString(); }
    void Message(QWidget*, const QString&, const QString& text, Icon) override
    {
        Messages << text;
        if (WhileMessageShows)
            WhileMessageShows();
    }
    bool Confirm(QWidget*, const QString&, const QString&) override
    {
        ADD_FAILURE() << "unexpected OK/Cancel question";
        return false;
    }
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override
    {
        Questions.push_back(
            {caption, text, Tree ? Outline(Tree) : QStringList(), parent && parent->isEnabled()});
        return Yes;
    }

    QTreeWidget* Tree = nullptr;
    bool Yes = false;
    QStringList OpenAnswers;
    QStringList Messages;
    // Runs while a message box would be open.
    std::function<void()> WhileMessageShows;
    std::vector<Question> Questions;
};

// Plays the user in front of the "Auto Search" dialog: waits until its
// search has ended, notes the result and presses "Close". Counts the dialogs
// it met and whether the main window was disabled behind them.
class TSearchDialogUser
{
public:
    explicit TSearchDialogUser(const QWidget* mainWindow) : main_(mainWindow)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    int Opened = 0;
    QStringList Results;
    bool MainEnabledBehind = false;

private:
    void Look()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<TSearchForm*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            if (!dialog->property("met").toBool()) {
                dialog->setProperty("met", true);
                ++Opened;
                MainEnabledBehind = MainEnabledBehind || main_->isEnabled();
            }
            const QString label = dialog->Label1->text();
            const bool ended = label.startsWith(QLatin1String("Found ")) ||
                               label == QLatin1String("Not Found Panel");
            if (ended && dialog->TntButton1->isEnabled()) {
                Results << label;
                dialog->TntButton3->click();
            }
        }
    }

    const QWidget* main_;
    QTimer timer_;
};

VirtualCardOptions SilentCard()
{
    VirtualCardOptions options;
    options.Silent = true;
    return options;
}

const std::vector<int> kConnectCommands{TGetHWVersion::CommandCode, TGetHWParam::CommandCode,
                                        CardCommands::ReadZoneLayout};

class StartupConnect : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        listed.emplace(QString());
        ASSERT_TRUE(mute.Start()) << mute.Error();
    }
    void TearDown() override
    {
        UiHooks::SetPump(nullptr);
        form.reset();
        listed.reset();
    }

    // Lists exactly these ports ("COM1=/dev/pts/3:COM2=...").
    void List(const QString& ports) { listed.emplace(ports); }

    QString DefaultPath() const { return dir.filePath(QStringLiteral("Tesslar.sgn")); }
    void MakeForm()
    {
        form = std::make_unique<TMainForm>(DefaultPath(), &prompts);
        prompts.Tree = form->TntTreeView1;
    }
    // Shows the window the first time and waits for the start-up step.
    void ShowAndWaitForStartUp()
    {
        form->show();
        EXPECT_FALSE(form->isEnabled()) << "disabled from the first showing";
        EXPECT_TRUE(form->Timer1->isActive());
        ASSERT_TRUE(PumpUntil([&] { return form->isEnabled(); }, 20000));
        EXPECT_FALSE(form->Timer1->isActive());
    }
    // Counts the card exchanges and notes whether the window took input
    // during any of them.
    void WatchExchanges()
    {
        UiHooks::SetPump([this] {
            ++pumps;
            if (form && form->isEnabled())
                enabledDuringExchange = true;
            QCoreApplication::processEvents();
        });
    }
    TSGNPanel* Panel(int i) { return form->Project().Items(i); }

    QTemporaryDir dir;
    VirtualCard card;
    VirtualCard mute{SilentCard()};
    TRecordingPrompts prompts;
    std::optional<ListedPorts> listed;
    std::unique_ptr<TMainForm> form;
    int pumps = 0;
    bool enabledDuringExchange = false;
};

} // namespace

TEST_F(StartupConnect, StartUpReadsTheCardIntoTheFirstPanelAndKeepsTheLinkOpen)
{
    VirtualCardState state;
    state.Version = {0x12, 0x02, 0x0B, 0x03};
    state.HardwareParams = {20, 2, 2, 1, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // 160 x 16
    // Two zones side by side, 80 x 16 each.
    state.ZoneTable = {1, 0, 0, 10, 2, 0, 0, 0, 1, 10, 0, 10, 2};
    card.SetState(state);
    ASSERT_TRUE(card.Start()) << card.Error();
    List(PortEntry(4, card));

    MakeForm();
    EXPECT_EQ(form->Project().PortNumber, 4) << "without a project file: the first listed port";
    EXPECT_TRUE(card.Requests().empty()) << "nothing is sent before the window shows";
    TSearchDialogUser user(form.get());
    WatchExchanges();
    ShowAndWaitForStartUp();

    TSGNPanel* panel = Panel(0);
    EXPECT_EQ(RequestedCommands(card), kConnectCommands);
    EXPECT_EQ(panel->VersionText, QStringLiteral("KIVO-12 V2 .B .3"));
    EXPECT_EQ(panel->HardwareParams, state.HardwareParams);
    EXPECT_EQ(panel->Width(), 160);
    EXPECT_TRUE(panel->ZonesConfigured);
    ASSERT_EQ(panel->Zones.ZoneCount(), 2);
    EXPECT_EQ(panel->Zones.LayoutType, 1);
    EXPECT_EQ(*panel->Zones.Zone(1), (TZoneRect{80, 0, 160, 16}));
    EXPECT_TRUE(panel->Link->IsOpen()) << "left open for the commands that follow";

    // The tree shows the card's zones, with the panel selected.
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "  分区:1", "  分区:2"}));
    EXPECT_EQ(form->CurrentPanel(), panel);
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);
    EXPECT_FALSE(form->PreviewStrip->isVisible());

    EXPECT_GT(pumps, 0);
    EXPECT_FALSE(enabledDuringExchange) << "the window took input while the card was asked";
    EXPECT_EQ(user.Opened, 0);
    EXPECT_TRUE(prompts.Questions.empty());
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(StartupConnect, AbsentCardOpensTheSearchOnlyWhenMoreThanOnePortIsListed)
{
    ASSERT_TRUE(card.Start()) << card.Error();
    struct Case
    {
        const char* Name;
        QString Ports;
        int Dialogs;
        QStringList Results;
        int PortAfter;
        QString Version;
    };
    const Case cases[] = {
        {"two ports, the card on the second",
         PortEntry(1, mute) + QLatin1Char(':') + PortEntry(2, card), 1,
         QStringList{"Found KIVO-12 V1 .A .0 COM2 @ 57600"}, 2, "KIVO-12 V1 .A .0"},
        {"one port", PortEntry(1, mute), 0, QStringList(), 1, "Unkown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        List(c.Ports);
        card.ClearRequests();
        MakeForm();
        ASSERT_EQ(form->Project().PortNumber, 1);
        TSearchDialogUser user(form.get());
        ShowAndWaitForStartUp();

        EXPECT_EQ(user.Opened, c.Dialogs);
        EXPECT_EQ(user.Results, c.Results);
        EXPECT_FALSE(user.MainEnabledBehind);
        EXPECT_EQ(form->Project().PortNumber, c.PortAfter);
        EXPECT_EQ(Panel(0)->VersionText, c.Version);
        EXPECT_FALSE(Panel(0)->Link->IsOpen());
        EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
        EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);
        EXPECT_TRUE(prompts.Questions.empty());
        EXPECT_TRUE(prompts.Messages.empty()) << "a failed start-up connection says nothing";
        form.reset();
    }
}

TEST_F(StartupConnect, CardWithoutZoneTableIsAskedAboutOnceAfterTheTreeIsBuilt)
{
    // The project remembers two zones; the card has none set.
    TSGNPanels stored;
    stored.PortNumber = 1;
    TSGNPanel* storedPanel = stored.AddPanel();
    storedPanel->Name = QStringLiteral("PANEL1");
    storedPanel->Zones.Clear();
    storedPanel->Zones.LayoutType = 1;
    storedPanel->Zones.AddZone(0, 0, 32, 64);
    storedPanel->Zones.AddZone(32, 0, 64, 64);
    ASSERT_FALSE(ProjectFile::Save(DefaultPath(), stored));
    VirtualCardState state;
    state.HasZoneTable = false;
    card.SetState(state);
    ASSERT_TRUE(card.Start()) << card.Error();
    List(PortEntry(1, card));

    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        prompts.Questions.clear();
        prompts.Messages.clear();
        prompts.Yes = yes;
        MakeForm();
        ASSERT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "  分区:1", "  分区:2"}));
        ShowAndWaitForStartUp();

        ASSERT_EQ(prompts.Questions.size(), 1u);
        const TRecordingPrompts::Question& q = prompts.Questions[0];
        EXPECT_EQ(q.Caption, kZoneCaption);
        EXPECT_EQ(q.Text, kZoneQuestion);
        EXPECT_EQ(q.Tree, QStringList{"PANEL1"}) << "asked after the tree is rebuilt";
        EXPECT_FALSE(q.WindowEnabled);

        // Either way the panel keeps the one zone over the whole sign that
        // the read produced.
        TSGNPanel* panel = Panel(0);
        EXPECT_FALSE(panel->ZonesConfigured);
        ASSERT_EQ(panel->Zones.ZoneCount(), 1);
        EXPECT_EQ(*panel->Zones.Zone(0), (TZoneRect{0, 0, 128, 32}));
        EXPECT_EQ(panel->Zones.LayoutType, 0);
        EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
        EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);
        EXPECT_FALSE(form->PreviewStrip->isVisible());
        if (yes) {
            // The zone editor is not there yet: the user is told so.
            ASSERT_EQ(prompts.Messages.size(), 1);
            EXPECT_TRUE(prompts.Messages[0].contains(QStringLiteral("not available")))
                << prompts.Messages[0].toStdString();
        } else {
            EXPECT_TRUE(prompts.Messages.empty());
        }
        form.reset();
    }
}

TEST_F(StartupConnect, ProjectWithoutPanelsOnlyEnablesTheWindow)
{
    ASSERT_TRUE(card.Start()) << card.Error();
    const TSGNPanels empty;
    ASSERT_FALSE(ProjectFile::Save(DefaultPath(), empty));
    // Two ports: a search dialog would open if a connection were tried.
    List(PortEntry(1, card) + QLatin1Char(':') + PortEntry(2, mute));

    MakeForm();
    TSearchDialogUser user(form.get());
    ShowAndWaitForStartUp();

    EXPECT_TRUE(card.Requests().empty());
    EXPECT_TRUE(mute.Requests().empty());
    EXPECT_EQ(user.Opened, 0);
    EXPECT_TRUE(prompts.Questions.empty());
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(form->TntTreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DeviceWellPage);
}

TEST_F(StartupConnect, SearchButtonSearchesForTheSelectedPanelThenAsksAndRebuildsTheTree)
{
    TSGNPanels stored;
    stored.PortNumber = 7; // no such port: the start-up connection fails
    stored.AddPanel()->Name = QStringLiteral("Front");
    stored.AddPanel()->Name = QStringLiteral("Side");
    ASSERT_FALSE(ProjectFile::Save(DefaultPath(), stored));
    VirtualCardState state;
    state.HasZoneTable = false;
    card.SetState(state);
    ASSERT_TRUE(card.Start()) << card.Error();
    List(PortEntry(3, card));

    MakeForm();
    TSearchDialogUser user(form.get());
    ShowAndWaitForStartUp();
    ASSERT_EQ(user.Opened, 0) << "one port listed";
    ASSERT_TRUE(prompts.Questions.empty());
    EXPECT_TRUE(form->SearchButton->isEnabled());

    // Nothing selected: no panel, nothing to search for.
    form->TntTreeView1->clearSelection();
    form->SearchButton->trigger();
    EXPECT_EQ(user.Opened, 0);

    QTreeWidget* tree = form->TntTreeView1;
    tree->setCurrentItem(tree->topLevelItem(1));
    form->SearchButton->trigger();
    EXPECT_EQ(user.Opened, 1);
    EXPECT_EQ(user.Results, QStringList{"Found KIVO-12 V1 .A .0 COM3 @ 57600"});
    EXPECT_EQ(form->Project().PortNumber, 3);
    EXPECT_EQ(Panel(1)->VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
    EXPECT_EQ(Panel(0)->VersionText, QStringLiteral("Unkown"));
    EXPECT_FALSE(Panel(1)->Link->IsOpen());

    // The card found holds no zone table: asked once, then the tree is
    // rebuilt with the first panel selected.
    ASSERT_EQ(prompts.Questions.size(), 1u);
    EXPECT_EQ(prompts.Questions[0].Caption, kZoneCaption);
    EXPECT_EQ(prompts.Questions[0].Text, kZoneQuestion);
    EXPECT_EQ(Outline(tree), (QStringList{"Front", "Side"}));
    EXPECT_EQ(form->CurrentPanel(), Panel(0));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(StartupConnect, NewAndOpenReadTheCardAndReportNothing)
{
    ASSERT_TRUE(card.Start()) << card.Error();
    List(PortEntry(1, card));
    MakeForm();
    WatchExchanges();

    form->New1->trigger();
    EXPECT_EQ(RequestedCommands(card), kConnectCommands);
    EXPECT_EQ(Panel(0)->VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
    EXPECT_EQ(Panel(0)->Width(), 128);
    EXPECT_GT(pumps, 0);
    EXPECT_FALSE(enabledDuringExchange) << "the window took input while the card was asked";
    EXPECT_TRUE(form->isEnabled());

    // An opened project is connected on its own port: one that answers, and
    // one where nothing is listed, which is not reported.
    const struct
    {
        int Port;
        int Width;
        QString Version;
    } cases[] = {{1, 128, "KIVO-12 V1 .A .0"}, {6, 64, "Unkown"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Port);
        TSGNPanels stored;
        stored.PortNumber = c.Port;
        stored.AddPanel()->Name = QStringLiteral("Shop"); // 64 x 64 until read
        const QString path = dir.filePath(QStringLiteral("shop%1.sgn").arg(c.Port));
        ASSERT_FALSE(ProjectFile::Save(path, stored));
        card.ClearRequests();
        enabledDuringExchange = false;
        prompts.OpenAnswers << path;
        form->Open1->trigger();
        EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"Shop"});
        EXPECT_EQ(Panel(0)->VersionText, c.Version);
        EXPECT_EQ(Panel(0)->Width(), c.Width);
        EXPECT_EQ(card.Requests().empty(), c.Port != 1);
        EXPECT_FALSE(enabledDuringExchange);
        EXPECT_TRUE(form->isEnabled());
    }
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_TRUE(prompts.Questions.empty());
}

TEST_F(StartupConnect, ConnectionWaitsUntilTheReportOfAnUnreadableProjectIsAnswered)
{
    ASSERT_TRUE(card.Start()) << card.Error();
    List(PortEntry(1, card));
    {
        QFile damaged(DefaultPath());
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("\x01\x00SGN", 5));
    }
    MakeForm();
    size_t requestsWhileReported = 99;
    prompts.WhileMessageShows = [&] {
        // The user takes a while to read the box; the start-up step's time
        // passes meanwhile.
        QDeadlineTimer reading(600);
        while (!reading.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        requestsWhileReported = card.Requests().size();
    };
    ShowAndWaitForStartUp();

    ASSERT_EQ(prompts.Messages.size(), 1);
    EXPECT_EQ(requestsWhileReported, 0u) << "the card was asked while the report was open";
    EXPECT_EQ(RequestedCommands(card), kConnectCommands);
    EXPECT_EQ(Panel(0)->VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
}
