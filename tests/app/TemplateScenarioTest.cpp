#include "TemplateFixture.h"

#include "AutoSync.h"
#include "CLineEdit.h"
#include "CPopupList.h"
#include "CPopupTree.h"
#include "CText.h"
#include "EditorDefinitions.h"
#include "SimSynthTemplate.h"

#include <QTemporaryDir>

#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace f = zelksim::fields;

// The template fields the synthesizer saw changed by the editor, in the order they arrived; it listens to the
// synthesizer while it exists.
class ChangeLog
{
public:
    explicit ChangeLog(zelksim::SynthMidi& synth) : m_synth(synth)
    {
        m_synth.setEventListener([this](const zelksim::SynthEvent& event) { record(event); });
    }
    ~ChangeLog() { m_synth.setEventListener({}); }

    void record(const zelksim::SynthEvent& event)
    {
        if (event.kind != zelksim::SynthEvent::Kind::ParamChanged) {
            return;
        }
        const auto located = f::locate(event.mid, event.low);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (located && (m_fields.empty() || !(m_fields.back() == located->field))) {
            m_fields.push_back(located->field);
        }
    }
    std::vector<zelksim::FieldRef> take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_fields, {});
    }

private:
    zelksim::SynthMidi& m_synth;
    std::mutex m_mutex;
    std::vector<zelksim::FieldRef> m_fields;
};

} // namespace

// The user's road through the template editor, start to finish: the synthesizer is found and auto-sync
// brings the editor into step; the user chooses a DAW whose scan finds an instrument, picks it for the
// shown template, gives knob 1 one of its parameters and knob 2 the control change 74, saves the bank and
// opens it in a second editor.
TEST_F(TemplateFixture, UserAssignsAParameterAndAControlChangeSavesAndReopensTheBank)
{
    layOutDAW();
    settings().setValue(QStringLiteral("DAWName"), OtherDAW);
    startSynth();
    synth->withCore([](zelksim::SynthCore& c, zelksim::Millis now) {
        c.fillPattern(5);
        return c.hardwareSelectTemplate(3, now);
    });
    ASSERT_TRUE(synth->waitUntilSent(2s));
    ChangeLog changes(*synth);
    const auto editBuffer = [&](int t) {
        return synth->withCore([t](zelksim::SynthCore& c, zelksim::Millis) { return c.editTemplate(t); });
    };

    startWindow(true);
    QPointer<QWidget> sync(window->autoSyncPanel());
    ASSERT_FALSE(sync.isNull()) << "the synthesizer found at the start asks for auto-sync";
    ASSERT_TRUE(gone(sync, 30s)) << "auto-sync did not complete";
    ASSERT_EQ(memApi->isONLINE(), true);
    EditorTemplate* v = view();
    ASSERT_EQ(templ(), 3);
    EXPECT_EQ(v->editTemplateName->text().toStdString(), editBuffer(3).text(f::templateName()));
    kwtest::saveAppScreenshot(window.get(), "template-after-auto-sync");

    window->setDAWName(kDAW);
    finishScan(window.get());
    ASSERT_TRUE(v->btnQPXiName->isVisible());
    changes.take();

    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnQPXiName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              const auto found = popup->list()->findItems(kInstrument, Qt::MatchExactly);
                              ASSERT_EQ(found.size(), 1);
                              clickItem(popup->list(), popup->list()->visualItemRect(found.first()));
                          });
    withPopup<CPopupTree>([&] { QTest::mouseClick(v->btnRemoteControlParameter, Qt::LeftButton); },
                          [&](CPopupTree* popup) {
                              QTreeWidget* tree = popup->tree();
                              QTreeWidgetItem* filter = tree->topLevelItem(1)->child(0);
                              clickItem(tree, tree->visualItemRect(filter));
                              clickItem(tree, tree->visualItemRect(filter->child(0)));
                          });
    QTest::mouseClick(v->btnKnobB1, Qt::LeftButton);
    withPopup<CPopupList>([&] { QTest::mouseClick(v->btnCCNumberAndDisplayName, Qt::LeftButton); },
                          [&](CPopupList* popup) {
                              QListWidget* list = popup->list();
                              list->scrollToItem(list->item(74));
                              clickItem(list, list->visualItemRect(list->item(74)));
                          });

    // Online, each choice reaches the synthesizer's edit buffer, field by field in the editor's order.
    ASSERT_TRUE(kwtest::processUntil(
        [&] {
            const zelksim::TemplateImage image = editBuffer(3);
            return image.number(f::knobControlNumber(1)) == 74 && image.number(f::controlType()) == 1;
        },
        10s))
        << "the control change never reached the synthesizer";
    const std::vector<zelksim::FieldRef> expected = {f::instrumentName(),   f::knobRemoteNumber(0),  f::controlType(),
                                                     f::knobDisplayName(1), f::knobControlNumber(1), f::controlType()};
    const std::vector<zelksim::FieldRef> changed = changes.take();
    std::string seen;
    for (const zelksim::FieldRef& field : changed) {
        seen += " " + std::to_string(field.mid) + "/" + std::to_string(field.start);
    }
    EXPECT_TRUE(changed == expected) << "fields changed out of order, or others changed:" << seen;
    const zelksim::TemplateImage image = editBuffer(3);
    EXPECT_EQ(image.text(f::instrumentName()), kInstrumentTemplateName);
    EXPECT_EQ(image.text(f::knobRemoteNumber(0)), kCutoffId);
    EXPECT_EQ(image.text(f::knobDisplayName(1)), "Bright");
    EXPECT_EQ(v->txtKnobB1->text(), "CC074\nBright");
    kwtest::saveAppScreenshot(window.get(), "template-filled");

    QTemporaryDir folder;
    fileAnswer = folder.filePath("Scenario");
    ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "fileSaveBank"));
    const QString saved = folder.filePath("Scenario.Q9E");
    ASSERT_TRUE(QFileInfo::exists(saved));

    // A second editor, away from the synthesizer, opens the file.
    settings().setValue(QStringLiteral("PortName"), PortNotAssigned);
    RemoteMemAPI secondMemory;
    EditorMainWindow second(&secondMemory, false);
    second.show();
    finishScan(&second);
    fileAnswer = saved;
    ASSERT_TRUE(QMetaObject::invokeMethod(&second, "fileOpen"));
    const auto reopened = [&](int k, int param) { return ParamAddress(0, 3, k, param); };
    EXPECT_EQ(second.getTemplateEditor()->getCurrentTemplateNumber(), 3);
    EXPECT_EQ(secondMemory.getParamQString(ParamAddress(0, 3, ParamAddress::kQPXiNameController, -1)),
              kInstrumentTemplateName);
    EXPECT_EQ(secondMemory.getParam(ParamAddress(0, 3, ParamAddress::kControlTypeController, -1)).getCurrentValue(), 1);
    EXPECT_EQ(secondMemory.getParamQString(reopened(0, ParamAddress::kRemoteNumberParam)), kCutoffId);
    EXPECT_EQ(secondMemory.getParam(reopened(1, ParamAddress::kCCNumberParam)).getCurrentValue(), 74);
    EXPECT_EQ(secondMemory.getParamQString(reopened(1, ParamAddress::kDisplayNameParam)), "Bright");
    EXPECT_EQ(second.getTemplateEditor()->txtKnobB1->text(), "CC074\nBright");
}

