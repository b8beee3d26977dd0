// The settings file as the program opens, reads and writes it: defaults,
// encodings, files that are no text, links, odd file types and left-over
// temporary files. Each case is a real file in a temporary folder.

#include "settings/mainsettings.h"
#include "settings/settings.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines FolderEntries(const std::string& folder)
{
    Lines names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

class SettingsFile : public testing::Test
{
protected:
    TempDir dir;
    std::string file = SettingsFilePath(dir.Path()).utf8_string();
    LogRecorder log;

    // One start of the program as far as the settings go: open, record the
    // defaults (which writes the file), end.
    std::unique_ptr<SettingsStore> Start(const std::string& path)
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(path)));
        RecordDefaults(*store, wxString::FromUTF8(dir.Path()), "/srv/kesto/");
        return store;
    }
    void Start() { Start(file); }
};

TEST_F(SettingsFile, DefaultsAreWrittenAtOnceAroundWhatIsThere)
{
    const std::string fresh = "[Files]\nName1=" + dir.Path() + "/AulavoxMaster.txt\n"
                              "URL1=file:///srv/kesto/data/AulavoxMaster.txt\nName2=" + dir.Path() +
                              "/CustomList.txt\nURL2=\n[StartUp]\nAutoCheck=0\nAutoDownload=0\n[Proj]\n"
                              "AllowChange=1\nDefault=\n[Options]\nPassword=lemon\nWhiteBoardMode=0\n"
                              "StayOnTop=0\nFreezeDelay=500\n[Campus]\nEnabled=0\nBroker=mqtt://localhost:1883\n"
                              "Room=\nUser=\nPassword=\nCAFile=\nAllowCommands=0\nPrefix=aulavox\nDiscovery=1\n"
                              "DiscoveryPrefix=homeassistant\n";
    {
        const std::unique_ptr<SettingsStore> store = Start(file);
        EXPECT_EQ(ReadWholeFile(file), fresh) << "written before the store is closed: a killed process keeps them";
    }
    struct stat first, second;
    ASSERT_EQ(stat(file.c_str(), &first), 0);
    Start();
    ASSERT_EQ(stat(file.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino) << "the file was replaced although nothing changed";
    ASSERT_TRUE(WriteWholeFile(file, fresh.substr(0, fresh.find("FreezeDelay=500\n"))));
    Start();
    EXPECT_EQ(ReadWholeFile(file), fresh) << "a removed key is written again";

    // Values written by the program come back as they were: no escapes.
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        store->Write(FileUrlKey(FILE_USER), wxString("a\\tb\\n\"q\""));
    }
    EXPECT_EQ(Start(file)->Read(FileUrlKey(FILE_USER), wxString()), "a\\tb\\n\"q\"");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), Lines());
}

