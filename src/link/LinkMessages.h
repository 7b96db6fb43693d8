#pragma once

// Texts the link shows the user. They are the system's own texts, spelling included; tests
// compare against these constants, the views and the command-line tool show them as they are.

namespace corvane::msg {

// Link and monitoring.
inline constexpr const char* kUpgradeModeDetected =
    "Module is in 'Firmware Upgrade Mode'.\nPlease select the 'Firmware Upgrade' procedure to "
    "correct.\nSelect from main menu.... Configure-->Firmware-->Upgrade to complete the process.";
inline constexpr const char* kUpgradeModeTitle = "Module In Firmware Upgrade Mode";
inline constexpr const char* kNoModuleLink = "No Module Link Available";
inline constexpr const char* kMonitoringNoLink = "Monitoring can't be actived if link is not active";
inline constexpr const char* kMonitoringTransfer =
    "Monitoring can't be actived if an upload or download is in progress";
inline constexpr const char* kMonitoringErrorTitle = "Monitoring Error";
inline constexpr const char* kMonitorStreamStopped =
    "Monitoring Stream stopped.\n\nVerify Cabling and Module Power ON.\n\nAttempting to Establish "
    "Connection....";
inline constexpr const char* kDataLinkInterrupted =
    "Data Link Communications Interrupted.\n\nVerify Cabling and Module Power ON.\n\nAttempting to "
    "Establish Connection....";
inline constexpr const char* kBaseMapNameTitle = "Warning:Base Map Name Discrepancy";

// READ.
inline constexpr const char* kUploadNoDocument = "Upload can't occur when a map window is not selected";
inline constexpr const char* kUploadErrorTitle = "Upload Error";
inline constexpr const char* kReadProgress = "Reading Module Maps and Settings...";
inline constexpr const char* kUploadAborted = "Aborting:  An error has occurred during file upload";
// Entries of the edit history that the link makes.
inline constexpr const char* kReadCheckpoint = "READ from module";
// Said after kUploadAborted when a READ was cut short: the document took none of it.
inline constexpr const char* kReadLeftDocumentTail =
    "\n\nNothing was changed: the document holds what it held before the READ.";
inline constexpr const char* kReadSettingsStep = "Read Module Settings";
inline constexpr const char* kOutOfStepTail =
    "\n\n   A data value is NOT in syncronization with a module value.\nYou may have edited this "
    "document while NOT linked to the module.\nIf you desire the current document data to be "
    "loaded into the module,\nplease select <DOWNLOAD> from the <File> drop down menu.";
inline constexpr const char* kOutOfStepTitle = "Upload Data Syncronization Error";

// WRITE.
inline constexpr const char* kWriteQuestion =
    "About to WRITE maps and settings to the module.\n\nCurrent Module values will be "
    "DESTROYED!\n\nDO YOU WISH TO CONTINUE?";
inline constexpr const char* kWarningTitle = "Warning";
inline constexpr const char* kWriteNoDocument = "A MapFile Document MUST be active for this command.";
inline constexpr const char* kDocumentFileNotSelected =
    "Document File Not Selected\n\n1. Open a Map File OR Select a Map Document.\n2. Re-select the "
    "DOWNLOAD command.";
inline constexpr const char* kWriteProgress = "Writing module maps and settings...";
inline constexpr const char* kDownloadAborted = "Download transfer ABORTED";
inline constexpr const char* kWriteRefusedHead = "WRITE refused.\n\n";
// Said after kDownloadAborted: what the module may now hold.
inline constexpr const char* kWriteInterruptedHead = "\n\nThe module may now hold this WRITE in part:";
inline constexpr const char* kWriteInterruptedMaps = "\nMaps that may be written in part (marked not in sync):";
inline constexpr const char* kWriteInterruptedTail =
    "\n\nThe document is unchanged. WRITE again when the link is back.";
// After WRITE, when the read-back finds other bytes than were sent, or cannot read back.
inline constexpr const char* kWriteAgainQuestion = "\n\nWRITE again?";
inline constexpr const char* kVerifyReadFailed =
    "WRITE verification FAILED: the module could not be read back.\n\nThe maps were written but are NOT "
    "marked in sync with the module.";

// Basic settings.
inline constexpr const char* kBasicSettingsTitle = "Basic Settings";
inline constexpr const char* kReadingFromModule = "Reading from module. Please Wait...";
// A setting whose block could not be read or written keeps its old value.
inline constexpr const char* kSettingNotWritten = "Setting NOT written to module: ";
inline constexpr const char* kSettingsNotRead = "Aborting:  Basic Settings NOT read from module.";

// Warranty.
inline constexpr const char* kWarrantyInfoTitle = "Warranty Info";
inline constexpr const char* kRetrievingWarranty = "Retrieving Warranty Data From Module. Please Wait...";
inline constexpr const char* kClearWarrantyQuestion = "WARNING: All MODULE Warranty Logs will be set to 00:00:00";
inline constexpr const char* kWarrantyRpmTitle = "Warranty Rpm";
inline constexpr const char* kClearingRpm = "Clearing the RPM values. Please Wait...";
inline constexpr const char* kVinTooLong = "Number of Characters for VIN must be less than or equal to ";
inline constexpr const char* kVinNotSetTitle = "VIN Not Set";
// The VIN field shows the VIN's bytes printable (PrintableText); a typed text must read back
// as bytes the same way.
inline constexpr const char* kVinNotPrintable =
    "The VIN was not sent: type printable characters only, a backslash as \\\\ and any other "
    "byte as \\xNN (two hexadecimal digits), as the field shows them.";
// Which step of a warranty operation failed.
inline constexpr const char* kWarrantyReadFailed = "Warranty read FAILED: ";
inline constexpr const char* kWarrantyClearFailed = "Warranty clear FAILED: ";
inline constexpr const char* kVinWriteFailed = "VIN NOT written to module.";

// Firmware upgrade.
inline constexpr const char* kUpgradeInitialize =
    "To Initialize the Firmware Upgrade Process......."
    "\n\n1. Turn the MODULE power OFF."
    "\n2. Turn the MODULE power ON."
    "\n3. The software will continue automatically."
    "\n\nPLEASE CYCLE THE MODULE POWER NOW!"
    "\n\n\n\n**********IMPORTANT NOTICE**********"
    "\n\nIf MODULE DETECTION fails to occur........"
    "\n\n1. The module/firmware may be corrupted."
    "\n2. The module/firmware version DOES NOT allow upgrade."
    "\n\nPlease contact the manufacturer to upgrade or repair the module.";
inline constexpr const char* kUpgradeStateOnFailed =
    "Aborting Upgrade: Unable to set module 'Firmware Upgrade State = ON'.";
inline constexpr const char* kInvalidFileName = "Invalid File Name Selected: ";
inline constexpr const char* kFirmwareCorrupted =
    "The Firmware appears to be CORRUPTED......."
    "\n\n1. Turn the MODULE power OFF."
    "\n2. Turn the MODULE power ON."
    "\n3. The software will continue automatically"
    "\n\nPLEASE CYCLE THE MODULE POWER NOW!";
inline constexpr const char* kIncompatibleVersionsTitle = "Incompatible Firmware Versions";
inline constexpr const char* kConversionFailed = "Error: Conversion failed.\nSelected file:";
inline constexpr const char* kFirmwareUpgradeTitle = "Firmware Upgrade";
inline constexpr const char* kFirmwareDownload = "Firmware Download";
inline constexpr const char* kFirmWareUpgradeWaitTitle = "FirmWare Upgrade";
inline constexpr const char* kResettingInitBytes = "Re-setting initialization bytes. Please Wait...";
inline constexpr const char* kUpgradeCompleted =
    "Firmware Upgrade Completed."
    "\n\n1. Turn the MODULE power OFF for 5 seconds."
    "\n2. Turn the MODULE power back ON."
    "\n\nSelect OK to complete the process.";
// After a failed flash: the way back to a working module.
inline constexpr const char* kUpgradeRecovery =
    "The module's firmware was NOT completely written."
    "\n\nTo recover, run the firmware upgrade again with the same file:"
    "\nConfigure-->Firmware-->Upgrade."
    "\n\nThe module stays in 'Firmware Upgrade Mode' until an upgrade has completed.";
inline constexpr const char* kUpgradeFailed =
    "Firmware Upgrade FAILED!"
    "\n\n1. Turn the MODULE power OFF."
    "\n2. Turn the MODULE power ON."
    "\n\nSelect OK to complete the process.";

}  // namespace corvane::msg
