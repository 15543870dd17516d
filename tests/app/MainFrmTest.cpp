// The main window as a user meets it: real widgets on the offscreen
// platform, real project files in a temporary directory, and scripted
// answers in place of the modal file choosers and message boxes.
#include "app/MainFrm.h"
#include "app/SessionEnd.h"
#include "app/UserPrompts.h"
#include "app/WindowFont.h"
#include "items/SGNRtf.h"
#include "items/SGNSendMsg.h"
#include "items/SGNText.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/UiHooks.h"
#include "support/CardPorts.h"
#include "support/WindowWatch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>

// Readable failure output for Qt strings.
void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// Answers the window's questions from a script and records what it showed.
class TScriptedPrompts : public TUserPrompts
{
public:
    struct Shown
    {
        QString Caption;
        QString Text;
        Icon Kind;
    };

    QString OpenFileName(QWidget*, const QString& filter) override
    {
        Filters << filter;
        return OpenAnswers.isEmpty() ? QString() : OpenAnswers.takeFirst();
    }
    QString SaveFileName(QWidget*, const QString& filter) override
    {
        Filters << filter;
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.takeFirst();
    }
    void Message(QWidget*, const QString& caption, const QString& text, Icon icon) override
    {
        Messages.push_back({caption, text, icon});
        if (WhileMessageShows)
            WhileMessageShows();
    }
    bool Confirm(QWidget*, const QString&, const QString&) override
    {
        ADD_FAILURE() << "unexpected question";
        return false;
    }
    bool AskYesNo(QWidget*, const QString&, const QString&) override
    {
        ADD_FAILURE() << "unexpected question";
        return false;
    }

    QStringList OpenAnswers;
    QStringList SaveAnswers;
    QStringList Filters;
    std::vector<Shown> Messages;
    // Runs while a message box would be open.
    std::function<void()> WhileMessageShows;
};

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ProjectBytes(const TSGNPanels& project)
{
    QByteArray bytes;
    EXPECT_FALSE(project.SaveToFile(&bytes));
    return bytes;
}

// Panel names of a project file, or "unreadable: reason".
QStringList PanelNamesIn(const QString& path)
{
    TSGNPanels project;
    if (auto error = ProjectFile::Load(path, project))
        return {QStringLiteral("unreadable: ") + *error};
    QStringList names;
    for (int i = 0; i < project.Count(); ++i)
        names << project.Items(i)->Name;
    return names;
}

// Entries in order: "-" for a separator, a disabled entry in brackets.
QStringList Entries(const QList<QAction*>& actions)
{
    QStringList entries;
    for (const QAction* a : actions) {
        if (a->isSeparator())
            entries << QStringLiteral("-");
        else if (a->isEnabled())
            entries << a->text();
        else
            entries << QStringLiteral("[%1]").arg(a->text());
    }
    return entries;
}

QTreeWidgetItem* NodeByCaption(QTreeWidget* tree, const QString& caption)
{
    const QList<QTreeWidgetItem*> found =
        tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// A project file with an unzoned panel and a panel of two zones whose items
// sit in both zones; one item names a zone the layout does not have.
void WriteSampleProject(const QString& path)
{
    TSGNPanels project;
    project.PortNumber = 3;
    TSGNPanel* plain = project.AddPanel();
    plain->Name = QStringLiteral("Front");
    auto* text = static_cast<TSGNText*>(plain->Items.AddItem(KindCodes::Text));
    text->Lines = QStringList{QStringLiteral("Hello world")};
    plain->Items.AddItem(KindCodes::Timer);

    TSGNPanel* zoned = project.AddPanel();
    zoned->Name = QStringLiteral("Side");
    zoned->Zones.Clear();
    zoned->Zones.LayoutType = 1;
    zoned->Zones.AddZone(0, 0, 32, 64);
    zoned->Zones.AddZone(32, 0, 64, 64);
    static_cast<TSGNRtf*>(zoned->Items.AddItemToZone(1, KindCodes::Rtf))->Caption =
        QStringLiteral("通知");
    zoned->Items.AddItemToZone(2, KindCodes::Image);
    zoned->Items.AddItemToZone(2, KindCodes::Counter);
    zoned->Items.AddItemToZone(1, KindCodes::Temperature);
    zoned->Items.AddItem(KindCodes::Text)->Params.SetZone(5);
    ASSERT_FALSE(ProjectFile::Save(path, project));
}

// Pumps events until the window has closed or the time is up.
bool WaitUntilClosed(QWidget& window)
{
    return PumpUntil([&] { return !window.isVisible(); }, 5000);
}

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString DefaultPath() const { return Path(QStringLiteral("Tesslar.sgn")); }
    std::unique_ptr<TMainForm> MakeForm()
    {
        return std::make_unique<TMainForm>(DefaultPath(), &prompts);
    }
    QStringList DamagedFiles() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("Tesslar.damaged-*.sgn")}, QDir::Files);
    }

    // The window connects to the project's port when it shows and after New
    // and Open; no port is listed, so no real line is touched.
    ListedPorts noPorts{QString()};
    QTemporaryDir dir;
    TScriptedPrompts prompts;
};

