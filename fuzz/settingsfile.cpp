// libFuzzer target: any bytes as the settings file, opened as the program
// opens it (the toolkit's messages and assertions routed into the log, as in
// the program). Besides memory errors it checks that the store then records
// the defaults and writes a file, that the written file is UTF-8 text that
// opens cleanly, and that it gives back the same values of the main table.
#include "log/log.h"
#include "log/toolkitlog.h"
#include "settings/mainsettings.h"
#include "settings/settings.h"

#include <wx/init.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void Fail(const char* what)
{
    fprintf(stderr, "fuzz-settingsfile: %s\n", what);
    abort();
}

// Formats every message as the real log does, prints none of them.
struct QuietLog final : Log
{
    QuietLog() : Log(0xFFFFFFFFu) {}
    void Print(unsigned, const char* format, ...) override
    {
        char message[1024];
        va_list args;
        va_start(args, format);
        vsnprintf(message, sizeof(message), format, args);
        va_end(args);
    }
};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The main table's values as the main window reads them, as one text.
std::string Describe(const SettingsStore& store, const wxString& folder)
{
    const MainSettings s(&store, folder, "/srv/kesto");
    wxString text;
    for (unsigned file : {FILE_REFERENCE, FILE_USER})
        text << s.FileName(file) << '|' << s.FileUrl(file) << '|';
    text << s.AutoCheck() << s.AutoDownload() << s.AllowChange() << '|' << s.DefaultProjector() << '|'
         << s.Password() << '|' << s.WhiteBoardMode() << s.StayOnTop() << '|' << s.FreezeDelayText();
    return std::string(text.utf8_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer toolkit;
    static QuietLog log;
    static const std::string folder = [] {
        theLog = &log;
        RouteToolkitMessagesToLog();
        char name[] = "/tmp/kesto-fuzz-XXXXXX";
        if (mkdtemp(name) == nullptr)
            Fail("mkdtemp");
        return std::string(name);
    }();
    const std::string path = folder + "/AulavoxKesto.ini";
    unlink((path + ".bad").c_str());
    if (!std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size)))
        Fail("cannot write the input file");

    const wxString wxFolder = wxString::FromUTF8(folder);
    std::string first;
    {
        std::unique_ptr<SettingsStore> store(OpenSettingsStore(wxString::FromUTF8(path)));
        if (store->GetWritePath().empty())
            Fail("a regular file in a writable folder was not taken");
        RecordDefaults(*store, wxFolder, "/srv/kesto");
        first = Describe(*store, wxFolder);
    }
    const std::string written = ReadFile(path);
    if (written.empty() || wxString::FromUTF8(written.data(), written.size()).empty() ||
        written.compare(0, 3, "\xEF\xBB\xBF") == 0)
        Fail("the written file is no UTF-8 text without a mark");

    std::unique_ptr<SettingsStore> again(OpenSettingsStore(wxString::FromUTF8(path)));
    if (access((path + ".bad").c_str(), F_OK) == 0 && ReadFile(path + ".bad") == written)
        Fail("the file the program wrote was moved aside");
    if (Describe(*again, wxFolder) != first)
        Fail("the written file gives other values");
    return 0;
}
