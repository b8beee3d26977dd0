#pragma once

#include <wx/string.h>

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// The file a path finally names: symbolic links are followed, a link whose
// target does not exist yet included, so that writing the result writes
// through the links (and makes the missing target). Returns "" with reason
// set on a loop of links or an unreadable link.
wxString FinalLinkTarget(const wxString& path, wxString& reason);
std::string FinalLinkTarget(const std::string& path, std::string& reason);

// How a file is replaced.
struct ReplaceOptions
{
    static constexpr mode_t KEEP_MODE = static_cast<mode_t>(-1);

    // The new file's mode; KEEP_MODE: the old file's, or for a new file what
    // the umask leaves of 0666.
    mode_t mode = KEEP_MODE;
    // A file its user may not write (judged from its mode bits for root, who
    // may write anything) stays as it is: "the file is read-only".
    bool refuseReadOnly = false;
    // In a folder that takes no new file, the file itself is overwritten:
    // not in one step any more, but written where a plain copy could write.
    bool inPlaceFallback = false;

    // A file that people edit and share (a projector file): a read-only one
    // is kept, and it is written where a plain copy could write it.
    static ReplaceOptions SharedFile()
    {
        ReplaceOptions options;
        options.refuseReadOnly = true;
        options.inPlaceFallback = true;
        return options;
    }
};

// A new version of a file, written beside it and put in its place in one
// rename: a reader sees the old file whole or the new one whole. The place
// is the final target of the path's links, so a link stays a link and its
// target gets the new text. That target must be a regular file or missing:
// a device, a named pipe, a folder is refused before anything is written and
// again just before the rename. The temporary file is made with a unique
// name (the target's name, ".new-" and six letters), exclusively, never
// through a link planted there. The new file keeps the old one's group (and
// owner, for root) where the user may set them, and its mode.
//
// Open, Write as often as needed, then Commit or Discard. Every failing step
// returns false with reason set in words fit for a message.
class FileReplacement
{
public:
    explicit FileReplacement(const ReplaceOptions& options = ReplaceOptions());
    // Removes the temporary file of a replacement that was not committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool Open(const std::string& path, std::string& reason);
    bool Write(const char* data, std::size_t length, std::string& reason);
    // Everything written is on disk and the file closed; Commit does it too.
    bool Sync(std::string& reason);
    // The new file takes the target's place. On failure the temporary file
    // is removed and the old file stays.
    bool Commit(std::string& reason);
    // Removes the temporary file; the old file stays.
    void Discard();
    // Closes the temporary file and leaves it where it is, for the clean-up
    // at the next start (RemoveStaleReplacements).
    void Abandon();

    const std::string& Target() const { return m_target; }
    // The file being written: the temporary file, or the target in place.
    const std::string& WorkingName() const { return m_inPlace ? m_target : m_temporary; }
    // The temporary file's name before it is made: "NAME.new-XXXXXX".
    static std::string TemporaryPattern(const std::string& target);

private:
    bool OpenInPlace(std::string& reason);
    void Close();

    ReplaceOptions m_options;
    std::string m_target, m_temporary;
    int m_fd = -1;
    bool m_inPlace = false;
    bool m_synced = false;
    std::size_t m_written = 0;
};

// Open, Write and Commit in one: replaces the file at path with contents.
bool ReplaceFile(const std::string& path, const std::string& contents, const ReplaceOptions& options,
                 std::string& reason);
// The same for a wx path with a fixed mode (the settings file).
bool ReplaceFile(const wxString& path, const std::string& contents, mode_t mode, wxString& reason);

// Removes the temporary files that FileReplacement left beside path's final
// target when a run was killed in the middle: names of its pattern that are
// regular files, nothing else. With toolkitNames, also the bare name and six
// letters of the toolkit's own saving (earlier versions of the settings).
// Returns each name it tried with 0, or with the errno of a failed removal.
std::vector<std::pair<std::string, int>> RemoveStaleReplacements(const std::string& path, bool toolkitNames = false);
int RemoveStaleReplacements(const wxString& path);
