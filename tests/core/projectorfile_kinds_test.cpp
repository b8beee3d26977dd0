// A projector file path that names something other than a regular file is
// refused at once, without waiting on it and without changing the list.
#include "projdefs/projectorlist.h"
#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Should a read block on a named pipe, this opens the pipe's other end after
// a while, so that the test fails instead of hanging.
class PipeRescue
{
public:
    explicit PipeRescue(const std::string& path)
        : m_thread([this, path] {
              const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
              while (!m_done && std::chrono::steady_clock::now() < end)
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              if (m_done)
                  return;
              const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
              if (fd >= 0)
              {
                  m_rescued = true;
                  close(fd);
              }
          })
    {
    }
    ~PipeRescue()
    {
        m_done = true;
        m_thread.join();
    }
    bool Rescued() const { return m_rescued; }

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};

TEST(ProjectorFileKinds, OnlyARegularFileIsRead)
{
    TempDir dir;
    const std::string good = dir.File("Good.txt");
    ASSERT_TRUE(WriteWholeFile(good, "version: 3\nprojector: Beamer\nC, On, ab\n"));
    ASSERT_EQ(mkfifo(dir.File("Pipe.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink(dir.File("Pipe.txt").c_str(), dir.File("LinkToPipe.txt").c_str()), 0);
    ASSERT_EQ(mkdir(dir.File("Folder.txt").c_str(), 0700), 0);

    struct Row
    {
        std::string path;
        const char* reason;
    } rows[] = {
        {dir.File("Pipe.txt"), "named pipe"},
        {dir.File("LinkToPipe.txt"), "named pipe"},
        {dir.File("Folder.txt"), "folder"},
        {"/dev/zero", "device"},
        {dir.File("Missing.txt"), "No such file"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.path);
        ProjectorList list;
        list.AddSource(good, "");
        ASSERT_EQ(list.ReadSource(0), FILE_OK);
        list.GetSource(0)->fileName = row.path;

        LogRecorder log;
        FileResult result;
        {
            PipeRescue rescue(dir.File("Pipe.txt"));
            result = list.ReadSource(0);
            EXPECT_FALSE(rescue.Rescued()) << "the read waited on the named pipe";
        }
        EXPECT_EQ(result, FILE_OPEN_ERROR);
        EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR),
                  std::vector<std::string>{"unable to open file '" + row.path + "' for reading"});
        const std::vector<std::string> info = log.AtLevel(Log::LEVEL_INFO);
        ASSERT_FALSE(info.empty());
        EXPECT_NE(info.back().find(row.reason), std::string::npos) << info.back();
        // nothing changed
        EXPECT_EQ(list.GetSource(0)->version, "3");
        ASSERT_NE(list.FindProjector("Beamer"), nullptr);
        EXPECT_EQ(list.FindProjector("Beamer")->GetEntryCount(), 1u);
    }
}

} // namespace
