// The library's template document: the clipboard, drag and drop between and within the lists, the
// template list's context menu and its scrolling while a drag hovers near an edge.
#include "EditorLibrary.h"

#include "CListView.h"
#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "EditorShortcuts.h"
#include "RemoteMemAPI.h"
#include "TemplateDocument.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

// Where the drag's pointer is taken to point, relative to the event position.
const QPoint MouseOffset(-1, -3);
constexpr int kScrollIntervalMs = 100;

// The template document of the data; empty when it carries none.
QByteArray documentOf(const QMimeData* data)
{
    return data != nullptr && data->hasFormat(TemplateMimeType) ? data->data(TemplateMimeType) : QByteArray();
}

} // namespace

QMimeData* EditorLibrary::createTemplateMimeData(int templateNumber)
{
    return templateDocument(selectedBank(), templateNumber);
}

QMimeData* EditorLibrary::templateDocument(int bank, int templateNumber)
{
    auto* data = new QMimeData;
    data->setData(TemplateMimeType, TemplateDocument::create(memAPI, bank, templateNumber));
    return data;
}

int EditorLibrary::getTemplateNumberFromTemplateMimeData(const QMimeData* data)
{
    return TemplateDocument::templateNumber(documentOf(data));
}

int EditorLibrary::getBankNumberFromTemplateMimeData(const QMimeData* data)
{
    return TemplateDocument::bankNumber(documentOf(data));
}

bool EditorLibrary::writeTemplateDocument(const QMimeData* data, int row)
{
    if (!TemplateDocument::write(memAPI, documentOf(data), kLibraryBank, row)) {
        return false;
    }
    libraryEditFlag->setMemAPICurrentValue(1);
    return true;
}

bool EditorLibrary::canPaste() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return bankAvailable && templateListSelected && data != nullptr && data->hasFormat(TemplateMimeType);
}

void EditorLibrary::copyTemplate()
{
    const int row = listTemplate->value();
    flashRow(row);
    QGuiApplication::clipboard()->setMimeData(createTemplateMimeData(row));
}

// The template the clipboard's document carries, not the one its numbers name now: that one may have
// changed since the copy, or belong to another editor altogether.
void EditorLibrary::pasteTemplate()
{
    const int row = listTemplate->value();
    flashRow(row);
    writeTemplateDocument(QGuiApplication::clipboard()->mimeData(), row);
}

bool EditorLibrary::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != listTemplate && watched != listImport) {
        if (watched == mainWindow->getMenuBar() && event->type() == QEvent::EnabledChange) {
            updateKeyActions();
        }
        return CFrame::eventFilter(watched, event);
    }
    if (!isVisible()) {
        return false;
    }
    // Both lists note where a drag may start and stop scrolling when a drag leaves them.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            pressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
        }
        return false;
    case QEvent::DragLeave:
        stopScrollTimer();
        return true;
    default:
        break;
    }
    if (watched == listImport) {
        // The import list is a source only: it accepts no drops.
        return event->type() == QEvent::MouseMove && startDragOnMove(listImport, 1, event);
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        return templateListSelected && startDragOnMove(listTemplate, 0, event);
    case QEvent::ContextMenu:
        return showContextMenu(event);
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return dragOverTemplateList(static_cast<QDragMoveEvent*>(event));
    case QEvent::Drop:
        return dropOnTemplateList(static_cast<QDropEvent*>(event));
    default:
        return false;
    }
}

bool EditorLibrary::startDragOnMove(CListView* list, int source, QEvent* event)
{
    const auto* move = static_cast<QMouseEvent*>(event);
    if (!(move->buttons() & Qt::LeftButton) ||
        (move->position().toPoint() - pressPos).manhattanLength() < QApplication::startDragDistance()) {
        return false;
    }
    const int row = list->getIndex(pressPos.y());
    if (row < 0) {
        return false;
    }
    const bool copy = list == listImport || move->modifiers() == Qt::ControlModifier;
    startDrag(list, row, source, copy ? Qt::CopyAction : Qt::MoveAction);
    return true;
}

void EditorLibrary::startDrag(CListView* list, int row, int source, Qt::DropAction action)
{
    QPixmap pixmap(list->width(), list->rowHeight());
    pixmap.fill(list->backgroundFocusColor());
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        QFont font = list->font();
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(list->foregroundFocusColor());
        const QRect textRect = pixmap.rect().adjusted(list->itemMarginWidth(), list->itemMarginHeight(),
                                                      -list->itemMarginWidth(), -list->itemMarginHeight());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignBottom, list->text(row, 0));
    }
    auto* drag = new QDrag(this);
    // The bank of the list the drag starts on, whichever list the last focus selected.
    drag->setMimeData(templateDocument(list == listTemplate ? kLibraryBank : kImportBank, row));
    drag->setPixmap(pixmap);
    drag->setHotSpot(pressPos - list->getItemRect(row).topLeft());
    dragSource = source;
    const Qt::DropActions supported = list == listTemplate ? (Qt::CopyAction | Qt::MoveAction) : Qt::CopyAction;
    ShellDialogs::drag(drag, supported, action);
    dragSource = kNoDrag;
}

