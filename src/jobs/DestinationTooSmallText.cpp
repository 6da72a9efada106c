#include "jobs/DestinationTooSmallText.h"

#include "text/CountInText.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {

std::string DestinationTooSmallText(const MessageTexts& texts, const std::string& sourceName,
                                    std::int64_t sourceSectors, const std::string& destinationPath,
                                    SectorRange destination, char decimalSeparator) {
  const CountInText needed = SectorsInText(texts, sourceSectors, decimalSeparator);
  const CountInText offered = SectorsInText(texts, destination.SectorCount(), decimalSeparator);
  return texts.strSPARTIONTOSMALL + "\n" +
         FillPlaceholders(
             texts.Checks.strSTooSmallDetail,
             {sourceName, needed.Count, needed.Size, destinationPath, std::to_string(destination.FirstSector),
              std::to_string(destination.EndSector - 1), offered.Count, offered.Size});
}

}  // namespace drivecopy
