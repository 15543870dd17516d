#include "app/MainFrm.h"

#include "app/UserPrompts.h"
#include "items/SGNSendMsg.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/ConnectPanel.h"
#include "serial/Rs232unit.h"
#include "serial/SearchFrm.h"
#include "serial/UiHooks.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

namespace {

const QString kProjectFilter = QStringLiteral("*.sgn (*.sgn)");
const QString kAppTitle = QStringLiteral("Lumaxis");

// Node data: the model object and the node's image index.
constexpr int ObjectRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;

// A square picture with a Chinese glyph on a coloured ground; the toolbar
// and the tree draw their images this way instead of shipping bitmaps.
QIcon GlyphIcon(int size, const QColor& ground, const QString& glyph)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    const qreal margin = size / 12.0;
    painter.drawRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin),
                            size / 6.0, size / 6.0);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(size * 3 / 5);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// The eight 16 x 16 images of the tree, by image index.
QIcon TreeImage(int index)
{
    struct Look
    {
        const char* Colour;
        const char* Glyph;
    };
    static const Look kLooks[8] = {
        {"#2e7d32", "屏"}, // 0 panel (and unknown items)
        {"#6a1b9a", "文"}, // 1 rich text
        {"#00838f", "图"}, // 2 picture
        {"#c62828", "计"}, // 3 countdown
        {"#5d4037", "区"}, // 4 zone
        {"#1565c0", "字"}, // 5 text
        {"#ef6c00", "时"}, // 6 clock
        {"#ad1457", "温"}, // 7 temperature
    };
    const Look& look = kLooks[(index >= 0 && index < 8) ? index : 0];
    return GlyphIcon(16, QColor(QLatin1String(look.Colour)), QString::fromUtf8(look.Glyph));
}

int ImageOfKind(uint16_t kind)
{
    switch (kind) {
    case KindCodes::Panel:
        return 0;
    case KindCodes::Partition:
        return 4;
    case KindCodes::Text:
        return 5;
    case KindCodes::Rtf:
        return 1;
    case KindCodes::Image:
        return 2;
    case KindCodes::Timer:
        return 6;
    case KindCodes::Temperature:
        return 7;
    case KindCodes::Counter:
        return 3;
    default:
        return 0;
    }
}

QTreeWidgetItem* MakeNode(TSGNObject* object, const QString& caption)
{
    auto* node = new QTreeWidgetItem(QStringList{caption});
    const int image = ImageOfKind(object->KindCode);
    node->setData(0, ObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    node->setData(0, ImageRole, image);
    node->setIcon(0, TreeImage(image));
    return node;
}

// Enables the window again when the scope ends, also when an exception
// escapes a card exchange.
class TEnableOnExit
{
public:
    explicit TEnableOnExit(QWidget* window) : window_(window) {}
    ~TEnableOnExit() { window_->setEnabled(true); }
    TEnableOnExit(const TEnableOnExit&) = delete;
    TEnableOnExit& operator=(const TEnableOnExit&) = delete;

private:
    QWidget* window_;
};

QAction* AddEntry(QMenu* menu, const QString& caption, bool enabled, const char* name)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(enabled);
    return action;
}

} // namespace

QString TMainForm::DefaultProjectFile()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Tesslar.sgn"));
}

