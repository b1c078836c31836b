// The application's string table. Texts are kept byte for byte as the user
// sees them, printf placeholders included; "\n" is a line break. The table is
// sorted by number so that look-ups can use a binary search.
#include "core/string_table.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "core/string_ids.h"

namespace vandrel {
namespace {

constexpr StringTableEntry kEntries[] = {
    {kStrMainWindowClass, "VANDREL"},
    {kStrAppCaption, "Zorvant Vandrel"},
    {kStrSettingsBaseKey, "Software\\Zorvant Technology\\Vandrel"},
    {kStrConnectFailed,
     "Failed to connect to '%s' on port %d. Please check the connection profile and try "
     "again."},
    {kStrUntitled, "Untitled"},
    {kStrOpenFileFailed,
     "Unable to open file '%s'. Please check that the file exists and is not already open."},
    {kStrWaitForCurrentTask,
     "Please wait for the current task to be completed or press the Stop button to cancel "
     "the current task."},
    {kStrCommunicationsError,
     "A communications error has been encountered, this may be the result of the server "
     "program terminating unexpectedly. It is recommended that you save all files locally "
     "before investigating this problem further. (*%ld)."},
    {kStrInternalError,
     "An internal error has been encountered, this may be due to lack of system resources "
     "or insufficient disk space. It is recommended that you investigate these areas. If "
     "the problem persists contact the System Administrator. (*%ld)."},
    {kStrSaveProjectChanges,
     "You have made changes to the project '%s'. Do you want to save changes ?"},
    {kStrCloseWhileRequestsPending,
     "Unable to close application due to pending requests to the server. Please wait for "
     "these tasks to be completed, Cancel using the Stop button or Disconnect from the "
     "server."},
    {kStrConnecting, "Connecting..."},
    {kStrConnectionCancelled, "Connection cancelled !"},
    {kStrServerFileCreateError,
     "There has been an error creating the file '%s'. The file has remained unchanged on "
     "the server. Please check with your system administrator before attempting to save "
     "the file again."},
    {kStrCommandLineCaption, "Command Line"},
    {kStrQeditLanguageList,
     "(0) - None,(1) - SPL,(2) - Fortran,(3) - COBOL,(4) - RPG,(5) - Job,(6) - Text,(7) - "
     "Pascal,(8) - COBOL'85"},
    {kStrRecordTypeList, "Fixed,Variable,Undefined,Spool block,Byte stream"},
    {kStrFileModeList, "Binary,ASCII"},
    {kStrNone, "(none)"},
    {kStrProjectHasNoServerAddress,
     "This project has no server address. Would you like to view the project properties "
     "to specify the server address."},
    {kStrResolveFileFailed, "Unable to resolve possible filename using '%s' in '%s'."},
    {kStrLineEndList, "Mac,Unix,DOS"},
    {kStrConnectingToServer, "Connecting to server '%s', please wait..."},
    {kStrConfirmRemoveProjectItem, "Are you sure you want to remove '%s' from the project?"},
    {kStrOpenFileDamaged,
     "Unable to open file '%s'. Please check that file exists and is not damaged and try "
     "again.\n\nIf the problem persists contact Technical Support."},
    {kStrUnknown, "Unknown"},
    {kStrAgentVersionTooOld,
     "This version of Vandrel supports version %c.%c%c.%c%c and above of Tandrill on the "
     "server. The currently installed version is %c.%c%c.%c%c.\n\nPlease install an "
     "updated version of Tandrill and try again. If this problem persists, please contact "
     "Technical Support."},
    {kStrAutoDetect, "(auto-detect)"},
    {kStrTabSizeList, "(default),2,4,6,8"},
    {kStrGoToChoiceList, "Bookmark,Definition,Error/Tag,Line,Reference,"},
    {kStrMaskTokenList,
     "$(String),$(Char),$(Number),$(LineBreak),$(ScanUp),$(Line),$(LineNumber),"
     "$(FileName),$(MpeFile),$(MpeLine),$(DosFile)"},
    {kStrMaskHelpString,
     "Any number of consecutive characters not broken by a tab, space or literal "
     "character."},
    {kStrMaskHelpChar, "A single character not including spaces."},
    {kStrMaskHelpNumber, "A numeric value."},
    {kStrMaskHelpLineBreak, "Go to the next output line."},
    {kStrMaskHelpScanUp,
     "Scan upwards from the current output line in order to complete the mask."},
    {kStrMaskHelpLine, "The line on which the error can be found."},
    {kStrMaskHelpLineNumber, "The line number on which the error can be found (i.e. COBOL)."},
    {kStrMaskHelpFileName, "The filename containing the error on the specified line (see above)."},
    {kStrMaskHelpMpeFile,
     "Alternative to ($FileName) for MPE/iX style filenames NAME.GROUP.ACCOUNT"},
    {kStrCobolTagMaskList, "GS%yy%mm%dd,%yy%mm%ddGS,%dd-%mm-%yy,%dd%mm%yyyy"},
    {kStrMacroFilePath, "$(FilePath)"},
    {kStrMacroFileDir, "$(FileDir)"},
    {kStrMacroFileName, "$(FileName)"},
    {kStrMacroFileExt, "$(FileExt)"},
    {kStrMacroTemplate, "$(Template)"},
    {kStrMacroCurLine, "$(CurLine)"},
    {kStrMacroCurCol, "$(CurCol)"},
    {kStrMacroCurText, "$(CurText)"},
    {kStrConvertOldProject,
     "%s\n\nThis project was generated by a previous version of Vandrel. Continuing will "
     "convert this file to the new format. A backup of your original project will be "
     "saved as %s\n\nDo you want to convert this project ?"},
    {kStrNotAProjectFile, "Unable to open file '%s'.\n\nThis is not a valid Vandrel project file."},
    {kStrAgentVersionTooNew,
     "This version of Vandrel supports up to version %c.%c%c.%c%c of Tandrill on the "
     "server. The currently installed version is %c.%c%c.%c%c.\n\nPlease install an "
     "updated version of Vandrel and try again. If this problem persists, please contact "
     "Technical Support."},
    {kStrMacroProjectName, "$(ProjectName)"},
    {kStrProjectBackupFailed,
     "A backup copy of the existing project file could not be created.\n'%s'\n\nPlease "
     "check to see if this file exists and is not read-only."},
    {kStrMaskHelpMpeLine,
     "Alternative to ($LineNumber) for MPE/iX style line numbers (i.e. 3.200)"},
    {kStrConnectBeforeBuild, "Please connect to the server before attempting to compile or build."},
    {kStrMaskHelpDosFile,
     "Alternative to ($FileName) for DOS style filenames 'c:\\windows\\system'"},
    {kStrReady, "Ready"},
    {kStrHelpNewFile, "Creates a new document\nNew (Ctrl+N)"},
    {kStrNotApplicable, "n/a"},
    {kStrFilterAllFiles, "All Files (*.*)"},
    {kStrTitleWithCaption, "%s - %s"},
    {kStrModifiedSuffix, " *"},
    {kStrExampleFormat, "Example: %s"},
    {kStrNotAvailable, "Not available"},
    {kStrChangeTemplateQuestion,
     "Selecting the '%s' template will only effect Color Syntax Highlighting and Code "
     "Navigator support. If the format, numbering or tagging of the current template is "
     "not correct, select an alternate template when opening the file.\n\nAre you sure "
     "want to change the current template ?"},
    {kStrTemplateNameExists,
     "The type '%s' already exists. Please use a unique name for this type definition."},
    {kStrTemplateFileExists,
     "The template file '%s' already exists. Please enter an alternative file name and "
     "try again."},
    {kStrSaveDefaultTemplateAsNew,
     "It is recommended that you do not make changes to the default templates, instead "
     "create a copy of a default template and alter the copy.\n\nDo you want to save the "
     "changes to template '%s' as a new template ?"},
    {kStrTemplateSaveFailed,
     "Unable to save changes to the '%s' template file.\n'%s'\n\nPlease check to see if "
     "this file exists and is not read-only."},
    {kStrConfirmDeleteTemplate, "Are you sure you want to delete the '%s' template ?"},
    {kStrLoadingExtensions, "Loading Vandrel Extensions..."},
    {kStrLoadingTemplates, "Loading Vandrel Templates..."},
    {kStrParsingFile, "Parsing file..."},
    {kStrParserDiagnosticLine, "(%08d) %s"},
    {kStrNewTemplateCaption, "New Template"},
    {kStrCopyTemplateCaption, "Copy Template"},
    {kStrSelectHelpFileTitle, "Select Help File"},
    {kStrFilterHelpFiles, "Help Files (*.hlp)"},
    {kStrBrowseTitle, "Browse"},
    {kStrFilterExecutable, "Executable (*.exe)"},
    {kStrFilterCommand, "Command (*.com)"},
    {kStrFilterInformation, "Information (*.pif)"},
    {kStrFilterBatch, "Batch (*.bat;*.cmd)"},
    {kStrNewToolCaption, "New command"},
    {kStrTemplateGalleryNormal, "Normal"},
    {kStrKeywordStyle1, "1 - Standard Keywords"},
    {kStrKeywordStyle2, "2 - Compiler Keywords"},
    {kStrKeywordStyle3, "3 - Internal Keywords"},
    {kStrKeywordStyle4, "4 - Other Keywords"},
    {kStrNavigatorFunctions, "Functions"},
    {kStrNavigatorInclude, "Include"},
    {kStrNavigatorData, "Data"},
    {kStrNavigatorForward, "Forward"},
    {kStrNavigatorExternal, "External"},
    {kStrNavigatorSections, "Sections"},
    {kStrCacheSizeOneMegabyte, "1 MB"},
    {kStrCacheSizeKilobytes, "%ld K"},
    {kStrFolderBrowserTitle, "Locations"},
    {kStrFolderBrowserPrompt, "Select Folder"},
    {kStrDirectoriesColumnSetting, "Setting"},
    {kStrDirectoriesColumnDirectory, "Directory"},
    {kStrDirectoryTemplates, "Templates"},
    {kStrDirectoryVdxFiles, "VDX Files"},
    {kStrDirectoryProjectFiles, "Project Files"},
    {kStrDirectoryLocalFiles, "Local Files"},
    {kStrDirectoryUserTemplates, "User Templates"},
    {kStrDirectoryNativeLanguageFiles, "Native Language Files"},
    {kStrFileTypesColumnTemplate, "Template"},
    {kStrFileTypesColumnExtension, "Extension"},
    {kStrDisplayCategoryList,
     "Normal,Comment,Keyword Style 1,Keyword Style 2,Keyword Style 3,Keyword Style 4,"
     "Selected Text,Physical Line Numbers,Virtual Line Numbers,Selection Margin,Bookmark,"
     "Error,Tag,Text Exceeding Line Lengh,Command Line"},
    {kStrColourList,
     "<Q=RGB(0,0,0)>Black;<Q=RGB(0,0,255)>Blue;<Q=RGB(0,255,255)>Turquoise;"
     "<Q=RGB(0,255,0)>Bright Green;<Q=RGB(255,0,255)>Pink;<Q=RGB(255,0,0)>Red;"
     "<Q=RGB(255,255,0)>Yellow;<Q=RGB(255,255,255)>White;<Q=RGB(0,0,128)>Dark Blue;"
     "<Q=RGB(0,128,128)>Teal;<Q=RGB(0,128,0)>Green;<Q=RGB(128,0,128)>Violet;"
     "<Q=RGB(128,0,0)>Dark Red;<Q=RGB(128,128,0)>Dark Yellow;<Q=RGB(128,128,128)>Grey 50%;"
     "<Q=RGB(192,192,192)>Grey 25%;<Q=RGB(225,225,225)>Grey 10%"},
    {kStrAutomaticColourFormat, "<Q=RGB(%i,%i,%i)> Automatic"},
    {kStrTemplateNameTooLong,
     "The template name '%s' is too long. A template name can have at most 62 characters."},
    {kStrTemplatePathTooLong,
     "The path of the template file '%s' is too long. A template file path can have at most "
     "259 characters. Please enter a shorter file name and try again."},
    {kStrTemplateFileNameInvalid,
     "The template file name '%s' is not valid. Please enter a file name without a folder and "
     "try again."},
    {kStrNoUserTemplatesFolder,
     "No folder has been set for user templates. Please set the User Templates folder on the "
     "Directories page of the Options dialog and try again."},
    {kStrTemplateDeleteFailed,
     "Unable to delete the '%s' template.\nThe template file '%s' could not be renamed to "
     "'%s'.\n\nPlease check that the file and its folder are not read-only."},
    {kStrOpeningFile, "Opening file..."},
    {kStrLoadOutOfMemory,
     "Unable to open file '%s' due to insufficient memory. Please check that the file "
     "exists and is not already open."},
    {kStrLoadFormatNotRecognised,
     "The format of file '%s' is not recognised. Please check the selected template and "
     "try again."},
    {kStrLoadFileCorrupted,
     "The file '%s' appears to be corrupted. Please check the that the file is valid."},
    {kStrBinaryDataQuestion,
     "This file may contain binary data which may not be editable. Saving changes to this "
     "file could leave the file in a corrupted state. Do you still wish to edit this file "
     "?"},
    {kStrSavingTemporaryFile, "Saving temporary file..."},
    {kStrUploadInProgress,
     "Unable to save file '%s'. The file is currently being transferred to the server. "
     "Please wait and try again."},
    {kStrQeditNotLicensed,
     "Vandrel does not allow you to create files in Robelle Qedit® format unless the "
     "server is correctly licensed by Robelle. The server you are currently connected to "
     "does not appear to have Robelle Qedit® installed."},
    {kStrLineOverlapsNumbers,
     "The length of line %d overlaps the current position of line numbers at column %ld. "
     "This file cannot be saved until the length of this line is reduced or the line "
     "numbers are removed."},
    {kStrLineOverlapsCobolToken,
     "The length of line %d overlaps the COBOL85 token position at column 72. This file "
     "cannot be saved until the length of this line is reduced or file is saved in an "
     "alternate format."},
    {kStrLineExceedsQeditRecordLength,
     "The length of line %d exceeds the Qedit record length of %ld. This file cannot be "
     "saved until the length of this line is reduced or the file is saved in an alternate "
     "format."},
    {kStrIncreaseQeditRecordLength,
     "The current template will increase the Qedit record length of this file from %ld to "
     "%ld.\n\nAre you sure you want to save this file ?"},
    {kStrLineExceedsTemplateLimit,
     "The length of line %ld exceeds the '%s' maximum line length of %ld characters.\n\n"
     "Are you sure you want to save this file ?"},
    {kStrQeditLineLimitExceeded,
     "The limit on Qedit®  files of 65535 lines has been exceeded. Do you want to convert "
     "this file to a standard MPE file?"},
    {kStrIncreaseRecordLength,
     "The current template will increase the record length of this file from %ld to %ld.\n"
     "\nAre you sure you want to save this file ?"},
    {kStrLineExceedsRecordLength,
     "The length of line %ld exceeds the current file MPE record length of %ld.\n\nDo you "
     "want to increase the record length of the file to %ld?"},
    {kStrTempFileCreateFailed,
     "Unable to create temporary file to save '%s'\n\nThis may be due to lack of system "
     "resources or insufficient disk space. It is recommended that you investigate these "
     "areas. If the problem persists contact the System Administrator."},
    {kStrLocalWriteFailed,
     "Error writing to file '%s'\n\nThis file may be read-only or due to insufficient "
     "disk space. It is recommended that you investigate these areas."},
    {kStrSavingFile, "Saving file..."},
    {kStrNumberRangeFormat, "%ld - %ld"},
    {kStrResultingSequenceFormat, "%ld - %ld (%ld lines)"},
    {kStrInvalidNumberingSequence,
     "The specified numbering sequence is not valid given the specified range of line(s). "
     "Please enter a valid sequence and try again."},
    {kStrInvalidRenumberRange,
     "The specified range of line(s) to renumber is not valid. Please enter a valid range "
     "and try again."},
    {kStrNoFreeLineNumber,
     "Unable to insert any new lines at the current cursor position. If this file is "
     "maintaining line numbers, renumber the current section or file and try again."},
    {kStrFileSizeAndLines, "%s bytes (%s lines)"},
    {kStrFileCodeDescription, "(%s) - %s"},
    {kStrAlignmentLeft, "Left"},
    {kStrAlignmentRight, "Right"},
    {kStrLoadingCharacterMaps, "Loading Native Language Support files..."},
    {kStrDuplicateMapName, "%s(%i)"},
    {kStrConfirmDeleteCharacterMap,
     "Deleting the '%s' foreign character set will prevent this translation being used in "
     "any existing projects.\nAre you sure you want to continue?"},
    {kStrConfirmRenameCharacterMap,
     "Warning: Renaming a foreign character set used in existing projects will "
     "effectively remove all selected translations using this foreign character set. Are "
     "you sure you want to continue?"},
    {kStrCharacterMapExists,
     "The foreign character map '%s' already exists. You must select a unique name to "
     "identify this character map."},
    {kStrPrintingCaption, "Printing..."},
    {kStrFontDescription, "%s, %ld point"},
    {kStrLoadingHostFile, "Loading %s..."},
    {kStrSavingHostFile, "Saving %s..."},
    {kStrFileChangedCaption, "File Has Been Changed"},
    {kStrOverwriteNewerFile,
     "The file '%s' has been altered on the server since you began editing. Do you want "
     "to overwrite the newer file ?"},
    {kStrSizeInBytes, "%s bytes"},
    {kStrPasswordSecurityNotSupported, "Tandrill password security not supported"},
    {kStrDebugRequestError, "%s(%i) : error %ld : %ld : %s error"},
    {kStrErrorCategoryWinsock, "winsock"},
    {kStrErrorCategoryPacketProtocol, "packet protocol"},
    {kStrErrorCategoryInternal, "internal"},
    {kStrServerErrorFunction, " (Function %ld, Error %ld)\n\n"},
    {kStrServerErrorLocation, "Error %ld (Location %ld)\n\n"},
    {kStrEnterNetworkPassword, "Please enter your network password for Tandrill"},
    {kStrMpeLogonForm,
     "MPE/iX user logon accounts are in the form:\n\nsessname,username.acctname,groupname"},
    {kStrMpeLogonPasswords,
     "The session name parameter (sessname) is optional. Passwords may be required for "
     "all three parts of the user account:\n\nsessname,"
     "username/userpass.acctname/acctpass, groupname/grouppass "},
    {kStrAgentVersionFormat, "%c.%c%c.%c%c"},
    {kStrConnectionInfoCaption, "Connection Information"},
    {kStrNetworkSecurityCaption, "Network Security"},
    {kStrFailedLogins,
     "The host refused %d login(s) in this session. The password is not sent again until "
     "you type it."},
    {kStrColumnSize, "Size"},
    {kStrColumnPermissions, "Permissions"},
    {kStrColumnOwner, "Owner"},
    {kStrColumnGroup, "Group"},
    {kStrColumnModified, "Modified"},
    {kStrColumnAccessed, "Accessed"},
    {kStrColumnCreated, "Created"},
    {kStrHostOpenTitle, "Open"},
    {kStrHostSaveAsTitle, "Save As"},
    {kStrBrowseFoldersCaption, "Browse Folders"},
    {kStrUploadAsTitle, "Upload As"},
    {kStrDownloadAsTitle, "Download As"},
    {kStrConnectionLost,
     "The connection to the host was lost. Open host documents keep their changes; Connect "
     "restores the session."},
    {kStrReconnectingIn,
     "The connection to the host was lost. Open host documents keep their changes. "
     "Reconnecting in %d s (Connect restores the session now)."},
    {kStrReconnectLoginRefused,
     "The host refused the login of the lost session. Connect and type the login to restore "
     "it."},
    {kStrSessionRestored, "The session to the host was restored."},
    {kStrLocksNotRetaken,
     "The session to the host was restored, but these documents could not be locked again "
     "(another session holds the file, or it changed on the host). They stay open and "
     "editable without a lock:\n\n%s"},
    {kStrNotLockedSuffix, " (not locked)"},
    {kStrCompileItemMenu, "Compile %s..."},
    {kStrBuildItemMenu, "Build %s..."},
    {kStrCopyOfFolder, "Copy of %s"},
    {kStrProjectFilesSuffix, " files"},
    {kStrExclusiveSuffix, " (Exclusive)"},
    {kStrLoadingProject, "Loading project %s..."},
    {kStrSavingProject, "Saving project %s..."},
    {kStrOpenProjectTitle, "Open Project"},
    {kStrSaveProjectAsTitle, "Save Project As"},
    {kStrFilterProjectFiles, "Project Files (*.vdp)"},
    {kStrAddFilesToFolderTitle, "Add Files to Folder"},
    {kStrAddFilesToProjectTitle, "Add Files to Project"},
    {kStrProjectSettingsCaption, "Project Settings"},
    {kStrPasswordEncrypted, "(encrypted)"},
    {kStrEchoCommand, ">> Command '%s'"},
    {kStrEchoMpeCommand, ">> MPE/iX Command '%s'"},
    {kStrEchoPosixCommand, ">> Posix Command '%s'"},
    {kStrEchoCommandCompleted, ">> Command completed"},
    {kStrEchoSeparator, ">>"},
    {kStrEchoErrorCount, ">> %ld error(s)"},
    {kStrPaneOutput, "Output"},
    {kStrPaneFindInFiles, "Find in Files"},
    {kStrPaneDebug, "Debug"},
    {kStrScriptError,
     "Script Error\nThe following command was not recognised:\n\n'%s'\n\nScript "
     "processing has been abortred."},
    {kStrNewProjectWizardCaption, "New Project Wizard"},
    {kStrDefaultFolderSource, "Source Files"},
    {kStrDefaultFolderInclude, "Include Files"},
    {kStrDefaultFolderExternal, "External Files"},
    {kStrDefaultFolderDependencies, "Dependancies"},
    {kStrReadOnlySuffix, " (Read Only)"},
    {kStrSaveLocalFileTitle, "Save Local File"},
    {kStrCaretPosition, "Ln %ld, Col %ld"},
    {kStrSaveChangesQuestion, "Save changes to '%s' ?"},
    {kStrSelectionRangeTip, "%ld - %ld (%ld)"},
    {kStrSaveBeforeInsertIntoProject,
     "New files have to be saved before they can be inserted into the current project."},
    {kStrRibbonEditor, "Editor"},
    {kStrRibbonStructure, "Structure"},
    {kStrStringNotFound, "Cannot find the string '%s'."},
    {kStrGoToHelpBookmark,
     "When this dialog is inactive, use F2 and Ctrl+F2 to move to the next and previous "
     "bookmark respectively."},
    {kStrGoToHelpDefinition,
     "When this dialog is inactive, use Ctrl+Q to open the Code Navigator and select the "
     "identifier from the list."},
    {kStrGoToHelpErrorTag,
     "When this dialog is inactive, use F4 and Ctrl+F4 to move to the next and previous "
     "error/tag respectively."},
    {kStrGoToHelpReference,
     "The list contains all the Code Navigator identifiers from the current file."},
    {kStrGoToNavigatorEmpty,
     "The Code Navigator for the currently active file contains 0 entries."},
    {kStrStatusConnected, "Connected"},
    {kStrStatusDisconnected, "Disconnected"},
    {kStrStatusTab, "TAB"},
    {kStrStatusOverwrite, "OVR"},
    {kStrStatusReadOnly, "READ"},
    {kStrStatusTabOff, "!TAB"},
    {kStrStatusOverwriteOff, "!OVR"},
    {kStrStatusReadOnlyOff, "!READ"},
    {kStrStatusCaretSizingSample, "Ln 999999, Col 999"},
    {kStrTipHeading, "Did you know..."},
    {kStrOpenLocalFileTitle, "Open Local File"},
    {kStrSettingsNotSaved,
     "The options could not be saved to %s.\nThey apply until Vandrel is closed."},
};

constexpr bool IsStrictlySorted() {
  for (std::size_t i = 1; i < std::size(kEntries); ++i) {
    if (kEntries[i - 1].id >= kEntries[i].id) return false;
  }
  return true;
}
static_assert(IsStrictlySorted(), "string table entries must be sorted by id and unique");

const StringTableEntry* Find(int id) {
  const auto* it =
      std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                       [](const StringTableEntry& entry, int wanted) { return entry.id < wanted; });
  return it != std::end(kEntries) && it->id == id ? it : nullptr;
}

}  // namespace

std::span<const StringTableEntry> StringTable() { return kEntries; }

std::string_view StringTableText(int id) {
  const StringTableEntry* entry = Find(id);
  return entry != nullptr ? entry->text : std::string_view();
}

bool HasStringTableText(int id) { return Find(id) != nullptr; }

}  // namespace vandrel
