#include "numbers/currency.h"

#include <gtest/gtest.h>

#include "numbers/numbers_state.h"

namespace {

using numbers::CurAlt;
using numbers::CurBase;
using numbers::CurDisplay;
using numbers::SetCurrency;

class Currency : public ::testing::Test {
 protected:
  void SetUp() override { numbers::ResetState(); }
  void TearDown() override { numbers::ResetState(); }
};

TEST_F(Currency, AllEmptyAtStart) {
  EXPECT_EQ(CurBase(), "");
  EXPECT_EQ(CurAlt(), "");
  EXPECT_EQ(CurDisplay(), "");
}

TEST_F(Currency, CommandSequences) {
  struct Step {
    const char* command;
    const char* base;
    const char* alt;
    const char* display;
  };
  struct Sequence {
    const char* name;
    std::vector<Step> steps;
  } const sequences[] = {
      {"start-up, receipts, back without an alternate",
       {{"a,E", "E", "", "E"}, {"p", "E", "", "E"}, {"", "E", "", "E"}}},
      {"alternate pesetas shown on the receipts screen",
       {{"a,E", "E", "", "E"}, {"x,P", "E", "P", "E"}, {"p", "E", "P", "P"}, {"", "E", "P", "E"}}},
      {"blanks after the comma give the defaults",
       {{"a,   ", "E", "", "E"}, {"b,  ", "E", "E", "E"}, {"a,", "E", "E", "E"}}},
      {"small letters are stored as capitals",
       {{"a,p", "P", "", "P"}, {"A, e", "E", "", "E"}, {"s,  p  q", "E", "P", "E"}, {"P", "E", "P", "P"}}},
      {"alternate with nothing after the comma takes the base, even an empty one",
       {{",", "", "", ""}, {"a,D", "D", "", "D"}, {"z,", "D", "D", "D"}}},
      {"the letter is the first non-blank after the first comma, whatever it is",
       {{"a,,X", ",", "", ","}, {"a, ,Y", ",", "", ","}, {"a, XY", "X", "", "X"}}},
      {"without a comma only a first P shows the alternate",
       {{"a,E", "E", "", "E"},
        {"q,P", "E", "P", "E"},
        {"pesetas", "E", "P", "P"},
        {" p", "E", "P", "E"},
        {"p", "E", "P", "P"},
        {"a", "E", "P", "E"}}},
      {"a display request before any base is set",
       {{"p", "", "", ""}, {"x,P", "", "P", ""}, {"p", "", "P", "P"}}},
  };
  for (const auto& sequence : sequences) {
    numbers::ResetState();
    for (const auto& step : sequence.steps) {
      SetCurrency(step.command);
      EXPECT_EQ(CurBase(), step.base) << sequence.name << ", after \"" << step.command << "\"";
      EXPECT_EQ(CurAlt(), step.alt) << sequence.name << ", after \"" << step.command << "\"";
      EXPECT_EQ(CurDisplay(), step.display) << sequence.name << ", after \"" << step.command << "\"";
    }
  }
}

TEST_F(Currency, OddBytesNeverCrash) {
  SetCurrency(std::string("a,\0", 3));
  EXPECT_EQ(CurBase(), std::string(1, '\0'));
  SetCurrency(std::string("\xA4,\xFF"));
  EXPECT_EQ(CurAlt(), "\xFF");
}

}  // namespace
