// The settings file as the program opens and writes it: encodings, files
// that are no text, links, modes, odd file types and left-over temporary
// files. Each case is a real file in a temporary folder.

#include "settings/settings.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::string ReadLink(const std::string& path)
{
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
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
    std::string file = dir.File("AulavoxKesto.ini");
    LogRecorder log;

    // One start of the program as far as the settings go: open, record the
    // defaults (which writes the file), end.
    void Start(const std::string& path)
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(path)));
        RecordDefaults(*store, wxString::FromUTF8(dir.Path()), "/srv/kesto");
    }
    void Start() { Start(file); }
};

TEST_F(SettingsFile, EveryEncodingIsReadAndWrittenBackAsUtf8)
{
    const std::string body = "[Files]\r\nName2=C:\\Users\\Public\\x.txt\r\n"
                             "[Options]\r\nPassword=$HOME\\$(x)\r\n";
    const std::string expected = "Name2=C:\\Users\\Public\\x.txt\n";
    const struct
    {
        const char* name;
        std::string bytes;
        std::string password; // as it stands in the file afterwards
    } cases[] = {
        {"UTF-16LE with mark", Utf16(body, false), "Password=$HOME\\$(x)\n"},
        {"UTF-16BE with mark", Utf16(body, true), "Password=$HOME\\$(x)\n"},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + body, "Password=$HOME\\$(x)\n"},
        {"UTF-32LE with mark", std::string("\xFF\xFE\0\0", 4) + std::string("[\0\0\0O\0\0\0]\0\0\0\n\0\0\0", 16) +
                                   std::string("P\0\0\0=\0\0\0\xE4\0\0\0", 12),
         "P=\xC3\xA4\n"},
        {"Latin-1 without mark", "[Options]\nPassword=p\xE4ss\xA7\n", "Password=p\xC3\xA4ss\xC2\xA7\n"},
        {"UTF-8 without mark", "[Options]\nPassword=p\xC3\xA4ss\n", "Password=p\xC3\xA4ss\n"},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(WriteWholeFile(file, c.bytes)) << c.name;
        Start();
        const std::string once = ReadWholeFile(file);
        Start();
        const std::string twice = ReadWholeFile(file);
        EXPECT_EQ(twice, once) << c.name << ": the second start changed the file";
        EXPECT_EQ(once.compare(0, 1, "["), 0) << c.name << ": no mark, UTF-8 from the first byte";
        EXPECT_NE(once.find(c.password), std::string::npos) << c.name << "\n" << once;
        if (c.password.rfind("Password=$HOME", 0) == 0)
        {
            EXPECT_NE(once.find(expected), std::string::npos) << c.name << "\n" << once;
        }
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>()) << c.name;
    }
}

TEST_F(SettingsFile, FileThatIsNoTextIsMovedAsideAndOlderOnesKept)
{
    const std::string cases[] = {
        Utf16("[Options]\nPassword=kept\n", false) + "x", // an odd trailing byte
        std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10),  // binary
        "\xEF\xBB\xBF[Options]\nPassword=\xC3\n",           // a broken UTF-8 sequence after the mark
        Utf16("[O]\n", true) + "\xDC\x00",                  // a lone low surrogate
    };
    std::vector<std::string> movedAside;
    for (const std::string& bytes : cases)
    {
        log.Clear();
        ASSERT_TRUE(WriteWholeFile(file, bytes));
        Start();
        EXPECT_EQ(ReadWholeFile(file + ".bad"), bytes) << "the unreadable file is kept whole";
        const std::vector<std::string> errors = log.AtLevel(Log::LEVEL_ERROR);
        ASSERT_EQ(errors.size(), 1u) << log.Text();
        EXPECT_EQ(errors[0], "the settings file '" + file + "' is no text: moved aside to '" + file +
                                 ".bad'; starting from the defaults");
        EXPECT_NE(ReadWholeFile(file).find("Password=lemon\n"), std::string::npos);
        movedAside.push_back(bytes);
    }
    // The older ones under numbers, oldest first.
    for (size_t i = 1; i < movedAside.size(); ++i)
        EXPECT_EQ(ReadWholeFile(file + ".bad." + std::to_string(i)), movedAside[i - 1]) << i;
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 5u);
}

