#pragma once

#include "QPXiMachine.h"
#include "QPXiScanRecords.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QRecursiveMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class CQPXiPathFinder;
class QDomDocument;
class QDomElement;
class QFile;

// The editor's knowledge of the host DAW and its instrument plug-ins: DAW table, plug-in folders,
// parameter lists and the database file. GUI thread, except analyzeQPXi() on the scan's worker thread.
class QPXiInfo : public QObject
{
    Q_OBJECT

public:
    // One entry of an instrument's parameter list.
    struct Parameter
    {
        QString id;
        QStringList namePath;
        bool operator==(const Parameter&) const = default;
    };

    // The plug-in file behind an instrument and its format version (2, 3, or 0 for the fixed names).
    struct QPXiFileInfo
    {
        QFileInfo file;
        int version = 0;
    };

    // How long one finder run may take before it is killed.
    static constexpr int kDefaultFinderTimeoutMs = 60000;
    // Settings key of that time in milliseconds, in the store of this organisation and the editor's settings name.
    static const char* const kFinderTimeoutSettingKey;
    static const char* const kSettingsOrganization;

    QPXiInfo(QDir finderModuleFolder, QDir presetFolder, QDir databaseFolder,
             const QPXiMachine& machine = QPXiMachine());
    ~QPXiInfo() override;

    // DAW table, selection and folders.
    QStringList getDAWList() const;
    void selectDAW(const QString& displayName);
    QDir getDAWSettingFolder(QString& applicationName) const;
    void getQPXi2Folder();
    void getQPXi3Folder();
    void appendPreset();
    void initializeDatabase();
    void clearNotSynthList();
    void installDAWJudgment(const QString& applicationName, const QString& displayName, const QString& editionTag);

    // The scan (worker thread) and the finder.
    void analyzeQPXi();
    void getQPXiParamInfo(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder);
    void execQPXiInfoFinder(const QString& finderPath, const QString& pluginPath, const QString& resultPath,
                            bool isQPX2, CQPXiPathFinder* finder);
    bool entryQPXiPreset(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder);
    // Reads a finder result file after the finder exited with 0 or 2 and records its outcome.
    void readQPXiInfoFinderResult(QFile& file, const QString& pluginPath, bool isQPX2, int exitCode,
                                  CQPXiPathFinder* finder);

    // The database file and the merge.
    void createParameterListFromDatabase(QFile& file);
    bool writeParameterListDatabase(QFile& file) const;
    void entryQPXiParameter();

    // Preset file, parameter-description files and the host's plug-in cache file.
    void createParameterListFromPreset(QFile& file);
    void appendParameterTree(QList<Parameter>* list, const QString& qpxiName, const QDomElement& element,
                             const QStringList& groups);
    void updateParameterListFromQPXXMLFile(QFile& file, const QString& qpxiName, bool merge);
    void updateParameterListFromQPXXMLDomDocument(const QDomDocument& document, const QString& qpxiName, bool merge);
    static int getIntValue(const QString& expression, QHash<QString, int> values);
    void analyzeXmlToFindQPX2Folders(QString& cacheFilePath);

    // Queries for the editor windows.
    QStringList getQPXiList() const;
    QStringList getQPXiExistsAndPresetList() const;
    QList<Parameter> getQPXiParameterList(const QString& qpxiName) const;
    QHash<QString, QStringList> getQPXiParameterMap(const QString& qpxiName) const;
    QStringList getQPXiParameterName(const QString& qpxiName, QString id) const;
    QStringList getParameterName(const QString& qpxiName, QString id) const;
    QList<Parameter> getTrackControlParameterList() const;
    QString getQPXiExtensionNameFromQPXiName(const QString& qpxiName) const;
    QString getQPXiNameFromQPXiExtensionName(const QString& extensionName) const;

