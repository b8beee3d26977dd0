// Schedules in a real settings file: the stored texts, what loads and what
// ends loading, and the rewrite after a deletion.

#include "schedule/schedule.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

class ScheduleStore : public testing::Test
{
protected:
    TempDir dir;
    std::string file = dir.File("AulavoxKesto.ini");
    SettingsStore* m_old = nullptr;

    void SetUp() override
    {
        m_old = theSettings;
        theSettings = nullptr;
        theScheduleList.clear();
    }

    void TearDown() override
    {
        delete theSettings;
        theSettings = m_old;
        theScheduleList.clear();
    }

    // Opens the file as the program does (after writing it, if text is given).
    void Open(const std::string* text = nullptr)
    {
        delete theSettings;
        theSettings = nullptr;
        if (text != nullptr)
        {
            ASSERT_TRUE(WriteWholeFile(file, *text));
        }
        theSettings = OpenSettingsStore(wxString::FromUTF8(file));
    }

    void Reopen()
    {
        FlushSettings();
        Open();
    }

    static Schedule Make(const char* name, int32_t repeat, int32_t action, uint32_t days, const wxDateTime& start,
                         const wxDateTime& stop, bool enabled = true)
    {
        Schedule s;
        s.name = name;
        s.repeat = repeat;
        s.action = action;
        s.days = days;
        s.startTime = start;
        s.stopTime = stop;
        s.enabled = enabled;
        return s;
    }
};

wxDateTime At(int day, wxDateTime::Month month, int year, int hour, int minute, int second = 0)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day), month, year, static_cast<unsigned short>(hour),
                      static_cast<unsigned short>(minute), static_cast<unsigned short>(second));
}

std::string Entry(unsigned index, const std::string& name, const std::string& enabled, const std::string& repeat,
                  const std::string& action, const std::string& days, const std::string& start,
                  const std::string& stop)
{
    return "[Schedules/" + std::to_string(index) + "]\nName=" + name + "\nEnabled=" + enabled + "\nRepeat=" + repeat +
           "\nAction=" + action + "\nDays=" + days + "\nStartTime=" + start + "\nStopTime=" + stop + "\n";
}

std::string GoodEntry(unsigned index, const std::string& name = "Morning")
{
    return Entry(index, name, "1", "Daily", "TurnOn", "", "2010-05-03 07:45:00", "9999-12-31 23:59:59");
}

TEST_F(ScheduleStore, SavedRecordsLoadBackAndTheFileHoldsTheStoredTexts)
{
    Open();
    SetSchedulesEnabled(false);
    const Schedule morning = Make("Morning", Weekly, TurnOn, DAY_MONDAY | DAY_WEDNESDAY | DAY_FRIDAY,
                                  At(3, wxDateTime::May, 2010, 7, 45), ScheduleNeverTime);
    const Schedule evening = Make("C:\\Rooms\\B 101", Monthly, TurnOff, 0, At(31, wxDateTime::Jan, 2010, 22, 0, 5),
                                  At(10, wxDateTime::May, 2010, 23, 59, 59), false);
    EXPECT_EQ(SaveSchedule(morning, 0), 0);
    EXPECT_EQ(SaveSchedule(evening, 1), 0);
    Reopen();

    const std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("[Schedules]\nEnabled=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Schedules/0]\nName=Morning\nEnabled=1\nRepeat=Weekly\nAction=TurnOn\nDays=Mon,Wed,Fri,\n"
                        "StartTime=2010-05-03 07:45:00\nStopTime=9999-12-31 23:59:59\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Schedules/1]\nName=C:\\Rooms\\B 101\nEnabled=0\nRepeat=Monthly\nAction=TurnOff\nDays=\n"
                        "StartTime=2010-01-31 22:00:05\nStopTime=2010-05-10 23:59:59\n"),
              std::string::npos)
        << text;

    LoadScheduleList();
    ASSERT_EQ(theScheduleList.size(), 2u);
    EXPECT_FALSE(GetSchedulesEnabled());
    for (size_t i = 0; i < 2; ++i)
    {
        const Schedule& want = i == 0 ? morning : evening;
        const Schedule& got = theScheduleList[i];
        SCOPED_TRACE(want.name.utf8_string());
        EXPECT_EQ(std::tie(got.name, got.enabled, got.repeat, got.action, got.days),
                  std::tie(want.name, want.enabled, want.repeat, want.action, want.days));
        EXPECT_EQ(got.startTime, want.startTime);
        EXPECT_EQ(got.stopTime, want.stopTime);
    }
}

