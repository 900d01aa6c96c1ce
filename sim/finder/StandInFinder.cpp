// A stand-in for the outside plug-in finder: started with a plug-in path and a result file path, it does
// what the control file inside the fake plug-in asks, so that tests can drive every outcome of a finder run.
//
// Control file: the plug-in itself when it is a plain file, <bundle>/Contents/finder-control.txt for a
// bundle folder. One "key=value" per line, all optional:
//   exit=<n>            exit code (default 0)
//   delay-ms=<n>        wait this long first
//   crash=1             die of a signal instead of exiting
//   hang=1              never finish
//   pid-file=<p>        write this process's id and a line feed to <p> first (so a test can end a hanging run)
//   result=<text>       append <text> and a line feed to the result file (written only when given)
//   result-bytes=<esc>  append raw bytes; \n \r \t \\ and \xHH escapes
//   stdout=<text>       write to standard output; stderr=<text> likewise
//   stray-pid-file=<p>  leave a child behind that writes its process id to <p>, waits, then writes into
//                       the result file
//   fds-file=<p>        write where standard input, output and error lead, one per line
//   exclusive-file=<p>  hold <p> while running; finding it held already appends "overlap" to <p>.overlap
// The environment variable KW_FINDER_LOG names a file to which each run appends its plug-in path.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Control
{
    int exitCode = 0;
    long delayMs = 0;
    bool crash = false;
    bool hang = false;
    bool writeResult = false;
    std::string result;
    std::string toStdout;
    std::string toStderr;
    std::string strayPidFile;
    std::string pidFile;
    std::string fdsFile;
    std::string exclusiveFile;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        switch (next) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            if (i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
                out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

Control readControl(const std::string& pluginPath)
{
    struct stat info = {};
    std::string controlPath = pluginPath;
    if (::stat(pluginPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        controlPath += "/Contents/finder-control.txt";
    }
    Control control;
    std::ifstream in(controlPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "exit") {
            control.exitCode = std::atoi(value.c_str());
        } else if (key == "delay-ms") {
            control.delayMs = std::atol(value.c_str());
        } else if (key == "crash") {
            control.crash = value == "1";
        } else if (key == "hang") {
            control.hang = value == "1";
        } else if (key == "result") {
            control.writeResult = true;
            control.result += value + "\n";
        } else if (key == "result-bytes") {
            control.writeResult = true;
            control.result += unescape(value);
        } else if (key == "stdout") {
            control.toStdout += value + "\n";
        } else if (key == "stderr") {
            control.toStderr += value + "\n";
        } else if (key == "stray-pid-file") {
            control.strayPidFile = value;
        } else if (key == "pid-file") {
            control.pidFile = value;
        } else if (key == "fds-file") {
            control.fdsFile = value;
        } else if (key == "exclusive-file") {
            control.exclusiveFile = value;
        }
    }
    return control;
}

std::string linkTarget(const char* link)
{
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(link, buffer.data(), buffer.size() - 1);
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string("?");
}

void writeFile(const std::string& path, const std::string& text, std::ios::openmode mode)
{
    std::ofstream out(path, std::ios::binary | mode);
    out << text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <plug-in> <result file>\n", argv[0]);
        return 64;
    }
    const std::string pluginPath = argv[1];
    const std::string resultPath = argv[2];
    if (const char* log = std::getenv("KW_FINDER_LOG")) {
        writeFile(log, pluginPath + "\n", std::ios::app);
    }
    const Control control = readControl(pluginPath);
    if (!control.pidFile.empty()) {
        writeFile(control.pidFile, std::to_string(::getpid()) + "\n", std::ios::trunc);
    }
    if (!control.fdsFile.empty()) {
        writeFile(control.fdsFile,
                  linkTarget("/proc/self/fd/0") + "\n" + linkTarget("/proc/self/fd/1") + "\n" +
                      linkTarget("/proc/self/fd/2") + "\n",
                  std::ios::trunc);
    }
    std::fputs(control.toStdout.c_str(), stdout);
    std::fflush(stdout);
    std::fputs(control.toStderr.c_str(), stderr);
    if (!control.strayPidFile.empty()) {
        const pid_t child = ::fork();
        if (child == 0) {
            writeFile(control.strayPidFile, std::to_string(::getpid()) + "\n", std::ios::trunc);
            std::this_thread::sleep_for(std::chrono::seconds(30));
            writeFile(resultPath, "1\nStray\n0\n", std::ios::trunc);
            std::_Exit(0);
        }
        // The child's process id must be on record before this process ends.
        for (int i = 0; i < 5000 && child > 0; ++i) {
            struct stat written = {};
            if (::stat(control.strayPidFile.c_str(), &written) == 0 && written.st_size > 0) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    bool holding = false;
    if (!control.exclusiveFile.empty()) {
        const int fd = ::open(control.exclusiveFile.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        holding = fd >= 0;
        if (holding) {
            ::close(fd);
        } else {
            writeFile(control.exclusiveFile + ".overlap", "overlap\n", std::ios::app);
        }
    }
    if (control.delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(control.delayMs));
    }
    if (control.crash) {
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
    }
    while (control.hang) {
        ::pause();
    }
    if (control.writeResult) {
        writeFile(resultPath, control.result, std::ios::trunc);
    }
    if (holding) {
        ::unlink(control.exclusiveFile.c_str());
    }
    return control.exitCode;
}