TMainForm::TMainForm(const QString& defaultProjectFile, TUserPrompts* prompts, QWidget* parent)
    : QMainWindow(parent), project_(std::make_unique<TSGNPanels>()),
      defaultFile_(defaultProjectFile), projectFileName_(defaultProjectFile)
{
    if (!prompts) {
        ownPrompts_ = std::make_unique<TUserPrompts>();
        prompts = ownPrompts_.get();
    }
    prompts_ = prompts;

    setWindowTitle(kAppTitle);
    setWindowIcon(GlyphIcon(64, QColor(0x2e, 0x7d, 0x32), QStringLiteral("屏")));
    BuildMenus();
    BuildToolBar();
    BuildClientArea();
    ConnectCommands();

    // The core lets pending messages be processed while it waits for a card,
    // and shows its one message through the window's message box.
    UiHooks::SetPump([] { QCoreApplication::processEvents(); });
    UiHooks::SetNotifier(
        [this](const QString& text) { prompts_->Message(this, QStringLiteral(" "), text); });

    // A logout or shutdown closes the window the way Exit does, so the
    // project is written as the close handler writes it.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { EndSession(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMainForm::EndSession);

    // The client area is 797 x 578 below the menu bar, and the border is
    // fixed.
    setFixedSize(797, 578 + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    StartProject();
    RefreshTree();
}

TMainForm::~TMainForm()
{
    UiHooks::SetNotifier(nullptr);
    // The tree holds borrowed pointers into the project; drop them first.
    TntTreeView1->clear();
}

void TMainForm::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("File (&F)"));
    New1 = AddEntry(file, QStringLiteral("New"), true, "New1");
    Open1 = AddEntry(file, QStringLiteral("Open"), true, "Open1");
    Save1 = AddEntry(file, QStringLiteral("Save"), true, "Save1");
    Saveas1 = AddEntry(file, QStringLiteral("Save as..."), true, "Saveas1");
    file->addSeparator();
    SD1 = AddEntry(file, QStringLiteral("Export SD/USB card format"), false, "SD1");
    Historyfile1 = AddEntry(file, QStringLiteral("History file..."), true, "Historyfile1");
    file->addSeparator();
    Exit1 = AddEntry(file, QStringLiteral("Exit"), true, "Exit1");

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit  (&E)"));
    // The menu opens and closes with a separator; Qt would drop both.
    edit->setSeparatorsCollapsible(false);
    edit->addSeparator();
    SendAll1 = AddEntry(edit, QStringLiteral("Send all item to current panel"), false, "SendAll1");
    AddText1 = AddEntry(edit, QStringLiteral("Add text page"), false, "AddText1");
    AddRtf1 = AddEntry(edit, QStringLiteral("Add RTF page"), false, "AddRtf1");
    AddBitmap1 = AddEntry(edit, QStringLiteral("Add bitmap page"), false, "AddBitmap1");
    AddTimer1 = AddEntry(edit, QStringLiteral("Add timer page"), false, "AddTimer1");
    AddClock1 = AddEntry(edit, QStringLiteral("Add clock"), false, "AddClock1");
    AddTemperature1 = AddEntry(edit, QStringLiteral("Add Temperature"), false, "AddTemperature1");
    DeleteItem1 = AddEntry(edit, QStringLiteral("Delete current item"), false, "DeleteItem1");
    StopItem1 = AddEntry(edit, QStringLiteral("Stop current item"), true, "StopItem1");
    AddPanel1 = AddEntry(edit, QStringLiteral("Add Panel"), true, "AddPanel1");
    DeletePanel1 = AddEntry(edit, QStringLiteral("Delet Panel"), true, "DeletePanel1");
    edit->addSeparator();
    AddText1->setData(KindCodes::Text);
    AddRtf1->setData(KindCodes::Rtf);
    AddBitmap1->setData(KindCodes::Image);
    AddTimer1->setData(KindCodes::Timer);
    AddClock1->setData(KindCodes::Counter);
    AddTemperature1->setData(KindCodes::Temperature);

    QMenu* setup = menuBar()->addMenu(QStringLiteral("Setup  (&S)"));
    Hardware1 = AddEntry(setup, QStringLiteral("Hardware"), false, "Hardware1");
    Brightness1 = AddEntry(setup, QStringLiteral("Brightness"), false, "Brightness1");
    ZoneSetup1 = AddEntry(setup, QStringLiteral("Zone Setup"), false, "ZoneSetup1");
    setup->addSeparator();
    Power1 = AddEntry(setup, QStringLiteral("Power"), false, "Power1");
    N9 = AddEntry(setup, QStringLiteral("Timer"), false, "N9");

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help  (&H)"));
    HardwareUpdata1 = AddEntry(help, QStringLiteral("Hardware Updata"), true, "HardwareUpdata1");
    About2 = AddEntry(help, QStringLiteral("About"), true, "About2");
}

