// The settings file as the program opens, reads and writes it. Each case is
// a real file in a temporary folder.

#include "settings/settings.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

long FileCount(const std::string& folder)
{
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

std::string Utf16(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

struct SettingsFile : testing::Test
{
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
    Lines Errors() const { return log.AtLevel(Log::LEVEL_ERROR); }
};

// Two starts with each kind of file in place: text in any encoding is read
// (backslashes and "$" kept as they stand: fault, taken as escapes) and
// written back as UTF-8 once; control characters pasted into values are left
// out, the rest kept; a file that is no text is moved aside whole, older ones
// kept under numbers; a named pipe is refused without waiting on it
// (fault: the start hung), the settings stay in memory.
TEST_F(SettingsFile, EachKindOfFileAtTheStart)
{
    TempDir odd;
    const std::string pipe = odd.File("pipe.ini");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string body = "[Files]\r\nName2=C:\\Users\\Public\\x.txt\r\n[Options]\r\nPassword=$HOME\\$(x)\r\n";
    const Lines kept = {"Name2=C:\\Users\\Public\\x.txt\n", "Password=$HOME\\$(x)\n"}, defaults = {"Password=lemon\n"};
    const Lines moved = {"the settings file '" + file + "' is no text: moved aside to '" + file +
                         ".bad'; starting from the defaults"};
    const struct
    {
        std::string path, bytes;
        Lines problems, contains; // Error lines, then Warning lines
    } rows[] = {
        {file, Utf16(body), {}, kept},
        {file, "\xEF\xBB\xBF" + body, {}, kept},
        {file, std::string("\xFF\xFE\0\0[\0\0\0O\0\0\0]\0\0\0\n\0\0\0P\0\0\0=\0\0\0\xE4\0\0\0", 32), {}, {"P=\xC3\xA4\n"}},
        {file, "[Options]\nPassword=p\xE4ss\xA7\n", {}, {"Password=p\xC3\xA4ss\xC2\xA7\n"}}, // Latin-1
        {file, "[Options]\nPassword=p\xC3\xA4ss\n", {}, {"Password=p\xC3\xA4ss\n"}},
        {file, "[Files]\nURL2=http://h/\x1B[200~x.txt\n[Options]\nPassword=kept\n[S]\nName=Mor\x7Fning\n",
         {"the settings file '" + file + "' holds control characters in lines 2, 6; they were left out"},
         {"URL2=http://h/[200~x.txt\n", "Password=kept\n", "Name=Morning\n"}},
        {file, Utf16("[Options]\nPassword=kept\n") + "x", moved, defaults}, // an odd trailing byte
        {file, std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), moved, defaults},
        {pipe, "", Lines(2, "unable to read the settings file '" + pipe + "': it is a named pipe, not a regular file; "
                            "the settings are kept in memory only"), {}},
    };
    Lines movedAside;
    alarm(10); // should an open wait on the named pipe, the test ends instead of hanging
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.bytes);
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
        Lines problems = Errors();
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
    EXPECT_EQ(ReadWholeFile(file + ".bad.1"), movedAside.at(0)) << "the older one under a number";
    EXPECT_EQ(FileCount(odd.Path()), 1) << "nothing was written";
}

// A linked settings file is written through the link with mode 0600 (fault:
// the link replaced by a file); a link to a file not there yet makes it.
// Temporary files of a killed run beside the target go, others' files stay.
TEST_F(SettingsFile, LinkIsWrittenThroughToItsTargetWithModeSixHundred)
{
    const mode_t oldMask = umask(0);
    TempDir elsewhere;
    const std::string target = elsewhere.File("real.ini"), second = dir.File("second.ini");
    ASSERT_TRUE(WriteWholeFile(target, "[Options]\nPassword=linked\n"));
    ASSERT_EQ(chmod(target.c_str(), 0666), 0);
    for (const char* left : {".new-a1B2c3", "Xy12Zw", ".new-keep-me"}) // "Xy12Zw": the toolkit's own saving
        ASSERT_TRUE(WriteWholeFile(target + left, "[Options]\nPass"));
    ASSERT_EQ(symlink(target.c_str(), file.c_str()), 0);
    ASSERT_EQ(symlink("sub-target.ini", second.c_str()), 0);
    Start(file);
    Start(second);
    umask(oldMask);
    EXPECT_EQ(fs::read_symlink(file), target) << "the link was replaced by a file";
    EXPECT_EQ(fs::read_symlink(second), "sub-target.ini");
    EXPECT_NE(ReadWholeFile(target).find("Password=linked\nWhiteBoardMode=0\n"), std::string::npos);
    EXPECT_NE(ReadWholeFile(dir.File("sub-target.ini")).find("Password=lemon\n"), std::string::npos);
    for (const std::string& written : {target, dir.File("sub-target.ini")})
        EXPECT_EQ(fs::status(written).permissions(), fs::perms::owner_read | fs::perms::owner_write) << written;
    EXPECT_EQ(FileCount(elsewhere.Path()), 2) << "only the other file is left beside it";
    EXPECT_TRUE(FileExists(target + ".new-keep-me"));
}

