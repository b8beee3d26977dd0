// bench-crashloop: kill -9 at random moments of the program's file writing.
//
// RUNS runs (default 200), in turn of four kinds:
//   start-up  the program itself, with a download of its projector file at
//             start-up, killed at a random moment of its first 3 s;
//   flush     a settings flush (the store's atomic write) in a loop;
//   save      a projector-file save in a loop;
//   download  a projector-file download from the loopback server in a loop.
// The last three run in a child process (this program again) that is killed
// at a random moment. After each kill every file must be the old one whole or
// a new one whole; then the program is started again ("next start"), given
// the time to start, ended with SIGTERM, and its data folder must hold
// nothing but the settings file and the projector file. Counts are printed
// ("temps": runs whose kill left a temporary file for the next start).
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench-crashloop [RUNS]

#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "settings/settings.h"

#include "support/core/child_process.h"
#include "support/core/http_server.h"
#include "support/core/temp_dir.h"

#include <wx/init.h>

#include <curl/curl.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

class QuietLog final : public Log
{
public:
    QuietLog() : Log(0) {}
    void Print(unsigned, const char*, ...) override {}
};

const char OLD_PROJECTORS[] = "version: 1\r\nprojector: Room 1\r\nC, On, PWR1<cr>\r\n";
const char SETTINGS_NAME[] = "AulavoxKesto.ini";
const char PROJECTOR_NAME[] = "CustomList.txt";

enum Kind
{
    STARTUP,
    FLUSH,
    SAVE,
    DOWNLOAD,
    KIND_COUNT
};
const char* const KIND_NAMES[KIND_COUNT] = {"start-up", "flush", "save", "download"};

struct Counts
{
    int runs = 0;
    int killedRunning = 0; // still running when the kill came
    int oldWhole = 0;
    int newWhole = 0;
    int damaged = 0;
    int temporaries = 0;   // runs that left a temporary file for the next start to remove
    int leftovers = 0;     // files left in the data folder after the next start
    int notEnded = 0;      // next start did not end on SIGTERM within 5 s
};

// A projector list of many entries, so that a save takes a while.
void FillList(ProjectorList& list, const std::string& fileName, const std::string& version)
{
    list.Clear();
    list.AddSource(fileName, "");
    ProjectorSource* source = list.GetSource(0);
    source->version = version;
    for (int p = 0; p < 300; ++p)
    {
        Projector* projector = list.AddProjector("Projector " + version + "-" + std::to_string(p));
        for (int e = 0; e < 10; ++e)
        {
            ProjectorEntry entry;
            entry.source = source->name;
            entry.kind = ProjectorEntry::COMMAND;
            entry.name = "Command" + std::to_string(e);
            entry.value = "CMD " + version + " " + std::to_string(p * 10 + e) + "<cr>";
            projector->AddEntry(entry);
        }
    }
}

std::string SettingsText(const std::string& folder, const std::string& url, bool autoUpdate)
{
    return "[Files]\nName1=" + folder + "/AulavoxMaster.txt\nURL1=\nName2=" + folder + "/" + PROJECTOR_NAME +
           "\nURL2=" + url + "\n[StartUp]\nAutoCheck=" + (autoUpdate ? "1" : "0") +
           "\nAutoDownload=" + (autoUpdate ? "1" : "0") +
           "\n[Proj]\nAllowChange=1\nDefault=Room 1\n[Options]\nPassword=lemon\nWhiteBoardMode=0\n"
           "StayOnTop=0\nFreezeDelay=500\n";
}

std::string PasswordValue(int which)
{
    return std::string(which == 0 ? "A" : "B") + std::string(20000, which == 0 ? 'a' : 'b');
}

// The settings file's "group/key=value" lines, blank lines left out: what a
// start-up may rewrite in its own layout without changing a value.
std::multiset<std::string> SettingsLines(const std::string& text)
{
    std::multiset<std::string> lines;
    std::string group;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        const bool complete = end != std::string::npos;
        if (!complete)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!complete)
            line += "<unfinished>";
        if (!line.empty() && line[0] == '[')
            group = line;
        else if (!line.empty())
            lines.insert(group + line);
        start = end + 1;
    }
    return lines;
}

