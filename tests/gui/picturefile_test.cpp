// Pictures are read through the non-blocking open: what is not a regular
// picture file gives an empty bitmap and a warning, at once.

#include "controls/picturefile.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

TEST(PictureFile, ReadsAPictureAndRefusesEverythingElseWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.png").c_str(), 0600), 0);
    ASSERT_TRUE(WriteWholeFile(dir.File("text.png"), "not a picture"));

    const wxBitmap real = LoadPictureFile(KESTO_SOURCE_DIR "/images/bred.png");
    EXPECT_TRUE(real.IsOk());

    struct Row
    {
        std::string path;
        const char* reason;
    } rows[] = {
        // A plain open would wait here for a writer for ever.
        {dir.File("pipe.png"), "named pipe"},
        {dir.File("text.png"), "not a picture"},
        {dir.File("missing.png"), "No such file"},
        {dir.Path(), "folder"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.path);
        LogRecorder log;
        EXPECT_FALSE(LoadPictureFile(wxString::FromUTF8(row.path)).IsOk());
        const auto warnings = log.AtLevel(Log::LEVEL_WARNING);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind("cannot load picture " + row.path + ": ", 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find(row.reason), std::string::npos) << warnings[0];
    }
}

} // namespace
