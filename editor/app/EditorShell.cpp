#include "EditorShell.h"

#include "EditorMainWindow.h"
#include "MemController.h"
#include "MemProxy.h"

#include <QCoreApplication>
#include <QDrag>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QStandardPaths>
#include <QWidget>

namespace {

ShellDialogs::MessageAnswer& messageAnswer()
{
    static ShellDialogs::MessageAnswer answer;
    return answer;
}

ShellDialogs::FileAnswer& fileAnswer()
{
    static ShellDialogs::FileAnswer answer;
    return answer;
}

ShellDialogs::DragRun& dragRun()
{
    static ShellDialogs::DragRun run;
    return run;
}

QDir resourcesDirectory()
{
    const QString configured = qEnvironmentVariable(kResourceDirVariable);
    if (!configured.isEmpty()) {
        return QDir(configured);
    }
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/knobwright"));
}

// Walks the tree parent first, children in child order, over every object.
template <typename Visit> void visitProxies(QObject* object, const Visit& visit)
{
    if (object == nullptr) {
        return;
    }
    if (auto* proxy = dynamic_cast<MemProxy*>(object)) {
        visit(proxy);
    }
    const QObjectList children = object->children();
    for (QObject* child : children) {
        visitProxies(child, visit);
    }
}

void assignClass(QObject* root, int index, int kind)
{
    visitProxies(root, [index, kind](MemProxy* proxy) { proxy->assignClassMemAPI(index, kind); });
}

} // namespace

QDir getAppDataDirectory()
{
    // The user's data location stands in for the home folder's application-support folder.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + UserFolderPath);
}

QDir getInitialDirectory()
{
    return QDir(resourcesDirectory().absolutePath());
}

QDir getExecuteDirectory()
{
    return getInitialDirectory();
}

void adjustFont(QWidget* widget)
{
    if (widget == nullptr) {
        return;
    }
    if (widget->testAttribute(Qt::WA_SetFont)) {
        QFont font = widget->font();
        font.setStyleHint(QFont::AnyStyle, QFont::NoAntialias);
        // Whatever hinting the system's font settings ask for: stems on whole pixels keep 8- and 10-pixel
        // glyphs drawn without antialiasing apart.
        font.setHintingPreference(QFont::PreferVerticalHinting);
        if (font.family() == QLatin1String("Telvor EBM 8")) {
            font.setPixelSize(8);
            font.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
            widget->setFont(font);
        } else if (font.family() == QLatin1String("Telvor EBM 10")) {
            font.setPixelSize(10);
            widget->setFont(font);
        }
    } else if (QWidget* parent = widget->parentWidget(); parent != nullptr && parent->testAttribute(Qt::WA_SetFont)) {
        widget->setFont(parent->font());
    }
    const QObjectList children = widget->children();
    for (QObject* child : children) {
        if (child->isWidgetType()) {
            adjustFont(static_cast<QWidget*>(child));
        }
    }
}

QString trimText(const QWidget* widget, const QString& text, int width)
{
    const QFontMetrics metrics(widget->font());
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    QString shortened = text;
    while (!shortened.isEmpty()) {
        shortened.chop(1);
        if (shortened.isEmpty() || metrics.horizontalAdvance(shortened + TrimLabel) <= width) {
            break;
        }
    }
    return shortened + TrimLabel;
}

QString padWithBlanks(QString text, const QFontMetrics& metrics, int width)
{
    int current = metrics.horizontalAdvance(text);
    for (;;) {
        const int padded = metrics.horizontalAdvance(text + QLatin1Char(' '));
        if (padded > width || padded <= current) {
            return text;
        }
        text += QLatin1Char(' ');
        current = padded;
    }
}

void createMemProxyController(MemControllerFactory* factory, QObject* root)
{
    visitProxies(root, [factory](MemProxy* proxy) {
        proxy->initializeMemAPI(factory);
        proxy->assignMemAPI();
    });
}

void assignBank(QObject* root, int index)
{
    assignClass(root, index, 0);
}

void assignTemplate(QObject* root, int index)
{
    assignClass(root, index, 1);
}

void assignController(QObject* root, int index)
{
    assignClass(root, index, 2);
}

void doNotOutputMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

QMessageBox::StandardButton ShellDialogs::message(const MessageRequest& request)
{
    if (messageAnswer()) {
        return messageAnswer()(request);
    }
    QMessageBox box(request.icon, request.title, request.text, request.buttons);
    box.setDefaultButton(request.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString ShellDialogs::fileName(const FileRequest& request)
{
    if (fileAnswer()) {
        return fileAnswer()(request);
    }
    if (request.save) {
        // The one save dialog, the bank's Save As, asks about an existing file itself.
        return QFileDialog::getSaveFileName(nullptr, request.caption, request.folder, request.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    return QFileDialog::getOpenFileName(nullptr, request.caption, request.folder, request.filter);
}

Qt::DropAction ShellDialogs::drag(QDrag* drag, Qt::DropActions supported, Qt::DropAction defaultAction)
{
    if (dragRun()) {
        return dragRun()(drag, supported, defaultAction);
    }
    return drag->exec(supported, defaultAction);
}

void ShellDialogs::setMessageAnswer(MessageAnswer answer)
{
    messageAnswer() = std::move(answer);
}

void ShellDialogs::setFileAnswer(FileAnswer answer)
{
    fileAnswer() = std::move(answer);
}

void ShellDialogs::setDragRun(DragRun run)
{
    dragRun() = std::move(run);
}

QString searchHelpFile(const QString& localization, const QDir& resources, const QString& fileName)
{
    if (localization.isEmpty()) {
        return QString();
    }
    const QFileInfo file(resources.filePath(localization + QLatin1Char('/') + fileName));
    return file.isFile() ? file.absoluteFilePath() : QString();
}