// Two starts with each kind of file in place: text in any encoding is read
// (backslashes and "$" kept as they stand) and written back as UTF-8 once;
// control characters pasted into values are left out, the rest of the file
// kept; a file that is no text is moved aside whole, older ones kept under
// numbers; what is no regular file is refused, without waiting on a named
// pipe, and the settings stay in memory.
TEST_F(SettingsFile, EachKindOfFileAtTheStart)
{
    TempDir odd;
    const std::string folder = odd.File("folder.ini"), pipe = odd.File("pipe.ini"), device = odd.File("zero.ini");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string node = odd.File("node"); // a device of the test's own, never one of the machine
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    ASSERT_EQ(symlink(node.c_str(), device.c_str()), 0);
    const std::string body = "[Files]\r\nName2=C:\\Users\\Public\\x.txt\r\n[Options]\r\nPassword=$HOME\\$(x)\r\n";
    const Lines kept = {"Name2=C:\\Users\\Public\\x.txt\n", "Password=$HOME\\$(x)\n"}, defaults = {"Password=lemon\n"};
    const Lines oddLines = {"the settings file '" + file + "' holds control characters in lines 2, 6; they were left out"};
    const Lines moved = {"the settings file '" + file + "' is no text: moved aside to '" + file +
                         ".bad'; starting from the defaults"};
    auto refused = [](const std::string& target, const std::string& reason) {
        return Lines(2, "unable to read the settings file '" + target + "': " + reason + "; the settings are kept in memory only");
    };
    const struct
    {
        const char* name;
        std::string path, bytes;
        Lines problems, contains; // Error lines, then Warning lines
    } rows[] = {
        {"UTF-16LE with mark", file, Utf16(body, false), {}, kept},
        {"UTF-16BE with mark", file, Utf16(body, true), {}, kept},
        {"UTF-8 with mark", file, "\xEF\xBB\xBF" + body, {}, kept},
        {"UTF-32LE with mark", file, std::string("\xFF\xFE\0\0[\0\0\0O\0\0\0]\0\0\0\n\0\0\0P\0\0\0=\0\0\0\xE4\0\0\0", 32), {},
         {"P=\xC3\xA4\n"}},
        {"Latin-1 without mark", file, "[Options]\nPassword=p\xE4ss\xA7\n", {}, {"Password=p\xC3\xA4ss\xC2\xA7\n"}},
        {"UTF-8 without mark", file, "[Options]\nPassword=p\xC3\xA4ss\n", {}, {"Password=p\xC3\xA4ss\n"}},
        {"an ESC in a URL, a DEL in a name", file,
         "[Files]\nURL2=http://h/\x1B[200~x.txt\n[Options]\nPassword=kept\n[Schedules/0]\nName=Mor\x7Fning\n", oddLines,
         {"URL2=http://h/[200~x.txt\n", "Password=kept\n", "Name=Morning\n"}},
        {"an odd trailing byte", file, Utf16("[Options]\nPassword=kept\n", false) + "x", moved, defaults},
        {"binary", file, std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), moved, defaults},
        {"a broken UTF-8 sequence after the mark", file, "\xEF\xBB\xBF[Options]\nPassword=\xC3\n", moved, defaults},
        {"a lone low surrogate", file, Utf16("[O]\n", true) + "\xDC\x00", moved, defaults},
        {"folder", folder, "", refused(folder, "it is a folder, not a regular file"), {}},
        {"named pipe", pipe, "", refused(pipe, "it is a named pipe, not a regular file"), {}},
        {"device", device, "", refused(node, "it is a device, not a regular file"), {}},
    };
    Lines movedAside;
    alarm(10); // should an open wait on the named pipe, the test ends instead of hanging
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        log.Clear();
        EXPECT_TRUE(row.path != file || WriteWholeFile(file, row.bytes));
        std::string once;
        for (int start = 0; start < 2; ++start)
        {
            const std::unique_ptr<SettingsStore> store = Start(row.path);
            EXPECT_EQ(store->GetWritePath().utf8_string(), row.path == file ? file : "");
            EXPECT_TRUE(row.path == file || store->Read(KEY_OPTIONS_PASSWORD, wxString()) == "lemon");
            once = start == 0 ? ReadWholeFile(file) : once;
        }
        Lines problems = log.AtLevel(Log::LEVEL_ERROR);
        for (const std::string& warning : log.AtLevel(Log::LEVEL_WARNING))
            problems.push_back(warning);
        EXPECT_EQ(problems, row.problems);
        EXPECT_EQ(ReadWholeFile(file), once) << "the second start changed the file";
        EXPECT_EQ(once.compare(0, 1, "["), 0) << "no mark, UTF-8 from the first byte";
        for (const std::string& text : row.contains)
            EXPECT_NE(once.find(text), std::string::npos) << once;
        if (row.problems == moved)
            movedAside.push_back(row.bytes);
        EXPECT_EQ(ReadWholeFile(file + ".bad"), movedAside.empty() ? "" : movedAside.back()) << "kept whole";
    }
    alarm(0);
    // The older ones under numbers, oldest first.
    for (size_t i = 1; i < movedAside.size(); ++i)
        EXPECT_EQ(ReadWholeFile(file + ".bad." + std::to_string(i)), movedAside[i - 1]) << i;
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 5u);
    EXPECT_EQ(FolderEntries(odd.Path()), (Lines{"folder.ini", "node", "pipe.ini", "zero.ini"})) << "nothing was written";
    EXPECT_EQ(FolderEntries(folder), Lines());
}

