// The project object model: construction defaults and the list rules.
#include "items/SGNSendMsg.h"
#include "items/SGNText.h"
#include "model/DayNumber.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(ProjectModel, NewPanelHasOneFullZoneAndDefaults)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    EXPECT_EQ(panel->Id, 1);
    EXPECT_EQ(panel->Name, "Panel?");
    EXPECT_EQ(panel->VersionText, "Unkown");
    EXPECT_EQ(panel->BaudRate, 57600);
    EXPECT_EQ(panel->ReceivePolls, 50);
    EXPECT_EQ(panel->Zones.LayoutType, 0);
    ASSERT_EQ(panel->Zones.ZoneCount(), 1);
    EXPECT_EQ(*panel->Zones.Zone(0), (TZoneRect{0, 0, 64, 64}));
    EXPECT_FALSE(panel->Zones.Zone(1).has_value());
    EXPECT_EQ(panel->HardwareParams[0], 8);
    EXPECT_EQ(panel->HardwareParams[1], 8);
    EXPECT_EQ(panel->HardwareParams[2], 1);
    EXPECT_EQ(panel->Items.Owner, panel);
    EXPECT_EQ(panel->Zones.Owner, panel);
}

TEST(ProjectModel, DeletedPanelIdIsReused)
{
    TSGNPanels project;
    for (int i = 0; i < 3; ++i)
        project.AddPanel();
    EXPECT_EQ(project.Items(2)->Id, 3);
    ASSERT_TRUE(project.DeletePanel(1));
    EXPECT_FALSE(project.DeletePanel(2));
    EXPECT_EQ(project.AddPanel()->Id, 2);
    EXPECT_EQ(project.Items(project.Count()), nullptr);
}

TEST(ProjectModel, StartPagesAreFirstFreeMultiplesOf16)
{
    TSGNPanel panel;
    TSGNSendMsg* first = panel.Items.AddItem(KindCodes::Text);
    EXPECT_EQ(first->StartPage, 16);
    EXPECT_EQ(first->Owner, &panel);
    EXPECT_EQ(panel.Items.AddItem(KindCodes::Timer)->StartPage, 32);
    ASSERT_TRUE(panel.Items.DeleteItem(first));
    EXPECT_EQ(panel.Items.AddItem(KindCodes::Image)->StartPage, 16);
}

TEST(ProjectModel, UnknownKindCreatesNothing)
{
    TSGNPanel panel;
    for (uint16_t kind : {uint16_t(0x8005), uint16_t(0x8008), uint16_t(0x4001), uint16_t(0)}) {
        EXPECT_EQ(TSGNUnits::CreateItem(kind), nullptr) << kind;
        EXPECT_EQ(panel.Items.AddItem(kind), nullptr) << kind;
        EXPECT_EQ(panel.Items.AddItemToZone(1, kind), nullptr) << kind;
    }
    EXPECT_EQ(panel.Items.Count(), 0);
    EXPECT_EQ(panel.Items.Items(0), nullptr);
    EXPECT_FALSE(panel.Items.DeleteAt(0));
}

// A panel with two zones and items in zones 1, 1, 2, 2.
class ZonedItems : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel.Zones.LayoutType = 1;
        panel.Zones.Clear();
        panel.Zones.AddZone(0, 0, 32, 64);
        panel.Zones.AddZone(32, 0, 64, 64);
        for (int zone : {1, 1, 2, 2})
            items.push_back(panel.Items.AddItemToZone(zone, KindCodes::Text));
    }
    TSGNPanel panel;
    std::vector<TSGNSendMsg*> items;
};

TEST_F(ZonedItems, AddToZoneInsertsBeforeTheNextZone)
{
    TSGNSendMsg* inZone1 = panel.Items.AddItemToZone(1, KindCodes::Timer);
    EXPECT_EQ(panel.Items.IndexOf(inZone1), 2);
    EXPECT_EQ(inZone1->Params.Zone(), 1);
    TSGNSendMsg* inZone2 = panel.Items.AddItemToZone(2, KindCodes::Timer);
    EXPECT_EQ(panel.Items.IndexOf(inZone2), panel.Items.Count() - 1);
}

TEST_F(ZonedItems, MovesNeverCrossAZone)
{
    EXPECT_FALSE(panel.Items.MoveUp(items[2]));   // first of zone 2
    EXPECT_FALSE(panel.Items.MoveDown(items[1])); // last of zone 1
    EXPECT_FALSE(panel.Items.MoveDown(items[3])); // last item
    EXPECT_FALSE(panel.Items.MoveUp(items[0]));   // first item
    ASSERT_TRUE(panel.Items.MoveDown(items[0]));
    EXPECT_EQ(panel.Items.Items(0), items[1]);
    EXPECT_EQ(panel.Items.Items(1), items[0]);
    ASSERT_TRUE(panel.Items.MoveUp(items[3]));
    EXPECT_EQ(panel.Items.Items(2), items[3]);
}

TEST_F(ZonedItems, ReorderFromOutlineSetsOrderAndZones)
{
    // Drag the first item of zone 1 to the end of zone 2.
    ASSERT_TRUE(panel.Items.ReorderFromTree({{items[1]}, {items[2], items[3], items[0]}}));
    EXPECT_EQ(panel.Items.Items(0), items[1]);
    EXPECT_EQ(panel.Items.Items(3), items[0]);
    EXPECT_EQ(items[0]->Params.Zone(), 2);
    EXPECT_EQ(items[1]->Params.Zone(), 1);
}