TEST_F(MainFormTest, WindowHasTheMenusToolbarAndPanesOfTheShell)
{
    auto form = MakeForm();
    form->show();
    // The first showing runs the start-up connection with the window
    // disabled; the entries below are seen once it is over.
    EXPECT_FALSE(form->isEnabled());
    EXPECT_TRUE(form->Timer1->isActive());
    ASSERT_TRUE(PumpUntil([&] { return form->isEnabled(); }, 5000));

    EXPECT_EQ(form->windowTitle(), QStringLiteral("Lumaxis"));
    EXPECT_EQ(form->width(), 797);
    EXPECT_EQ(form->height() - form->menuBar()->height(), 578);
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the border is fixed";

    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(Entries(menus),
              (QStringList{"File (&F)", "Edit  (&E)", "Setup  (&S)", "Help  (&H)"}));
    EXPECT_EQ(Entries(menus[0]->menu()->actions()),
              (QStringList{"New", "Open", "Save", "Save as...", "-", "[Export SD/USB card format]",
                           "History file...", "-", "Exit"}));
    EXPECT_EQ(Entries(menus[1]->menu()->actions()),
              (QStringList{"-", "[Send all item to current panel]", "[Add text page]",
                           "[Add RTF page]", "[Add bitmap page]", "[Add timer page]", "[Add clock]",
                           "[Add Temperature]", "[Delete current item]", "Stop current item",
                           "Add Panel", "Delet Panel", "-"}));
    EXPECT_EQ(
        Entries(menus[2]->menu()->actions()),
        (QStringList{"[Hardware]", "[Brightness]", "[Zone Setup]", "-", "[Power]", "[Timer]"}));
    EXPECT_EQ(Entries(menus[3]->menu()->actions()), (QStringList{"Hardware Updata", "About"}));

    const QList<QAction*> buttons = form->ToolBar1->actions();
    EXPECT_EQ(
        Entries(buttons),
        (QStringList{"Search", "[Clear]", "-", "[RTF]", "[Clock]", "[Count]", "[Image]", "Sheet",
                     "Gif", "[Tempe]", "[Text]", "-", "[Del]", "[All]", "[Timer]", "-", "Return"}));
    QList<int> images;
    for (QAction* b : buttons) {
        if (b->isSeparator())
            continue;
        images << b->property("imageIndex").toInt();
        // Every button fits the window's width: none is pushed into the
        // toolbar's overflow menu.
        EXPECT_TRUE(form->ToolBar1->widgetForAction(b)->isVisible()) << b->text().toStdString();
    }
    EXPECT_EQ(images, (QList<int>{5, 11, 0, 14, 3, 21, 19, 20, 17, 12, 4, 8, 16, 18}));
    EXPECT_EQ(form->ToolBar1->iconSize(), QSize(48, 48));
    EXPECT_EQ(form->ToolBar1->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    // The add commands carry the item kind they create.
    const std::pair<QAction*, uint16_t> tags[] = {
        {form->AddText1, KindCodes::Text},
        {form->AddRtf1, KindCodes::Rtf},
        {form->AddBitmap1, KindCodes::Image},
        {form->AddTimer1, KindCodes::Timer},
        {form->AddClock1, KindCodes::Counter},
        {form->AddTemperature1, KindCodes::Temperature},
        {form->RtfButton, KindCodes::Rtf},
        {form->ClockButton, KindCodes::Timer},
        {form->CountButton, KindCodes::Counter},
        {form->ImageButton, KindCodes::Image},
        {form->TempeButton, KindCodes::Temperature},
        {form->TextButton, KindCodes::Text},
    };
    for (const auto& [action, kind] : tags)
        EXPECT_EQ(action->data().toInt(), kind) << action->text().toStdString();

    EXPECT_EQ(form->StatusPanel->text(), QStringLiteral("剩余空间:"));
    EXPECT_EQ(form->StatusPanel->width(), 100);

    QStringList pages;
    for (int i = 0; i < form->PageControl1->count(); ++i)
        pages << form->PageControl1->tabText(i);
    EXPECT_EQ(pages, (QStringList{"Text", "RTF", "Bitmap", "Timer", "Clock", "Temperature",
                                  "Counter down", "Device Property", "Device Well", "分区页"}));
    EXPECT_FALSE(form->PageControl1->tabBar()->isVisible());
    EXPECT_FALSE(form->PreviewStrip->isVisible());
    EXPECT_EQ(form->TreeSplitter->sizes().value(0), 199);
    EXPECT_TRUE(form->TntTreeView1->isVisible());
    EXPECT_EQ(form->Timer1->interval(), 200);
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(MainFormTest, WindowFontIsSongtiAtThirteenPixelsOnAnInstalledCjkFont)
{
    const QFont before = QApplication::font();
    WindowFont::Install(*qApp);
    const QFont font = QApplication::font();
    const QFontInfo info(font);
    EXPECT_EQ(font.family(), QStringLiteral("宋体"));
    EXPECT_EQ(info.pixelSize(), 13);
    EXPECT_TRUE(info.family().contains(QStringLiteral("WenQuanYi"))) << info.family().toStdString();
    EXPECT_TRUE(QFontMetrics(QFont(QStringLiteral("SimSun"))).inFontUcs4(0x5206)) << "分";
    QApplication::setFont(before);
}

TEST_F(MainFormTest, FirstRunStartsWithPanel1AndWritesTheDefaultFileOnExit)
{
    auto form = MakeForm();
    EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
    EXPECT_EQ(form->Project().PortNumber, 1);
    EXPECT_EQ(form->ProjectFileName(), DefaultPath());
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_FALSE(QFile::exists(DefaultPath()));

    form->Exit1->trigger();
    EXPECT_EQ(PanelNamesIn(DefaultPath()), QStringList{"PANEL1"});
    EXPECT_EQ(ReadBytes(DefaultPath()).size(), 114);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(MainFormTest, StartUpLoadsTheDefaultFileIntoTheTree)
{
    WriteSampleProject(DefaultPath());
    const QByteArray stored = ReadBytes(DefaultPath());
    auto form = MakeForm();

    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(form->Project().PortNumber, 3);
    // The item naming zone 5 of a two-zone layout is shown in the last zone.
    EXPECT_EQ(Outline(form->TntTreeView1),
              (QStringList{"Front", "  Hello ", "  Timer", "Side", "  分区:1", "    通知",
                           "    Temperature", "  分区:2", "    Image", "    COUNTER", "    Text"}));
    form->close();
    EXPECT_EQ(ReadBytes(DefaultPath()), stored) << "an unchanged project is written back as read";
}

TEST_F(MainFormTest, DamagedDefaultFileIsReportedAndSetAsideBeforeTheNewProjectIsWritten)
{
    WriteSampleProject(DefaultPath());
    const QByteArray damaged = ReadBytes(DefaultPath()).left(75);
    WriteBytes(DefaultPath(), damaged);
    TSGNPanels scratch;
    const std::optional<QString> reason = ProjectFile::Load(DefaultPath(), scratch);
    ASSERT_TRUE(reason);
    ASSERT_TRUE(reason->contains(QStringLiteral("at byte"))) << reason->toStdString();

    auto form = MakeForm();
    EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
    EXPECT_EQ(form->Project().PortNumber, 1);
    EXPECT_TRUE(prompts.Messages.empty()) << "the reason is told over the shown window";
    form->show();
    QApplication::processEvents();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(*reason));
    EXPECT_EQ(prompts.Messages[0].Kind, TUserPrompts::Icon::Warning);
    EXPECT_EQ(ReadBytes(DefaultPath()), damaged) << "nothing is written before the project is";
    EXPECT_TRUE(DamagedFiles().isEmpty());

    form->Exit1->trigger();
    const QStringList kept = DamagedFiles();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(ReadBytes(Path(kept[0])), damaged);
    EXPECT_EQ(PanelNamesIn(DefaultPath()), QStringList{"PANEL1"});
    EXPECT_EQ(prompts.Messages.size(), 1u);
}

TEST_F(MainFormTest, SaveSetsTheDamagedFileAsideOnceAndCloseThenOverwritesOnlyTheNewFile)
{
    WriteBytes(DefaultPath(), QByteArray("\x01\x00SGN", 5));
    auto form = MakeForm();
    form->show();
    QApplication::processEvents();
    ASSERT_EQ(prompts.Messages.size(), 1u);

    form->Save1->trigger();
    ASSERT_EQ(DamagedFiles().size(), 1);
    EXPECT_EQ(ReadBytes(Path(DamagedFiles()[0])), QByteArray("\x01\x00SGN", 5));
    EXPECT_EQ(PanelNamesIn(DefaultPath()), QStringList{"PANEL1"});

    form->AddPanel1->trigger();
    form->close();
    EXPECT_EQ(DamagedFiles().size(), 1) << "the good file written by Save is not set aside";
    EXPECT_EQ(PanelNamesIn(DefaultPath()), (QStringList{"PANEL1", "PANEL2"}));
    EXPECT_EQ(prompts.Messages.size(), 1u);
}

TEST_F(MainFormTest, NewOpenSaveAndSaveAsRoundTripThroughFiles)
{
    auto form = MakeForm();
    form->AddPanel1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "PANEL2"}));

    prompts.SaveAnswers << Path(QStringLiteral("two"));
    form->Saveas1->trigger();
    const QString two = Path(QStringLiteral("two.sgn"));
    EXPECT_EQ(form->ProjectFileName(), two);
    EXPECT_EQ(PanelNamesIn(two), (QStringList{"PANEL1", "PANEL2"}));
    EXPECT_FALSE(QFile::exists(DefaultPath())) << "Save as writes only the chosen file";

    form->Project().PortNumber = 4;
    form->New1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
    EXPECT_TRUE(form->ProjectFileName().isEmpty());
    EXPECT_EQ(form->Project().PortNumber, 4) << "New keeps the port of a project with panels";

    prompts.OpenAnswers << two;
    form->Open1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "PANEL2"}));
    EXPECT_EQ(form->ProjectFileName(), two);
    EXPECT_EQ(form->Project().PortNumber, 1);
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);

    // Save always writes the default file, never the one opened.
    form->AddPanel1->trigger();
    form->Save1->trigger();
    EXPECT_EQ(form->ProjectFileName(), DefaultPath());
    EXPECT_EQ(PanelNamesIn(DefaultPath()), (QStringList{"PANEL1", "PANEL2", "PANEL3"}));
    EXPECT_EQ(PanelNamesIn(two), (QStringList{"PANEL1", "PANEL2"}));

    form->New1->trigger();
    form->Exit1->trigger();
    EXPECT_EQ(PanelNamesIn(DefaultPath()), QStringList{"PANEL1"});
    EXPECT_EQ(prompts.Filters, (QStringList{"*.sgn (*.sgn)", "*.sgn (*.sgn)"}));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(MainFormTest, SaveAsAddsTheExtensionUnlessTheNameEndsInSgn)
{
    const struct
    {
        const char* Typed;
        const char* Written;
    } cases[] = {
        {"plain", "plain.sgn"},
        {"upper.SGN", "upper.SGN"},
        {"mixed.Sgn", "mixed.Sgn"},
        {"notes.txt", "notes.txt.sgn"},
    };
    auto form = MakeForm();
    for (const auto& c : cases) {
        prompts.SaveAnswers << Path(QLatin1String(c.Typed));
        form->Saveas1->trigger();
        const QString written = Path(QLatin1String(c.Written));
        EXPECT_EQ(form->ProjectFileName(), written) << c.Typed;
        EXPECT_EQ(PanelNamesIn(written), QStringList{"PANEL1"}) << c.Typed;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);

    // Cancelling the chooser changes nothing.
    const QString before = form->ProjectFileName();
    form->Saveas1->trigger();
    form->Open1->trigger();
    EXPECT_EQ(form->ProjectFileName(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(MainFormTest, FailedOpenLeavesTheOpenProjectAsItWasAndSaysWhy)
{
    WriteSampleProject(Path(QStringLiteral("sample.sgn")));
    QByteArray truncated = ReadBytes(Path(QStringLiteral("sample.sgn")));
    truncated.chop(10);
    WriteBytes(Path(QStringLiteral("truncated.sgn")), truncated);
    WriteBytes(Path(QStringLiteral("unknown-kind.sgn")),
               ReadBytes(Path(QStringLiteral("sample.sgn")))
                   .replace(QByteArray("\x01\x80", 2), QByteArray("\x05\x80", 2)));

    auto form = MakeForm();
    prompts.OpenAnswers << Path(QStringLiteral("sample.sgn"));
    form->Open1->trigger();
    const QStringList outline = Outline(form->TntTreeView1);
    const QByteArray project = ProjectBytes(form->Project());
    const QString name = form->ProjectFileName();

    const QString bad[] = {Path(QStringLiteral("truncated.sgn")),
                           Path(QStringLiteral("unknown-kind.sgn")),
                           Path(QStringLiteral("missing.sgn"))};
    for (const QString& path : bad) {
        prompts.Messages.clear();
        TSGNPanels scratch;
        const std::optional<QString> reason = ProjectFile::Load(path, scratch);
        ASSERT_TRUE(reason) << path.toStdString();

        prompts.OpenAnswers << path;
        form->Open1->trigger();
        EXPECT_EQ(Outline(form->TntTreeView1), outline) << path.toStdString();
        EXPECT_EQ(ProjectBytes(form->Project()), project) << path.toStdString();
        EXPECT_EQ(form->Project().PortNumber, 3);
        EXPECT_EQ(form->ProjectFileName(), name);
        ASSERT_EQ(prompts.Messages.size(), 1u) << path.toStdString();
        EXPECT_TRUE(prompts.Messages[0].Text.contains(*reason)) << reason->toStdString();
    }
}

TEST_F(MainFormTest, FailedSavesAreReportedAndWriteNothing)
{
    auto form = MakeForm();

    // A folder that does not exist.
    prompts.SaveAnswers << Path(QStringLiteral("no-such-folder/project"));
    form->Saveas1->trigger();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(QStringLiteral("no-such-folder")));
    EXPECT_EQ(prompts.Messages[0].Kind, TUserPrompts::Icon::Warning);

    // A text longer than the file can store is refused, and the last good
    // file stays as it was.
    form->Save1->trigger();
    const QByteArray good = ReadBytes(DefaultPath());
    ASSERT_FALSE(good.isEmpty());
    auto* text = static_cast<TSGNText*>(form->Project().Items(0)->Items.AddItem(KindCodes::Text));
    text->Lines << QString(65536, QLatin1Char('x'));
    QByteArray ignored;
    const std::optional<QString> refusal = form->Project().SaveToFile(&ignored);
    ASSERT_TRUE(refusal);

    prompts.Messages.clear();
    form->Save1->trigger();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_TRUE(prompts.Messages[0].Text.contains(*refusal)) << refusal->toStdString();
    EXPECT_EQ(ReadBytes(DefaultPath()), good);

    prompts.Messages.clear();
    form->close();
    EXPECT_EQ(prompts.Messages.size(), 1u) << "the close handler reports its failed save";
    EXPECT_EQ(ReadBytes(DefaultPath()), good);
}

TEST_F(MainFormTest, NewAfterDeletingTheLastPanelResetsThePortNumber)
{
    auto form = MakeForm();
    form->DeletePanel1->trigger();
    EXPECT_EQ(form->Project().Count(), 0);
    EXPECT_TRUE(Outline(form->TntTreeView1).isEmpty());
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DeviceWellPage);

    form->Project().PortNumber = 7;
    form->New1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), QStringList{"PANEL1"});
    EXPECT_EQ(form->Project().PortNumber, 1);
}