TEST_F(SettingsFile, LinkIsWrittenThroughToItsTargetWithModeSixHundred)
{
    const mode_t oldMask = umask(0);
    TempDir elsewhere;
    const std::string target = elsewhere.File("real.ini");
    ASSERT_TRUE(WriteWholeFile(target, "[Options]\nPassword=linked\n"));
    ASSERT_EQ(chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
    Start();
    EXPECT_EQ(ReadLink(file), target) << "the link was replaced by a file";
    EXPECT_NE(ReadWholeFile(target).find("Password=linked\nWhiteBoardMode=0\n"), std::string::npos)
        << ReadWholeFile(target);
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(FolderEntries(elsewhere.Path()), std::vector<std::string>{"real.ini"});

    // A link whose target does not exist yet: the file is made there.
    const std::string second = dir.File("second.ini");
    ASSERT_EQ(symlink("sub-target.ini", second.c_str()), 0);
    Start(second);
    EXPECT_EQ(ReadLink(second), "sub-target.ini");
    EXPECT_NE(ReadWholeFile(dir.File("sub-target.ini")).find("Password=lemon\n"), std::string::npos);
    EXPECT_EQ(ModeOf(dir.File("sub-target.ini")), 0600u);
    umask(oldMask);
}

TEST_F(SettingsFile, OtherFileTypesAreRefusedAndNothingIsWritten)
{
    const std::string folder = dir.File("folder.ini"), pipe = dir.File("pipe.ini"), device = dir.File("zero.ini");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", device.c_str()), 0);
    const std::vector<std::string> before = FolderEntries(dir.Path());

    const struct
    {
        std::string path;
        std::string reason;
    } cases[] = {
        {folder, "it is a folder, not a regular file"},
        {pipe, "it is a named pipe, not a regular file"},
        {device, "it is a device, not a regular file"},
    };
    for (const auto& c : cases)
    {
        log.Clear();
        for (int start = 0; start < 2; ++start)
        {
            std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(c.path)));
            RecordDefaults(*store, wxString::FromUTF8(dir.Path()), "/srv/kesto");
            EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon") << "the defaults in memory";
            EXPECT_EQ(store->GetWritePath(), "");
        }
        const std::string target = c.path == device ? "/dev/zero" : c.path;
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  std::vector<std::string>(2, "unable to read the settings file '" + target + "': " + c.reason +
                                                  "; the settings are kept in memory only"));
    }
    EXPECT_EQ(FolderEntries(dir.Path()), before) << "no temporary or other file was left";
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>());
}

TEST_F(SettingsFile, TemporaryFilesOfAKilledRunAreRemoved)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=old\n"));
    ASSERT_TRUE(WriteWholeFile(file + ".new-a1B2c3", "[Options]\nPass"));
    ASSERT_TRUE(WriteWholeFile(file + ".new-zzzzzz", ""));
    ASSERT_TRUE(WriteWholeFile(file + "Xy12Zw", "")); // the toolkit's own, of earlier versions
    ASSERT_TRUE(WriteWholeFile(file + ".bad.1", "kept"));
    ASSERT_TRUE(WriteWholeFile(dir.File("AulavoxKesto.ini.new-keep-me"), "not ours"));
    ASSERT_TRUE(WriteWholeFile(dir.File("Other.ini.new-a1B2c3"), "not ours"));
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(file)));
    EXPECT_EQ(FolderEntries(dir.Path()),
              (std::vector<std::string>{"AulavoxKesto.ini", "AulavoxKesto.ini.bad.1", "AulavoxKesto.ini.new-keep-me",
                                        "Other.ini.new-a1B2c3"}));
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "old");
}

TEST_F(SettingsFile, UnchangedSettingsAreNotWrittenAgain)
{
    struct stat first, second;
    Start();
    ASSERT_EQ(stat(file.c_str(), &first), 0);
    Start();
    ASSERT_EQ(stat(file.c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino) << "the file was replaced although nothing changed";
}

} // namespace

TEST_F(SettingsFile, NoDataFolderKeepsEverythingInMemory)
{
    std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString()));
    RecordDefaults(*store, wxString(), "/srv/kesto");
    EXPECT_EQ(store->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
    // No projector file is named without a folder for it.
    EXPECT_EQ(store->Read(FileNameKey(FILE_USER), wxString("x")), "");
    EXPECT_TRUE(store->Flush());
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>());
}
