#include "EditorDefinitions.h"

namespace {
// The bank-file suffixes of this hardware and of its predecessor.
const char kFileSuffix[] = "Q9E";
const char kOtherFileSuffix[] = "Q8E";

QString filesFilter(const char* suffix)
{
    return QStringLiteral("%1 Files (*.%1)").arg(QLatin1String(suffix));
}
} // namespace

// ---- Editor definitions -------------------------------------------------------------------------------

const QString OtherDAW = QStringLiteral("Other");
const QString EditorName = QStringLiteral("Knobwright");
const QString SettingName = QStringLiteral("Knobwright");
const QString HelpFileName = QStringLiteral("Knobwright.pdf");
const QString PlistCorpName = QStringLiteral("com.telvor.");
const QString EditorFileExtension = QStringLiteral(".") + QLatin1String(kFileSuffix);
const QString EditorFileFilter = filesFilter(kFileSuffix);
const QString EditorOpenFileFilter = filesFilter(kFileSuffix) + QStringLiteral(";;") + filesFilter(kOtherFileSuffix);
const QString TemplateDocType = QStringLiteral("KnobwrightTemplate");
const QString KnobDocType = QStringLiteral("KnobwrightKnob");
const QString TemplateMimeType = QStringLiteral("application/x-telvor-zelk-remote-template");
const QString KnobMimeType = QStringLiteral("application/x-telvor-zelk-remote-knob");
const QString BankDocType = QStringLiteral("KnobwrightBank");
const QString BankMimeType = QStringLiteral("application/x-telvor-zelk-remote-bank");
const QString BankNameCurrent = QStringLiteral("Current");
const QString BankNameEditorBackup = QStringLiteral("Editor Backup");
const QString BankNamePreset = QStringLiteral("Preset");
const QString BankNameNoTitle = QStringLiteral("no title");
const QString BankNameValidator = QStringLiteral("[ 0-9A-Za-z!;#$%&'()+,\\-.=@\\[\\\\\\]^_{}`]*");
const QString EditorFileUserBankPrefix = QStringLiteral("UserBank");

const QString MenuFileMenu = QStringLiteral("&File");
const QString MenuFileNew = QStringLiteral("&New");
const QString MenuFileOpen = QStringLiteral("&Open...");
const QString MenuFileSave = QStringLiteral("&Save");
const QString MenuFileSaveAs = QStringLiteral("Save &As...");
const QString MenuFileImportTemplate = QStringLiteral("&Import Template...");
const QString MenuFileNewBank = QStringLiteral("&New Bank");
const QString MenuFileImport = QStringLiteral("&Import...");
const QString MenuFileExport = QStringLiteral("&Export...");
const QString MenuFileDuplicateBank = QStringLiteral("Duplicate Bank");
const QString MenuFileDeleteBank = QStringLiteral("&Delete Bank");
const QString MenuFileSetup = QStringLiteral("Set&up");
const QString MenuFileQPXiDatabase = QStringLiteral("&QPXi Database");
const QString MenuFileQPXiDatabaseFullScan = QStringLiteral("&Full Scan");
const QString MenuFileQPXiDatabaseUpdate = QStringLiteral("&Update");
const QString MenuEditMenu = QStringLiteral("&Edit");
const QString MenuEditCopy = QStringLiteral("&Copy");
const QString MenuEditPaste = QStringLiteral("&Paste");
const QString MenuEditInitialize = QStringLiteral("Initialize Template");
const QString MenuEditResetStored = QStringLiteral("Reset to Stored Data");
const QString MenuEditRestoreHW = QStringLiteral("Reset to Original Data at Startup");
const QString MenuEditResetFactory = QStringLiteral("Reset to Factory Settings");
const QString MenuHelpMenu = QStringLiteral("&Help");
const QString MenuHelpManual = QStringLiteral("&Manual");
const QString MenuHelpAbout = QStringLiteral("&About");

// ---- Plug-in database and host-settings definitions ---------------------------------------------------

const QString DatabaseFileName = QStringLiteral("QPXiDatabase.xml");
const QString DatabaseDocType = QStringLiteral("QPXiDatabase");
const QString PresetFileName = QStringLiteral("QPXiPreset.xml");
const QString PresetDocType = QStringLiteral("QPXiPreset");
const QString NotSynthListFileName = QStringLiteral("NotSynthList.txt");
const QString QPXiInfoFinderX86Module = QStringLiteral("qif_zelk6_zelk8_x86.app");
const QString QPXiInfoFinderX64Module = QStringLiteral("qif_zelk6_zelk8_x64.app");
const QString QPXiInfoFinderPPCModule = QStringLiteral("qif_zelk6_zelk8_ppc.app");
const QString QPXiInfoFinderTempFileName = QStringLiteral("QPXiInfoFinder.txt");
const QString ExtensionQPXXML = QStringLiteral(".qpxxml");
const QString ResourceQPXXML = QStringLiteral("/Contents/Resources/");
const QString DAWSettingBasePath = QStringLiteral("/Library/Preferences");
const QString k_qpx2xSettingFileNameWithoutExt = QStringLiteral("Qpx2xPlugins");
const QString k_qpx2xSettingFileExtension = QStringLiteral(".xml");
const QString k_qpx2xSettingFileMac64Suffix = QStringLiteral(" (x86_64)");
const QString QPX2xSettingFileName = QStringLiteral("Qpx2xPlugins") + QStringLiteral(".xml");
const QString AudioTrackName = QStringLiteral("Audio Track");
const QString MIDITrackName = QStringLiteral("MIDI Track");
const QString GenericName = QStringLiteral("Generic");