void TMainForm::BuildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(48, 48));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Fourteen buttons and three separators fill the 797-pixel width only
    // with the padding of the style trimmed.
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; margin: 0px; }"));

    struct Button
    {
        QAction* TMainForm::*Member;
        const char* Caption;
        int Image;
        const char* Colour;
        const char* Glyph;
        uint16_t Kind; // item kind of an add button, else 0
        bool Enabled;
        bool SeparatorBefore;
    };
    static const Button kButtons[] = {
        {&TMainForm::SearchButton, "Search", 5, "#455a64", "查", 0, true, false},
        {&TMainForm::ClearButton, "Clear", 11, "#455a64", "清", 0, false, false},
        {&TMainForm::RtfButton, "RTF", 0, "#6a1b9a", "文", KindCodes::Rtf, false, true},
        {&TMainForm::ClockButton, "Clock", 14, "#ef6c00", "时", KindCodes::Timer, false, false},
        {&TMainForm::CountButton, "Count", 3, "#c62828", "计", KindCodes::Counter, false, false},
        {&TMainForm::ImageButton, "Image", 21, "#00838f", "图", KindCodes::Image, false, false},
        {&TMainForm::SheetButton, "Sheet", 19, "#78909c", "表", 0, true, false},
        {&TMainForm::GifButton, "Gif", 20, "#78909c", "动", 0, true, false},
        {&TMainForm::TempeButton, "Tempe", 17, "#ad1457", "温", KindCodes::Temperature, false,
         false},
        {&TMainForm::TextButton, "Text", 12, "#1565c0", "字", KindCodes::Text, false, false},
        {&TMainForm::DelButton, "Del", 4, "#b71c1c", "删", 0, false, true},
        {&TMainForm::AllButton, "All", 8, "#2e7d32", "发", 0, false, false},
        {&TMainForm::TimerButton, "Timer", 16, "#ef6c00", "钟", 0, false, false},
        {&TMainForm::ReturnButton, "Return", 18, "#455a64", "返", 0, true, true},
    };
    for (const Button& b : kButtons) {
        if (b.SeparatorBefore)
            ToolBar1->addSeparator();
        QAction* action = ToolBar1->addAction(
            GlyphIcon(48, QColor(QLatin1String(b.Colour)), QString::fromUtf8(b.Glyph)),
            QLatin1String(b.Caption));
        action->setObjectName(QLatin1String(b.Caption) + QStringLiteral("Button"));
        action->setProperty("imageIndex", b.Image);
        action->setEnabled(b.Enabled);
        if (b.Kind != 0)
            action->setData(b.Kind);
        this->*b.Member = action;
    }
}

void TMainForm::BuildClientArea()
{
    TntTreeView1 = new QTreeWidget;
    TntTreeView1->setObjectName(QStringLiteral("TntTreeView1"));
    TntTreeView1->setHeaderHidden(true);
    TntTreeView1->setIndentation(19);
    TntTreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TntTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TntTreeView1->setIconSize(QSize(16, 16));
    TntTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const char* const kPages[] = {"Text",        "RTF",         "Bitmap",       "Timer",
                                  "Clock",       "Temperature", "Counter down", "Device Property",
                                  "Device Well", "分区页"};
    for (const char* caption : kPages) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromUtf8(caption));
        PageControl1->addTab(page, QString::fromUtf8(caption));
    }
    PageControl1->tabBar()->hide();

    PreviewStrip = new QWidget;
    PreviewStrip->setObjectName(QStringLiteral("PreviewStrip"));

    TreeSplitter = new QSplitter(Qt::Horizontal);
    TreeSplitter->addWidget(TntTreeView1);
    TreeSplitter->addWidget(PageControl1);
    TreeSplitter->setStretchFactor(1, 1);
    TreeSplitter->setSizes({199, 797 - 199});

    PreviewSplitter = new QSplitter(Qt::Vertical);
    PreviewSplitter->addWidget(TreeSplitter);
    PreviewSplitter->addWidget(PreviewStrip);
    PreviewSplitter->setStretchFactor(0, 1);
    PreviewSplitter->setSizes({400, 150});
    PreviewStrip->hide();
    setCentralWidget(PreviewSplitter);

    StatusPanel = new QLabel(QStringLiteral("剩余空间:"));
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFixedWidth(100);
    statusBar()->addWidget(StatusPanel);
    statusBar()->setSizeGripEnabled(false);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Moveup1 = AddEntry(PopupMenu1, QStringLiteral("Move up"), false, "Moveup1");
    MoveDown1 = AddEntry(PopupMenu1, QStringLiteral("Move down"), false, "MoveDown1");
    Delet1 = AddEntry(PopupMenu1, QStringLiteral("Delet"), false, "Delet1");

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    Timer1->setSingleShot(true);
}

