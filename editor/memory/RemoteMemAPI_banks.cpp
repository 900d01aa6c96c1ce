#include "RemoteMemAPI.h"

#include "MessageSender.h"
#include "RemoteMemory.h"

#include <QMutexLocker>

namespace {

const ParamAddress kFileEditFlag(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kLibraryEditFlag(ParamAddress::kLibraryEditFlagBank, -1, -1, -1);
constexpr int kEditBuffer = 0;
constexpr int kEditorBackup = 1;
constexpr int kLibraryBank = 5;
constexpr int kEvacuatedBank = 6;
constexpr int kEvacuatedEditBuffer = 7;

bool isFileBank(int bank)
{
    return bank == kEditBuffer || bank == kEditorBackup;
}

} // namespace

void RemoteMemAPI::applyEditFlagRule(int destination)
{
    if (isFileBank(destination))
        raiseFileEditFlag();
    else if (destination == kLibraryBank)
        setParam(kLibraryEditFlag, 1);
}

void RemoteMemAPI::copyBank(int source, int destination)
{
    QMutexLocker lock(&m_memoryLock);
    m_store->copyBank(source, destination);
    notifyObserverOfBankAllParam(destination);
    applyEditFlagRule(destination);
}

void RemoteMemAPI::copyStoredBankToArbitraryBank(int bank)
{
    QMutexLocker lock(&m_memoryLock);
    m_store->copyBank(kEditBuffer, bank);
    notifyObserverOfBankAllParam(bank);
}

void RemoteMemAPI::copyStoredBankToEditorBackupBank()
{
    QMutexLocker lock(&m_memoryLock);
    m_store->copyBank(kEditBuffer, kEditorBackup);
    notifyObserverOfBankAllParam(kEditorBackup);
    m_store->setBankAvailableFlag(1, kEditorBackup);
}

void RemoteMemAPI::setupLibraryBank()
{
    QMutexLocker lock(&m_memoryLock);
    m_store->copyBank(kEditBuffer, kLibraryBank);
    notifyObserverOfBankAllParam(kLibraryBank);
}

void RemoteMemAPI::activateLibraryEdit()
{
    QMutexLocker lock(&m_memoryLock);
    denyToRaiseFileEditFlag();
    copyBank(kLibraryBank, kEditBuffer);
    allowToRaiseFileEditFlag();
}

bool RemoteMemAPI::copyTemplate(int bank1, int templ1, int bank2, int templ2)
{
    QMutexLocker lock(&m_memoryLock);
    const bool changed = m_store->copyTemplate(bank1, templ1, bank2, templ2);
    if (changed)
        notifyObserverOfTemplateAllParam(bank2, templ2);
    applyEditFlagRule(bank2);
    return changed;
}

bool RemoteMemAPI::exchangeTemplate(int bank1, int templ1, int bank2, int templ2)
{
    QMutexLocker lock(&m_memoryLock);
    const bool changed = m_store->exchangeTemplate(bank1, templ1, bank2, templ2);
    if (changed) {
        notifyObserverOfTemplateAllParam(bank2, templ2);
        notifyObserverOfTemplateAllParam(bank1, templ1);
    }
    if (isFileBank(bank1) && isFileBank(bank2))
        raiseFileEditFlag();
    if (bank1 == kLibraryBank || bank2 == kLibraryBank)
        setParam(kLibraryEditFlag, 1);
    if (m_sender && isONLINE()) {
        if (bank2 == kEditBuffer)
            m_sender->sendBulk(kEditBuffer, templ2);
        if (bank1 == kEditBuffer)
            m_sender->sendBulk(kEditBuffer, templ1);
    }
    return changed;
}

// Parameter changes reach only the synthesizer's current template, so a knob of any other template of
// bank 0 travels inside a dump of its own template instead.
void RemoteMemAPI::sendKnobChange(int templ, int controller)
{
    if (!m_sender || !isONLINE())
        return;
    const ParamAddress current(kEditBuffer, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    if (m_store->getParam(current).getCurrentValue() == templ)
        m_sender->sendParamChangeOfController(kEditBuffer, templ, controller);
    else
        m_sender->sendBulk(kEditBuffer, templ);
}

bool RemoteMemAPI::copyController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2)
{
    QMutexLocker lock(&m_memoryLock);
    const bool changed = m_store->copyController(bank1, templ1, controller1, bank2, templ2, controller2);
    if (changed)
        notifyObserverOfControllerAllParam(bank2, templ2, controller2);
    if (isFileBank(bank2))
        raiseFileEditFlag();
    if (bank2 == kEditBuffer)
        sendKnobChange(templ2, controller2);
    return changed;
}

bool RemoteMemAPI::exchangeController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2)
{
    QMutexLocker lock(&m_memoryLock);
    const bool changed = m_store->exchangeController(bank1, templ1, controller1, bank2, templ2, controller2);
    if (changed) {
        notifyObserverOfControllerAllParam(bank2, templ2, controller2);
        notifyObserverOfControllerAllParam(bank1, templ1, controller1);
    }
    if (isFileBank(bank1) && isFileBank(bank2))
        raiseFileEditFlag();
    if (bank1 == kEditBuffer)
        sendKnobChange(templ1, controller1);
    // One dump carries both knobs when they share a template that is not the current one.
    const bool sameDump =
        bank1 == kEditBuffer && templ1 == templ2 &&
        m_store->getParam(ParamAddress(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)).getCurrentValue() !=
            templ2;
    if (bank2 == kEditBuffer && !sameDump)
        sendKnobChange(templ2, controller2);
    return changed;
}

