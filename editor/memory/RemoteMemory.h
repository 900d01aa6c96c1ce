#pragma once

#include "BankData.h"
#include "ControlTemplateData.h"
#include "NumericParameter.h"
#include "ParamAddress.h"

#include <QString>

#include <memory>
#include <vector>

// The editor's copy of the synthesizer's remote-template memory plus the editor's own state values.
// It has no lock: its owner, the memory service, calls every operation under its memory lock.
class RemoteMemory
{
public:
    static constexpr int kInitialBankCount = 6;
    // Bank 8, template 49 holds the factory template that empty templates are made from.
    static constexpr int kPresetBank = 8;
    static constexpr int kInitialTemplateSource = 49;

    RemoteMemory();
    RemoteMemory(const RemoteMemory& other);
    RemoteMemory& operator=(RemoteMemory other);
    ~RemoteMemory();

    void setMemory(const RemoteMemory& other);

    // True only when a stored value changed (the file name counts as changed on every write).
    bool setParam(const ParamAddress& address, long value);
    bool setParam(const ParamAddress& address, const QString& text);
    // A copy; a value with all limits 0 where nothing is stored.
    NumericParameter getParam(const ParamAddress& address) const;
    QString getParamQString(const ParamAddress& address) const;
    BankData* AccessBank(const ParamAddress& address);
    const BankData* AccessBank(const ParamAddress& address) const;

    void setWriteEnable(bool enable) { m_writeEnable = enable; }
    bool getWriteEnable() const { return m_writeEnable; }
    bool isONLINE() const { return m_onlineState.getCurrentValue() == 1; }
    bool setONLINEstate(long value);
    void setFlagOfIsAllowedToSendSysEx(bool allowed) { m_allowedToSendSysEx = allowed; }
    bool isAllowedToSendSysEx() const { return m_allowedToSendSysEx; }

    int createBank();
    int getQuantityOfBank() const { return static_cast<int>(m_banks.size()); }
    bool isValidBankIndex(int index) const { return index >= 0 && index < getQuantityOfBank(); }
    static bool isValidTemplateIndex(int index) { return BankData::isValidTemplateIndex(index); }
    static bool isValidControllerIndex(int index) { return ControlTemplateData::isValidControllerIndex(index); }
    // A default bank for an index that does not exist.
    const BankData& getBank(int index) const;
    NumericParameter getBankAvailableFlag(int index) const { return getBank(index).getBankAvailableFlag(); }
    void setBankAvailableFlag(int flag, int index);
    // The bank at index takes every value of bank and is then marked available.
    void setBank(const BankData& bank, int index);
    // Appends a copy of bank as the new last bank.
    void setBank(const BankData& bank);
    void copyBank(int source, int destination);
    ControlTemplateData getTemplateData(int bank, int templ) const;

    bool copyTemplate(int bank1, int templ1, int bank2, int templ2);
    bool exchangeTemplate(int bank1, int templ1, int bank2, int templ2);
    bool copyController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2);
    bool exchangeController(int bank1, int templ1, int controller1, int bank2, int templ2, int controller2);
    void initializeInitialTemplate();
    bool initializeTemplate(int bank, int templ);
    ControlTemplateData getInitialTemplate() const { return m_initialTemplate; }

private:
    bool isValidTemplateSlot(int bank, int templ) const
    {
        return isValidBankIndex(bank) && isValidTemplateIndex(templ);
    }
    bool isValidControllerSlot(int bank, int templ, int controller) const
    {
        return isValidTemplateSlot(bank, templ) && isValidControllerIndex(controller);
    }
    NumericParameter* stateFlag(int bank);
    const NumericParameter* stateFlag(int bank) const;

    bool m_writeEnable = true;
    NumericParameter m_fileEditFlag{0, 1, 0};
    NumericParameter m_libraryEditFlag{0, 1, 0};
    NumericParameter m_bankEditFlag{0, 1, 0};
    ControlTemplateData m_initialTemplate;
    std::vector<std::unique_ptr<BankData>> m_banks;
    QString m_fileName;
    NumericParameter m_onlineState{0, 1, 0};
    bool m_allowedToSendSysEx = true;
};
