#include "EditorTemplate.h"

#include "CPopupList.h"
#include "CPopupTree.h"
#include "CSimpleNotifier.h"
#include "EditorMainWindow.h"
#include "QPXiInfo.h"

#include <QHash>
#include <QKeyEvent>

namespace {

constexpr int kCCCount = 128;
constexpr int kRowHeight = 11;
constexpr int kListRowsBeforeScrolling = 25;
constexpr int kPopupHeight = 277;
constexpr int kTemplateNameLength = 13;

struct CCName
{
    int number;
    const char* listName;
    const char* displayName;
};

// The control changes with names of their own; every other number is named by its number.
constexpr CCName kNamedControlChanges[] = {
    {0, "Bank Select MSB", "BankMSB"},
    {1, "Modulation Depth", "ModDpth"},
    {5, "Portamento Time", "PrtmtTm"},
    {6, "Data Entry MSB", "DataMSB"},
    {7, "Channel Volume", "Volume"},
    {10, "Pan", "Pan"},
    {11, "Expression", "Exp"},
    {32, "Bank Select LSB", "BankLSB"},
    {38, "Data Entry LSB", "DataLSB"},
    {64, "Hold1 (Damper)", "Hold1"},
    {65, "Portamento ON/OFF", "PrtmtSw"},
    {66, "Sostenuto", "Soste"},
    {67, "Soft Pedal", "Soft"},
    {71, "Filter Resonance", "FltReso"},
    {72, "Release Time", "RelTim"},
    {73, "Attack time", "AtkTim"},
    {74, "Brightness", "Bright"},
    {75, "Decay Time", "DcayTim"},
    {76, "Vibrato Rate", "VibRate"},
    {77, "Vibrato Depth", "VibDpth"},
    {78, "Vibrato Delay", "VibDly"},
    {91, "Reverb Send Level", "RevSend"},
    {93, "Chorus Send Level", "ChoSend"},
    {100, "RPN LSB", "RPN LSB"},
    {101, "RPN MSB", "RPN MSB"},
};

// The list name (listName true) or the display name of a control-change number.
QString ccName(int cc, bool listName)
{
    for (const CCName& named : kNamedControlChanges) {
        if (named.number == cc) {
            return QLatin1String(listName ? named.listName : named.displayName);
        }
    }
    return QString::asprintf("CC#=%03d", cc);
}

// The first 13 characters of a name with one trailing blank dropped, as a template name takes it.
QString templateNameOf(const QString& name)
{
    QString cut = name.left(kTemplateNameLength);
    if (cut.endsWith(QLatin1Char(' '))) {
        cut.chop(1);
    }
    return cut;
}

QRect anchorOf(QWidget* trigger, const QPoint& offset)
{
    return QRect(trigger->mapToGlobal(offset), trigger->size());
}

// Adds one section of the parameter tree under its top item, groups first, and records each leaf's
// identifier; the leaf of the current identifier (the last one, when several have it) is returned.
QTreeWidgetItem* addParameterSection(QTreeWidgetItem* top, const QList<QPXiInfo::Parameter>& parameters,
                                     bool expandGroups, const QString& currentId,
                                     QHash<QTreeWidgetItem*, QString>* leaves)
{
    QHash<QString, QTreeWidgetItem*> groups;
    QTreeWidgetItem* current = nullptr;
    for (const QPXiInfo::Parameter& parameter : parameters) {
        if (parameter.namePath.isEmpty()) {
            continue;
        }
        QTreeWidgetItem* parent = top;
        QStringList path;
        for (qsizetype i = 0; i + 1 < parameter.namePath.size(); ++i) {
            path.append(parameter.namePath.at(i));
            const QString key = path.join(QLatin1Char('\n'));
            QTreeWidgetItem* group = groups.value(key);
            if (group == nullptr) {
                group = new QTreeWidgetItem(parent, QStringList(parameter.namePath.at(i)));
                group->setExpanded(expandGroups);
                groups.insert(key, group);
            }
            parent = group;
        }
        auto* leaf = new QTreeWidgetItem(parent, QStringList(parameter.namePath.last()));
        leaves->insert(leaf, parameter.id);
        if (parameter.id == currentId) {
            current = leaf;
        }
    }
    return current;
}

} // namespace

