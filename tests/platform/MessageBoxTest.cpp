#include "platform/MessageBox.h"

#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(MessageBox, TerminalLineIsUtf8WithSubjectAndReason)
{
    CStderrMessageBox box("prog: ");
    testing::internal::CaptureStderr();
    box.Show({"ソフトＫＢ定義ファイルがオープンできません", MessageIcon::Exclamation, ENOENT, "softKB.skb"});
    box.Show({"plain", MessageIcon::None});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              // The expected line is UTF-8, as the terminal gets it.
              u8"prog: ソフトＫＢ定義ファイルがオープンできません (softKB.skb: " + SystemErrorText(ENOENT) +
                  ")\nprog: plain\n");
}
