#include "TemplateFixture.h"

#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "FlashFrame.h"

#include <QClipboard>
#include <QDomDocument>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>

namespace {

constexpr int kB2 = 5;
constexpr int kC3 = 10;

struct KnobSettings
{
    QString displayName;
    long cc = 0;
    long format = 0;
    QString remote;
    bool operator==(const KnobSettings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KnobSettings& s)
{
    return out << s.displayName.toStdString() << "/" << s.cc << "/" << s.format << "/" << s.remote.toStdString();
}

QMimeData* knobDocument(const QByteArray& text)
{
    auto* data = new QMimeData;
    data->setData(KnobMimeType, text);
    return data;
}

} // namespace

class TemplateKnobs : public TemplateFixture
{
protected:
    KnobSettings settingsOf(int k) const
    {
        return {text(knob(k, ParamAddress::kDisplayNameParam)), number(knob(k, ParamAddress::kCCNumberParam)),
                number(knob(k, ParamAddress::kDisplayFormatParam)), text(knob(k, ParamAddress::kRemoteNumberParam))};
    }
    void setSettings(int k, const KnobSettings& s)
    {
        memApi->setParam(knob(k, ParamAddress::kDisplayNameParam), s.displayName);
        memApi->setParam(knob(k, ParamAddress::kCCNumberParam), s.cc);
        memApi->setParam(knob(k, ParamAddress::kDisplayFormatParam), s.format);
        memApi->setParam(knob(k, ParamAddress::kRemoteNumberParam), s.remote);
    }
    void startWithTwoKnobs()
    {
        startEditor();
        setSettings(kB2, bee);
        setSettings(kC3, sea);
        memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 0L);
    }

