#pragma once

#include <QString>

#include <chrono>
#include <functional>

class QWidget;

namespace kwtest {

// Environment variable naming the folder where the shell's tests leave screenshots for the test script.
inline constexpr const char* kScreenshotDirVariable = "KW_SCREENSHOT_DIR";

// Renders the widget (a main window or a panel with the window behind it) into <KW_SCREENSHOT_DIR>/<name>.png;
// does nothing when the variable is not set. True when a file was written.
bool saveAppScreenshot(QWidget* widget, const QString& name);

// The same with an open pop-up (a menu, a list) painted over the window where it stands on the screen.
bool saveAppScreenshotWithPopup(QWidget* widget, QWidget* popup, const QString& name);

// The contrast ratio (1 to 21) between a text widget's text colour and the colour that covers most of the
// picture behind it: its parent panel's background at the widget's place.
double textContrast(const QWidget* text);

// Runs the Qt event loop (deferred deletions included) until predicate() holds or the deadline passes. The
// default deadline is generous: it only ever runs out in a failure, and a loaded sanitizer build is slow.
bool processUntil(const std::function<bool()>& predicate,
                  std::chrono::milliseconds deadline = std::chrono::seconds(30));

} // namespace kwtest