void TMainForm::ConnectCommands()
{
    // One slot per command. Entries whose commands come with the item
    // commands (add, delete), the send
    // workflow, the export and the device dialogs stay disabled
    // until those are connected here; "History file...", "Stop current
    // item", "Hardware Updata", "Sheet" and "Gif" have no command.
    connect(New1, &QAction::triggered, this, &TMainForm::New1Click);
    connect(Open1, &QAction::triggered, this, &TMainForm::Open1Click);
    connect(Save1, &QAction::triggered, this, &TMainForm::Save1Click);
    connect(Saveas1, &QAction::triggered, this, &TMainForm::Saveas1Click);
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
    connect(About2, &QAction::triggered, this, &TMainForm::About2Click);
    connect(AddPanel1, &QAction::triggered, this, &TMainForm::AddPanel1Click);
    connect(DeletePanel1, &QAction::triggered, this, &TMainForm::DeletePanel1Click);
    connect(ReturnButton, &QAction::triggered, this, &TMainForm::TntToolButton9Click);
    connect(SearchButton, &QAction::triggered, this, &TMainForm::TntToolButton1Click);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TMainForm::PopupMenu1Popup);
    connect(Moveup1, &QAction::triggered, this, &TMainForm::Moveup1Click);
    connect(MoveDown1, &QAction::triggered, this, &TMainForm::MoveDown1Click);

    connect(TntTreeView1, &QTreeWidget::itemSelectionChanged, this, &TMainForm::TntTreeView1Click);
    connect(TntTreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(TntTreeView1->viewport()->mapToGlobal(at));
    });
}

void TMainForm::StartProject()
{
    if (!QFileInfo::exists(defaultFile_)) {
        StartEmptyProject(FirstComPort());
        return;
    }
    const std::optional<QString> error = ProjectFile::Load(defaultFile_, *project_);
    if (!error)
        return;

    // The file is there but unreadable: keep it for the user, work on a new
    // project, and move the file aside before anything is written over it.
    damagedDefault_ = true;
    StartEmptyProject(FirstComPort());
    const QFileInfo info(defaultFile_);
    startupProblem_ =
        QStringLiteral("The project file could not be read, so a new project with one "
                       "panel was started.\n\n%1\n\nThe unreadable file is kept: when "
                       "the program closes it is renamed to %2.damaged-DATE-TIME.%3 "
                       "before the new project is written.")
            .arg(*error, info.completeBaseName(), info.suffix());
    std::fprintf(stderr, "lumaxis: %s\n", error->toLocal8Bit().constData());
}

// ---- project commands ----

void TMainForm::New1Click()
{
    projectFileName_.clear();
    const int port = project_->Count() > 0 ? project_->PortNumber : 1;
    // The tree points into the panels about to be freed.
    ClearTree();
    ConnectQuietly(StartEmptyProject(port));
    RefreshTree();
}

void TMainForm::Open1Click()
{
    const QString path = prompts_->OpenFileName(this, kProjectFilter);
    if (path.isEmpty())
        return;
    // The loader changes nothing unless the whole file reads, so a
    // malformed file leaves the open project as it was.
    const std::optional<QString> error = ProjectFile::Load(path, *project_);
    if (error) {
        ReportProblem(QStringLiteral("The project file could not be opened; the open project is "
                                     "unchanged.\n\n%1")
                          .arg(*error));
        return;
    }
    projectFileName_ = path;
    // The old nodes point at freed panels: gone before the card exchange
    // lets the interface run.
    ClearTree();
    if (project_->Count() > 0)
        ConnectQuietly(project_->Items(0));
    RefreshTree();
}

void TMainForm::Save1Click()
{
    projectFileName_ = defaultFile_;
    SaveDefaultProject();
}