TEST_F(MainFormTest, PanelNamesFillTheFirstGapAndAddingKeepsTheSelection)
{
    auto form = MakeForm();
    form->AddPanel1->trigger();
    form->AddPanel1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "PANEL2", "PANEL3"}));

    form->TntTreeView1->setCurrentItem(NodeByCaption(form->TntTreeView1, "PANEL2"));
    form->DeletePanel1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "PANEL3"}));
    EXPECT_EQ(form->Project().Count(), 2);
    EXPECT_EQ(form->Project().Items(1)->Name, QStringLiteral("PANEL3"));

    form->TntTreeView1->setCurrentItem(NodeByCaption(form->TntTreeView1, "PANEL3"));
    form->AddPanel1->trigger();
    EXPECT_EQ(Outline(form->TntTreeView1), (QStringList{"PANEL1", "PANEL3", "PANEL2"}));
    EXPECT_EQ(form->Project().Items(2)->Id, 2);
    EXPECT_EQ(form->SelectedNode()->text(0), QStringLiteral("PANEL3"));
}

TEST_F(MainFormTest, SelectingANodeShowsThePageOfItsKind)
{
    WriteSampleProject(DefaultPath());
    auto form = MakeForm();
    form->show();
    const struct
    {
        const char* Caption;
        int Page;
        bool Preview;
    } cases[] = {
        {"Front", TMainForm::DevicePropertyPage, false},
        {"Hello ", TMainForm::TextPage, true},
        {"Timer", TMainForm::TimerPage, true},
        {"分区:2", TMainForm::PartitionPage, false},
        {"通知", TMainForm::RtfPage, true},
        {"Image", TMainForm::BitmapPage, true},
        {"COUNTER", TMainForm::CounterPage, true},
        {"Temperature", TMainForm::TemperaturePage, true},
        {"Side", TMainForm::DevicePropertyPage, false},
    };
    for (const auto& c : cases) {
        QTreeWidgetItem* node = NodeByCaption(form->TntTreeView1, QString::fromUtf8(c.Caption));
        ASSERT_TRUE(node) << c.Caption;
        form->TntTreeView1->setCurrentItem(node);
        EXPECT_EQ(form->PageControl1->currentIndex(), c.Page) << c.Caption;
        EXPECT_EQ(form->PreviewStrip->isVisible(), c.Preview) << c.Caption;
    }

    // "Return" goes from an item to its panel.
    form->TntTreeView1->setCurrentItem(NodeByCaption(form->TntTreeView1, "COUNTER"));
    EXPECT_EQ(form->CurrentPanel()->Name, QStringLiteral("Side"));
    form->ReturnButton->trigger();
    EXPECT_EQ(form->SelectedNode()->text(0), QStringLiteral("Side"));
    EXPECT_EQ(form->PageControl1->currentIndex(), TMainForm::DevicePropertyPage);
    EXPECT_FALSE(form->PreviewStrip->isVisible());
}

