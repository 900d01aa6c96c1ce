#pragma once

#include <QString>

// Names, file-format keys, menu texts and fixed identifiers shared by the editor's modules. Built once
// before main runs and never written, so any thread may read them.

// ---- Editor definitions -------------------------------------------------------------------------------

extern const QString OtherDAW;
extern const QString EditorName;
extern const QString SettingName;
extern const QString HelpFileName;
extern const QString PlistCorpName;
extern const QString EditorFileExtension;
extern const QString EditorFileFilter;
extern const QString EditorOpenFileFilter;
extern const QString TemplateDocType;
extern const QString KnobDocType;
extern const QString TemplateMimeType;
extern const QString KnobMimeType;
extern const QString BankDocType;
extern const QString BankMimeType;
extern const QString BankNameCurrent;
extern const QString BankNameEditorBackup;
extern const QString BankNamePreset;
extern const QString BankNameNoTitle;
// A regular-expression pattern; match it whole (QRegularExpression::anchoredPattern).
extern const QString BankNameValidator;
extern const QString EditorFileUserBankPrefix;

extern const QString MenuFileMenu;
extern const QString MenuFileNew;
extern const QString MenuFileOpen;
extern const QString MenuFileSave;
extern const QString MenuFileSaveAs;
extern const QString MenuFileImportTemplate;
extern const QString MenuFileNewBank;
extern const QString MenuFileImport;
extern const QString MenuFileExport;
extern const QString MenuFileDuplicateBank;
extern const QString MenuFileDeleteBank;
extern const QString MenuFileSetup;
extern const QString MenuFileQPXiDatabase;
extern const QString MenuFileQPXiDatabaseFullScan;
extern const QString MenuFileQPXiDatabaseUpdate;
extern const QString MenuEditMenu;
extern const QString MenuEditCopy;
extern const QString MenuEditPaste;
extern const QString MenuEditInitialize;
extern const QString MenuEditResetStored;
extern const QString MenuEditRestoreHW;
extern const QString MenuEditResetFactory;
extern const QString MenuHelpMenu;
extern const QString MenuHelpManual;
extern const QString MenuHelpAbout;
// The shortcuts of these menu entries are QKeySequence values: EditorShortcuts.h (kw_memory_gui).

// ---- Plug-in database and host-settings definitions ---------------------------------------------------

extern const QString DatabaseFileName;
extern const QString DatabaseDocType;
extern const QString PresetFileName;
extern const QString PresetDocType;
extern const QString NotSynthListFileName;
extern const QString QPXiInfoFinderX86Module;
extern const QString QPXiInfoFinderX64Module;
extern const QString QPXiInfoFinderPPCModule;
extern const QString QPXiInfoFinderTempFileName;
extern const QString ExtensionQPXXML;
extern const QString ResourceQPXXML;
extern const QString DAWSettingBasePath;
extern const QString k_qpx2xSettingFileNameWithoutExt;
extern const QString k_qpx2xSettingFileExtension;
extern const QString k_qpx2xSettingFileMac64Suffix;
extern const QString QPX2xSettingFileName;
extern const QString AudioTrackName;
extern const QString MIDITrackName;
extern const QString GenericName;

// Plug-in database and preset files.
extern const QString TagDAWList;
extern const QString TagDAW;
extern const QString AttributeDAWName;
extern const QString TagQPXiList;
extern const QString TagQPXi;
extern const QString AttributeQPXiName;
extern const QString AttributeQPXiPath;
extern const QString AttributeQPXiTime;
extern const QString AttributeQPXiSize;
extern const QString AttributeQPXiVersion;
extern const QString TagParameterGroup;
extern const QString AttributeParameterGroupName;
extern const QString TagParameter;
extern const QString AttributeParameterID;
extern const QString AttributeParameterName;

// Parameter-structure files.
extern const QString TagQPXParametersStructure;
extern const QString TagGroup;
extern const QString AttributeGroupName;
extern const QString AttributeGroupTemplate;
extern const QString AttributeGroupValues;
extern const QString TagParam;
extern const QString AttributeParamName;
extern const QString AttributeParamID;
extern const QString TagControlTemplate;
extern const QString AttributeTemplateName;

// The host's plug-in cache file.
extern const QString TagQPX2xPlugins;
extern const QString TagEntryList;
extern const QString AttributeEntryListName;
extern const QString AttributeEntryListType;
extern const QString EntryListName;
extern const QString EntryListType;
extern const QString TagEntryItem;
extern const QString AttributeEntryItemName;
extern const QString AttributeEntryItemValue;
extern const QString EntryItemName;
extern const QString EntryItemValue;
extern const QString TagItemMember;
extern const QString AttributeItemMemberName;
extern const QString ItemMemberName;
extern const QString TagItemString;
extern const QString TagMember;
extern const QString AttributeMemberName;
extern const QString MemberName;
extern const QString TagMemberList;
extern const QString AttributeMemberListName;
extern const QString AttributeMemberListType;
extern const QString MemberListName;
extern const QString MemberListType;
extern const QString TagListObj;
extern const QString AttributeObjClass;
extern const QString ObjClass;
extern const QString TagObjString;
extern const QString AttributeObjStringName;
extern const QString AttributeObjStringValue;
extern const QString ObjStringNameName;
extern const QString ObjStringNamePath;

// Fixed parameter identifiers (9-character form) and the names of the track parameters.
extern const QString BypassID;
extern const QString TrackControlVolumeID;
extern const QString TrackControlPanID;
extern const QString TrackControlNoAssignID;
extern const QString TrackControlQuickControlID;
extern const QString TrackControlVolumeName;
extern const QString TrackControlPanName;
extern const QString TrackControlNoAssignName;
extern const QString TrackControlQuickControlFolderName;
extern const QString TrackControlQuickControlName;
extern const QString DWBypassID;
extern const QString DWTrackControlVolumeID;
extern const QString DWTrackControlPanID;
extern const QString DWTrackControlNoAssignID;

// ---- Bank-file tags -----------------------------------------------------------------------------------

extern const QString FileVersion;
extern const QString DocType;
extern const QString LoadFileOtherDocType;
extern const QString TagEditorBank;
extern const QString AttributeVersion;
extern const QString TagBank;
extern const QString TagTemplateNumber;
extern const QString TagEditBuffTemplateNumber;
extern const QString TagBankInfo;
extern const QString TagCurrentTemplateNumber;
extern const QString TagTemplate;
extern const QString TagTemplateName;
extern const QString TagTemplateQPXiName;
extern const QString TagTemplateControlType;
extern const QString TagController;
extern const QString TagControllerDisplayName;
extern const QString TagControllerCCNumber;
extern const QString TagControllerDisplayFormat;
extern const QString TagControllerRemoteNumber;
extern const QString TagEditFlag;
extern const QString TagBankName;
extern const QString TagEditBuffTemplate;