bool MakeFolders(std::string path, const std::vector<std::string>& levels)
{
    for (const std::string& level : levels)
    {
        path += "/" + level;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

std::vector<std::string> Unexpected(const std::string& folder)
{
    std::vector<std::string> extra;
    for (const std::string& name : FolderNames(folder))
        if (name != SETTINGS_NAME && name != PROJECTOR_NAME)
            extra.push_back(name);
    return extra;
}

// ---- the child side: one operation in a loop until killed ----

int RunChild(const std::string& kind, const std::string& folder, const std::string& serverBase)
{
    static QuietLog log;
    theLog = &log;
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 2;
    const std::string projectorFile = folder + "/" + PROJECTOR_NAME;
    if (kind == "flush")
    {
        SettingsStore* store = OpenSettingsStore(wxString::FromUTF8(folder + "/" + SETTINGS_NAME));
        if (store == nullptr)
            return 3;
        for (int i = 0;; ++i)
        {
            store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8(PasswordValue(i % 2)));
            FlushSettings(*store);
        }
    }
    if (kind == "save")
    {
        ProjectorList lists[2];
        FillList(lists[0], projectorFile, "A");
        FillList(lists[1], projectorFile, "B");
        for (int i = 0;; ++i)
            lists[i % 2].WriteSource(0);
    }
    if (kind == "download")
    {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            return 4;
        for (int i = 0;; ++i)
        {
            ProjectorList list;
            list.AddSource(projectorFile, serverBase + (i % 2 == 0 ? "/a" : "/b"));
            FileResult result = StartSourceUpdate(list, 0, false);
            while (result == UPDATE_RUNNING)
                result = ContinueSourceUpdate(list, 10);
        }
    }
    return 1;
}

// ---- the parent side ----

class Loop
{
public:
    Loop(const std::string& self, const std::string& program)
        : m_self(self), m_program(program), m_random(std::random_device{}())
    {
    }

    bool Prepare()
    {
        if (!m_server.Start())
            return false;
        m_bodyA = "version: 2.A\r\n";
        m_bodyB = "version: 2.B\r\n";
        while (m_bodyA.size() < 256 * 1024)
        {
            m_bodyA += "projector: Remote A " + std::to_string(m_bodyA.size()) + "\r\nC, On, PWR A<cr>\r\n";
            m_bodyB += "projector: Remote B " + std::to_string(m_bodyB.size()) + "\r\nC, On, PWR B<cr>\r\n";
        }
        m_server.Serve("/a", LoopbackHttpServer::Answer::Slow(m_bodyA, 16384, 3));
        m_server.Serve("/b", LoopbackHttpServer::Answer::Slow(m_bodyB, 16384, 3));

        // The saved forms of the two lists, written by the same code.
        ProjectorList list;
        const std::string file = m_scratch.File(PROJECTOR_NAME);
        for (int i = 0; i < 2; ++i)
        {
            FillList(list, file, i == 0 ? "A" : "B");
            if (list.WriteSource(0) != FILE_OK)
                return false;
            m_saved[i] = ReadWholeFile(file);
        }
        return true;
    }

    void Run(int run)
    {
        const Kind kind = static_cast<Kind>(run % KIND_COUNT);
        Counts& counts = m_counts[kind];
        ++counts.runs;

        TempDir home;
        const std::string folder = home.Path() + "/.local/share/AulavoxTech";
        const std::string runtime = home.File("run");
        const std::string settingsFile = folder + "/" + SETTINGS_NAME;
        const std::string projectorFile = folder + "/" + PROJECTOR_NAME;
        if (!MakeFolders(home.Path(), {".local", "share", "AulavoxTech"}) || mkdir(runtime.c_str(), 0700) != 0)
        {
            ++counts.damaged;
            return;
        }
        const std::string oldSettings = SettingsText(folder, m_server.Url("/b"), kind == STARTUP);
        WriteWholeFile(settingsFile, oldSettings);
        chmod(settingsFile.c_str(), 0600);
        WriteWholeFile(projectorFile, OLD_PROJECTORS);

        // The new forms of the settings file a flush can write.
        std::string flushed[2];
        if (kind == FLUSH)
        {
            TempDir scratch;
            const std::string file = scratch.File(SETTINGS_NAME);
            WriteWholeFile(file, oldSettings);
            SettingsStore* store = OpenSettingsStore(wxString::FromUTF8(file));
            for (int i = 0; store != nullptr && i < 2; ++i)
            {
                store->Write(KEY_OPTIONS_PASSWORD, wxString::FromUTF8(PasswordValue(i)));
                FlushSettings(*store);
                flushed[i] = ReadWholeFile(file);
            }
            delete store;
        }

        const ChildProcess::Env env = {{"HOME", home.Path()}, {"XDG_RUNTIME_DIR", runtime},
                                       {"XDG_DATA_HOME", home.Path() + "/.local/share"}};
        const int killAfterMs = kind == STARTUP ? Random(0, 3000) : Random(30, 1500);
        {
            std::vector<std::string> argv;
            if (kind == STARTUP)
                argv = {m_program};
            else
                argv = {m_self, "--child", KIND_NAMES[kind], folder, m_server.Url("")};
            ChildProcess victim(argv, env, home.File("victim.out"));
            if (!victim.Start())
            {
                ++counts.damaged;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            if (victim.Signal(SIGKILL))
                ++counts.killedRunning;
            victim.Wait(5000);
        }

        // The files: the old one whole or a new one whole.
        const std::string settingsNow = ReadWholeFile(settingsFile);
        const std::string projectorsNow = ReadWholeFile(projectorFile);
        bool settingsNew = false, projectorsNew = false;
        bool settingsOk = settingsNow == oldSettings;
        if (!settingsOk && kind == FLUSH)
            settingsOk = settingsNew = settingsNow == flushed[0] || settingsNow == flushed[1];
        if (!settingsOk && kind == STARTUP)
            settingsOk = settingsNew = SettingsLines(settingsNow) == SettingsLines(oldSettings);
        bool projectorsOk = projectorsNow == OLD_PROJECTORS;
        if (!projectorsOk && kind == SAVE)
            projectorsOk = projectorsNew = projectorsNow == m_saved[0] || projectorsNow == m_saved[1];
        if (!projectorsOk && (kind == DOWNLOAD || kind == STARTUP))
            projectorsOk = projectorsNew = projectorsNow == m_bodyA || projectorsNow == m_bodyB;
        if (!settingsOk || !projectorsOk)
        {
            ++counts.damaged;
            printf("run %d (%s, kill after %d ms): %s is damaged\n", run, KIND_NAMES[kind], killAfterMs,
                   !settingsOk ? "the settings file" : "the projector file");
        }
        else if (settingsNew || projectorsNew)
            ++counts.newWhole;
        else
            ++counts.oldWhole;

        if (!Unexpected(folder).empty())
            ++counts.temporaries;

        // The next start cleans up after the killed run.
        ChildProcess next({m_program}, env, home.File("next.out"));
        if (!next.Start())
        {
            ++counts.notEnded;
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        for (;;)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto waited = std::chrono::steady_clock::now() - start;
            if ((waited > std::chrono::milliseconds(2000) && Unexpected(folder).empty()) ||
                waited > std::chrono::milliseconds(8000))
                break;
        }
        next.Signal(SIGTERM);
        if (!next.Wait(5000))
            ++counts.notEnded;
        if (getenv("CRASHLOOP_VERBOSE") != nullptr)
            printf("next start ended with %d\n", next.ExitStatus());
        const std::vector<std::string> extra = Unexpected(folder);
        if (!extra.empty())
        {
            ++counts.leftovers;
            std::string names;
            for (const std::string& name : extra)
                names += " " + name;
            printf("run %d (%s): left after the next start:%s\n", run, KIND_NAMES[kind], names.c_str());
        }
    }

    void Print() const
    {
        printf("%-9s %5s %8s %9s %9s %8s %6s %10s %9s\n", "kind", "runs", "killed", "old whole", "new whole",
               "damaged", "temps", "leftovers", "no end");
        Counts total;
        for (int k = 0; k < KIND_COUNT; ++k)
        {
            const Counts& c = m_counts[k];
            printf("%-9s %5d %8d %9d %9d %8d %6d %10d %9d\n", KIND_NAMES[k], c.runs, c.killedRunning, c.oldWhole,
                   c.newWhole, c.damaged, c.temporaries, c.leftovers, c.notEnded);
            total.runs += c.runs;
            total.killedRunning += c.killedRunning;
            total.oldWhole += c.oldWhole;
            total.newWhole += c.newWhole;
            total.damaged += c.damaged;
            total.temporaries += c.temporaries;
            total.leftovers += c.leftovers;
            total.notEnded += c.notEnded;
        }
        printf("%-9s %5d %8d %9d %9d %8d %6d %10d %9d\n", "all", total.runs, total.killedRunning, total.oldWhole,
               total.newWhole, total.damaged, total.temporaries, total.leftovers, total.notEnded);
    }

    bool Clean() const
    {
        for (const Counts& c : m_counts)
            if (c.damaged > 0 || c.leftovers > 0)
                return false;
        return true;
    }

private:
    int Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    const std::string m_self;
    const std::string m_program;
    std::mt19937 m_random;
    LoopbackHttpServer m_server{24 * 3600 * 1000};
    TempDir m_scratch;
    std::string m_bodyA, m_bodyB;
    std::string m_saved[2];
    Counts m_counts[KIND_COUNT];
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && strcmp(argv[1], "--child") == 0)
        return RunChild(argv[2], argv[3], argv[4]);

    setvbuf(stdout, nullptr, _IOLBF, 0); // progress lines in order with the children's messages
    const int runs = argc > 1 ? atoi(argv[1]) : 200;
    if (runs <= 0)
    {
        fprintf(stderr, "usage: %s [RUNS]\n", argv[0]);
        return 2;
    }
    if (getenv("DISPLAY") == nullptr)
    {
        fprintf(stderr, "bench-crashloop needs a display (run it under xvfb-run)\n");
        return 2;
    }
    static QuietLog log;
    theLog = &log;
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 2;
    // The program finds its pictures in the working directory.
    if (chdir(KESTO_SOURCE_DIR) != 0)
        perror("chdir");

    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 2;
    self[length] = '\0';

    Loop loop(self, KESTO_EXECUTABLE);
    if (!loop.Prepare())
    {
        fprintf(stderr, "cannot prepare the loop\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int run = 0; run < runs; ++run)
    {
        loop.Run(run);
        if (getenv("CRASHLOOP_VERBOSE") != nullptr)
            printf("run %d done\n", run);
        if ((run + 1) % 20 == 0)
        {
            printf("... %d runs\n", run + 1);
            fflush(stdout);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("%d runs in %.0f s\n", runs, seconds);
    loop.Print();
    return loop.Clean() ? 0 : 1;
}
