#include "configdlg/pushfile.h"

#include "platform/fileurl.h"
#include "platform/regularfile.h"
#include "platform/replacefile.h"
#include "projdefs/logprint.h"

#include <cstring>
#include <strings.h>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

// The path of a file URL's path part: escapes decoded, as the download reads
// the same URL. Empty when it cannot name a file ("%00").
std::string PathOfUrl(const std::string& urlPath)
{
    std::string path;
    return DecodePercentEscapes(urlPath, path) ? path : std::string();
}

} // namespace

std::string PushDestination(const std::string& url)
{
    // "file:///srv/x" names "/srv/x"; so does "file://localhost/srv/x".
    if (StartsWithNoCase(url, "file:///"))
        return PathOfUrl(url.substr(7));
    if (StartsWithNoCase(url, "file://localhost/"))
        return PathOfUrl(url.substr(16));
    // An absolute path as it stands; two leading slashes or backslashes name a
    // network share, which this system does not reach as a path.
    if (url.size() > 1 && url[0] == '/' && url[1] != '/')
        return url;
    return std::string();
}

bool CopyFileReplacing(const std::string& source, const std::string& destination)
{
    std::string contents, reason;
    if (!ReadRegularFile(source.c_str(), contents, reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for reading: %s", source.c_str(), reason.c_str());
        return false;
    }
    // A plain copy writes where the user may write: a writable file in a
    // folder that takes no new file is overwritten in place.
    if (!ReplaceFile(destination, contents, ReplaceOptions::SharedFile(), reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to copy '%s' to '%s': %s", source.c_str(), destination.c_str(),
                  reason.c_str());
        return false;
    }
    return true;
}
