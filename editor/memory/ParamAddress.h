#pragma once

#include <QString>
#include <QStringList>

class AddressTransTable;

// The address of one value of the memory mirror or of the editor's own state: bank, template,
// controller and parameter, -1 where not set. A plain value, handed between threads by copy.
class ParamAddress
{
public:
    // Memory layout: per-bank, per-template and editor-state slots outside the knob ranges.
    static constexpr int kBankAvailableFlagTemplate = 51;
    static constexpr int kCurrentTemplateNumberTemplate = 52;
    static constexpr int kTemplateNameController = 13;
    static constexpr int kControlTypeController = 14;
    static constexpr int kQPXiNameController = 15;
    static constexpr int kDisplayNameParam = 0;
    static constexpr int kCCNumberParam = 1;
    static constexpr int kDisplayFormatParam = 2;
    static constexpr int kRemoteNumberParam = 3;
    static constexpr int kOnlineStateBank = -2;
    static constexpr int kFileEditFlagBank = -3;
    static constexpr int kFileNameBank = -4;
    static constexpr int kLibraryEditFlagBank = -5;
    static constexpr int kBankEditFlagBank = -6;

    explicit ParamAddress(AddressTransTable* table = nullptr);
    ParamAddress(int bank, int templ, int controller, int param);

    void setAddressTransTable(AddressTransTable* table) { m_table = table; }
    AddressTransTable* addressTransTable() const { return m_table; }

    void initParamAddress();
    // Each argument other than -1 replaces its component; -1 keeps the old one.
    void setParamAddress(int bank, int templ, int controller, int param);
    // Two-part named form, "knobA1/ccNumber": the first part names the controller, the last the param.
    void setParamAddress(int bank, int templ, const char* name, int param);
    // Single-name form for per-template, per-bank and editor-state values ("templateName", "fileName").
    void setParamAddress(int bank, int templ, int controller, const char* name);

    // Component 0 bank, 1 template, 2 controller, 3 param; -1 for any other index.
    int getParamAddress(int index) const;

    int String2ParamAdr(const QString& name) const;
    int String2ParamAdr(const char* name) const;
    static QStringList splitNamedAdr(const char* name);
    void PrintParamAddress() const;

    bool operator==(const ParamAddress& other) const
    {
        return m_bank == other.m_bank && m_template == other.m_template && m_controller == other.m_controller &&
               m_param == other.m_param;
    }
    bool operator!=(const ParamAddress& other) const { return !(*this == other); }

    bool isThisBank(int bank) const { return m_bank == bank; }
    bool isThisTemplate(int templ) const { return m_template == templ; }
    bool isThisController(int controller) const { return m_controller == controller; }
    bool isBankParam() const { return m_bank >= 0; }
    bool isStoredBankParamAdr() const { return m_bank == 0; }
    bool isEditBufferOrStoredBankParam() const { return isEditBufferOrStoredBankParam(m_bank); }
    static bool isEditBufferOrStoredBankParam(int bank) { return bank == 0 || bank == 1; }
    bool isBankParamAdr() const { return m_template >= 0 && m_template <= 49; }
    bool isControllerAdr() const { return m_controller >= 0 && m_controller <= 11; }
    bool isBankAvailFlagAdr() const { return m_template == kBankAvailableFlagTemplate; }
    bool isCurrentTemplateNumAdr() const { return m_template == kCurrentTemplateNumberTemplate; }
    bool isTemplateNameAdr() const { return m_controller == kTemplateNameController; }
    bool isControlTypeAdr() const { return m_controller == kControlTypeController; }
    bool isQPXiNameAdr() const { return m_controller == kQPXiNameController; }
    bool isDisplayNameAdr() const { return m_param == kDisplayNameParam; }
    bool isCCNumAdr() const { return m_param == kCCNumberParam; }
    bool isDispFormAdr() const { return m_param == kDisplayFormatParam; }
    bool isRemoteTagIDAdr() const { return m_param == kRemoteNumberParam; }
    bool isOnlineStateAdr() const { return m_bank == kOnlineStateBank; }
    bool isFileEditFlagAdr() const { return m_bank == kFileEditFlagBank; }
    bool isFileNameAdr() const { return m_bank == kFileNameBank; }
    bool isLibraryEditFlagAdr() const { return m_bank == kLibraryEditFlagBank; }
    bool isBankEditFlagAdr() const { return m_bank == kBankEditFlagBank; }
    bool isStringParamAdr() const;
    bool isNumericParamAdr() const;
    bool isParamUsedInOnlyEditor() const;

private:
    int m_bank = -1;
    int m_template = -1;
    int m_controller = -1;
    int m_param = -1;
    AddressTransTable* m_table = nullptr;
};
