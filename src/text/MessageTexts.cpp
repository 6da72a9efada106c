#include "text/MessageTexts.h"

#include <array>

namespace drivecopy {

namespace {

// Requested keys as the program writes them; twenty differ in case from the
// stored key (strSVirtualNoWrite is stored as StrSVirtualNoWrite), which the
// catalogue's case-blind lookup absorbs.
constexpr std::array<MessageKeyBinding, 82> LoadOrder{{
    {"strSDestDrive", &MessageTexts::strSDestDrive},
    {"strSSourceDrive", &MessageTexts::strSSourceDrive},
    {"strSDestCloneDrivesMemo", &MessageTexts::strSDestCloneDrivesMemo},
    {"strSScourceCloneDrivesMemo", &MessageTexts::strSScourceCloneDrivesMemo},
    {"strSVISTA", &MessageTexts::strSVISTA},
    {"strSVISTATitle", &MessageTexts::strSVISTATitle},
    {"strSInfoSelectLogicalandContinue", &MessageTexts::strSInfoSelectLogicalandContinue},
    {"strSInfoSelectDriveandContinue", &MessageTexts::strSInfoSelectDriveandContinue},
    {"strScreateImageTitle", &MessageTexts::strScreateImageTitle},
    {"strSRestoreImageTitle", &MessageTexts::strSRestoreImageTitle},
    {"strSFileExist", &MessageTexts::strSFileExist},
    {"strSNotEnoughSpace", &MessageTexts::strSNotEnoughSpace},
    {"strSNotEnoughSpaceTitle", &MessageTexts::strSNotEnoughSpaceTitle},
    {"strSFSTOSMALL", &MessageTexts::strSFSTOSMALL},
    {"strSFSTOSMALLTitle", &MessageTexts::strSFSTOSMALLTitle},
    {"strSStart", &MessageTexts::strSStart},
    {"strSStop", &MessageTexts::strSStop},
    {"strSAbort", &MessageTexts::strSAbort},
    {"strSSKIP", &MessageTexts::strSSKIP},
    {"strSBADSingleSECTOR", &MessageTexts::strSBADSingleSECTOR},
    {"strSBADSECTOR", &MessageTexts::strSBADSECTOR},
    {"strSTitleERROR", &MessageTexts::strSTitleERROR},
    {"strSCannotopenfile", &MessageTexts::strSCannotopenfile},
    {"strSNOVRZIMAGE", &MessageTexts::strSNOVRZIMAGE},
    {"strSNOVRZIMAGETitle", &MessageTexts::strSNOVRZIMAGETitle},
    {"strSPARTIONTOSMALLTitle", &MessageTexts::strSPARTIONTOSMALLTitle},
    {"strSPARTIONTOSMALL", &MessageTexts::strSPARTIONTOSMALL},
    {"strSBADDisk", &MessageTexts::strSBADDisk},
    {"strSRealyClose", &MessageTexts::strSRealyClose},
    {"strSTip_1", &MessageTexts::strSTip_1},
    {"strSBeginScan", &MessageTexts::strSBeginScan},
    {"strScopyright", &MessageTexts::strScopyright},
    {"strSVRZCloneImage", &MessageTexts::strSVRZCloneImage},
    {"strSVRZBrowseImage", &MessageTexts::strSVRZBrowseImage},
    {"strSVRZRestoreImage", &MessageTexts::strSVRZRestoreImage},
    {"strSVRZCreateImage", &MessageTexts::strSVRZCreateImage},
    {"strSVRZTitle", &MessageTexts::strSVRZTitle},
    {"strSVRZVersion", &MessageTexts::strSVRZVersion},
    {"strStrMsgDlgWarning", &MessageTexts::strStrMsgDlgWarning},
    {"strStrMsgDlgError", &MessageTexts::strStrMsgDlgError},
    {"strStrMsgDlgInformation", &MessageTexts::strStrMsgDlgInformation},
    {"strStrMsgDlgConfirm", &MessageTexts::strStrMsgDlgConfirm},
    {"strStrMsgDlgYes", &MessageTexts::strStrMsgDlgYes},
    {"strStrMsgDlgNo", &MessageTexts::strStrMsgDlgNo},
    {"strStrMsgDlgOK", &MessageTexts::strStrMsgDlgOK},
    {"strStrMsgDlgCancel", &MessageTexts::strStrMsgDlgCancel},
    {"strStrMsgDlgAbort", &MessageTexts::strStrMsgDlgAbort},
    {"strStrMsgDlgRetry", &MessageTexts::strStrMsgDlgRetry},
    {"strStrMsgDlgIgnore", &MessageTexts::strStrMsgDlgIgnore},
    {"strStrMsgDlgAll", &MessageTexts::strStrMsgDlgAll},
    {"strStrMsgDlgNoToAll", &MessageTexts::strStrMsgDlgNoToAll},
    {"strStrMsgDlgYesToAll", &MessageTexts::strStrMsgDlgYesToAll},
    {"strStrMsgDlgHelp", &MessageTexts::strStrMsgDlgHelp},
    {"strSStopVSS", &MessageTexts::strSStopVSS},
    {"strSStartVSS", &MessageTexts::strSStartVSS},
    {"StrSInfoSelectDriveLetter", &MessageTexts::StrSInfoSelectDriveLetter},
    {"StrSOverwrite", &MessageTexts::StrSOverwrite},
    {"StrSInitCloneDriveNew", &MessageTexts::StrSInitCloneDriveNew},
    {"StrSImageSize", &MessageTexts::StrSImageSize},
    {"StrSInfoSelectDriveToRestore", &MessageTexts::StrSInfoSelectDriveToRestore},
    {"StrSDeleteImage", &MessageTexts::StrSDeleteImage},
    {"StrSDeleteImageText", &MessageTexts::StrSDeleteImageText},
    {"StrSUserAbort", &MessageTexts::StrSUserAbort},
    {"StrSReady", &MessageTexts::StrSReady},
    {"strSVirtualNoWrite", &MessageTexts::strSVirtualNoWrite},
    {"strSVirtualWrite", &MessageTexts::strSVirtualWrite},
    {"strSWriteLogfile", &MessageTexts::strSWriteLogfile},
    {"strSdontWriteLogfile", &MessageTexts::strSdontWriteLogfile},
    {"strSCompression", &MessageTexts::strSCompression},
    {"strSGeneral", &MessageTexts::strSGeneral},
    {"strSCompressionLow", &MessageTexts::strSCompressionLow},
    {"strSCompressionHigh", &MessageTexts::strSCompressionHigh},
    {"strSCompressionMedium", &MessageTexts::strSCompressionMedium},
    {"strSCompressionNone", &MessageTexts::strSCompressionNone},
    {"strSLogfileCaption", &MessageTexts::strSLogfileCaption},
    {"strSShadowCopyCaption", &MessageTexts::strSShadowCopyCaption},
    {"strSVirtuellCaption", &MessageTexts::strSVirtuellCaption},
    {"strSRemainingBytesLabel", &MessageTexts::strSRemainingBytesLabel},
    {"strSFileSizeLabel", &MessageTexts::strSFileSizeLabel},
    {"strSLastPartitionSectorCaption", &MessageTexts::strSLastPartitionSectorCaption},
    {"strSOnlytoLastPartitionSector", &MessageTexts::strSOnlytoLastPartitionSector},
    {"strSCompleteSeletedDrive", &MessageTexts::strSCompleteSeletedDrive},
}};

constexpr std::array<CheckTextBinding, 47> CheckOrder{{
    {"strSDestinationMounted", &CheckTexts::strSDestinationMounted},
    {"strSImageIsDestination", &CheckTexts::strSImageIsDestination},
    {"strSImageOnDestination", &CheckTexts::strSImageOnDestination},
    {"strSRangesOverlap", &CheckTexts::strSRangesOverlap},
    {"strSImageDamaged", &CheckTexts::strSImageDamaged},
    {"strSImageHeaderDamaged", &CheckTexts::strSImageHeaderDamaged},
    {"strSDestinationSwap", &CheckTexts::strSDestinationSwap},
    {"strSDestinationStacked", &CheckTexts::strSDestinationStacked},
    {"strSDestinationLoop", &CheckTexts::strSDestinationLoop},
    {"strSDestinationInUse", &CheckTexts::strSDestinationInUse},
    {"strSDestinationJobReading", &CheckTexts::strSDestinationJobReading},
    {"strSDestinationJobWriting", &CheckTexts::strSDestinationJobWriting},
    {"strSSourceJobWriting", &CheckTexts::strSSourceJobWriting},
    {"strSDestinationReadOnly", &CheckTexts::strSDestinationReadOnly},
    {"strSNotRegularFile", &CheckTexts::strSNotRegularFile},
    {"strSCannotClaim", &CheckTexts::strSCannotClaim},
    {"strSImageInsideSource", &CheckTexts::strSImageInsideSource},
    {"strSSectorSizesDiffer", &CheckTexts::strSSectorSizesDiffer},
    {"strSImageEmpty", &CheckTexts::strSImageEmpty},
    {"strSImageUnfinished", &CheckTexts::strSImageUnfinished},
    {"strSImageStoppedEarly", &CheckTexts::strSImageStoppedEarly},
    {"strSThousandsSeparator", &CheckTexts::strSThousandsSeparator},
    {"strSUnfinishedImageDeleted", &CheckTexts::strSUnfinishedImageDeleted},
    {"strSExistingImageKept", &CheckTexts::strSExistingImageKept},
    {"strSNothingCopied", &CheckTexts::strSNothingCopied},
    {"strSPartitionTableNotReread", &CheckTexts::strSPartitionTableNotReread},
    {"strSWriteEnded", &CheckTexts::strSWriteEnded},
    {"strSSourceLost", &CheckTexts::strSSourceLost},
    {"strSCannotOpenToRead", &CheckTexts::strSCannotOpenToRead},
    {"strSDiskRightsNeeded", &CheckTexts::strSDiskRightsNeeded},
    {"strSNotEnoughSpaceDetail", &CheckTexts::strSNotEnoughSpaceDetail},
    {"strSOldImageKeepsItsSpace", &CheckTexts::strSOldImageKeepsItsSpace},
    {"strSFatFileTooLargeDetail", &CheckTexts::strSFatFileTooLargeDetail},
    {"strSTooSmallDetail", &CheckTexts::strSTooSmallDetail},
    {"strSVerifyStart", &CheckTexts::strSVerifyStart},
    {"strSVerifyImageStart", &CheckTexts::strSVerifyImageStart},
    {"strSVerifyDiffer", &CheckTexts::strSVerifyDiffer},
    {"strSVerifyDifferOne", &CheckTexts::strSVerifyDifferOne},
    {"strSVerifyUnreadable", &CheckTexts::strSVerifyUnreadable},
    {"strSVerifyUnreadableOne", &CheckTexts::strSVerifyUnreadableOne},
    {"strSVerifyPassed", &CheckTexts::strSVerifyPassed},
    {"strSVerifyFailed", &CheckTexts::strSVerifyFailed},
    {"strSVerifyImageSound", &CheckTexts::strSVerifyImageSound},
    {"strSVerifyImageDamaged", &CheckTexts::strSVerifyImageDamaged},
    {"strSVerifyStopped", &CheckTexts::strSVerifyStopped},
    {"strSVerifyNotPossible", &CheckTexts::strSVerifyNotPossible},
    {"strSRestoredShorterThanSource", &CheckTexts::strSRestoredShorterThanSource},
}};

constexpr std::array<DetailTextBinding, 70> DetailOrder{{
    {"strSCannotRead", &DetailTexts::strSCannotRead},
    {"strSCannotWrite", &DetailTexts::strSCannotWrite},
    {"strSWrittenInPart", &DetailTexts::strSWrittenInPart},
    {"strSCannotSeek", &DetailTexts::strSCannotSeek},
    {"strSCannotTellImageSize", &DetailTexts::strSCannotTellImageSize},
    {"strSCannotFlushImage", &DetailTexts::strSCannotFlushImage},
    {"strSWhatImageFile", &DetailTexts::strSWhatImageFile},
    {"strSWhatNamedImageFile", &DetailTexts::strSWhatNamedImageFile},
    {"strSWhatImageHeader", &DetailTexts::strSWhatImageHeader},
    {"strSWhatFinalImageHeader", &DetailTexts::strSWhatFinalImageHeader},
    {"strSWhatPartitionList", &DetailTexts::strSWhatPartitionList},
    {"strSWhatBlockIndex", &DetailTexts::strSWhatBlockIndex},
    {"strSWhatImageBlockIndex", &DetailTexts::strSWhatImageBlockIndex},
    {"strSNotAnImage", &DetailTexts::strSNotAnImage},
    {"strSImageMarkOnly", &DetailTexts::strSImageMarkOnly},
    {"strSPartitionCountNegative", &DetailTexts::strSPartitionCountNegative},
    {"strSPartitionListTooLong", &DetailTexts::strSPartitionListTooLong},
    {"strSPartitionListPastEnd", &DetailTexts::strSPartitionListPastEnd},
    {"strSEndsInPartitionList", &DetailTexts::strSEndsInPartitionList},
    {"strSSectorCountNegative", &DetailTexts::strSSectorCountNegative},
    {"strSTooManyBlocksClaimed", &DetailTexts::strSTooManyBlocksClaimed},
    {"strSBlockAtByte", &DetailTexts::strSBlockAtByte},
    {"strSEndsAfterBytes", &DetailTexts::strSEndsAfterBytes},
    {"strSEndsBeforeBlock", &DetailTexts::strSEndsBeforeBlock},
    {"strSEndsInLengthField", &DetailTexts::strSEndsInLengthField},
    {"strSLengthNotPositive", &DetailTexts::strSLengthNotPositive},
    {"strSLengthPastEnd", &DetailTexts::strSLengthPastEnd},
    {"strSInflatesTo", &DetailTexts::strSInflatesTo},
    {"strSInflatesToMore", &DetailTexts::strSInflatesToMore},
    {"strSBadZlibData", &DetailTexts::strSBadZlibData},
    {"strSBadZlibDictionary", &DetailTexts::strSBadZlibDictionary},
    {"strSZlibEndsEarly", &DetailTexts::strSZlibEndsEarly},
    {"strSStrayData", &DetailTexts::strSStrayData},
    {"strSIndexOffsetOutside", &DetailTexts::strSIndexOffsetOutside},
    {"strSIndexSizeMisfit", &DetailTexts::strSIndexSizeMisfit},
    {"strSBytesAfterIndex", &DetailTexts::strSBytesAfterIndex},
    {"strSHoldsNoSectors", &DetailTexts::strSHoldsNoSectors},
    {"strSTailNeverRestored", &DetailTexts::strSTailNeverRestored},
    {"strSWritingNeverFinished", &DetailTexts::strSWritingNeverFinished},
    {"strSLeftoverNeverFinished", &DetailTexts::strSLeftoverNeverFinished},
    {"strSHeaderSizeField", &DetailTexts::strSHeaderSizeField},
    {"strSIndexWithoutBlocks", &DetailTexts::strSIndexWithoutBlocks},
    {"strSIndexEntryCount", &DetailTexts::strSIndexEntryCount},
    {"strSIndexOffsetWrong", &DetailTexts::strSIndexOffsetWrong},
    {"strSIndexLastEntry", &DetailTexts::strSIndexLastEntry},
    {"strSIndexNotAfterBlocks", &DetailTexts::strSIndexNotAfterBlocks},
    {"strSIndexNoFurtherEntry", &DetailTexts::strSIndexNoFurtherEntry},
    {"strSEndsInBlockIndex", &DetailTexts::strSEndsInBlockIndex},
    {"strSStarting", &DetailTexts::strSStarting},
    {"strSCannotCompress", &DetailTexts::strSCannotCompress},
    {"strSWrittenOnlyInPart", &DetailTexts::strSWrittenOnlyInPart},
    {"strSDeviceNoLongerPresent", &DetailTexts::strSDeviceNoLongerPresent},
    {"strSNotFlushed", &DetailTexts::strSNotFlushed},
    {"strSNotFlushedEither", &DetailTexts::strSNotFlushedEither},
    {"strSCannotRestoreImage", &DetailTexts::strSCannotRestoreImage},
    {"strSShorterThanHeader", &DetailTexts::strSShorterThanHeader},
    {"strSCannotTellSize", &DetailTexts::strSCannotTellSize},
    {"strSCannotCreateLog", &DetailTexts::strSCannotCreateLog},
    {"strSCannotWriteLog", &DetailTexts::strSCannotWriteLog},
    {"strSLogWrittenInPart", &DetailTexts::strSLogWrittenInPart},
    {"strSPartitionRow", &DetailTexts::strSPartitionRow},
    {"strSPartitionDescription", &DetailTexts::strSPartitionDescription},
    {"strSFloppyDescription", &DetailTexts::strSFloppyDescription},
    {"strSBadSectorOnSource", &DetailTexts::strSBadSectorOnSource},
    {"strSBadSectorOnDestination", &DetailTexts::strSBadSectorOnDestination},
    {"strSBadSectorRange", &DetailTexts::strSBadSectorRange},
    {"strSReasonAnotherWriter", &DetailTexts::strSReasonAnotherWriter},
    {"strSReasonExistsNotRegularFile", &DetailTexts::strSReasonExistsNotRegularFile},
    {"strSReasonNotRegularFileNotDeleted", &DetailTexts::strSReasonNotRegularFileNotDeleted},
    {"strSReasonPartitionTableNotReadBack", &DetailTexts::strSReasonPartitionTableNotReadBack},
}};

}  // namespace

std::span<const MessageKeyBinding> LoadedMessageKeys() { return LoadOrder; }

std::span<const CheckTextBinding> CheckTextKeys() { return CheckOrder; }

std::span<const DetailTextBinding> DetailTextKeys() { return DetailOrder; }

MessageTexts UpdateStrings(const MessageCatalogue& catalogue, int language, std::string_view variant) {
  auto text = [&](std::string_view key) {
    if (!variant.empty()) {
      const std::string variantKey = std::string(key) + "." + std::string(variant);
      if (catalogue.Contains(variantKey)) return catalogue.Text(variantKey, language);
    }
    return catalogue.Text(key, language);
  };
  MessageTexts texts;
  for (const MessageKeyBinding& binding : LoadOrder) {
    texts.*binding.Text = text(binding.RequestedKey);
  }
  for (const CheckTextBinding& binding : CheckOrder) {
    texts.Checks.*binding.Text = text(binding.Key);
  }
  for (const DetailTextBinding& binding : DetailOrder) {
    texts.Details.*binding.Text = text(binding.Key);
  }
  return texts;
}

}  // namespace drivecopy