    // State that the scan-progress panel and tests look at.
    QString selectedDAW() const { return m_selectedDAW; }
    QList<QDir> qpx2Folders() const { return m_qpx2Folders; }
    QList<QDir> qpx3Folders() const { return m_qpx3Folders; }
    QHash<QString, QPXiFileInfo> pluginFiles() const { return m_pluginFiles; }
    QPair<QString, QString> dawEntry(const QString& displayName) const { return m_dawTable.value(displayName); }
    const std::vector<SQPXiInfo>& scanResults() const { return m_scanResults; }
    // Hands over the records read so far and starts an empty list.
    std::vector<SQPXiInfo> takeScanResults() { return std::exchange(m_scanResults, {}); }
    QHash<QString, QString> descriptionFiles() const { return m_descriptionFiles; }
    QStringList sideFileNames() const { return m_sideFileNames; }
    const QPXiMachine& machine() const { return m_machine; }
    int finderTimeout() const { return m_finderTimeoutMs; }
    void setFinderTimeout(int milliseconds) { m_finderTimeoutMs = milliseconds; }

signals:
    void analyzingQPXi(QString filename);

private:
    struct QpxxmlExpansion;

    void appendParameterTreeFromQPXXML(QList<Parameter>* list, QHash<QString, QStringList>* ids,
                                       const QDomElement& element, QHash<QString, int> values,
                                       const QStringList& groups, QpxxmlExpansion& expansion);
    void appendParameterTemplateFromQPXXML(QList<Parameter>* list, QHash<QString, QStringList>* ids,
                                           const QDomElement& group, QHash<QString, int> values,
                                           const QStringList& groups, const QString& templateName,
                                           QpxxmlExpansion& expansion);
    void recordFinderOutcome(SQPXiInfo record, const QString& pluginPath, int exitCode, bool isQPX2,
                             CQPXiPathFinder* finder);
    void dropEmptyNameTable(const QString& qpxiName);
    void markFailure(const QString& pluginPath, bool isQPX2, CQPXiPathFinder* finder);
    static void markNotSynth(const QString& pluginPath, CQPXiPathFinder* finder);
    QString databaseFilePath() const;
    QString notSynthListPath() const;

    QMap<QString, QPair<QString, QString>> m_dawTable;
    QString m_selectedDAW;
    QDir m_dawSettingFolder;
    QList<QDir> m_qpx2Folders;
    QList<QDir> m_qpx3Folders;
    QDir m_finderModuleFolder;
    QDir m_presetFolder;
    QDir m_databaseFolder;
    QHash<QString, QList<Parameter>> m_parameterLists;
    QHash<QString, QHash<QString, QStringList>> m_parameterNames;
    QHash<QString, QPXiFileInfo> m_pluginFiles;
    QStringList m_qpxiList;
    mutable QRecursiveMutex m_mutex;
    std::vector<SQPXiInfo> m_scanResults;
    QHash<QString, QString> m_descriptionFiles;
    QStringList m_sideFileNames;

    QPXiMachine m_machine;
    int m_finderTimeoutMs = kDefaultFinderTimeoutMs;
};

// A parameter is two implicitly shared members: lists of them grow by moving bytes, not entries.
Q_DECLARE_TYPEINFO(QPXiInfo::Parameter, Q_RELOCATABLE_TYPE);

// The plug-in's size in bytes: for a bundle the allocated size of everything inside it, for a file its
// own allocated size, and QFileInfo::size() for something that cannot be resolved.
qint64 getQPXiFileSize(const QFileInfo& file);

// A plug-in file's modification time as the database stores it (local time, seconds, no zone).
QString qpxiFileTime(const QFileInfo& file);

// Removes the characters that an XML document cannot hold.
QString removeXmlInvalidCharacters(const QString& text);

// Reads one trimmed line of a finder result file; sets the flag at the end of the file.
QString getStringFromFile(QFile* file, bool* error);
// Reads one decimal int line; sets the flag when the line is not one.
int getIntFromFile(QFile* file, bool* error);
