// The notice a terminal shows in a window smaller than the screen: the text
// the program gives it, with the window's size, wrapped to the window.
#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"
#include "platform/terminal_console.h"

namespace {

class SmallWindowNoticeTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ResetState(); }
};

TEST_F(SmallWindowNoticeTest, WithoutATextFromTheProgramTheNoticeIsCatalan) {
  EXPECT_EQ(platform::SmallWindowNotice(70, 24),
            "\x1b[1;1HLa finestra ha de fer com a m\xC3\xADnim 80 \xC3\x97 25 (ara 70 \xC3\x97 24).");
}

TEST_F(SmallWindowNoticeTest, TheProgramsTextTakesTheSizeIsConvertedAndWraps) {
  platform::SetSmallWindowNotice("La ventana debe medir como m\xA1nimo 80 \x9E 25 (ahora {W} \x9E {H}).");
  EXPECT_EQ(platform::SmallWindowNotice(79, 25),
            "\x1b[1;1HLa ventana debe medir como m\xC3\xADnimo 80 \xC3\x97 25 (ahora 79 \xC3\x97 25).");
  // 30 columns: whole words on each row, counted in characters.
  EXPECT_EQ(platform::SmallWindowNotice(30, 10),
            "\x1b[1;1HLa ventana debe medir como"
            "\x1b[2;1Hm\xC3\xADnimo 80 \xC3\x97 25 (ahora 30 \xC3\x97"
            "\x1b[3;1H10).");
  // Each placeholder wherever it stands, as often as it stands.
  platform::SetSmallWindowNotice("{H}/{W} {W}");
  EXPECT_EQ(platform::SmallWindowNotice(12, 7), "\x1b[1;1H7/12 12");
  // An empty text brings the built-in one back.
  platform::SetSmallWindowNotice("");
  EXPECT_EQ(platform::SmallWindowNotice(70, 24).substr(0, 18), "\x1b[1;1HLa finestra ");
}

}  // namespace