void EditorTemplate::popupRemoteControlParameter(QWidget* pTrigger, const QPoint& offset)
{
    QWidget* trigger = pTrigger != nullptr ? pTrigger : btnRemoteControlParameter;
    QPXiInfo* qpxiInfo = mainWindow->getQPXiInfo();
    const QString fullName = fullInstrumentName();
    const QString currentId = remoteNumberNotifier->getMemAPIString();

    auto* popup = new CPopupTree(this);
    popup->resize(200, kPopupHeight);
    QTreeWidget* tree = popup->tree();
    tree->setFont(mainWindow->font());

    QHash<QTreeWidgetItem*, QString> leaves;
    auto* trackSection = new QTreeWidgetItem(tree, QStringList(RemoteTrackControlName));
    QTreeWidgetItem* current =
        addParameterSection(trackSection, qpxiInfo->getTrackControlParameterList(), true, currentId, &leaves);
    const QList<QPXiInfo::Parameter> parameters = qpxiInfo->getQPXiParameterList(fullName);
    if (parameters.isEmpty()) {
        trackSection->setExpanded(true);
    } else {
        auto* instrumentSection = new QTreeWidgetItem(tree, QStringList(fullName));
        instrumentSection->setExpanded(true);
        if (QTreeWidgetItem* leaf = addParameterSection(instrumentSection, parameters, false, currentId, &leaves)) {
            current = leaf;
        }
    }
    if (current != nullptr) {
        tree->setCurrentItem(current);
    }

    QTreeWidgetItem* chosen = popup->exec(anchorOf(trigger, offset));
    if (chosen != nullptr && leaves.contains(chosen)) {
        remoteNumberNotifier->setMemAPIString(leaves.value(chosen));
        btnRemote->click();
    }
    trigger->setFocus(Qt::OtherFocusReason);
}

void EditorTemplate::popupCCNumberAndDisplayName(QWidget* pTrigger, const QPoint& offset)
{
    QWidget* trigger = pTrigger != nullptr ? pTrigger : btnCCNumberAndDisplayName;
    auto* popup = new CPopupList(this);
    popup->resize(170, kPopupHeight);
    QListWidget* list = popup->list();
    list->setFont(mainWindow->font());
    list->setGridSize(QSize(150, kRowHeight));

    const int currentCC = txtCCNumber->value();
    QHash<QListWidgetItem*, int> numbers;
    for (int cc = 0; cc < kCCCount; ++cc) {
        const QString name = ccName(cc, true);
        // Blanks in front line the colons up.
        const QString padding = cc < 10 ? QStringLiteral("    ") : cc < 100 ? QStringLiteral("  ") : QString();
        auto* item = new QListWidgetItem(
            padding + QStringLiteral("%1 : %2").arg(cc).arg(name.isEmpty() ? QStringLiteral("---") : name), list);
        numbers.insert(item, cc);
        if (cc == currentCC) {
            list->setCurrentItem(item);
        }
    }

    QListWidgetItem* chosen = popup->exec(anchorOf(trigger, offset));
    if (chosen != nullptr && numbers.contains(chosen)) {
        const int cc = numbers.value(chosen);
        editDisplayName->setText(ccName(cc, false));
        txtCCNumber->setValue(cc);
        btnCC->click();
    }
    trigger->setFocus(Qt::OtherFocusReason);
}

void EditorTemplate::popupQPXiName()
{
    QPXiInfo* qpxiInfo = mainWindow->getQPXiInfo();
    const QStringList names = qpxiInfo->getQPXiList();
    const auto count = static_cast<int>(names.size());

    auto* popup = new CPopupList(this);
    popup->resize(160, count < kListRowsBeforeScrolling ? count * kRowHeight + 2 : kPopupHeight);
    QListWidget* list = popup->list();
    list->setFont(mainWindow->font());
    list->setGridSize(QSize(158, kRowHeight));
    list->setResizeMode(QListView::Adjust);

    const QString currentFullName = fullInstrumentName();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, list);
        if (name == currentFullName) {
            list->setCurrentItem(item);
        }
    }

    if (QListWidgetItem* chosen = popup->exec(anchorOf(btnQPXiName, QPoint()))) {
        const QString chosenName = chosen->text();
        const QString extensionName = qpxiInfo->getQPXiExtensionNameFromQPXiName(chosenName);
        // A template still named after its instrument (or not named at all) follows the instrument; a
        // name the user typed stays.
        const QString templateName = editTemplateName->text();
        if (templateName.isEmpty() || templateName == templateNameOf(currentFullName)) {
            editTemplateName->setText(templateNameOf(chosenName));
        }
        editQPXiName->setText(extensionName);
    }
    btnQPXiName->setFocus(Qt::OtherFocusReason);
}

void EditorTemplate::popupTemplate()
{
    auto* popup = new CPopupList(this);
    popup->resize(140, 552);
    QListWidget* list = popup->list();
    list->setFont(mainWindow->font());
    list->setGridSize(QSize(138, kRowHeight));
    list->setResizeMode(QListView::Adjust);

    const int current = btnTemplateNumber->value();
    for (int templ = 0; templ < kTemplateCount; ++templ) {
        templateNameReader->assignClassMemAPI(templ, 1);
        const QString number = templ < 9 ? QStringLiteral("  %1 : ") : QStringLiteral("%1 : ");
        auto* item = new QListWidgetItem(number.arg(templ + 1) + templateNameReader->getMemAPIString(), list);
        if (templ == current) {
            list->setCurrentItem(item);
        }
    }

    if (QListWidgetItem* chosen = popup->exec(anchorOf(btnTemplate, QPoint()))) {
        btnTemplateNumber->setValue(list->row(chosen));
    }
    btnTemplate->setFocus(Qt::OtherFocusReason);
}
