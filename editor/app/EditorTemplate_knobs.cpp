#include "EditorTemplate.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "EditorShortcuts.h"
#include "FlashFrame.h"
#include "KnobDocument.h"
#include "RemoteMemAPI.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Bank files of the predecessor hardware: Save As proposes the name without this extension.
const QString PredecessorFileExtension = QStringLiteral(".") + QStringLiteral("Q8E");
const QString KnobDragImage = QStringLiteral(":/images/t51m_lcd_panel.png");
constexpr int kExtensionLength = 4;
// The bank a bank file holds: the editor's stored copy of the working bank.
constexpr int kFileBank = 1;

bool endsWithExtension(const QString& path, const QString& extension)
{
    return path.right(kExtensionLength).compare(extension, Qt::CaseInsensitive) == 0;
}

bool holdsKnobDocument(const QMimeData* data)
{
    return data != nullptr && data->hasFormat(KnobMimeType);
}

} // namespace

// ---- Knob document and clipboard ------------------------------------------------------------------------

QMimeData* EditorTemplate::createKnobMimeData(int knob)
{
    auto* data = new QMimeData;
    data->setData(KnobMimeType, KnobDocument::create(memApi, 0, getCurrentTemplateNumber(), knob));
    return data;
}

int EditorTemplate::getKnobNumberFromKnobMimeData(const QMimeData* data)
{
    return holdsKnobDocument(data) ? KnobDocument::knobNumber(data->data(KnobMimeType)) : -1;
}

void EditorTemplate::setKnobMimeData(const QMimeData* data, int knob)
{
    if (holdsKnobDocument(data)) {
        KnobDocument::write(memApi, data->data(KnobMimeType), 0, getCurrentTemplateNumber(), knob);
    }
}

bool EditorTemplate::canPaste() const
{
    return holdsKnobDocument(QApplication::clipboard()->mimeData());
}

void EditorTemplate::flashKnob(int knob)
{
    const CFrame* highlight = lcdHighlights[static_cast<std::size_t>(knob)];
    FlashFrame::start(highlight->parentWidget(), highlight->geometry().adjusted(-1, -1, 1, 1));
}

void EditorTemplate::copyKnob()
{
    flashKnob(selectedKnob);
    QApplication::clipboard()->setMimeData(createKnobMimeData(selectedKnob));
}

void EditorTemplate::pasteKnob()
{
    flashKnob(selectedKnob);
    setKnobMimeData(QApplication::clipboard()->mimeData(), selectedKnob);
}

// ---- Knob buttons: choosers, drag-and-drop, context menu --------------------------------------------------

bool EditorTemplate::eventFilter(QObject* watched, QEvent* event)
{
    const int knob = isVisible() ? getKnobNumberFromKnobButton(qobject_cast<QWidget*>(watched)) : -1;
    if (knob >= 0 && knobButtonEvent(knob, event)) {
        return true;
    }
    return CFrame::eventFilter(watched, event);
}

bool EditorTemplate::knobButtonEvent(int knob, QEvent* event)
{
    CRadioButton* button = knobButtons[static_cast<std::size_t>(knob)];
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (controlType() != 0 || isOtherDAW()) {
            popupCCNumberAndDisplayName(button, QPoint(0, 0));
        } else {
            popupRemoteControlParameter(button, QPoint(0, 0));
        }
        return true;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && controlType() == 0 && !isOtherDAW() &&
            mainWindow->getLockCount() <= 0) {
            popupRemoteControlParameter(button, QPoint(0, 0));
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            dragStartPosition = mouse->position().toPoint();
        }
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton) ||
            (mouse->position().toPoint() - dragStartPosition).manhattanLength() < QApplication::startDragDistance()) {
            return false;
        }
        startKnobDrag(knob, mouse->modifiers());
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (acceptsKnobDrag(knob, drag)) {
            drag->setDropAction(drag->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
            drag->accept(button->rect());
        } else {
            drag->ignore(button->rect());
        }
        return true;
    }
    case QEvent::Drop:
        return dropKnob(knob, static_cast<QDropEvent*>(event));
    case QEvent::ContextMenu:
        knobContextMenu(knob, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}

void EditorTemplate::startKnobDrag(int knob, Qt::KeyboardModifiers modifiers)
{
    const auto index = static_cast<std::size_t>(knob);
    CRadioButton* button = knobButtons[index];
    const CText* cell = lcdTexts[index];
    auto* drag = new QDrag(this);
    drag->setMimeData(createKnobMimeData(knob));

    QPixmap image(KnobDragImage);
    {
        QPainter painter(&image);
        painter.setFont(cell->font());
        painter.setPen(cell->palette().color(QPalette::Text));
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.drawText(image.rect(), Qt::AlignHCenter | Qt::AlignVCenter, cell->text());
    }
    drag->setPixmap(image);
    drag->setHotSpot(button->pos() + dragStartPosition - lcdHighlights[index]->pos());

    const Qt::DropAction action = modifiers == Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction;
    draggedKnob = knob;
    ShellDialogs::drag(drag, action, action);
    draggedKnob = -1;
    // The drag took the release that would have ended the press.
    button->setDown(false);
}

