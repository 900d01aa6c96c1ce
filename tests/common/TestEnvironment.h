#pragma once

#include <QString>

class QProcess;

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kwtest {

// Points HOME, the XDG folders and QSettings at a private temporary folder and switches
// QStandardPaths to test mode, so that no test reads or writes the user's files, and keeps JACK
// clients away from a server called "default". Call once from main before the application object exists.
void isolateFromUserFiles();

// The private folder that isolateFromUserFiles() made; empty before it ran.
QString isolatedRoot();

// Waits, without a fixed sleep, until predicate() holds or the deadline passes; returns the
// predicate's last answer. Runs neither the Qt event loop nor anything else in between. The default
// deadline is generous: it only ever runs out in a failure, and a loaded sanitizer build is slow.
bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds deadline = std::chrono::seconds(30));

// Ends a program as its user would (the end of its input) and kills it when it has not ended within grace;
// true once it is gone. Nothing to do for one that is not running.
bool endProcess(QProcess& process, std::chrono::milliseconds grace);

} // namespace kwtest