TEST_F(ScheduleStore, EachStoredValueIsReadOrRefused)
{
    struct Row
    {
        const char* what;
        std::string entry;
        bool loads;
        uint32_t days = 0;
    };
    const char* start = "2010-05-03 07:45:00";
    const char* never = "9999-12-31 23:59:59";
    const std::vector<Row> rows = {
        {"days in any case", Entry(0, "a", "1", "Weekly", "TurnOn", "mon,FRI,", start, never), true,
         DAY_MONDAY | DAY_FRIDAY},
        {"no final comma", Entry(0, "a", "1", "Weekly", "TurnOn", "mon,FRI", start, never), true,
         DAY_MONDAY | DAY_FRIDAY},
        {"empty day item", Entry(0, "a", "1", "Weekly", "TurnOn", "Mon,,Fri,", start, never), false},
        {"no day code", Entry(0, "a", "1", "Weekly", "TurnOn", "Mon,Fryday,", start, never), false},
        {"a word for Enabled", Entry(0, "a", "yes", "Daily", "TurnOn", "", start, never), false},
        {"unknown repeat", Entry(0, "a", "1", "Yearly", "TurnOn", "", start, never), false},
        {"stop time with text after it", Entry(0, "a", "1", "Daily", "TurnOn", "", start, "2010-05-10 23:59:59x"),
         false},
        {"no name key", "[Schedules/0]\nEnabled=1\nRepeat=Daily\nAction=TurnOn\nDays=\nStartTime=2010-05-03 "
                        "07:45:00\nStopTime=9999-12-31 23:59:59\n",
         false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Open(&row.entry);
        Schedule s;
        EXPECT_EQ(LoadSchedule(s, 0), row.loads ? 0 : -1);
        if (!row.loads)
            continue;
        EXPECT_EQ(s.days, row.days);
        EXPECT_EQ(s.startTime, At(3, wxDateTime::May, 2010, 7, 45));
    }
}

TEST_F(ScheduleStore, LoadingStopsAtTheFirstGapOrInvalidEntry)
{
    struct Row
    {
        const char* what;
        std::string text;
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {"no group at all", "[Options]\nPassword=lemon\n", {}},
        {"a gap after 1", GoodEntry(0, "zero") + GoodEntry(1, "one") + GoodEntry(3, "three"), {"zero", "one"}},
        {"an invalid entry 1",
         GoodEntry(0, "zero") + Entry(1, "one", "on", "Daily", "TurnOn", "", "2010-05-03 07:45:00", "") +
             GoodEntry(2, "two"),
         {"zero"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        theScheduleList.clear();
        Open(&row.text);
        LoadScheduleList();
        std::vector<std::string> names;
        for (const Schedule& s : theScheduleList)
            names.push_back(s.name.utf8_string());
        EXPECT_EQ(names, row.names);
        EXPECT_TRUE(GetSchedulesEnabled());
    }
}

TEST_F(ScheduleStore, DeletingRewritesTheGroupUnderNewIndicesAndKeepsTheSwitch)
{
    const std::string text = "[Schedules]\nEnabled=0\n" + GoodEntry(0, "zero") + GoodEntry(1, "one") +
                             GoodEntry(2, "two");
    Open(&text);
    LoadScheduleList();
    ASSERT_EQ(theScheduleList.size(), 3u);

    // What the schedules page does for a deletion of the middle record.
    theScheduleList.erase(theScheduleList.begin() + 1);
    EXPECT_EQ(ClearStoredSchedules(), 0);
    for (unsigned i = 0; i < theScheduleList.size(); ++i)
        SaveSchedule(theScheduleList[i], i);
    Reopen();

    const std::string after = ReadWholeFile(file);
    EXPECT_EQ(after.find("[Schedules/2]"), std::string::npos) << after;
    EXPECT_NE(after.find("[Schedules/1]\nName=two\n"), std::string::npos) << after;
    EXPECT_FALSE(GetSchedulesEnabled());

    // Deleting everything keeps the switch too.
    ClearStoredSchedules();
    Reopen();
    EXPECT_EQ(ReadWholeFile(file).find("[Schedules/"), std::string::npos);
    EXPECT_FALSE(GetSchedulesEnabled());
}

} // namespace
