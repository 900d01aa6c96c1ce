#include "ShellFixture.h"

#include "EditorDefinitions.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

// The program itself, started as a user would with a bank file named on the command line.
TEST(ShellProgram, OpensTheFileNamedOnTheCommandLineOnceItRuns)
{
    // The program keeps its settings where the user's settings live: here, inside the test's own folder.
    const QString settingsPath = kwtest::isolatedRoot() + QStringLiteral("/config/Telvor/Knobwright.conf");
    {
        QSettings stored(settingsPath, QSettings::IniFormat);
        stored.setValue(QStringLiteral("PortName"), QStringLiteral("Not Assigned"));
    }
    QTemporaryDir folder;
    const QString bank = folder.filePath(QStringLiteral("My Bank") + EditorFileExtension);
    ASSERT_TRUE(QFile::copy(
        QDir(qEnvironmentVariable(kResourceDirVariable)).filePath(QStringLiteral("BankPreset1") + EditorFileExtension),
        bank));

    QProcess program;
    program.start(QStringLiteral(KW_KNOBWRIGHT_PROGRAM), {bank});
    ASSERT_TRUE(program.waitForStarted(10000));
    const bool opened = kwtest::processUntil(
        [&] {
            QSettings stored(settingsPath, QSettings::IniFormat);
            return stored.value(QStringLiteral("WorkingFolder")).toString() == QDir(folder.path()).absolutePath();
        },
        std::chrono::seconds(30));
    const bool stillRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(10000);
    EXPECT_TRUE(stillRunning) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(opened) << "the bank file was not opened (its folder never became the working folder)";
}
