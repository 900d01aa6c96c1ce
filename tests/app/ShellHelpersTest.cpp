#include "ShellFixture.h"

#include "CSimpleNotifier.h"
#include "EditorDefinitions.h"
#include "EditorOverlap.h"
#include "MemController.h"
#include "ParamAddress.h"
#include "TestEnvironment.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

TEST(ShellHelpers, AdjustFontGivesBitmapFamiliesTheirPixelSizesAndLeavesOthers)
{
    QWidget root;
    QFont small(QStringLiteral("Telvor EBM 8"));
    small.setPointSize(8);
    root.setFont(small);
    auto* child = new QLabel(&root);
    auto* large = new QLabel(&root);
    QFont ten(QStringLiteral("Telvor EBM 10"));
    ten.setPointSize(10);
    large->setFont(ten);
    auto* other = new QLabel(&root);
    QFont sans(QStringLiteral("DejaVu Sans"));
    sans.setPointSize(13);
    other->setFont(sans);
    auto* grandChild = new QLabel(child);

    adjustFont(&root);
    EXPECT_EQ(root.font().pixelSize(), 8);
    EXPECT_NEAR(root.font().letterSpacing(), 0.1, 0.01);
    EXPECT_EQ(root.font().letterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_EQ(child->font().pixelSize(), 8) << "a child without a font takes the adjusted one";
    EXPECT_EQ(grandChild->font().pixelSize(), 8);
    EXPECT_EQ(large->font().pixelSize(), 10);
    EXPECT_EQ(other->font().pointSize(), 13);
    EXPECT_EQ(other->font().family(), QStringLiteral("DejaVu Sans"));
}

TEST(ShellHelpers, TrimTextShortensWithTheMarkAndKeepsWhatFits)
{
    QWidget widget;
    const QFontMetrics metrics(widget.font());
    const QString text = QStringLiteral("A rather long template name");
    EXPECT_EQ(trimText(&widget, text, metrics.horizontalAdvance(text)), text);
    const int width = metrics.horizontalAdvance(QStringLiteral("A rather")) + metrics.horizontalAdvance(TrimLabel);
    const QString cut = trimText(&widget, text, width);
    EXPECT_TRUE(cut.endsWith(TrimLabel));
    EXPECT_LE(metrics.horizontalAdvance(cut), width);
    EXPECT_TRUE(text.startsWith(cut.chopped(1)));
    EXPECT_EQ(trimText(&widget, text, 0), TrimLabel);
    EXPECT_EQ(trimText(&widget, QString(), 0), QString());
}

TEST(ShellHelpers, BindingReachesProxiesUnderPlainObjectsAndRetargetsThem)
{
    RemoteMemAPI memory;
    MemControllerFactory factory(&memory);
    QObject root;
    QObject middle(&root);
    auto* notifier = new CSimpleNotifier(QStringLiteral("templateName"), &middle);
    createMemProxyController(&factory, &root);
    ASSERT_TRUE(notifier->isBound());

    memory.setParam(ParamAddress(0, 3, ParamAddress::kTemplateNameController, -1), QStringLiteral("Three"));
    memory.setParam(ParamAddress(2, 3, ParamAddress::kTemplateNameController, -1), QStringLiteral("Bank two"));
    assignTemplate(&root, 3);
    EXPECT_EQ(notifier->getMemAPIString(), QStringLiteral("Three"));
    assignBank(&root, 2);
    EXPECT_EQ(notifier->getMemAPIString(), QStringLiteral("Bank two"));
    assignController(&root, 4);
    EXPECT_EQ(notifier->knobComponent(), 4);
}

TEST(ShellHelpers, DirectoriesFollowTheEnvironmentAndTheUserDataLocation)
{
    EXPECT_EQ(getInitialDirectory().absolutePath(), QDir(qEnvironmentVariable(kResourceDirVariable)).absolutePath());
    EXPECT_EQ(getExecuteDirectory(), getInitialDirectory());
    EXPECT_TRUE(getAppDataDirectory().path().endsWith(QStringLiteral("/Telvor/Knobwright")));
    EXPECT_TRUE(getAppDataDirectory().path().startsWith(kwtest::isolatedRoot()) || QStandardPaths::isTestModeEnabled());
}

TEST(ShellHelpers, HelpFileIsLookedUpPerLanguage)
{
    QTemporaryDir resources;
    QDir(resources.path()).mkpath(QStringLiteral("German"));
    QFile manual(resources.filePath(QStringLiteral("German/") + HelpFileName));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    EXPECT_EQ(searchHelpFile(QStringLiteral("German"), QDir(resources.path()), HelpFileName),
              QFileInfo(manual).absoluteFilePath());
    EXPECT_EQ(searchHelpFile(QStringLiteral("English"), QDir(resources.path()), HelpFileName), QString());
    EXPECT_EQ(searchHelpFile(QString(), QDir(resources.path()), HelpFileName), QString());
}

TEST(ShellHelpers, PaddingFillsToTheWidthAndEndsWhereABlankAddsNoWidth)
{
    QFont font(QStringLiteral("Telvor EBM 8"));
    font.setPixelSize(8);
    const QFontMetrics metrics(font);
    const QString padded = padWithBlanks(QStringLiteral("Sonvik 8"), metrics, 229);
    EXPECT_TRUE(padded.startsWith(QStringLiteral("Sonvik 8 ")));
    EXPECT_LE(metrics.horizontalAdvance(padded), 229);
    EXPECT_GT(metrics.horizontalAdvance(padded + QLatin1Char(' ')), 229);
    const QString wide(60, QLatin1Char('W'));
    EXPECT_EQ(padWithBlanks(wide, metrics, 229), wide) << "a name already wider gets no blank";

    // Letter spacing that cancels the blank's advance: a blank adds nothing, and the padding still ends.
    QFont noBlank = font;
    noBlank.setLetterSpacing(QFont::AbsoluteSpacing, -QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
    EXPECT_EQ(padWithBlanks(QStringLiteral("Port"), QFontMetrics(noBlank), 229).trimmed(), QStringLiteral("Port"));
}

TEST(ShellHelpers, LightStripCrossesItsLabelInFortyTwoFrames)
{
    QLabel label;
    label.resize(259, 10);
    const QPixmap strip(40, 10);
    int step = 0;
    int frames = 0;
    do {
        step = EditorOverlap::drawLightStrip(&label, strip, step);
        ++frames;
    } while (step != 0 && frames < 100);
    EXPECT_EQ(frames, 42);
    EXPECT_EQ(label.pixmap().size(), QSize(259, 10));
}