void TMainForm::Saveas1Click()
{
    QString path = prompts_->SaveFileName(this, kProjectFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().toLower() != QLatin1String("sgn"))
        path += QStringLiteral(".sgn");
    projectFileName_ = path;
    if (QFileInfo(path).absoluteFilePath() == QFileInfo(defaultFile_).absoluteFilePath())
        SaveDefaultProject();
    else
        SaveProject(path);
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::About2Click()
{
    prompts_->Message(this, kAppTitle, QStringLiteral("Version : V5.2.0"));
}

void TMainForm::EndSession()
{
    sessionEnding_ = true;
    close();
    // Reached also from aboutToQuit, when the window may not get its close
    // event any more.
    FormClose();
    // A modal box or chooser left open would keep the program running after
    // the project was saved; ending every running event loop closes it.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Told over the shown window rather than before it appears, and from the
    // event loop, where a session ending meanwhile still reaches the window.
    if (!startupProblem_.isEmpty()) {
        reportingStartup_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!closed_)
                prompts_->Message(this, kAppTitle, startupProblem_, TUserPrompts::Icon::Warning);
            reportingStartup_ = false;
        });
    }
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TMainForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    Timer1->stop();
    projectFileName_ = defaultFile_;
    SaveDefaultProject();
}

bool TMainForm::SaveProject(const QString& path)
{
    const std::optional<QString> error = ProjectFile::Save(path, *project_);
    if (!error)
        return true;
    ReportProblem(QStringLiteral("The project was not saved.\n\n%1").arg(*error));
    return false;
}

bool TMainForm::SaveDefaultProject()
{
    if (damagedDefault_ && QFileInfo::exists(defaultFile_)) {
        const QString kept = ProjectFile::SetAsideDamaged(defaultFile_);
        if (kept.isEmpty()) {
            ReportProblem(QStringLiteral("%1 could not be read at start and cannot be renamed "
                                         "now, so it was not overwritten; the project was not "
                                         "saved there. Use \"Save as...\" to keep it.")
                              .arg(QDir::toNativeSeparators(defaultFile_)));
            return false;
        }
        std::fprintf(stderr, "lumaxis: the unreadable project file was kept as %s\n",
                     QDir::toNativeSeparators(kept).toLocal8Bit().constData());
    }
    damagedDefault_ = false;
    return SaveProject(defaultFile_);
}

void TMainForm::ReportProblem(const QString& text)
{
    std::fprintf(
        stderr, "lumaxis: %s\n",
        QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toLocal8Bit().constData());
    // Nobody is there to answer a box while the session ends.
    if (!sessionEnding_)
        prompts_->Message(this, kAppTitle, text, TUserPrompts::Icon::Warning);
}

// ---- project tree ----

TSGNObject* TMainForm::NodeObject(const QTreeWidgetItem* node)
{
    if (!node)
        return nullptr;
    return reinterpret_cast<TSGNObject*>(node->data(0, ObjectRole).value<quintptr>());
}

QTreeWidgetItem* TMainForm::PanelNodeOf(QTreeWidgetItem* node)
{
    for (; node; node = node->parent()) {
        const TSGNObject* object = NodeObject(node);
        if (object && object->KindCode == KindCodes::Panel)
            return node;
    }
    return nullptr;
}

QTreeWidgetItem* TMainForm::SelectedNode() const
{
    const QList<QTreeWidgetItem*> selected = TntTreeView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

TSGNPanel* TMainForm::CurrentPanel() const
{
    return static_cast<TSGNPanel*>(NodeObject(PanelNodeOf(SelectedNode())));
}

QString TMainForm::MakePanelName() const
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("PANEL%1").arg(n);
        bool taken = false;
        for (int i = 0; i < project_->Count() && !taken; ++i)
            taken = project_->Items(i)->Name == name;
        if (!taken)
            return name;
    }
}

TSGNPanel* TMainForm::StartEmptyProject(int port)
{
    project_->Clear();
    TSGNPanel* panel = project_->AddPanel();
    panel->Name = MakePanelName();
    project_->PortNumber = port;
    return panel;
}

