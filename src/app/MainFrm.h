#pragma once
// The main window: owns the open project for the whole run, shows it as the
// project tree beside one editor page per item kind, and runs the project
// file commands (New, Open, Save, Save as, Exit) and the close handler that
// writes the default project file.
#include <QMainWindow>
#include <QString>

#include <memory>

class QAction;
class QCloseEvent;
class QShowEvent;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TSGNObject;
class TSGNPanel;
class TSGNPanels;
class TUserPrompts;

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Pages of PageControl1, one per item kind and the panel and zone panes.
    enum Page
    {
        TextPage = 0,
        RtfPage = 1,
        BitmapPage = 2,
        TimerPage = 3,
        ClockPage = 4,
        TemperaturePage = 5,
        CounterPage = 6,
        DevicePropertyPage = 7,
        DeviceWellPage = 8,
        PartitionPage = 9,
    };

    // Tesslar.sgn in the directory of the executable.
    static QString DefaultProjectFile();

    // Loads defaultProjectFile (or starts with one panel named PANEL1) and
    // builds the window. prompts answers the file choosers and message boxes;
    // borrowed, and the real dialogs when empty.
    explicit TMainForm(const QString& defaultProjectFile = DefaultProjectFile(),
                       TUserPrompts* prompts = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    TSGNPanels& Project() { return *project_; }
    TUserPrompts& Prompts() { return *prompts_; }
    // The file last opened or saved under its own name; the default project
    // file after Save and at close; empty after New.
    const QString& ProjectFileName() const { return projectFileName_; }
    const QString& DefaultFile() const { return defaultFile_; }

    // Project tree. Each node holds a borrowed pointer to its model object.
    void BuildTree();
    void RefreshTree();
    static TSGNObject* NodeObject(const QTreeWidgetItem* node);
    // The node of the first panel at or above node (starting at node itself).
    static QTreeWidgetItem* PanelNodeOf(QTreeWidgetItem* node);
    QTreeWidgetItem* SelectedNode() const;
    // The panel of the selected node, or empty.
    TSGNPanel* CurrentPanel() const;
    // "PANEL" and the first number no panel is named with.
    QString MakePanelName() const;

    // Start-up connection: when the panel's card holds no zone table, asks
    // whether to set zones now.
    void AskZoneSetup(TSGNPanel* panel);

public Q_SLOTS:
    void New1Click();
    void Open1Click();
    void Save1Click();
    void Saveas1Click();
    void Exit1Click();
    void About2Click();
    // Shows the page of the selected node's kind.
    void TntTreeView1Click();
    void AddPanel1Click();
    void DeletePanel1Click();
    // Toolbar "Return": selects the panel node of the selection.
    void TntToolButton9Click();
    // Tree popup: enables its entries for the selection; moves an item
    // within its zone.
    void PopupMenu1Popup();
    void Moveup1Click();
    void MoveDown1Click();
    // The desktop session ends: close as Exit does, asking nothing.
    void EndSession();

    // Start-up connection and the search command.
    // First showing: disables the window and starts Timer1.
    void FormShow();
    // Timer1, 200 ms later: connects to the first panel's card, offers the
    // port search when it does not answer and more than one port is listed,
    // builds the tree, asks for a zone setup, enables the window.
    void Timer1Timer();
    // Toolbar "Search": the port search for the panel of the selection.
    void TntToolButton1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public:
    // Controls of the window, owned by it; other panes connect to them.
    QToolBar* ToolBar1 = nullptr;
    QTreeWidget* TntTreeView1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* PreviewStrip = nullptr;
    QSplitter* TreeSplitter = nullptr;
    QSplitter* PreviewSplitter = nullptr;
    QLabel* StatusPanel = nullptr;
    QMenu* PopupMenu1 = nullptr;
    // The start-up connection step, 200 ms after the window is shown.
    QTimer* Timer1 = nullptr;

    // Menu "File (&F)".
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* SD1 = nullptr;
    QAction* Historyfile1 = nullptr;
    QAction* Exit1 = nullptr;
    // Menu "Edit  (&E)". Add entries carry the item kind in data().
    QAction* SendAll1 = nullptr;
    QAction* AddText1 = nullptr;
    QAction* AddRtf1 = nullptr;
    QAction* AddBitmap1 = nullptr;
    QAction* AddTimer1 = nullptr;
    QAction* AddClock1 = nullptr;
    QAction* AddTemperature1 = nullptr;
    QAction* DeleteItem1 = nullptr;
    QAction* StopItem1 = nullptr;
    QAction* AddPanel1 = nullptr;
    QAction* DeletePanel1 = nullptr;
    // Menu "Setup  (&S)".
    QAction* Hardware1 = nullptr;
    QAction* Brightness1 = nullptr;
    QAction* ZoneSetup1 = nullptr;
    QAction* Power1 = nullptr;
    QAction* N9 = nullptr; // "Timer": set the card clock
    // Menu "Help  (&H)".
    QAction* HardwareUpdata1 = nullptr;
    QAction* About2 = nullptr;
    // Toolbar, left to right. Add buttons carry the item kind in data().
    QAction* SearchButton = nullptr;
    QAction* ClearButton = nullptr;
    QAction* RtfButton = nullptr;
    QAction* ClockButton = nullptr;
    QAction* CountButton = nullptr;
    QAction* ImageButton = nullptr;
    QAction* SheetButton = nullptr;
    QAction* GifButton = nullptr;
    QAction* TempeButton = nullptr;
    QAction* TextButton = nullptr;
    QAction* DelButton = nullptr;
    QAction* AllButton = nullptr;
    QAction* TimerButton = nullptr;
    QAction* ReturnButton = nullptr;
    // Tree popup menu.
    QAction* Moveup1 = nullptr;
    QAction* MoveDown1 = nullptr;
    QAction* Delet1 = nullptr;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildClientArea();
    void ConnectCommands();
    void StartProject();
    QTreeWidgetItem* AddPanelNode(TSGNPanel* panel);

    // Steps shared by the project and tree commands.
    // Empties the project and gives it one new panel on port; returns it.
    TSGNPanel* StartEmptyProject(int port);
    // Empties the tree with no selection change reaching the pages.
    void ClearTree();
    // Moves the selected item one place up (step -1) or down (step 1)
    // within its zone, in the list and in the tree.
    void MoveSelectedItem(int step);

    // Writes the project; on failure tells the user (unless the session is
    // ending) and stderr. True when written.
    bool SaveProject(const QString& path);
    // Writes the default project file, first moving aside the damaged file
    // that failed to load at start so that it is never overwritten.
    bool SaveDefaultProject();
    void ReportProblem(const QString& text);
    // The close handler: runs once, however the window is closed.
    void FormClose();
    // Start-up connection: reads the card of a panel of a new or opened
    // project, reporting nothing, with the window disabled meanwhile.
    void ConnectQuietly(TSGNPanel* panel);

    std::unique_ptr<TSGNPanels> project_;
    std::unique_ptr<TUserPrompts> ownPrompts_;
    TUserPrompts* prompts_ = nullptr;
    QString defaultFile_;
    QString projectFileName_;
    // The default file existed at start but could not be read; it is set
    // aside before the first write over it.
    bool damagedDefault_ = false;
    bool sessionEnding_ = false;
    bool closed_ = false;
    bool shown_ = false;
    // Why the default file could not be read, told once the window shows.
    QString startupProblem_;
    // Start-up connection: the report above is on screen, so the
    // connection step waits for it to be answered.
    bool reportingStartup_ = false;
};