TEST_F(MainFormTest, PopupMovesItemsWithinTheirZoneOnly)
{
    WriteSampleProject(DefaultPath());
    auto form = MakeForm();
    QTreeWidget* tree = form->TntTreeView1;
    const auto popupFor = [&](const char* caption) {
        tree->clearSelection();
        if (caption)
            tree->setCurrentItem(NodeByCaption(tree, QString::fromUtf8(caption)));
        Q_EMIT form->PopupMenu1->aboutToShow();
        return Entries(form->PopupMenu1->actions());
    };
    EXPECT_EQ(popupFor(nullptr), (QStringList{"[Move up]", "[Move down]", "[Delet]"}));
    EXPECT_EQ(popupFor("Side"), (QStringList{"[Move up]", "[Move down]", "[Delet]"}));
    EXPECT_EQ(popupFor("分区:1"), (QStringList{"[Move up]", "[Move down]", "[Delet]"}));
    EXPECT_EQ(popupFor("COUNTER"), (QStringList{"Move up", "Move down", "[Delet]"}));

    // The tree and the panel's list move together.
    const auto listOf = [&](int panel) {
        QStringList names;
        const TSGNUnits& items = form->Project().Items(panel)->Items;
        for (int i = 0; i < items.Count(); ++i)
            names << items.Items(i)->GetName();
        return names;
    };
    tree->setCurrentItem(NodeByCaption(tree, "COUNTER"));
    form->Moveup1->trigger();
    EXPECT_EQ(listOf(1), (QStringList{"通知", "Temperature", "COUNTER", "Image", "Text"}));
    EXPECT_EQ(form->SelectedNode()->text(0), QStringLiteral("COUNTER"));
    form->Moveup1->trigger(); // first of zone 2: stays
    form->MoveDown1->trigger();
    // "Text" names zone 5 and is shown in the last zone; the list does not
    // move an item past it, and neither does the tree.
    form->MoveDown1->trigger();
    EXPECT_EQ(listOf(1), (QStringList{"通知", "Temperature", "Image", "COUNTER", "Text"}));
    tree->setCurrentItem(NodeByCaption(tree, "Temperature"));
    form->MoveDown1->trigger(); // last of zone 1: does not cross into zone 2
    tree->setCurrentItem(NodeByCaption(tree, "Text"));
    form->MoveDown1->trigger(); // last of the panel
    EXPECT_EQ(listOf(1), (QStringList{"通知", "Temperature", "Image", "COUNTER", "Text"}));
    EXPECT_EQ(Outline(tree).mid(3),
              (QStringList{"Side", "  分区:1", "    通知", "    Temperature", "  分区:2",
                           "    Image", "    COUNTER", "    Text"}));

    tree->setCurrentItem(NodeByCaption(tree, "Timer"));
    form->Moveup1->trigger();
    EXPECT_EQ(listOf(0), (QStringList{"Timer", "Hello "}));
    EXPECT_EQ(Outline(tree).mid(0, 3), (QStringList{"Front", "  Timer", "  Hello "}));
}