TEST_F(ZonedItems, ReorderRejectsAnOutlineThatIsNotTheList)
{
    TSGNPanel other;
    TSGNSendMsg* stranger = other.Items.AddItem(KindCodes::Text);
    const std::vector<std::vector<std::vector<TSGNSendMsg*>>> bad = {
        {{items[0], items[1]}, {items[2]}},           // one missing
        {{items[0], items[1]}, {items[2], items[2]}}, // one twice
        {{items[0], items[1]}, {items[2], stranger}}, // a foreign item
    };
    for (const auto& outline : bad) {
        EXPECT_FALSE(panel.Items.ReorderFromTree(outline));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(panel.Items.Items(i), items[i]);
        EXPECT_EQ(items[2]->Params.Zone(), 2);
    }
}

TEST(ProjectModel, ReorderWithoutZonesGivesZoneZero)
{
    TSGNPanel panel;
    TSGNSendMsg* a = panel.Items.AddItemToZone(3, KindCodes::Text);
    TSGNSendMsg* b = panel.Items.AddItem(KindCodes::Text);
    ASSERT_TRUE(panel.Items.ReorderFromTree({{b, a}}));
    EXPECT_EQ(panel.Items.Items(0), b);
    EXPECT_EQ(a->Params.Zone(), 0);
}

TEST(ProjectModel, ZoneAndFrameStyleKeepTheOtherNibble)
{
    TItemParams p;
    p.ZoneFlags = 0x80;
    p.SetZone(3);
    EXPECT_EQ(p.ZoneFlags, 0x83);
    EXPECT_TRUE(p.ClearFirst());
    p.FrameFlash = 0x02;
    p.SetFrameStyle(5);
    EXPECT_EQ(p.FrameFlash, 0x52);
    EXPECT_EQ(p.FlashMode(), 2);
}

TEST(ProjectModel, TextItemNameIsFirstLineCutToSix)
{
    TSGNText text;
    const struct
    {
        QStringList lines;
        QString name;
    } cases[] = {
        {{"Hello World"}, "Hello "},
        {{"abc", "longer line"}, "abc"},
        {{}, "Text"},
    };
    for (const auto& c : cases) {
        text.Lines = c.lines;
        EXPECT_EQ(text.GetName(), c.name) << c.lines.join('|').toStdString();
    }
}

TEST(ProjectModel, ItemDefaultsByKind)
{
    const struct
    {
        uint16_t kind;
        const char* name;
        uint8_t effect;
        uint8_t typeCode;
    } cases[] = {
        {KindCodes::Text, "Text", 1, 0},
        {KindCodes::Rtf, "Welcome!", 1, 1},
        {KindCodes::Image, "Image", 1, 2},
        {KindCodes::Timer, "Timer", 1, 5},
        {KindCodes::Temperature, "Temperature", 1, 4},
        {KindCodes::Counter, "COUNTER", 1, 6},
        {KindCodes::TimerEx, "表盘", 0, 3},
    };
    for (const auto& c : cases) {
        auto item = TSGNUnits::CreateItem(c.kind);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->KindCode, c.kind);
        EXPECT_EQ(item->GetName(), QString::fromUtf8(c.name));
        EXPECT_EQ(item->Command, 3);
        const TItemParams& p = item->Params;
        EXPECT_EQ(p.Effect, c.effect) << c.name;
        EXPECT_EQ(p.TypeCode, c.typeCode) << c.name;
        EXPECT_EQ(p.PageNo, 1);
        EXPECT_EQ(p.Speed, 14);
        EXPECT_EQ(p.StayTime, 3);
        EXPECT_EQ(p.FlashCycles, 2);
        EXPECT_EQ(p.Color, 1);
        EXPECT_EQ(p.AllDates, 1);
        EXPECT_EQ(p.AllTimes, 1);
        EXPECT_EQ(p.StartDate, p.StopDate);
        EXPECT_EQ(p.StartDate, std::floor(p.StartDate));
        EXPECT_GT(p.StartDate, 40000); // after 2009
    }
}

} // namespace

namespace {

TEST(DayNumbers, CountFromTheLastDayOf1899BothWays)
{
    const struct
    {
        double day;
        const char* date;
        const char* time;
    } cases[] = {
        {0, "1899-12-30", "00:00:00"},    {46000.5, "2025-12-09", "12:00:00"},
        {2.75, "1900-01-01", "18:00:00"}, {-1.25, "1899-12-29", "06:00:00"},
        {-2.5, "1899-12-28", "12:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayNumber::ToDate(c.day).toString(Qt::ISODate), c.date) << c.day;
        EXPECT_EQ(DayNumber::ToTime(c.day).toString(Qt::ISODate), c.time) << c.day;
        const QDateTime at(QDate::fromString(c.date, Qt::ISODate),
                           QTime::fromString(c.time, Qt::ISODate));
        EXPECT_DOUBLE_EQ(DayNumber::FromDateTime(at), c.day) << c.day;
    }
    EXPECT_FALSE(DayNumber::ToDate(std::nan("")).isValid());
}

} // namespace