void RemoteMemAPI::initializeInitialTemplate()
{
    QMutexLocker lock(&m_memoryLock);
    m_store->initializeInitialTemplate();
}

void RemoteMemAPI::initializeTemplate(int bank, int templ)
{
    QMutexLocker lock(&m_memoryLock);
    m_store->initializeTemplate(bank, templ);
    notifyObserverOfTemplateAllParam(bank, templ);
}

ControlTemplateData RemoteMemAPI::getInitialTemplate()
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->getInitialTemplate();
}

void RemoteMemAPI::evacuateSpecificBankAndEditBuff(int bank)
{
    QMutexLocker lock(&m_memoryLock);
    m_evacuatedAvailable[0] = m_store->getBankAvailableFlag(bank).getCurrentValue();
    m_evacuatedAvailable[1] = m_store->getBankAvailableFlag(kEditBuffer).getCurrentValue();
    copyBank(bank, kEvacuatedBank);
    copyBank(kEditBuffer, kEvacuatedEditBuffer);
}

void RemoteMemAPI::restoreSpecificBankAndEditBuff(int bank)
{
    QMutexLocker lock(&m_memoryLock);
    copyBank(kEvacuatedBank, bank);
    copyBank(kEvacuatedEditBuffer, kEditBuffer);
    // A copy marks its destination available; the banks go back to exactly what they were.
    m_store->setBankAvailableFlag(m_evacuatedAvailable[0], bank);
    m_store->setBankAvailableFlag(m_evacuatedAvailable[1], kEditBuffer);
}

bool RemoteMemAPI::storeBank(bool send)
{
    QMutexLocker lock(&m_memoryLock);
    denyToRaiseFileEditFlag();
    copyBank(kEditBuffer, kEditorBackup);
    allowToRaiseFileEditFlag();
    // Built afresh: the factory bank may have been loaded after the initial template was made.
    ControlTemplateData empty =
        m_store->getTemplateData(RemoteMemory::kPresetBank, RemoteMemory::kInitialTemplateSource);
    empty.setTemplateName(QString());
    empty.setQPXiName(QString());
    empty.setCtrlType(NumericParameter(0, 1, 0));
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        if (m_store->getTemplateData(kEditBuffer, t) != empty) {
            setParam(kFileEditFlag, 1);
            break;
        }
    }
    if (!send)
        return true;
    return m_sender && m_sender->sendStoreMessage();
}

bool RemoteMemAPI::isEditBufferEdited()
{
    QMutexLocker lock(&m_memoryLock);
    const ParamAddress current(kEditBuffer, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);
    const int t = m_store->getParam(current).getCurrentValue();
    return m_store->getTemplateData(kEditBuffer, t) != m_store->getTemplateData(kEditorBackup, t);
}

int RemoteMemAPI::createBank()
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->createBank();
}

int RemoteMemAPI::getQuantityOfBank()
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->getQuantityOfBank();
}

NumericParameter RemoteMemAPI::getBankAvailableFlag(int bank)
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->isValidBankIndex(bank) ? m_store->getBankAvailableFlag(bank) : NumericParameter(0, 1, 0);
}

void RemoteMemAPI::setBankAvailableFlag(int flag, int bank)
{
    QMutexLocker lock(&m_memoryLock);
    m_store->setBankAvailableFlag(flag, bank);
}

void RemoteMemAPI::setBank(const BankData& bank)
{
    QMutexLocker lock(&m_memoryLock);
    m_store->setBank(bank);
}

BankData RemoteMemAPI::getBank(int bank)
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->isValidBankIndex(bank) ? m_store->getBank(bank) : BankData(0);
}

ControlTemplateData RemoteMemAPI::getTemplateData(int bank, int templ)
{
    QMutexLocker lock(&m_memoryLock);
    return m_store->getTemplateData(bank, templ);
}

bool RemoteMemAPI::send1TemplateDataParamChange(int bank, int templ)
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->send1TemplateDataParamChange(bank, templ);
}

bool RemoteMemAPI::sendEditorAllData(bool editBufferOnly)
{
    QMutexLocker lock(&m_memoryLock);
    m_queuedFollowUps = 0;
    if (!m_sender)
        return false;
    bool ok = m_sender->sendEditorAllData(editBufferOnly);
    int queued = 0;
    if (ok && m_storePending) {
        ok = storeBank(true);
        queued |= kFollowUpStore;
    }
    if (ok && m_storeToFlashSending) {
        ok = sendStoreToFlash();
        queued |= kFollowUpFlash;
    }
    // A follow-up that could not be queued spoils the queue behind it: none of them is done.
    m_queuedFollowUps = ok ? queued : 0;
    return ok;
}

void RemoteMemAPI::fullSendDrained()
{
    const int done = m_queuedFollowUps.exchange(0);
    if (done & kFollowUpStore)
        m_storePending = false;
    if (done & kFollowUpFlash)
        m_storeToFlashSending = false;
}

bool RemoteMemAPI::sendStoreToFlash()
{
    QMutexLocker lock(&m_memoryLock);
    if (!m_sender || !m_sender->enqueueStoreToFlash())
        return false;
    return m_sender->sendMessage(nullptr);
}

bool RemoteMemAPI::sendAllTemplatesStoreMessage()
{
    QMutexLocker lock(&m_memoryLock);
    return m_sender && m_sender->sendStoreMessage();
}
