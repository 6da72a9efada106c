#pragma once
#include <span>
#include <string>
#include <string_view>

#include "text/MessageCatalogue.h"

namespace drivecopy {

// The refusals of the destination checks and the destination guard, what an
// image holds, the ends of a job on a device that went away, why a device
// or file cannot be used, and the lines of the verification after writing, each a
// catalogue message whose "%s" slots take the names and numbers (filled with
// FillPlaceholders, src/shell/FillPlaceholders.h). They are loaded with the other
// texts but kept apart from the 82 keys listed by LoadedMessageKeys.
struct CheckTexts {
  std::string strSDestinationMounted;  // device, mounted file system
  std::string strSImageIsDestination;  // image file
  std::string strSImageOnDestination;  // image file, device, first sector, last sector
  std::string strSRangesOverlap;       // source first, last; destination first, last; device
  std::string strSImageDamaged;        // image file, what is damaged, sectors restored before it
  std::string strSImageHeaderDamaged;  // image file, stored sectors its header claims
  // What holds a destination (see the destination guard).
  std::string strSDestinationSwap;     // destination, swap area
  std::string strSDestinationStacked;  // destination, the device built on it
  std::string strSDestinationLoop;     // destination, loop device
  std::string strSDestinationInUse;    // destination
  // Another job of ours on the same bytes: the path, then that job (its path and process).
  std::string strSDestinationJobReading;  // destination, the job that reads it
  std::string strSDestinationJobWriting;  // destination, the job that writes it
  std::string strSSourceJobWriting;       // source (device or image file), the job that writes it
  std::string strSDestinationReadOnly;    // destination
  std::string strSNotRegularFile;         // path
  std::string strSCannotClaim;            // path, system error text
  std::string strSImageInsideSource;      // image file, source device, first sector, last sector
  // source (device or image file), the sector size its table is for, destination, its sector size
  std::string strSSectorSizesDiffer;
  // What an image holds.
  std::string strSImageEmpty;          // image file
  std::string strSImageUnfinished;     // image file
  std::string strSImageStoppedEarly;   // image file, sectors held, sectors of its source range
  std::string strSThousandsSeparator;  // between groups of three digits in sector counts
  // What a create did with the image file it was writing, and with one that was there before.
  std::string strSUnfinishedImageDeleted;  // image file, why it could not be written
  std::string strSExistingImageKept;       // image file
  std::string strSNothingCopied;           // image file
  // After and during writing.
  std::string strSPartitionTableNotReread;  // device, system error text
  std::string strSWriteEnded;               // device, sector, system error text
  std::string strSSourceLost;               // device, sector, system error text
  // Why a device or file cannot be used.
  std::string strSCannotOpenToRead;  // path, why (FailureCause)
  std::string strSDiskRightsNeeded;  // the system's text for a disk device this user may not open
  // The sizes behind a refusal, on a line after the window's own message.
  std::string strSNotEnoughSpaceDetail;   // image file, bytes needed, their size, bytes free, their size
  std::string strSOldImageKeepsItsSpace;  // image file, its bytes, their size
  std::string strSFatFileTooLargeDetail;  // image file, bytes it would hold, their size
  std::string strSTooSmallDetail;  // source, sectors needed, their size; destination, first, last sector,
                                   // sectors it holds, their size
  // Verification after writing: what was written, read back and compared.
  std::string strSVerifyStart;          // what is read back, what it is compared with
  std::string strSVerifyImageStart;     // image file
  std::string strSVerifyDiffer;         // first sector, last sector, what was read back, compared with
  std::string strSVerifyDifferOne;      // sector, what was read back, compared with
  std::string strSVerifyUnreadable;     // first sector, last sector, what was read back, system error text
  std::string strSVerifyUnreadableOne;  // sector, what was read back, system error text
  std::string strSVerifyPassed;         // sectors compared, what was read back, compared with
  std::string strSVerifyFailed;         // sectors that differ, sectors compared
  std::string strSVerifyImageSound;     // blocks checked, image file
  std::string strSVerifyImageDamaged;   // image file, the fault
  std::string strSVerifyStopped;        // sector where it stopped
  std::string strSVerifyNotPossible;    // what cannot be read, why
  std::string strSRestoredShorterThanSource;  // sectors restored, sectors of the image's source
};

// The texts the program builds below its windows, each a catalogue message
// whose "%s" slots take the names and numbers: file errors around the
// system's own words, what is found wrong in an image, the lines and faults
// of the jobs, and the captions of partition and floppy rows. Loaded with the
// other texts, and put in force for the lower layers by UseDetailLanguage
// (text/DetailTextsInForce.h).
struct DetailTexts {
  std::string strSCannotRead;           // what, system error text
  std::string strSCannotWrite;          // what, system error text
  std::string strSWrittenInPart;        // what, bytes written, bytes to write
  std::string strSCannotSeek;           // what, system error text
  std::string strSCannotTellImageSize;  // system error text
  std::string strSCannotFlushImage;     // system error text
  std::string strSWhatImageFile;
  std::string strSWhatNamedImageFile;  // image file
  std::string strSWhatImageHeader;
  std::string strSWhatFinalImageHeader;
  std::string strSWhatPartitionList;
  std::string strSWhatBlockIndex;
  std::string strSWhatImageBlockIndex;
  std::string strSNotAnImage;              // what is wrong
  std::string strSImageMarkOnly;           // bytes in the file
  std::string strSPartitionCountNegative;  // count
  std::string strSPartitionListTooLong;    // count, most a layout holds
  std::string strSPartitionListPastEnd;    // count, file size in bytes
  std::string strSEndsInPartitionList;
  std::string strSSectorCountNegative;   // count
  std::string strSTooManyBlocksClaimed;  // sectors, blocks, bytes there
  std::string strSBlockAtByte;           // block number, byte offset
  std::string strSEndsAfterBytes;        // bytes there, bytes it should hold
  std::string strSEndsBeforeBlock;
  std::string strSEndsInLengthField;
  std::string strSLengthNotPositive;  // length
  std::string strSLengthPastEnd;      // length, bytes that follow
  std::string strSInflatesTo;         // bytes, bytes of the block
  std::string strSInflatesToMore;     // bytes, bytes of the block
  std::string strSBadZlibData;        // the library's words
  std::string strSBadZlibDictionary;
  std::string strSZlibEndsEarly;       // bytes, bytes of the block
  std::string strSStrayData;           // bytes
  std::string strSIndexOffsetOutside;  // offset, first, last byte of the blocks' area
  std::string strSIndexSizeMisfit;     // size, offset, file size
  std::string strSBytesAfterIndex;     // bytes
  std::string strSHoldsNoSectors;      // file size in bytes
  std::string strSTailNeverRestored;   // bytes
  std::string strSWritingNeverFinished;
  std::string strSLeftoverNeverFinished;
  std::string strSHeaderSizeField;      // value
  std::string strSIndexWithoutBlocks;   // blocks
  std::string strSIndexEntryCount;      // entries, blocks, entries needed
  std::string strSIndexOffsetWrong;     // block, offset in the index, real offset
  std::string strSIndexLastEntry;       // entry, end of the last block
  std::string strSIndexNotAfterBlocks;  // offset, end of the last block
  std::string strSIndexNoFurtherEntry;
  std::string strSEndsInBlockIndex;
  std::string strSStarting;
  std::string strSCannotCompress;  // sector, why
  std::string strSWrittenOnlyInPart;
  std::string strSDeviceNoLongerPresent;
  std::string strSNotFlushed;          // device, system error text
  std::string strSNotFlushedEither;    // system error text
  std::string strSCannotRestoreImage;  // image file, why
  std::string strSShorterThanHeader;   // file, bytes
  std::string strSCannotTellSize;      // file, system error text
  std::string strSCannotCreateLog;     // log file, system error text
  std::string strSCannotWriteLog;      // log file, system error text
  std::string strSLogWrittenInPart;
  std::string strSPartitionRow;          // model, number, type name, size
  std::string strSPartitionDescription;  // model, number, type name, size
  std::string strSFloppyDescription;     // size
  // Which drive a clone's bad-sector line names (the line runs on without a blank).
  std::string strSBadSectorOnSource;
  std::string strSBadSectorOnDestination;
  // A run of neighbouring bad sectors: the drive as above (or nothing), first
  // sector, last sector, how many (grouped).
  std::string strSBadSectorRange;
  // The reasons the backend words itself (BackendReason), in a message's slot for the system's text.
  std::string strSReasonAnotherWriter;
  std::string strSReasonExistsNotRegularFile;
  std::string strSReasonNotRegularFileNotDeleted;
  std::string strSReasonPartitionTableNotReadBack;
};

// The loaded message texts (UTF-8), one per key and named exactly as the
// program requests the key, in load order; empty until UpdateStrings fills
// them. The other parts of the program read their messages, memo lines, dialog
// titles and run-time labels from here and never look keys up themselves.
// StrSNTFS is in the catalogue but is not loaded.
struct MessageTexts {
  std::string strSDestDrive;
  std::string strSSourceDrive;
  std::string strSDestCloneDrivesMemo;
  std::string strSScourceCloneDrivesMemo;
  std::string strSVISTA;
  std::string strSVISTATitle;
  std::string strSInfoSelectLogicalandContinue;
  std::string strSInfoSelectDriveandContinue;
  std::string strScreateImageTitle;
  std::string strSRestoreImageTitle;
  std::string strSFileExist;
  std::string strSNotEnoughSpace;
  std::string strSNotEnoughSpaceTitle;
  std::string strSFSTOSMALL;
  std::string strSFSTOSMALLTitle;
  std::string strSStart;
  std::string strSStop;
  std::string strSAbort;
  std::string strSSKIP;
  std::string strSBADSingleSECTOR;
  std::string strSBADSECTOR;
  std::string strSTitleERROR;
  std::string strSCannotopenfile;
  std::string strSNOVRZIMAGE;
  std::string strSNOVRZIMAGETitle;
  std::string strSPARTIONTOSMALLTitle;
  std::string strSPARTIONTOSMALL;
  std::string strSBADDisk;
  std::string strSRealyClose;
  std::string strSTip_1;
  std::string strSBeginScan;
  std::string strScopyright;
  std::string strSVRZCloneImage;
  std::string strSVRZBrowseImage;
  std::string strSVRZRestoreImage;
  std::string strSVRZCreateImage;
  std::string strSVRZTitle;
  std::string strSVRZVersion;
  std::string strStrMsgDlgWarning;
  std::string strStrMsgDlgError;
  std::string strStrMsgDlgInformation;
  std::string strStrMsgDlgConfirm;
  std::string strStrMsgDlgYes;
  std::string strStrMsgDlgNo;
  std::string strStrMsgDlgOK;
  std::string strStrMsgDlgCancel;
  std::string strStrMsgDlgAbort;
  std::string strStrMsgDlgRetry;
  std::string strStrMsgDlgIgnore;
  std::string strStrMsgDlgAll;
  std::string strStrMsgDlgNoToAll;
  std::string strStrMsgDlgYesToAll;
  std::string strStrMsgDlgHelp;
  std::string strSStopVSS;
  std::string strSStartVSS;
  std::string StrSInfoSelectDriveLetter;
  std::string StrSOverwrite;
  std::string StrSInitCloneDriveNew;
  std::string StrSImageSize;
  std::string StrSInfoSelectDriveToRestore;
  std::string StrSDeleteImage;
  std::string StrSDeleteImageText;
  std::string StrSUserAbort;
  std::string StrSReady;
  std::string strSVirtualNoWrite;
  std::string strSVirtualWrite;
  std::string strSWriteLogfile;
  std::string strSdontWriteLogfile;
  std::string strSCompression;
  std::string strSGeneral;
  std::string strSCompressionLow;
  std::string strSCompressionHigh;
  std::string strSCompressionMedium;
  std::string strSCompressionNone;
  std::string strSLogfileCaption;
  std::string strSShadowCopyCaption;
  std::string strSVirtuellCaption;
  std::string strSRemainingBytesLabel;
  std::string strSFileSizeLabel;
  std::string strSLastPartitionSectorCaption;
  std::string strSOnlytoLastPartitionSector;
  std::string strSCompleteSeletedDrive;

  CheckTexts Checks;
  DetailTexts Details;
};

// A requested key and the text it fills.
struct MessageKeyBinding {
  std::string_view RequestedKey;
  std::string MessageTexts::*Text;
};

// Every loaded key, in load order.
std::span<const MessageKeyBinding> LoadedMessageKeys();

// A key of the refusal texts and the text of MessageTexts::Checks it fills.
struct CheckTextBinding {
  std::string_view Key;
  std::string CheckTexts::*Text;
};

// Every key of the refusal texts.
std::span<const CheckTextBinding> CheckTextKeys();

// A key of the detail texts and the text of MessageTexts::Details it fills.
struct DetailTextBinding {
  std::string_view Key;
  std::string DetailTexts::*Text;
};

// Every key of the detail texts.
std::span<const DetailTextBinding> DetailTextKeys();

// Fetches every loaded key, every refusal text and every detail text from `catalogue` in `language` (German
// where that language has no text; "" for a key the catalogue lacks or a language outside 1..6). With a
// `variant` ("linux"), a key that has a row "KEY.variant" takes that row's text instead: the same
// message, written for that system.
MessageTexts UpdateStrings(const MessageCatalogue& catalogue, int language, std::string_view variant = {});

}  // namespace drivecopy
