#pragma once

#include <QDir>
#include <QMessageBox>
#include <QString>
#include <QtMessageHandler>

#include <functional>

class MemControllerFactory;
class QDrag;
class QFontMetrics;
class QObject;
class QWidget;

// ---- Directories --------------------------------------------------------------------------------------

// Environment variable that points the resources directory elsewhere (tests, a relocated install).
inline constexpr const char* kResourceDirVariable = "KNOBWRIGHT_RESOURCE_DIR";

// The per-user folder of the plug-in database files; created by the main window, not here.
QDir getAppDataDirectory();
// The program's resources: the factory preset bank and the plug-in preset file (share/knobwright beside
// the program's bin/ folder, or the folder the environment names).
QDir getInitialDirectory();
// Where the outside plug-in finder programs lie; the same folder as the resources.
QDir getExecuteDirectory();

// ---- Fonts and texts ----------------------------------------------------------------------------------

// Gives the widget and all its widget descendants the fixed pixel sizes of the editor's bitmap fonts.
void adjustFont(QWidget* widget);
// The text, shortened and marked with TrimLabel until it fits width pixels in the widget's font.
QString trimText(const QWidget* widget, const QString& text, int width);
// The text followed by blanks while the text and one more blank fit width pixels in the metrics' font.
// Stops where a blank adds no width (a font without a visible blank), so it always ends.
QString padWithBlanks(QString text, const QFontMetrics& metrics, int width);

// ---- Binding ------------------------------------------------------------------------------------------

// Binds every proxy of the tree (widgets or not) to the factory, parent before children.
void createMemProxyController(MemControllerFactory* factory, QObject* root);
// Point every proxy of the tree at another bank, template or knob.
void assignBank(QObject* root, int index);
void assignTemplate(QObject* root, int index);
void assignController(QObject* root, int index);

// ---- Diagnostics, dialogs and the manual --------------------------------------------------------------

// The program's message handler: drops every diagnostic text.
void doNotOutputMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);

// The one road by which the editor asks the user something in a window of the system's own: message
// boxes and file dialogs, and the platform's drag-and-drop loop. Tests put an answering function in place
// so that nothing waits for a modal window or a pointer; without one the standard dialogs are shown and
// the platform runs the drag. GUI thread only.
class ShellDialogs
{
public:
    struct MessageRequest
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    struct FileRequest
    {
        QString caption;
        QString folder;
        QString filter;
        bool save = false;
    };
    using MessageAnswer = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
    using FileAnswer = std::function<QString(const FileRequest&)>;
    // Plays the platform's part in a drag: delivers the drag events to a target and returns the action.
    using DragRun = std::function<Qt::DropAction(QDrag*, Qt::DropActions, Qt::DropAction)>;

    static QMessageBox::StandardButton message(const MessageRequest& request);
    // The chosen path, or the empty text when the user chose none.
    static QString fileName(const FileRequest& request);
    // Runs the drag until it is dropped or cancelled (QDrag::exec), or hands it to the test's function.
    static Qt::DropAction drag(QDrag* drag, Qt::DropActions supported, Qt::DropAction defaultAction);

    static void setMessageAnswer(MessageAnswer answer);
    static void setFileAnswer(FileAnswer answer);
    static void setDragRun(DragRun run);
};

// The localized manual inside the resources directory, or the empty text: <resources>/<language>/<name>.
QString searchHelpFile(const QString& localization, const QDir& resources, const QString& fileName);
