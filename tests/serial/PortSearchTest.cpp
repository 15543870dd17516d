// The port search over listed ports: a silent line first, the virtual card
// second; the texts and progress positions it shows, in the core and in the
// "Auto Search" dialog.
#include "serial/PortSearch.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/PortList.h"
#include "serial/SearchFrm.h"
#include "serial/UiHooks.h"
#include "support/CardPorts.h"
#include "support/WindowWatch.h"
#include "vcard/VirtualCard.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class PortSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VirtualCardOptions silent;
        silent.Silent = true;
        mute = std::make_unique<VirtualCard>(silent);
        ASSERT_TRUE(mute->Start());
        ASSERT_TRUE(card.Start());
        panel = project.AddPanel();
        project.PortNumber = 9;
    }
    void TearDown() override { UiHooks::SetPump(nullptr); }

    QString Ports() const { return PortEntry(3, *mute) + QLatin1Char(':') + PortEntry(5, card); }

    // Runs the search in the core, noting the texts and positions it shows.
    bool Search()
    {
        TPortSearchView view;
        view.Label = [this](const QString& t) { labels << t; };
        view.Progress = [this](int v) { progress.push_back(v); };
        return RunPortSearch(panel, view);
    }

    QStringList labels;
    std::vector<int> progress;
    std::unique_ptr<VirtualCard> mute;
    VirtualCard card;
    TSGNPanels project;
    TSGNPanel* panel = nullptr;
};

} // namespace

TEST_F(PortSearch, FindsTheCardOnTheSecondPort)
{
    ListedPorts listed(Ports());
    EXPECT_TRUE(Search());
    EXPECT_EQ(labels,
              (QStringList{QStringLiteral("Test COM3 @ 57600"), QStringLiteral("Test COM5 @ 57600"),
                           QStringLiteral("Found KIVO-12 V1 .A .0 COM5 @ 57600")}));
    EXPECT_EQ(progress, (std::vector<int>{0, 25, 50, 100}));
    EXPECT_EQ(project.PortNumber, 5);
    EXPECT_FALSE(panel->Link->IsOpen());
    EXPECT_EQ(panel->Width(), 128); // the card's block was read
}

TEST_F(PortSearch, WithoutACardThePortIsRestored)
{
    ListedPorts listed(PortEntry(3, *mute) + QStringLiteral(":COM4=/nonexistent/tty"));
    EXPECT_FALSE(Search());
    EXPECT_EQ(labels.last(), QStringLiteral("Not Found Panel"));
    EXPECT_EQ(labels.size(), 3);
    EXPECT_EQ(progress, (std::vector<int>{0, 100}));
    EXPECT_EQ(project.PortNumber, 9);
    EXPECT_FALSE(panel->Link->IsOpen());
}

TEST_F(PortSearch, NoPortListed)
{
    ListedPorts listed{QString()};
    EXPECT_FALSE(Search());
    EXPECT_EQ(labels, QStringList{QStringLiteral("Not Found Panel")});
    EXPECT_EQ(progress, (std::vector<int>{0, 100}));
    EXPECT_EQ(project.PortNumber, 9);
}

TEST_F(PortSearch, DialogSearchesByItselfAndShowsTheCard)
{
    ListedPorts listed(Ports());
    UiHooks::SetPump([] { QCoreApplication::processEvents(); });
    TSearchForm form(nullptr, panel);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Auto Search"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Test:"));
    EXPECT_EQ(form.ProgressBar1->value(), 100);
    EXPECT_EQ(form.TntButton1->text(), QStringLiteral("Search"));
    EXPECT_EQ(form.TntButton2->text(), QStringLiteral("Custom"));
    EXPECT_EQ(form.TntButton3->text(), QStringLiteral("Close"));

    // Watch the label and the buttons while the search runs.
    bool disabledWhileSearching = false;
    QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, [&](int) {
        labels << form.Label1->text();
        if (!form.TntButton1->isEnabled() && !form.TntButton2->isEnabled())
            disabledWhileSearching = true;
    });
    form.show();
    PumpUntil([&] { return form.Label1->text().startsWith(QLatin1String("Found")); }, 10000);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Found KIVO-12 V1 .A .0 COM5 @ 57600"));
    EXPECT_EQ(form.ProgressBar1->value(), 100);
    EXPECT_TRUE(disabledWhileSearching);
    EXPECT_TRUE(form.TntButton1->isEnabled());
    EXPECT_TRUE(form.TntButton2->isEnabled());
    EXPECT_EQ(project.PortNumber, 5);
    EXPECT_TRUE(labels.contains(QStringLiteral("Test COM5 @ 57600")));

    form.TntButton3->click();
    EXPECT_FALSE(form.isVisible());
}