bool EditorLibrary::dragOverTemplateList(QDragMoveEvent* event)
{
    const QPoint p = event->position().toPoint() + MouseOffset;
    if (!event->mimeData()->hasFormat(TemplateMimeType)) {
        event->ignore();
        return true;
    }
    const int margin = listTemplate->marginHeight();
    if (p.y() < margin || p.y() >= listTemplate->height() - margin) {
        scrollDirection = p.y() < margin ? 0 : 1;
        if (scrollTimerId == 0) {
            scrollTimerId = startTimer(kScrollIntervalMs);
        }
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        return true;
    }
    stopScrollTimer();
    const int row = listTemplate->getIndex(p.y());
    if (row >= 0 && listTemplate->getItemRect(row).contains(p)) {
        // Only this view's own drag names a row of its own lists; others carry a template to copy in.
        const bool ownDrag = dragSource != kNoDrag;
        if (ownDrag && getBankNumberFromTemplateMimeData(event->mimeData()) == kLibraryBank &&
            getTemplateNumberFromTemplateMimeData(event->mimeData()) == row) {
            event->setDropAction(Qt::IgnoreAction);
        } else if (dragSource == 0) {
            event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
        }
    } else {
        event->setDropAction(Qt::IgnoreAction);
    }
    event->accept();
    return true;
}

bool EditorLibrary::dropOnTemplateList(QDropEvent* event)
{
    stopScrollTimer();
    const QPoint p = event->position().toPoint() + MouseOffset;
    if (!event->mimeData()->hasFormat(TemplateMimeType)) {
        return false;
    }
    const int row = listTemplate->getIndex(p.y());
    if (row < 0 || !listTemplate->getItemRect(row).contains(p)) {
        return false;
    }
    if (dragSource == kNoDrag) {
        // From another editor or another program: the template the document carries.
        if (!writeTemplateDocument(event->mimeData(), row)) {
            return false;
        }
        focusList();
        flashRow(row);
    } else {
        const int number = getTemplateNumberFromTemplateMimeData(event->mimeData());
        const int bank = getBankNumberFromTemplateMimeData(event->mimeData());
        if (bank == kLibraryBank && number == row) {
            return false;
        }
        if (bank == kLibraryBank && !(event->modifiers() & Qt::ControlModifier)) {
            memAPI->exchangeTemplate(kLibraryBank, number, kLibraryBank, row);
            flashRow(number);
            flashRow(row);
        } else if (bank == kLibraryBank) {
            memAPI->copyTemplate(kLibraryBank, number, kLibraryBank, row);
            flashRow(row);
        } else {
            focusList();
            flashRow(row);
            memAPI->copyTemplate(bank, number, kLibraryBank, row);
        }
    }
    event->acceptProposedAction();
    listTemplate->setValue(row);
    return true;
}

bool EditorLibrary::showContextMenu(QEvent* event)
{
    const auto* request = static_cast<QContextMenuEvent*>(event);
    const QPoint p = request->reason() == QContextMenuEvent::Mouse
                         ? request->pos()
                         : listTemplate->getItemRect(listTemplate->value()).center();
    const int row = listTemplate->getIndex(p.y());
    if (row < 0 || !bankAvailable) {
        return false;
    }
    listTemplate->setValue(row);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(font());
    const auto addEntry = [&](const QString& text, const QKeySequence& keys, const char* slot, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setShortcut(keys);
        action->setEnabled(enabled);
        connect(action, SIGNAL(triggered()), mainWindow, slot);
    };
    addEntry(MenuEditCopy, ShortcutEditCopy, SLOT(editCopy()), templateListSelected);
    addEntry(MenuEditPaste, ShortcutEditPaste, SLOT(editPaste()), canPaste());
    addEntry(MenuEditInitialize, ShortcutEditInitialize, SLOT(editInitialize()), templateListSelected);
    menu->popup(listTemplate->mapToGlobal(p));
    return true;
}

void EditorLibrary::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != scrollTimerId || scrollTimerId == 0) {
        CFrame::timerEvent(event);
        return;
    }
    scrollTemplate->triggerAction(scrollDirection == 1 ? QAbstractSlider::SliderSingleStepAdd
                                                       : QAbstractSlider::SliderSingleStepSub);
}

void EditorLibrary::stopScrollTimer()
{
    if (scrollTimerId != 0) {
        killTimer(scrollTimerId);
        scrollTimerId = 0;
    }
}