TEST_F(SettingsFile, LinkIsWrittenThroughToItsTargetWithModeSixHundred)
{
    const mode_t oldMask = umask(0);
    TempDir elsewhere;
    const std::string target = elsewhere.File("real.ini"), second = dir.File("second.ini");
    ASSERT_TRUE(WriteWholeFile(target, "[Options]\nPassword=linked\n"));
    ASSERT_EQ(chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
    ASSERT_EQ(symlink("sub-target.ini", second.c_str()), 0); // a link whose target does not exist yet
    Start();
    Start(second);
    umask(oldMask);
    EXPECT_EQ(fs::read_symlink(file), target) << "the link was replaced by a file";
    EXPECT_EQ(fs::read_symlink(second), "sub-target.ini");
    EXPECT_NE(ReadWholeFile(target).find("Password=linked\nWhiteBoardMode=0\n"), std::string::npos);
    EXPECT_NE(ReadWholeFile(dir.File("sub-target.ini")).find("Password=lemon\n"), std::string::npos);
    for (const std::string& written : {target, dir.File("sub-target.ini")})
        EXPECT_EQ(fs::status(written).permissions(), fs::perms::owner_read | fs::perms::owner_write) << written;
    EXPECT_EQ(FolderEntries(elsewhere.Path()), Lines{"real.ini"}) << "a temporary file was left";
}

// The settings file became something else while the program ran: a device,
// a link to one, a named pipe. Writing refuses it and leaves it as it is
// (fault: the device, as root, replaced by a regular file).
TEST_F(SettingsFile, WhatIsNoFileWhenWritingStaysAsItIs)
{
    const std::string node = dir.File("node");
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    const struct
    {
        const char* what;
        std::function<int()> make;
        const char* reason;
        mode_t kind;
    } rows[] = {
        {"device", [&] { return mknod(file.c_str(), S_IFCHR | 0600, makedev(1, 3)); }, "it is a device", S_IFCHR},
        {"link to a device", [&] { return symlink(node.c_str(), file.c_str()); }, "it is a device", S_IFLNK},
        {"named pipe", [&] { return mkfifo(file.c_str(), 0600); }, "it is a named pipe", S_IFIFO},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        log.Clear();
        unlink(file.c_str());
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(file)));
        ASSERT_EQ(row.make(), 0);
        RecordDefaults(*store, wxString::FromUTF8(dir.Path()), "/srv/kesto/");
        EXPECT_FALSE(store->Flush());
        store.reset();
        const Lines errors = log.AtLevel(Log::LEVEL_ERROR);
        EXPECT_FALSE(errors.empty());
        EXPECT_EQ(errors, Lines(errors.size(), "unable to write the settings file '" + file + "': " + row.reason +
                                                   ", not a regular file"));
        struct stat info;
        ASSERT_EQ(lstat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, row.kind);
        ASSERT_EQ(stat(node.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (Lines{"AulavoxKesto.ini", "node"})) << "no temporary file is left";
}

// A value that would leave its line (a pasted line break cuts a schedule
// name in two) or hold a control character is refused, the old one kept.
TEST_F(SettingsFile, ValueThatWouldLeaveItsLineIsNotWritten)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=old\n"));
    const char* const refused[] = {"Morning\nEvening", "a\rb", "http://h/\x1B[200~", "Mor\x7Fning", "tab\there",
                                   "next\xC2\x85line", "separated\xE2\x80\xA8line"};
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        for (const char* value : refused)
            EXPECT_FALSE(store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8(value))) << value;
        store->Flush();
        EXPECT_EQ(ReadWholeFile(file), "[Options]\nPassword=old\n");
        EXPECT_TRUE(store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8("Morning Évening")));
    }
    EXPECT_EQ(ReadWholeFile(file), "[Options]\nPassword=Morning \xC3\x89vening\n");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              Lines(std::size(refused), "the setting '/Options/Password' was not written: its value holds a line break "
                                        "or another control character; the old value is kept"));
}