const QString TagDAWList = QStringLiteral("dawlist");
const QString TagDAW = QStringLiteral("daw");
const QString AttributeDAWName = QStringLiteral("name");
const QString TagQPXiList = QStringLiteral("qpxilist");
const QString TagQPXi = QStringLiteral("qpxi");
const QString AttributeQPXiName = QStringLiteral("name");
const QString AttributeQPXiPath = QStringLiteral("path");
const QString AttributeQPXiTime = QStringLiteral("time");
const QString AttributeQPXiSize = QStringLiteral("size");
const QString AttributeQPXiVersion = QStringLiteral("version");
const QString TagParameterGroup = QStringLiteral("group");
const QString AttributeParameterGroupName = QStringLiteral("name");
const QString TagParameter = QStringLiteral("parameter");
const QString AttributeParameterID = QStringLiteral("id");
const QString AttributeParameterName = QStringLiteral("name");

const QString TagQPXParametersStructure = QStringLiteral("QPXParametersStructure");
const QString TagGroup = QStringLiteral("Group");
const QString AttributeGroupName = QStringLiteral("name");
const QString AttributeGroupTemplate = QStringLiteral("template");
const QString AttributeGroupValues = QStringLiteral("values");
const QString TagParam = QStringLiteral("Param");
const QString AttributeParamName = QStringLiteral("name");
const QString AttributeParamID = QStringLiteral("id");
const QString TagControlTemplate = QStringLiteral("Template");
const QString AttributeTemplateName = QStringLiteral("name");

const QString TagQPX2xPlugins = QStringLiteral("Qpx2xPlugins");
const QString TagEntryList = QStringLiteral("list");
const QString AttributeEntryListName = QStringLiteral("name");
const QString AttributeEntryListType = QStringLiteral("type");
const QString EntryListName = QStringLiteral("Entries");
const QString EntryListType = QStringLiteral("list");
const QString TagEntryItem = QStringLiteral("item");
const QString AttributeEntryItemName = QStringLiteral("name");
const QString AttributeEntryItemValue = QStringLiteral("value");
const QString EntryItemName = QStringLiteral("Group");
const QString EntryItemValue = QStringLiteral("Qpx2xPlugManager");
const QString TagItemMember = QStringLiteral("member");
const QString AttributeItemMemberName = QStringLiteral("name");
const QString ItemMemberName = QStringLiteral("Values");
const QString TagItemString = QStringLiteral("string");
const QString TagMember = QStringLiteral("member");
const QString AttributeMemberName = QStringLiteral("name");
const QString MemberName = QStringLiteral("PathList");
const QString TagMemberList = QStringLiteral("list");
const QString AttributeMemberListName = QStringLiteral("name");
const QString AttributeMemberListType = QStringLiteral("type");
const QString MemberListName = QStringLiteral("paths");
const QString MemberListType = QStringLiteral("obj");
const QString TagListObj = QStringLiteral("obj");
const QString AttributeObjClass = QStringLiteral("class");
const QString ObjClass = QStringLiteral("FNPath");
const QString TagObjString = QStringLiteral("string");
const QString AttributeObjStringName = QStringLiteral("name");
const QString AttributeObjStringValue = QStringLiteral("value");
const QString ObjStringNameName = QStringLiteral("Name");
const QString ObjStringNamePath = QStringLiteral("Path");

const QString BypassID = QStringLiteral("00098a6ea");
const QString TrackControlVolumeID = QStringLiteral("100000401");
const QString TrackControlPanID = QStringLiteral("100001069");
const QString TrackControlNoAssignID = QStringLiteral("204143dff");
const QString TrackControlQuickControlID = QStringLiteral("100000001");
const QString TrackControlVolumeName = QStringLiteral("Volume");
const QString TrackControlPanName = QStringLiteral("Pan Left-Right");
const QString TrackControlNoAssignName = QStringLiteral("No Assign");
const QString TrackControlQuickControlFolderName = QStringLiteral("QuickCtrl");
const QString TrackControlQuickControlName = QStringLiteral("QuickCtrl");
const QString DWBypassID = QStringLiteral("010004202");
const QString DWTrackControlVolumeID = QStringLiteral("100001025");
const QString DWTrackControlPanID = QStringLiteral("100004201");
const QString DWTrackControlNoAssignID = QStringLiteral("268435455");

// ---- Bank-file tags -----------------------------------------------------------------------------------

const QString FileVersion = QStringLiteral("1.0");
const QString DocType = QStringLiteral("KnobwrightFile");
const QString LoadFileOtherDocType = QStringLiteral("BRAM6_BRAM8RemoteEditorFile");
const QString TagEditorBank = QStringLiteral("bank");
const QString AttributeVersion = QStringLiteral("version");
const QString TagBank = QStringLiteral("bank");
const QString TagTemplateNumber = QStringLiteral("template%1");
const QString TagEditBuffTemplateNumber = QStringLiteral("editBuffTemplate%1");
const QString TagBankInfo = QStringLiteral("bankInfo");
const QString TagCurrentTemplateNumber = QStringLiteral("templateNumber");
const QString TagTemplate = QStringLiteral("template");
const QString TagTemplateName = QStringLiteral("name");
const QString TagTemplateQPXiName = QStringLiteral("qpxiname");
const QString TagTemplateControlType = QStringLiteral("controltype");
const QString TagController = QStringLiteral("controller");
const QString TagControllerDisplayName = QStringLiteral("displayname");
const QString TagControllerCCNumber = QStringLiteral("ccnumber");
const QString TagControllerDisplayFormat = QStringLiteral("displayformat");
const QString TagControllerRemoteNumber = QStringLiteral("remotenumber");
const QString TagEditFlag = QStringLiteral("editFlag");
const QString TagBankName = QStringLiteral("name");
const QString TagEditBuffTemplate = QStringLiteral("editBuffTemplate");