QTreeWidgetItem* TMainForm::AddPanelNode(TSGNPanel* panel)
{
    QTreeWidgetItem* panelNode = MakeNode(panel, panel->Name);
    TntTreeView1->addTopLevelItem(panelNode);
    const int zones = panel->Zones.ZoneCount();
    QList<QTreeWidgetItem*> zoneNodes;
    if (zones > 1) {
        for (int z = 1; z <= zones; ++z) {
            QTreeWidgetItem* zoneNode = MakeNode(&panel->Zones, QStringLiteral("分区:%1").arg(z));
            panelNode->addChild(zoneNode);
            zoneNodes << zoneNode;
        }
    }
    for (int i = 0; i < panel->Items.Count(); ++i) {
        TSGNSendMsg* item = panel->Items.Items(i);
        QTreeWidgetItem* parent = panelNode;
        if (!zoneNodes.isEmpty()) {
            // A zone number outside the layout (possible in a file written
            // elsewhere) places the item in the nearest zone, so the tree
            // still holds every item of the panel.
            const int zone = std::clamp<int>(item->Params.Zone(), 1, zones);
            parent = zoneNodes[zone - 1];
        }
        parent->addChild(MakeNode(item, item->GetName()));
    }
    panelNode->setExpanded(true);
    for (QTreeWidgetItem* zoneNode : zoneNodes)
        zoneNode->setExpanded(true);
    return panelNode;
}

void TMainForm::ClearTree()
{
    const bool blocked = TntTreeView1->blockSignals(true);
    TntTreeView1->clear();
    TntTreeView1->blockSignals(blocked);
}

void TMainForm::BuildTree()
{
    const bool blocked = TntTreeView1->blockSignals(true);
    if (project_->Count() == 0)
        PageControl1->setCurrentIndex(DeviceWellPage);
    TntTreeView1->clear();
    for (int i = 0; i < project_->Count(); ++i)
        AddPanelNode(project_->Items(i));
    if (TntTreeView1->topLevelItemCount() > 0)
        TntTreeView1->setCurrentItem(TntTreeView1->topLevelItem(0));
    TntTreeView1->blockSignals(blocked);
}

void TMainForm::RefreshTree()
{
    BuildTree();
    PreviewStrip->hide();
    TntTreeView1Click();
}

void TMainForm::TntTreeView1Click()
{
    const TSGNObject* object = NodeObject(SelectedNode());
    const uint16_t kind = object ? object->KindCode : 0;
    switch (kind) {
    case 0:
        PageControl1->setCurrentIndex(DeviceWellPage);
        return;
    case KindCodes::Panel:
        PageControl1->setCurrentIndex(DevicePropertyPage);
        PreviewStrip->hide();
        return;
    case KindCodes::Partition:
        PageControl1->setCurrentIndex(PartitionPage);
        PreviewStrip->hide();
        return;
    case KindCodes::Text:
        PageControl1->setCurrentIndex(TextPage);
        break;
    case KindCodes::Rtf:
        PageControl1->setCurrentIndex(RtfPage);
        break;
    case KindCodes::Image:
        PageControl1->setCurrentIndex(BitmapPage);
        break;
    case KindCodes::Timer:
        PageControl1->setCurrentIndex(TimerPage);
        break;
    case KindCodes::Temperature:
        PageControl1->setCurrentIndex(TemperaturePage);
        break;
    case KindCodes::Counter:
        PageControl1->setCurrentIndex(CounterPage);
        break;
    default:
        return;
    }
    PreviewStrip->show();
}

void TMainForm::AddPanel1Click()
{
    const QString name = MakePanelName();
    TSGNPanel* panel = project_->AddPanel();
    panel->Name = name;
    const bool blocked = TntTreeView1->blockSignals(true);
    AddPanelNode(panel);
    TntTreeView1->blockSignals(blocked);
}

void TMainForm::DeletePanel1Click()
{
    QTreeWidgetItem* panelNode = PanelNodeOf(SelectedNode());
    if (!panelNode)
        return;
    const int position = TntTreeView1->indexOfTopLevelItem(panelNode);
    // The node goes first so the tree never points at a freed panel.
    const bool blocked = TntTreeView1->blockSignals(true);
    delete TntTreeView1->takeTopLevelItem(position);
    TntTreeView1->blockSignals(blocked);
    project_->DeletePanel(position);
    TntTreeView1Click();
}

