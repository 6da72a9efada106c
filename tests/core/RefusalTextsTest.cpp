// The refusals of the destination checks come from the message catalogue in
// the active language with every name and number in its slot; each refusal
// key carries its slots in all six languages.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "jobs/DestinationChecks.h"
#include "jobs/DestinationGuard.h"
#include "support/EmptyMachinePlatform.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

namespace drivecopy {
namespace {

// Everything lies on /dev/sdb, where /mnt/daten is mounted; /dev/sdb and
// /dev/disk/b name the same device.
class OneDiskPlatform : public test_support::EmptyMachinePlatform {
 public:
  bool IsSameFile(const std::string& first, const std::string& second) override {
    return first == second || (first.starts_with("/dev/") && second.starts_with("/dev/"));
  }
  bool SharesStorage(const std::string&, SectorRange, const std::string&, SectorRange) override {
    return true;
  }
  std::vector<Occupant> OccupantsOf(const std::string&, SectorRange) override {
    return {Occupant{OccupantKind::MountedFileSystem, "/mnt/daten"}};
  }
};

using Refusal = std::function<std::optional<std::string>(Platform&, const MessageTexts&)>;

TEST(RefusalTexts, ComeInTheActiveLanguageWithTheNamesFilledIn) {
  struct Case {
    const char* Name;
    Refusal Check;
    int Language;
    std::string Expected;
  };
  const Refusal mounted = [](Platform& p, const MessageTexts& t) -> std::optional<std::string> {
    return GuardDestination(p, t, "/dev/sdb", {0, 1000}, ClaimTarget::Destination).Refusal;
  };
  const Refusal imageOnDestination = [](Platform& p, const MessageTexts& t) {
    return FileInRangeRefusal(p, t, "/mnt/daten/%s.img", "/dev/disk/b", {150, 400});
  };
  const Refusal imageIsDestination = [](Platform& p, const MessageTexts& t) {
    return FileInRangeRefusal(p, t, "/dev/sdb", "/dev/sdb", {0, 10});
  };
  const Refusal overlap = [](Platform& p, const MessageTexts& t) {
    return OverlappingRangesRefusal(p, t, "/dev/sdb", {100, 400}, "/dev/disk/b", {300, 600});
  };
  const Case cases[] = {
      {"mounted", mounted, LanguageEnglish,
       "The destination /dev/sdb holds the mounted file system /mnt/daten. Unmount it (or choose another "
       "destination) and start again; nothing was written."},
      {"mounted", mounted, LanguageDeutsch,
       "Das Ziel /dev/sdb enth\xC3\xA4lt das eingebundene Dateisystem /mnt/daten. H\xC3\xA4ngen Sie es aus "
       "(oder "
       "w\xC3\xA4hlen Sie ein anderes Ziel) und starten Sie erneut; es wurde nichts geschrieben."},
      // A "%s" in the file name is part of the name, not a slot.
      {"image on destination", imageOnDestination, LanguageEnglish,
       "The image file /mnt/daten/%s.img is stored on the destination /dev/disk/b (sectors 150 to 399), so "
       "restoring would overwrite it while it is read. Copy the image elsewhere or choose another "
       "destination; "
       "nothing was written."},
      {"image on destination", imageOnDestination, LanguageDeutsch,
       "Die Image-Datei /mnt/daten/%s.img liegt auf dem Ziel /dev/disk/b (Sektoren 150 bis 399); beim "
       "Wiederherstellen w\xC3\xBCrde sie \xC3\xBC"
       "berschrieben, w\xC3\xA4hrend sie gelesen wird. Kopieren Sie das "
       "Image an einen anderen Ort oder w\xC3\xA4hlen Sie ein anderes Ziel; es wurde nichts geschrieben."},
      {"image is destination", imageIsDestination, LanguageEnglish,
       "The image file /dev/sdb is the destination itself. Choose another destination; nothing was written."},
      {"image is destination", imageIsDestination, LanguageDeutsch,
       "Die Image-Datei /dev/sdb ist selbst das Ziel. W\xC3\xA4hlen Sie ein anderes Ziel; es wurde nichts "
       "geschrieben."},
      {"overlap", overlap, LanguageEnglish,
       "Source (sectors 100 to 399) and destination (sectors 300 to 599) overlap on /dev/sdb: the copy would "
       "read sectors it has already overwritten. Choose ranges that do not overlap; nothing was written."},
      {"overlap", overlap, LanguageDeutsch,
       "Quelle (Sektoren 100 bis 399) und Ziel (Sektoren 300 bis 599) \xC3\xBC"
       "berschneiden sich auf /dev/sdb: "
       "Beim Kopieren w\xC3\xBCrden Sektoren gelesen, die bereits \xC3\xBC"
       "berschrieben wurden. W\xC3\xA4hlen Sie "
       "Bereiche, die sich nicht \xC3\xBC"
       "berschneiden; es wurde nichts geschrieben."},
  };
  OneDiskPlatform platform;
  for (const Case& c : cases) {
    const MessageTexts texts = UpdateStrings(MessageCatalogue::Builtin(), c.Language);
    const auto refusal = c.Check(platform, texts);
    ASSERT_TRUE(refusal.has_value()) << c.Name;
    EXPECT_EQ(*refusal, c.Expected) << c.Name << " / language " << c.Language;
  }
}

std::size_t Slots(std::string_view text) {
  std::size_t count = 0;
  for (auto at = text.find("%s"); at != std::string_view::npos; at = text.find("%s", at + 2)) ++count;
  return count;
}

// Every text of `Texts` is filled by one key of `bindings`, and each key has
// a text in all six languages with as many slots as the English one.
template <typename Texts, typename Binding>
void CheckEveryKeyHasAllSixLanguagesWithTheSameSlots(std::span<const Binding> bindings, bool needsSlots) {
  const MessageCatalogue& catalogue = MessageCatalogue::Builtin();
  ASSERT_EQ(sizeof(Texts), bindings.size() * sizeof(std::string)) << "a text no key fills";
  Texts filled;
  for (const Binding& binding : bindings) filled.*binding.Text = std::string(binding.Key);
  for (const Binding& binding : bindings) {
    EXPECT_EQ(filled.*binding.Text, binding.Key) << "another key fills the same text";
    const MessageRow* row = nullptr;
    for (const MessageRow& candidate : catalogue.Rows()) {
      if (candidate.Key == binding.Key) row = &candidate;
    }
    ASSERT_NE(row, nullptr) << binding.Key << " is not in the catalogue as written";
    const std::size_t englishSlots = Slots(row->Texts[LanguageEnglish - 1]);
    if (needsSlots && binding.Key != "strSThousandsSeparator") EXPECT_GT(englishSlots, 0u) << binding.Key;
    for (int language = 1; language <= LanguageCount; ++language) {
      const std::string& text = row->Texts[static_cast<std::size_t>(language - 1)];
      EXPECT_FALSE(text.empty()) << binding.Key << " / language " << language;
      EXPECT_EQ(Slots(text), englishSlots) << binding.Key << " / language " << language << ": " << text;
    }
  }
}

TEST(RefusalTexts, EveryKeyHasAllSixLanguagesWithTheSameSlots) {
  CheckEveryKeyHasAllSixLanguagesWithTheSameSlots<CheckTexts>(CheckTextKeys(), true);
}

TEST(DetailTexts, EveryKeyHasAllSixLanguagesWithTheSameSlots) {
  CheckEveryKeyHasAllSixLanguagesWithTheSameSlots<DetailTexts>(DetailTextKeys(), false);
}

}  // namespace
}  // namespace drivecopy
