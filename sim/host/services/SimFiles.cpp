#include "SimFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Quorvane;

namespace simhost {

namespace {

std::string utf8(const char16_t* text)
{
    std::string out;
    for (; text && *text; ++text) {
        const char16_t c = *text;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string typeText(const FFileTypeInfo& type)
{
    return std::string(type.extension, strnlen(type.extension, sizeof type.extension)) + " " +
           std::string(type.description, strnlen(type.description, sizeof type.description));
}

} // namespace

SimPath::SimPath(HostContextRef host, std::vector<std::string> paths)
    : HostObject(std::move(host), "Path"), m_paths(std::move(paths))
{
}

int32 SimPath::countPaths()
{
    hostThreadOnly("IPath::countPaths");
    return static_cast<int32>(m_paths.size());
}

const char* SimPath::getPath(int32 index)
{
    hostThreadOnly("IPath::getPath");
    const std::string* path = elementAt(m_paths, index);
    return path ? path->c_str() : nullptr;
}

SimFileStream::SimFileStream(HostContextRef host, std::string bytes)
    : HostObject(std::move(host), "FileStream"), m_bytes(std::move(bytes))
{
}

SimFileStream::SimFileStream(HostContextRef host, std::string path, std::string temporaryPath, int descriptor)
    : HostObject(std::move(host), "FileStream"), m_path(std::move(path)), m_temporaryPath(std::move(temporaryPath)),
      m_descriptor(descriptor)
{
}

SimFileStream::~SimFileStream()
{
    // A written file never closed is dropped: the old file stays as it was.
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        if (!m_temporaryPath.empty())
            ::unlink(m_temporaryPath.c_str());
    }
}

tresult SimFileStream::read(void* buffer, int32 size, int32* bytesRead)
{
    hostThreadOnly("IStream::read");
    if (!buffer || size < 0 || m_descriptor >= 0)
        return kInvalidArgument;
    const std::size_t n = std::min(static_cast<std::size_t>(size), m_bytes.size() - m_readAt);
    m_bytes.copy(static_cast<char*>(buffer), n, m_readAt);
    m_readAt += n;
    if (bytesRead)
        *bytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult SimFileStream::write(const void* buffer, int32 size, int32* bytesWritten)
{
    hostThreadOnly("IStream::write");
    if (bytesWritten)
        *bytesWritten = 0;
    if (!buffer || size < 0 || m_descriptor < 0)
        return kInvalidArgument;
    const char* at = static_cast<const char*>(buffer);
    std::size_t left = static_cast<std::size_t>(size);
    while (left > 0 && !m_failed) {
        const ssize_t n = ::write(m_descriptor, at, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            break;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    if (bytesWritten)
        *bytesWritten = size - static_cast<int32>(left);
    return m_failed ? kResultFalse : kResultOk;
}

bool SimFileStream::close(bool flushFails)
{
    if (m_descriptor < 0)
        return true;
    const bool inPlace = m_temporaryPath.empty();
    // A device need not keep what it took (fsync refuses some); what it refused shows as a failed write.
    const bool written = !m_failed && !flushFails && (inPlace || ::fsync(m_descriptor) == 0);
    const bool closed = ::close(m_descriptor) == 0;
    m_descriptor = -1;
    if (inPlace)
        return written && closed;
    if (written && closed && ::rename(m_temporaryPath.c_str(), m_path.c_str()) == 0)
        return true;
    ::unlink(m_temporaryPath.c_str());
    return false;
}

SimFileStream* SimFileStream::openForReplacing(const HostContextRef& host, const std::string& path)
{
    struct stat existing = {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        // A folder is no file to write; a device or a pipe cannot be replaced, only written to.
        if (S_ISDIR(existing.st_mode))
            return nullptr;
        // Not waiting for a pipe's reader: a pipe nobody reads is refused at once.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (descriptor < 0)
            return nullptr;
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        return makeHostObject<SimFileStream>(host, path, std::string(), descriptor);
    }
    std::string temporary = path + ".XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return nullptr;
    return makeHostObject<SimFileStream>(host, path, temporary, descriptor);
}

SimFileSystem::SimFileSystem(HostContextRef host) : HostObject(std::move(host), "FileSystem")
{
    alsoAnswer<IFileSystem>();
}

IPath* SimFileSystem::runSaveDialog(const char16_t* title, const FFileTypeInfo* type)
{
    hostThreadOnly("IFileSystem::runSaveDialog");
    Dialog dialog{true, utf8(title), {}};
    if (type)
        dialog.types.push_back(typeText(*type));
    return answer(std::move(dialog));
}

IPath* SimFileSystem::runOpenDialog(const char16_t* title, const FFileTypeInfo* types, int32 count)
{
    hostThreadOnly("IFileSystem2::runOpenDialog");
    Dialog dialog{false, utf8(title), {}};
    for (int32 i = 0; types && i < count; ++i)
        dialog.types.push_back(typeText(types[i]));
    return answer(std::move(dialog));
}

IPath* SimFileSystem::answer(Dialog dialog)
{
    std::vector<std::string> paths;
    {
        std::lock_guard lock(m_mutex);
        m_dialogs.push_back(std::move(dialog));
        if (!m_answers.empty()) {
            paths = std::move(m_answers.front());
            m_answers.pop_front();
        }
    }
    if (paths.empty())
        return nullptr;
    return makeHostObject<SimPath>(registry().shared_from_this(), std::move(paths));
}

IStream* SimFileSystem::openFile(IPath* paths, int32 index, int32 mode)
{
    hostThreadOnly("IFileSystem::openFile");
    const char* path = paths ? paths->getPath(index) : nullptr;
    if (!path || !*path)
        return nullptr;
    if (mode == kRead) {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return nullptr;
        std::ostringstream bytes;
        bytes << file.rdbuf();
        if (file.bad())
            return nullptr;
        return makeHostObject<SimFileStream>(registry().shared_from_this(), bytes.str());
    }
    return mode == kWrite ? SimFileStream::openForReplacing(registry().shared_from_this(), path) : nullptr;
}

tresult SimFileSystem::closeFile(IStream* stream)
{
    hostThreadOnly("IFileSystem::closeFile");
    // Only the host's own streams come back here.
    auto* file = dynamic_cast<SimFileStream*>(stream);
    if (!file)
        return kInvalidArgument;
    bool flushFails;
    {
        std::lock_guard lock(m_mutex);
        flushFails = std::exchange(m_failNextClose, false);
    }
    return file->close(flushFails) ? kResultOk : kResultFalse;
}

void SimFileSystem::failNextClose()
{
    std::lock_guard lock(m_mutex);
    m_failNextClose = true;
}

void SimFileSystem::answerNextDialog(std::vector<std::string> paths)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(paths));
}

std::vector<SimFileSystem::Dialog> SimFileSystem::dialogs()
{
    std::lock_guard lock(m_mutex);
    return m_dialogs;
}

void SimFileSystem::clearDialogs()
{
    std::lock_guard lock(m_mutex);
    m_dialogs.clear();
}

int SimFileSystem::pendingAnswers()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_answers.size());
}

} // namespace simhost