void TMainForm::TntToolButton9Click()
{
    if (QTreeWidgetItem* panelNode = PanelNodeOf(SelectedNode())) {
        TntTreeView1->setCurrentItem(panelNode);
        TntTreeView1Click();
    }
}

void TMainForm::PopupMenu1Popup()
{
    const TSGNObject* object = NodeObject(SelectedNode());
    const bool item = object && KindCodes::IsItem(object->KindCode);
    Moveup1->setEnabled(item);
    MoveDown1->setEnabled(item);
}

void TMainForm::Moveup1Click()
{
    MoveSelectedItem(-1);
}

void TMainForm::MoveDown1Click()
{
    MoveSelectedItem(1);
}

void TMainForm::MoveSelectedItem(int step)
{
    QTreeWidgetItem* node = SelectedNode();
    auto* item = static_cast<TSGNSendMsg*>(NodeObject(node));
    if (!item || !KindCodes::IsItem(item->KindCode) || !node->parent())
        return;
    QTreeWidgetItem* parent = node->parent();
    const int position = parent->indexOfChild(node);
    const int target = position + step;
    auto* panel = static_cast<TSGNPanel*>(NodeObject(PanelNodeOf(parent)));
    if (!panel || target < 0 || target >= parent->childCount())
        return;
    // The tree follows the list only once the list has moved the item.
    if (!(step < 0 ? panel->Items.MoveUp(item) : panel->Items.MoveDown(item)))
        return;
    const bool blocked = TntTreeView1->blockSignals(true);
    parent->takeChild(position);
    parent->insertChild(target, node);
    TntTreeView1->setCurrentItem(node);
    TntTreeView1->blockSignals(blocked);
}

// ---- start-up connection and the search command ----

void TMainForm::FormShow()
{
    setEnabled(false);
    Timer1->start();
}

void TMainForm::Timer1Timer()
{
    Timer1->stop();
    if (closed_)
        return;
    // The report of an unreadable project file is still open: connecting
    // now would stack the search dialog and the zone question on top of it.
    if (reportingStartup_) {
        Timer1->start();
        return;
    }
    const TEnableOnExit enable(this);
    if (project_->Count() == 0)
        return;
    TSGNPanel* panel = project_->Items(0);
    // The link stays open for the commands that follow.
    if (!ConnectPanel(panel, true)) {
        QStringList ports;
        GetComPortList(ports);
        if (ports.size() > 1)
            TSearchForm::ShowSearch(panel, this);
    }
    // Closed while the card was being asked: nobody is left to answer.
    if (closed_)
        return;
    RefreshTree();
    AskZoneSetup(panel);
}

void TMainForm::AskZoneSetup(TSGNPanel* panel)
{
    if (!panel || panel->ZonesConfigured)
        return;
    if (!prompts_->AskYesNo(this, QStringLiteral("是否现在分区?"),
                            QStringLiteral("你的分区卡未设置分区,点击'是'设置分区.点击'否'"
                                           "设置为不分区")))
        return;
    PageControl1->setCurrentIndex(DevicePropertyPage);
    PreviewStrip->hide();
    // The zone layout editor is not part of this version; say so instead of
    // pretending the zones were set.
    prompts_->Message(this, kAppTitle,
                      QStringLiteral("Zone setup is not available yet in this version, so no "
                                     "zones were set: the panel keeps one zone covering the "
                                     "whole sign."));
}

void TMainForm::TntToolButton1Click()
{
    TSGNPanel* panel = CurrentPanel();
    if (!panel)
        return;
    TSearchForm::ShowSearch(panel, this);
    if (closed_)
        return;
    AskZoneSetup(panel);
    RefreshTree();
}

void TMainForm::ConnectQuietly(TSGNPanel* panel)
{
    // The exchange lets the interface process events while it waits; a
    // command run meanwhile (another New or Open) would free the panel being
    // talked to, so the window takes no input until it is done.
    setEnabled(false);
    const TEnableOnExit enable(this);
    ConnectPanel(panel, true);
}