// Offline, choices change the editor's memory and raise the file edit flag, and nothing goes out; online,
// Initialize Template sends the whole template.
TEST_F(TemplateFixture, EditsReachTheSynthesizerOnlyOnline)
{
    zelksim::SynthOptions quiet;
    quiet.senseInterval = 0;
    startSynth(quiet);
    synth->withCore([](zelksim::SynthCore& c, zelksim::Millis) {
        c.fillPattern(5);
        return 0;
    });
    ChangeLog changes(*synth);
    const auto editBuffer = [&] {
        return synth->withCore([](zelksim::SynthCore& c, zelksim::Millis) { return c.editTemplate(0); });
    };
    // A quiet synthesizer: the connection watch must not take the editor offline during the test.
    memApi = std::make_unique<RemoteMemAPI>();
    memApi->setConnectionWatchPeriod(600000);
    window = std::make_unique<EditorMainWindow>(memApi.get(), false);
    window->show();
    ASSERT_TRUE(window->isRouteOpen());
    ASSERT_FALSE(memApi->isONLINE());
    EditorTemplate* v = view();
    const auto chooseCC = [&](int cc) {
        withPopup<CPopupList>([&] { QTest::mouseClick(v->btnCCNumberAndDisplayName, Qt::LeftButton); },
                              [&](CPopupList* popup) {
                                  popup->list()->setCurrentRow(cc);
                                  QTest::keyClick(popup->list(), Qt::Key_Return);
                              });
    };

    chooseCC(7);
    QMetaObject::invokeMethod(window.get(), "editInitialize");
    QTest::mouseClick(v->btnKnobB1, Qt::LeftButton);
    chooseCC(10);
    EXPECT_EQ(number(knob(1, ParamAddress::kCCNumberParam)), 10);
    EXPECT_EQ(fileEditFlag(), 1);
    EXPECT_TRUE(v->lblFileEditFlag->isVisible());

    // Online, the next choice is the first thing the synthesizer hears: nothing before it went out.
    memApi->setONLINEstate(1);
    chooseCC(74);
    ASSERT_TRUE(kwtest::processUntil([&] { return editBuffer().number(f::knobControlNumber(1)) == 74; }, 10s));
    const std::vector<zelksim::FieldRef> expected = {f::knobDisplayName(1), f::knobControlNumber(1)};
    EXPECT_TRUE(changes.take() == expected);

    QMetaObject::invokeMethod(window.get(), "editInitialize");
    ASSERT_TRUE(kwtest::processUntil([&] { return editBuffer().number(f::knobControlNumber(1)) == 22; }, 10s))
        << "the initialized template did not reach the synthesizer";
    const zelksim::TemplateImage image = editBuffer();
    EXPECT_EQ(image.text(f::templateName()), "");
    EXPECT_EQ(image.number(f::controlType()), 0);
    EXPECT_EQ(image.text(f::knobDisplayName(0)), "A1");
    EXPECT_EQ(image.text(f::knobDisplayName(1)), "B1");
    EXPECT_EQ(image.number(f::knobControlNumber(0)), 21);
}