// The settings file became a link to a device or a named pipe while the
// program ran: writing refuses it and leaves it as it is (fault: the device,
// as root, replaced by a regular file).
TEST_F(SettingsFile, WhatIsNoFileWhenWritingStaysAsItIs)
{
    const std::string node = dir.File("node");
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    for (const bool pipe : {false, true})
    {
        SCOPED_TRACE(pipe);
        log.Clear();
        unlink(file.c_str());
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(file)));
        ASSERT_EQ(pipe ? mkfifo(file.c_str(), 0600) : symlink(node.c_str(), file.c_str()), 0);
        RecordDefaults(*store, wxString::FromUTF8(dir.Path()), "/srv/kesto/");
        EXPECT_FALSE(store->Flush());
        store.reset();
        EXPECT_EQ(Errors(), Lines(3, "unable to write the settings file '" + file + "': it is a " +
                                         (pipe ? "named pipe" : "device") + ", not a regular file"));
        EXPECT_TRUE(pipe ? fs::is_fifo(file) : fs::is_symlink(file)) << "what stood there is still there";
    }
    EXPECT_TRUE(fs::is_character_file(node));
    EXPECT_EQ(FileCount(dir.Path()), 2) << "no temporary file is left";
}

// A value that would leave its line (a pasted line break cuts a schedule
// name in two) or hold a control character is refused, the old one kept.
TEST_F(SettingsFile, ValueThatWouldLeaveItsLineIsNotWritten)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=old\n"));
    const char* const refused[] = {"Morning\nEvening", "next\xC2\x85line", "separated\xE2\x80\xA8line"};
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(file));
        for (const char* value : refused)
            EXPECT_FALSE(store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8(value))) << value;
        store->Flush();
        EXPECT_EQ(ReadWholeFile(file), "[Options]\nPassword=old\n");
        EXPECT_TRUE(store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8("Morning \xC3\x89vening")));
    }
    EXPECT_EQ(ReadWholeFile(file), "[Options]\nPassword=Morning \xC3\x89vening\n");
    EXPECT_EQ(Errors(), Lines(std::size(refused), "the setting '/Options/Password' was not written: its value holds "
                                                  "a line break or another control character; the old value is kept"));
}

// Size alone never makes a file "no text" (fault: a large file moved aside):
// a large valid file is read whole; one beyond the 64 MiB ever read into
// memory is left as it is.
TEST_F(SettingsFile, SizeAloneNeverDiscardsTheFile)
{
    ASSERT_TRUE(WriteWholeFile(file, "[Options]\nPassword=kept\n[Notes]\nText=" + std::string(17 << 20, 'x') + "\n"));
    EXPECT_EQ(Start(file)->Read(KEY_OPTIONS_PASSWORD, wxString()), "kept");
    EXPECT_EQ(Errors(), Lines());
    const off_t beyond = (off_t(64) << 20) + 1; // sparse: no disk space taken
    ASSERT_EQ(truncate(file.c_str(), beyond), 0);
    EXPECT_EQ(Start(file)->Read(KEY_OPTIONS_PASSWORD, wxString()), "lemon");
    EXPECT_EQ(Errors(), Lines{"the settings file '" + file + "' is larger than 64 MiB: it is left as it is and the "
                              "settings are kept in memory only"});
    EXPECT_EQ(fs::file_size(file), uintmax_t(beyond));
    EXPECT_EQ(FileCount(dir.Path()), 1);
}

} // namespace
