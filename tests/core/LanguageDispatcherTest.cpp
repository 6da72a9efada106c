#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/translation/LanguageDispatcher.h"

namespace drivecopy {
namespace {

// A translator that records the languages its tables were applied in and
// counts its change events.
class RecordingTranslator : public LanguageTranslator {
 public:
  explicit RecordingTranslator(int designLanguage) : LanguageTranslator(designLanguage) {
    SetChangeHandler([this] { ++changeEvents; });
  }
  std::vector<int> applied;
  int changeEvents = 0;

 protected:
  void ApplyTables(int language) override {
    // The tables are applied before the change event is raised.
    EXPECT_EQ(static_cast<int>(applied.size()), changeEvents);
    applied.push_back(language);
  }
};

TEST(LanguageDispatcher, RefusesNumbersOutsideOneToSixWithTheExactTextAndChangesNothing) {
  LanguageDispatcher dispatcher;
  RecordingTranslator translator(2);
  dispatcher.Link(translator);
  ASSERT_FALSE(dispatcher.SetActiveLanguage(3).has_value());

  struct Case {
    long long Language;
    const char* Expected;
  } cases[] = {
      {0, "0 - is not a valid property value!\rValue must be within [1..6]!"},
      {7, "7 - is not a valid property value!\rValue must be within [1..6]!"},
      {-1, "-1 - is not a valid property value!\rValue must be within [1..6]!"},
      {4294967298LL, "4294967298 - is not a valid property value!\rValue must be within [1..6]!"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dispatcher.SetActiveLanguage(c.Language), std::optional<std::string>(c.Expected));
    EXPECT_EQ(translator.SetLanguage(c.Language), std::optional<std::string>(c.Expected));
  }
  EXPECT_EQ(dispatcher.ActiveLanguage(), 3);
  EXPECT_EQ(translator.Language(), 3);
  EXPECT_EQ(translator.applied, std::vector<int>{3});
  EXPECT_EQ(translator.changeEvents, 1);
}

TEST(LanguageDispatcher, ALanguageChangeRunsEachTranslatorOnceAndTheSameLanguageNothing) {
  LanguageDispatcher dispatcher;
  RecordingTranslator main(2);
  RecordingTranslator clone(1);  // designed in German
  dispatcher.Link(main);
  dispatcher.Link(clone);  // adopts English: the German design is translated
  dispatcher.Link(main);   // a second link changes nothing
  EXPECT_EQ(main.changeEvents, 0);
  EXPECT_EQ(clone.applied, std::vector<int>{2});

  EXPECT_FALSE(dispatcher.SetActiveLanguage(2).has_value());  // already active
  EXPECT_EQ(main.changeEvents, 0);
  EXPECT_EQ(clone.changeEvents, 1);

  EXPECT_FALSE(dispatcher.SetActiveLanguage(1).has_value());
  EXPECT_EQ(main.applied, std::vector<int>{1});
  EXPECT_EQ(clone.applied, (std::vector<int>{2, 1}));
  EXPECT_EQ(main.changeEvents, 1);
  EXPECT_EQ(clone.changeEvents, 2);

  EXPECT_FALSE(dispatcher.SetActiveLanguage(1).has_value());  // same again: no events
  EXPECT_EQ(main.changeEvents, 1);
  EXPECT_EQ(clone.changeEvents, 2);

  dispatcher.Unlink(clone);
  EXPECT_FALSE(dispatcher.SetActiveLanguage(5).has_value());
  EXPECT_EQ(main.Language(), 5);
  EXPECT_EQ(clone.Language(), 1);  // no longer linked
}

TEST(LanguageDispatcher, ALinkedTranslatorAdoptsTheActiveLanguage) {
  LanguageDispatcher dispatcher;
  EXPECT_EQ(dispatcher.ActiveLanguage(), 2);
  ASSERT_FALSE(dispatcher.SetActiveLanguage(3).has_value());
  RecordingTranslator info(2);
  dispatcher.Link(info);
  EXPECT_EQ(info.Language(), 3);
  EXPECT_EQ(info.applied, std::vector<int>{3});
  EXPECT_EQ(info.changeEvents, 1);

  RecordingTranslator alreadyJapanese(3);
  dispatcher.Link(alreadyJapanese);  // its design language: nothing to apply
  EXPECT_TRUE(alreadyJapanese.applied.empty());
  EXPECT_EQ(alreadyJapanese.changeEvents, 0);
}

}  // namespace
}  // namespace drivecopy
