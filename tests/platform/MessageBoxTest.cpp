#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MessageBox, SinkReceivesTextAndIconAndIsRestored)
{
    std::vector<std::string> outer;
    ScopedMessageSink outerSink([&](const std::string& t, MessageIcon) { outer.push_back(t); });
    {
        std::vector<std::pair<std::string, MessageIcon>> inner;
        ScopedMessageSink innerSink([&](const std::string& t, MessageIcon i) { inner.emplace_back(t, i); });
        ShowMessage("ファイル書き込みに失敗しました。");
        ShowMessage("plain", MessageIcon::None);
        ASSERT_EQ(inner.size(), 2u);
        EXPECT_EQ(inner[0].first, "ファイル書き込みに失敗しました。");
        EXPECT_EQ(inner[0].second, MessageIcon::Exclamation);
        EXPECT_EQ(inner[1].second, MessageIcon::None);
    }
    ShowMessage("after");
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(outer[0], "after");
}