TEST_F(MainFormTest, AboutAndTheCoreNotifierUseTheWindowsMessageBox)
{
    auto form = MakeForm();
    form->About2->trigger();
    UiHooks::Notify(QStringLiteral("Send msg fail。error code (0x04)"));
    ASSERT_EQ(prompts.Messages.size(), 2u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("Lumaxis"));
    EXPECT_EQ(prompts.Messages[0].Text, QStringLiteral("Version : V5.2.0"));
    EXPECT_EQ(prompts.Messages[1].Caption, QStringLiteral(" "));
    EXPECT_EQ(prompts.Messages[1].Text, QStringLiteral("Send msg fail。error code (0x04)"));
}

TEST_F(MainFormTest, TermSignalClosesTheWindowAndSavesLikeExit)
{
    auto form = MakeForm();
    TSessionEnd sessionEnd;
    ASSERT_TRUE(sessionEnd.IsWatching());
    QObject::connect(&sessionEnd, &TSessionEnd::Ending, form.get(), &TMainForm::EndSession);
    form->show();
    form->AddPanel1->trigger();

    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(WaitUntilClosed(*form));
    EXPECT_EQ(PanelNamesIn(DefaultPath()), (QStringList{"PANEL1", "PANEL2"}));
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(MainFormTest, SessionEndingWhileTheStartUpReportShowsSetsTheDamagedFileAside)
{
    WriteBytes(DefaultPath(), QByteArray("\x02\x00", 2));
    auto form = MakeForm();
    TSessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &TSessionEnd::Ending, form.get(), &TMainForm::EndSession);
    bool closedWhileShown = false;
    prompts.WhileMessageShows = [&] {
        prompts.WhileMessageShows = nullptr;
        ASSERT_EQ(std::raise(SIGHUP), 0);
        closedWhileShown = WaitUntilClosed(*form);
    };
    form->show();
    QApplication::processEvents();

    EXPECT_TRUE(closedWhileShown);
    EXPECT_EQ(prompts.Messages.size(), 1u);
    ASSERT_EQ(DamagedFiles().size(), 1);
    EXPECT_EQ(ReadBytes(Path(DamagedFiles()[0])), QByteArray("\x02\x00", 2));
    EXPECT_EQ(PanelNamesIn(DefaultPath()), QStringList{"PANEL1"});
}

TEST_F(MainFormTest, SessionEndWithAFailingSaveShowsNoBoxNobodyCouldAnswer)
{
    auto form = std::make_unique<TMainForm>(Path(QStringLiteral("gone/Tesslar.sgn")), &prompts);
    TSessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &TSessionEnd::Ending, form.get(), &TMainForm::EndSession);
    form->show();

    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_TRUE(WaitUntilClosed(*form));
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("gone/Tesslar.sgn"))));
}

} // namespace