// Size alone never makes a file "no text": a large valid file is read
// whole; one beyond what is ever read into memory is left as it is.
TEST_F(SettingsFile, SizeAloneNeverDiscardsTheFile)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=kept\n[Notes]\nText=" + std::string(17 << 20, 'x') + "\n"));
    EXPECT_EQ(Start(file)->Read(KEY_OPTIONS_PASSWORD, wxString()), "kept");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), Lines());

    const off_t beyond = (off_t(64) << 20) + 1; // sparse: no disk space taken
    ASSERT_EQ(truncate(file.c_str(), beyond), 0);
    EXPECT_EQ(Start(file)->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              Lines{"the settings file '" + file + "' is larger than 64 MiB: it is left as it is and the settings "
                    "are kept in memory only"});
    EXPECT_EQ(fs::file_size(file), uintmax_t(beyond));
    EXPECT_EQ(FolderEntries(dir.Path()), Lines{"AulavoxKesto.ini"});
}

TEST_F(SettingsFile, TemporaryFilesOfAKilledRunAreRemoved)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=old\n"));
    for (const char* suffix : {".new-a1B2c3", ".new-zzzzzz", "Xy12Zw"}) // "Xy12Zw": the toolkit's own, of earlier versions
        ASSERT_TRUE(WriteWholeFile(file + suffix, "[Options]\nPass"));
    for (const char* other : {"AulavoxKesto.ini.bad.1", "AulavoxKesto.ini.new-keep-me", "Other.ini.new-a1B2c3"})
        ASSERT_TRUE(WriteWholeFile(dir.File(other), "not ours"));
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(file)));
    EXPECT_EQ(FolderEntries(dir.Path()), (Lines{"AulavoxKesto.ini", "AulavoxKesto.ini.bad.1",
                                                "AulavoxKesto.ini.new-keep-me", "Other.ini.new-a1B2c3"}));
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "old");
}

TEST_F(SettingsFile, WithoutAFileTheSettingsAreKeptInMemory)
{
    for (const std::string& path : {std::string(), dir.File("missing/AulavoxKesto.ini")})
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(path)));
        RecordDefaults(*store, path.empty() ? wxString() : wxString::FromUTF8(dir.Path()), "/srv/kesto");
        EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
        EXPECT_EQ(store->Read(FileNameKey(FILE_USER), wxString("x")), path.empty() ? "" : dir.File("CustomList.txt"))
            << "no projector file is named without a folder for it";
    }
    const std::string missing = dir.File("missing/AulavoxKesto.ini");
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
              Lines(2, "unable to write the settings file '" + missing + "': No such file or directory"));
}

TEST_F(SettingsFile, MainSettingsAreReadAsStoredAndNeverRecorded)
{
    const std::string text = "[StartUp]\nAutoCheck=2\nAutoDownload=yes\n[Proj]\nAllowChange=0\n"
                             "[Options]\nFreezeDelay=250ms\nPassword=$HOME\\x\n";
    ASSERT_TRUE(WriteWholeFile(file, text));
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
    store->SetRecordDefaults(true);
    const MainSettings settings(store.get(), "/data", "/srv/kesto");
    EXPECT_TRUE(settings.AutoCheck()) << "any non-zero number is true";
    EXPECT_FALSE(settings.AutoDownload()) << "no number at all is 0";
    EXPECT_FALSE(settings.AllowChange());
    EXPECT_EQ(settings.FreezeDelay(), 250) << "the number in front of the text";
    EXPECT_EQ(settings.FreezeDelayText(), "250ms");
    // Missing keys: the main table's defaults.
    EXPECT_EQ(settings.FileName(FILE_REFERENCE), "/data/AulavoxMaster.txt");
    EXPECT_EQ(settings.FileName(FILE_USER), "/data/CustomList.txt");
    EXPECT_EQ(settings.FileUrl(FILE_REFERENCE), "file:///srv/kesto/data/AulavoxMaster.txt");
    EXPECT_EQ(settings.FileUrl(FILE_USER), "");
    EXPECT_EQ(settings.DefaultProjector(), "");
    EXPECT_FALSE(settings.WhiteBoardMode());
    EXPECT_FALSE(settings.StayOnTop());
    store->Flush();
    EXPECT_EQ(ReadWholeFile(file), text) << "nothing recorded, the numbers that are no numbers kept";

    const MainSettings none(nullptr, "/data", "/srv/kesto");
    EXPECT_EQ(none.Password(), "lemon");
    EXPECT_TRUE(none.AllowChange());
    EXPECT_EQ(none.FreezeDelay(), 500);
    EXPECT_EQ(none.FreezeDelayText(), "500");
}

} // namespace