    // A drag over and onto a knob button as another program would make it (no source in this process).
    static Qt::DropAction dropOn(CRadioButton* button, const QMimeData* data, Qt::KeyboardModifiers modifiers = {},
                                 Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
    {
        const QPointF centre = QRectF(button->rect()).center();
        QDragEnterEvent enter(centre.toPoint(), actions, data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(button, &enter);
        if (!enter.isAccepted()) {
            return Qt::IgnoreAction;
        }
        QDropEvent drop(centre, actions, data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(button, &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    // Drags one knob button onto another as the user does: a press, a move past the start distance with the
    // modifiers held and, in the platform's place, entering and dropping on the target. Returns the actions
    // the drag offered.
    static Qt::DropActions drag(CRadioButton* from, CRadioButton* to, Qt::KeyboardModifiers modifiers = {})
    {
        Qt::DropActions offered;
        ShellDialogs::setDragRun([&](QDrag* drag, Qt::DropActions actions, Qt::DropAction) {
            offered = actions;
            return dropOn(to, drag->mimeData(), modifiers, actions);
        });
        QTest::mousePress(from, Qt::LeftButton, {}, QPoint(10, 10));
        const QPoint moved(10 + QApplication::startDragDistance(), 10);
        QMouseEvent move(QEvent::MouseMove, moved, from->mapToGlobal(moved), Qt::NoButton, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(from, &move);
        QTest::mouseRelease(from, Qt::LeftButton, {}, QPoint(10, 10));
        ShellDialogs::setDragRun({});
        EXPECT_NE(offered, Qt::DropActions()) << "no drag started";
        return offered;
    }

    const KnobSettings bee{"Bee", 11, 1, "000000007"};
    const KnobSettings sea{"Sea", 64, 0, "100000401"};
};

TEST_F(TemplateKnobs, CopyAndPasteCarryOneKnobsSettingsThroughTheClipboard)
{
    startWithTwoKnobs();
    EditorTemplate* v = view();
    QTest::mouseClick(v->btnKnobB2, Qt::LeftButton);
    QMetaObject::invokeMethod(window.get(), "editCopy");
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip->hasFormat("application/x-telvor-zelk-remote-knob"));
    EXPECT_EQ(clip->formats().size(), 1);
    const QString document = QString::fromUtf8(clip->data(KnobMimeType));
    EXPECT_TRUE(document.startsWith("<!DOCTYPE KnobwrightKnob>")) << document.toStdString();
    EXPECT_TRUE(document.contains("<controller number=\"5\">\n <displayname>Bee</displayname>"))
        << document.toStdString();
    EXPECT_TRUE(v->canPaste());
    EXPECT_TRUE(v->lblKnobB2->parentWidget()->findChild<FlashFrame*>() != nullptr) << "the copied cell flashes";

    QTest::mouseClick(v->btnKnobC3, Qt::LeftButton);
    QMetaObject::invokeMethod(window.get(), "editPaste");
    EXPECT_EQ(settingsOf(kC3), bee);
    EXPECT_EQ(settingsOf(kB2), bee);
    EXPECT_EQ(fileEditFlag(), 1);

    // A document without a CC number leaves the target's CC number as it was.
    setSettings(kC3, sea);
    QApplication::clipboard()->setMimeData(
        knobDocument("<!DOCTYPE KnobwrightKnob><controller "
                     "number=\"1\"><displayname>Part</displayname><displayformat>1</displayformat>"
                     "<remotenumber>0ABCDEF12</remotenumber></controller>"));
    v->pasteKnob();
    EXPECT_EQ(settingsOf(kC3), (KnobSettings{"Part", sea.cc, 1, "0abcdef12"}));

    // Anything else on the clipboard: nothing to paste, and pasting writes nothing.
    QApplication::clipboard()->setText("B2");
    EXPECT_FALSE(v->canPaste());
    v->pasteKnob();
    EXPECT_EQ(settingsOf(kC3), (KnobSettings{"Part", sea.cc, 1, "0abcdef12"}));
}

TEST_F(TemplateKnobs, DocumentsFromElsewhereAreCopiedAndMalformedOnesRefused)
{
    startWithTwoKnobs();
    EditorTemplate* v = view();
    // A document made by another editor: its settings arrive, even on a plain (moving) drop and even when it
    // names the same knob; the knob it names here keeps its own.
    std::unique_ptr<QMimeData> beeDocument(v->createKnobMimeData(kB2));
    setSettings(kB2, sea);
    EXPECT_EQ(dropOn(v->btnKnobC3, beeDocument.get()), Qt::CopyAction);
    EXPECT_EQ(settingsOf(kC3), bee);
    EXPECT_EQ(settingsOf(kB2), sea);
    EXPECT_TRUE(v->btnKnobC3->isChecked()) << "the target becomes the selected knob";
    setSettings(kB2, sea);
    EXPECT_EQ(dropOn(v->btnKnobB2, beeDocument.get()), Qt::CopyAction);
    EXPECT_EQ(settingsOf(kB2), bee);

    setSettings(kC3, sea);
    for (const QByteArray& number : {QByteArray(" number=\"12\""), QByteArray(" number=\"-1\""), QByteArray()}) {
        std::unique_ptr<QMimeData> bad(
            knobDocument("<controller" + number + "><displayname>Bad</displayname></controller>"));
        EXPECT_EQ(v->getKnobNumberFromKnobMimeData(bad.get()), -1) << number.toStdString();
        EXPECT_EQ(dropOn(v->btnKnobC3, bad.get()), Qt::IgnoreAction) << number.toStdString();
    }
    QMimeData plainText;
    plainText.setText("Bad");
    EXPECT_EQ(dropOn(v->btnKnobC3, &plainText), Qt::IgnoreAction);
    EXPECT_EQ(settingsOf(kC3), sea);
}

TEST_F(TemplateKnobs, DraggingAKnobExchangesItControlDragCopiesAndItsOwnButtonRefusesIt)
{
    startWithTwoKnobs();
    EditorTemplate* v = view();
    EXPECT_EQ(drag(v->btnKnobB2, v->btnKnobC3), Qt::MoveAction);
    EXPECT_EQ(settingsOf(kC3), bee);
    EXPECT_EQ(settingsOf(kB2), sea);
    EXPECT_TRUE(v->btnKnobC3->isChecked());
    EXPECT_EQ(fileEditFlag(), 1);

    EXPECT_EQ(drag(v->btnKnobC3, v->btnKnobB2, Qt::ControlModifier), Qt::CopyAction);
    EXPECT_EQ(settingsOf(kB2), bee) << "a Control drag copies";
    EXPECT_EQ(settingsOf(kC3), bee);

    setSettings(kC3, sea);
    EXPECT_EQ(drag(v->btnKnobC3, v->btnKnobC3, Qt::ShiftModifier), Qt::MoveAction);
    EXPECT_EQ(settingsOf(kC3), sea) << "a knob dropped on itself changes nothing";
}

TEST_F(TemplateKnobs, ContextMenuSelectsTheKnobAndOffersCopyAndPaste)
{
    startWithTwoKnobs();
    EditorTemplate* v = view();
    QApplication::clipboard()->clear();
    QStringList entries;
    bool pasteEnabled = true;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no context menu";
        for (QAction* action : menu->actions()) {
            entries << action->text() + "|" + action->shortcut().toString();
        }
        pasteEnabled = menu->actions().value(1)->isEnabled();
        menu->setActiveAction(menu->actions().at(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), v->btnKnobB2->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(v->btnKnobB2, &event);
    EXPECT_EQ(entries, QStringList({"&Copy|Ctrl+C", "&Paste|Ctrl+V"}));
    EXPECT_FALSE(pasteEnabled) << "nothing to paste yet";
    EXPECT_TRUE(v->btnKnobB2->isChecked());
    EXPECT_EQ(v->getKnobNumberFromKnobMimeData(QApplication::clipboard()->mimeData()), kB2) << "Copy was chosen";
}

TEST_F(TemplateKnobs, SaveAndSaveAsRoundTripAndAFailedSaveKeepsTheOldFile)
{
    startWithTwoKnobs();
    EditorTemplate* v = view();
    QTemporaryDir folder;
    const ParamAddress fileName(ParamAddress::kFileNameBank, -1, -1, -1);
    memApi->setParam(ParamAddress(1, 3, kB2, ParamAddress::kDisplayNameParam), QStringLiteral("Stored"));
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 1L);
    const auto reopened = [](const QString& path) {
        RemoteMemAPI other;
        while (other.getQuantityOfBank() < 9) {
            other.createBank();
        }
        QFile file(path);
        QString error;
        EXPECT_TRUE(EditorFile::load(&other, 1, &file, true, &error)) << error.toStdString();
        return other.getParamQString(ParamAddress(1, 3, kB2, ParamAddress::kDisplayNameParam)) + "," +
               other.getParamQString(ParamAddress(0, 0, kC3, ParamAddress::kDisplayNameParam));
    };

    // Without a file, Save asks for one; a name without the extension gets it.
    fileAnswer = folder.filePath("Live");
    ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "fileSaveBank"));
    ASSERT_EQ(fileRequests.size(), 1);
    EXPECT_EQ(fileRequests[0].caption, "Save As");
    EXPECT_EQ(fileRequests[0].filter, "Q9E Files (*.Q9E)");
    EXPECT_TRUE(fileRequests[0].save);
    const QString live = folder.filePath("Live.Q9E");
    EXPECT_EQ(text(fileName), live);
    EXPECT_EQ(fileEditFlag(), 0);
    EXPECT_EQ(reopened(live), "Stored,Sea");
    EXPECT_EQ(window->getWorkingFolder(), folder.path());

    // With a file, Save writes it again without asking.
    setSettings(kC3, bee);
    ASSERT_EQ(fileEditFlag(), 1) << "an edit left the bank unmarked";
    EXPECT_TRUE(v->saveBank());
    EXPECT_EQ(fileEditFlag(), 0) << "Save left the bank marked as edited";
    EXPECT_EQ(fileRequests.size(), 1);
    EXPECT_EQ(reopened(live), "Stored,Bee");

    // An existing name: No asks again from there, Yes replaces; a lower-case extension is kept.
    fileAnswer = live;
    int questions = 0;
    ShellDialogs::setMessageAnswer([&](const ShellDialogs::MessageRequest& request) {
        messages.append(request);
        fileAnswer = folder.filePath("copy.q9e");
        return ++questions == 1 ? QMessageBox::No : QMessageBox::Yes;
    });
    QFile(folder.filePath("copy.q9e")).open(QIODevice::WriteOnly);
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 1L);
    EXPECT_TRUE(v->saveBankAs());
    EXPECT_EQ(fileEditFlag(), 0) << "Save As left the bank marked as edited";
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].icon, QMessageBox::Question);
    EXPECT_EQ(messages[0].title, "Knobwright");
    EXPECT_EQ(messages[0].text, "A file called " + live + " already exists.\nDo you want to overwrite it?");
    EXPECT_EQ(messages[0].defaultButton, QMessageBox::No);
    EXPECT_EQ(fileRequests.last().folder, live) << "the dialog starts again at the refused name";
    EXPECT_EQ(text(fileName), folder.filePath("copy.q9e"));
    EXPECT_EQ(reopened(folder.filePath("copy.q9e")), "Stored,Bee");

    // A write that fails at the end (the temporary name is too long for the file system) shows the error
    // and leaves the existing file, the file name and the edit flag as they were.
    const QString longName = folder.filePath(QString(246, 'x') + ".Q9E");
    {
        QFile old(longName);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old bank");
    }
    memApi->setParam(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1), 1L);
    messages.clear();
    ShellDialogs::setMessageAnswer([&](const ShellDialogs::MessageRequest& request) {
        messages.append(request);
        return request.icon == QMessageBox::Question ? QMessageBox::Yes : QMessageBox::Ok;
    });
    fileAnswer = longName;
    EXPECT_FALSE(v->saveBankAs());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[1].title, "Knobwright");
    EXPECT_FALSE(messages[1].text.isEmpty());
    QFile old(longName);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old bank");
    EXPECT_EQ(text(fileName), folder.filePath("copy.q9e"));
    EXPECT_EQ(fileEditFlag(), 1);
}
