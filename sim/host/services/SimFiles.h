#pragma once

#include "HostInterfaces.h"
#include "HostModel.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace simhost {

// A list of file-system paths, as a file dialog hands it out. Host thread.
class SimPath : public HostObject<Quorvane::IPath>
{
public:
    SimPath(HostContextRef host, std::vector<std::string> paths);

    int32 countPaths() override;
    const char* getPath(int32 index) override;

private:
    std::vector<std::string> m_paths;
};

// An open file: a file opened for reading holds its bytes, one opened for writing collects what is
// written and replaces the file only when it is closed without an error, so a failed save leaves the old
// file whole. A device (or a pipe) is written in place. Host thread.
class SimFileStream : public HostObject<Quorvane::IStream>
{
public:
    // Reading: the file's bytes. Writing: path is the file to replace, temporary an open file beside it
    // (empty for a device written in place).
    SimFileStream(HostContextRef host, std::string bytes);
    SimFileStream(HostContextRef host, std::string path, std::string temporaryPath, int descriptor);
    ~SimFileStream() override;

    tresult read(void* buffer, int32 size, int32* bytesRead) override;
    tresult write(const void* buffer, int32 size, int32* bytesWritten) override;

    // Ends the file: a written file replaces its path; true when that worked (or the file was read).
    // flushFails plays a disk that takes every write and then fails to keep them.
    bool close(bool flushFails = false);

    // A file to write that replaces path when closed whole; null when it cannot be made there or path is a
    // folder.
    static SimFileStream* openForReplacing(const HostContextRef& host, const std::string& path);

private:
    std::string m_bytes;
    std::size_t m_readAt = 0;
    std::string m_path;
    std::string m_temporaryPath;
    int m_descriptor = -1;
    bool m_failed = false;
};

// The host's file dialogs and files. The dialogs answer from a script a test (or the dbhost front end)
// fills beforehand; an unscripted dialog is cancelled. Every dialog shown is recorded. Host thread.
class SimFileSystem : public HostObject<Quorvane::IFileSystem2>
{
public:
    struct Dialog
    {
        bool save = false;
        std::string title;
        // "extension description" of each file type offered.
        std::vector<std::string> types;
    };

    explicit SimFileSystem(HostContextRef host);

    Quorvane::IPath* runSaveDialog(const char16_t* title, const Quorvane::FFileTypeInfo* type) override;
    Quorvane::IStream* openFile(Quorvane::IPath* paths, int32 index, int32 mode) override;
    tresult closeFile(Quorvane::IStream* stream) override;
    Quorvane::IPath* runOpenDialog(const char16_t* title, const Quorvane::FFileTypeInfo* types, int32 count) override;

    // Host side.
    // The next dialog chooses these paths; an empty list cancels it.
    void answerNextDialog(std::vector<std::string> paths);
    // The next file closed after writing fails at its flush, its writes all taken: it replaces nothing.
    void failNextClose();
    std::vector<Dialog> dialogs();
    void clearDialogs();
    int pendingAnswers();

private:
    Quorvane::IPath* answer(Dialog dialog);

    std::mutex m_mutex;
    std::deque<std::vector<std::string>> m_answers;
    std::vector<Dialog> m_dialogs;
    bool m_failNextClose = false;
};

} // namespace simhost