// A knob document from elsewhere is taken whatever knob it names; this view's own drag not by its own knob.
bool EditorTemplate::acceptsKnobDrag(int knob, const QDropEvent* event) const
{
    const int source = getKnobNumberFromKnobMimeData(event->mimeData());
    return source >= 0 && (draggedKnob < 0 || source != knob);
}

bool EditorTemplate::dropKnob(int knob, QDropEvent* event)
{
    if (!acceptsKnobDrag(knob, event)) {
        return false;
    }
    const int source = getKnobNumberFromKnobMimeData(event->mimeData());
    // Only a knob of this view can change places with the target; a document from elsewhere brings the
    // settings it carries.
    if (draggedKnob < 0 || (event->modifiers() & Qt::ControlModifier)) {
        setKnobMimeData(event->mimeData(), knob);
        event->setDropAction(Qt::CopyAction);
        flashKnob(knob);
    } else {
        const int templ = getCurrentTemplateNumber();
        memApi->exchangeController(0, templ, source, 0, templ, knob);
        event->setDropAction(Qt::MoveAction);
        flashKnob(source);
        flashKnob(knob);
    }
    event->accept();
    knobButtons[static_cast<std::size_t>(knob)]->click();
    return true;
}

void EditorTemplate::knobContextMenu(int knob, const QPoint& globalPos)
{
    knobButtons[static_cast<std::size_t>(knob)]->click();
    auto* menu = new QMenu(this);
    menu->setFont(font());
    QAction* copy = menu->addAction(MenuEditCopy);
    copy->setShortcut(ShortcutEditCopy);
    connect(copy, SIGNAL(triggered()), mainWindow, SLOT(editCopy()));
    QAction* paste = menu->addAction(MenuEditPaste);
    paste->setShortcut(ShortcutEditPaste);
    paste->setEnabled(canPaste());
    connect(paste, SIGNAL(triggered()), mainWindow, SLOT(editPaste()));
    menu->exec(globalPos);
    delete menu;
}

void EditorTemplate::dragEnterEvent(QDragEnterEvent* event)
{
    // Accepted without an action, so that the drag keeps reaching the knob buttons inside the view.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

void EditorTemplate::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

// ---- Saving the bank ------------------------------------------------------------------------------------

bool EditorTemplate::saveBankTo(const QString& path)
{
    QFile file(path);
    QString error;
    if (!EditorFile::save(memApi, kFileBank, &file, &error)) {
        mainWindow->critical(error, EditorName, QMessageBox::Ok);
        return false;
    }
    return true;
}

bool EditorTemplate::canSaveBankAs() const
{
    return memApi->getQuantityOfBank() < RemoteMemAPI::kMaxBanks;
}

bool EditorTemplate::saveBank()
{
    const QString name = fileNameNotifier->getMemAPIString();
    if (name.isEmpty() || !endsWithExtension(name, EditorFileExtension)) {
        return saveBankAs();
    }
    if (!saveBankTo(name)) {
        return false;
    }
    fileEditFlagNotifier->setMemAPICurrentValue(0);
    return true;
}

bool EditorTemplate::saveBankAs()
{
    QString path = fileNameNotifier->getMemAPIString();
    if (!QFileInfo::exists(path)) {
        path = mainWindow->getWorkingFolder();
    }
    if (endsWithExtension(path, PredecessorFileExtension)) {
        path.chop(kExtensionLength);
    }
    QString chosen;
    for (;;) {
        chosen = mainWindow->getSaveFileName(QStringLiteral("Save As"), path, EditorFileFilter);
        if (chosen.isEmpty()) {
            return false;
        }
        if (!endsWithExtension(chosen, EditorFileExtension)) {
            chosen += EditorFileExtension;
        }
        if (!QFileInfo::exists(chosen)) {
            break;
        }
        // The file is not removed beforehand: the save replaces it only once the new one is complete.
        const QString question = QStringLiteral("A file called %1 already exists.\nDo you want to overwrite it?");
        if (mainWindow->question(question.arg(chosen), ModelName, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes) {
            break;
        }
        path = chosen;
    }
    if (!saveBankTo(chosen)) {
        return false;
    }
    fileNameNotifier->setMemAPIString(chosen);
    fileEditFlagNotifier->setMemAPICurrentValue(0);
    mainWindow->setWorkingFolder(chosen);
    return true;
}
