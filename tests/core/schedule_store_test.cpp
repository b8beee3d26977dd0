// Schedules in a real settings file: the stored texts, and what loads.

#include "schedule/schedule.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"
#include "support/core/time_zone.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Entry(unsigned index, const std::string& name, const std::string& enabled = "1",
                  const std::string& repeat = "Daily", const std::string& days = "",
                  const std::string& stop = "9999-12-31 23:59:59", const std::string& start = "2010-05-03 07:45:00")
{
    return "[Schedules/" + std::to_string(index) + "]\nName=" + name + "\nEnabled=" + enabled + "\nRepeat=" + repeat +
           "\nAction=TurnOn\nDays=" + days + "\nStartTime=" + start + "\nStopTime=" + stop + "\n";
}

class ScheduleStore : public testing::Test
{
protected:
    void SetUp() override { std::swap(theSettings, m_old); }
    void TearDown() override
    {
        delete theSettings;
        theSettings = m_old;
        theScheduleList.clear();
    }

    // Opens the file as the program does, after writing it if text is given.
    void Open(const std::string& text = "")
    {
        delete theSettings;
        ASSERT_TRUE(text.empty() || WriteWholeFile(file, text));
        theSettings = OpenSettingsStore(wxString::FromUTF8(file));
    }
    // Loads the list afresh from the file, after writing it if text is given.
    void Load(const std::string& text = "")
    {
        theScheduleList.clear();
        Open(text);
        LoadScheduleList();
    }
    void Save(const Schedule& schedule, unsigned index)
    {
        SaveSchedule(schedule, index);
        FlushSettings();
    }

    LogRecorder log;
    TempDir dir;
    std::string file = dir.File("AulavoxKesto.ini");
    SettingsStore* m_old = nullptr;
};

TEST_F(ScheduleStore, SavedRecordsAreTheStoredTextsAndLoadBack)
{
    Open();
    SetSchedulesEnabled(false);
    Schedule evening;
    evening.name = "C:\\Rooms\\B 101";
    evening.enabled = false;
    evening.repeat = Monthly;
    evening.days = DAY_MONDAY | DAY_WEDNESDAY | DAY_FRIDAY;
    evening.startTime = wxDateTime(31, wxDateTime::Jan, 2010, 22, 0, 5);
    evening.stopTime = ScheduleNeverTime;
    Save(evening, 0);
    const std::string stored = "Name=C:\\Rooms\\B 101\nEnabled=0\nRepeat=Monthly\nAction=TurnOff\nDays=Mon,Wed,Fri,\n"
                               "StartTime=2010-01-31 22:00:05\nStopTime=9999-12-31 23:59:59\n";
    // What loads is what was saved: stored again, it gives the same texts.
    Load();
    ASSERT_EQ(theScheduleList.size(), 1u);
    Save(theScheduleList[0], 1);
    EXPECT_EQ(ReadWholeFile(file), "[Schedules]\nEnabled=0\n[Schedules/0]\n" + stored + "[Schedules/1]\n" + stored);
    EXPECT_FALSE(GetSchedulesEnabled());

    // A time of day that the start day lacks or has twice is written back as it was read.
    ScopedTimeZone zone("Europe/Berlin");
    for (const std::string start : {"2026-03-29 02:30:00", "2026-10-25 02:30:00"})
    {
        Load(Entry(0, "a", "1", "Daily", "", "9999-12-31 23:59:59", start));
        ASSERT_EQ(theScheduleList.size(), 1u);
        Save(theScheduleList[0], 0);
        EXPECT_NE(ReadWholeFile(file).find("StartTime=" + start + "\n"), std::string::npos) << ReadWholeFile(file);
    }
}

TEST_F(ScheduleStore, ARecordThatDoesNotReadIsLeftOutWithAnErrorAndTheOthersLoad)
{
    // error: the Error logged, "" for none.
    const struct { const char* what; std::string text; std::vector<std::string> names; const char* error; } rows[] = {
        {"no group at all", "[Options]\nPassword=lemon\n", {}, ""},
        {"days in any case, final comma optional", Entry(0, "a", "1", "Weekly", "mon,FRI") + Entry(1, "b"), {"a", "b"}, ""},
        {"a gap after 0", Entry(0, "a") + Entry(2, "c"), {"a", "c"}, ""},
        {"empty day item", Entry(0, "a", "1", "Weekly", "Mon,,Fri,") + Entry(1, "b"), {"b"}, "schedule 0 "},
        {"a word for Enabled", Entry(0, "a") + Entry(1, "b", "yes") + Entry(2, "c"), {"a", "c"}, "schedule 1 "},
        {"unknown repeat", Entry(0, "a", "1", "Yearly"), {}, "schedule 0 "},
        {"stop time with text after it", Entry(0, "a", "1", "Daily", "", "2010-05-10 23:59:59x"), {}, "schedule 0 "},
        // The toolkit's reader took these and moved them to the next day or year.
        {"a second 60", Entry(0, "a", "1", "Daily", "", "9999-12-31 23:59:60") + Entry(1, "b"), {"b"}, "schedule 0 "},
        {"a year past 9999", Entry(0, "a", "1", "Daily", "", "10000-01-01 00:00:00") + Entry(1, "b"), {"b"}, "schedule 0 "},
        {"a day February lacks", Entry(0, "a", "1", "Daily", "", "9999-12-31 23:59:59", "2026-02-29 07:45"), {},
         "schedule 0 "},
        {"no name key", "[Schedules/0]\nEnabled=1\nRepeat=Daily\nAction=TurnOn\nDays=\n"
                        "StartTime=2010-05-03 07:45\nStopTime=9999-12-31 23:59:59\n", {}, "schedule 0 "},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        log.Clear();
        Load(row.text);
        std::vector<std::string> names;
        for (const Schedule& s : theScheduleList)
            names.push_back(s.name.utf8_string());
        EXPECT_EQ(names, row.names);
        const std::vector<std::string> errors = log.AtLevel(Log::LEVEL_ERROR);
        EXPECT_TRUE(errors.size() == (*row.error ? 1u : 0u) && (errors.empty() || errors[0].find(row.error) == 0))
            << log.Text();
        EXPECT_TRUE(GetSchedulesEnabled());
    }
    Open(Entry(0, "a", "1", "Weekly", "mon,FRI"));
    Schedule s;
    ASSERT_EQ(LoadSchedule(s, 0), 0);
    EXPECT_EQ(s.days, uint32_t(DAY_MONDAY | DAY_FRIDAY));
    EXPECT_EQ(s.startTime, wxDateTime(3, wxDateTime::May, 2010, 7, 45));

    // The first change after a record was left out numbers the file as the
    // list: writing record 1 must not overwrite the stored record 2.
    Load(Entry(0, "a") + Entry(1, "b", "yes") + Entry(2, "c"));
    StoreSchedule(theScheduleList, 1);
    FlushSettings();
    Load();
    ASSERT_EQ(theScheduleList.size(), 2u);
    EXPECT_EQ(theScheduleList[1].name, "c");
    EXPECT_EQ(ReadWholeFile(file).find("[Schedules/2]"), std::string::npos) << ReadWholeFile(file);
}

} // namespace
