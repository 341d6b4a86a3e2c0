#include <gtest/gtest.h>

#include "core/sdk_error_text.hpp"

namespace orvane {
namespace {

TEST(SdkErrorText, CodesAtTheEdgesOfTheTableAndItsGaps) {
    EXPECT_EQ(DescribeSdkError(0), u"没有错误。");
    EXPECT_EQ(DescribeSdkError(0).size(), 5u);
    EXPECT_EQ(DescribeSdkError(1), u"用户名密码错误。注册时输入的用户名或者密码错误。 ");
    EXPECT_EQ(DescribeSdkError(1).size(), 25u);
    EXPECT_EQ(DescribeSdkError(114), u"设备配置核心组件加载失败。 ");
    EXPECT_EQ(DescribeSdkError(115), u"错误码{code}");
    EXPECT_EQ(DescribeSdkError(121), u"单独加载组件时，组件与core版本不匹配。 ");
    EXPECT_EQ(DescribeSdkError(188), u"连接尚未建立或连接无效 ");
    EXPECT_EQ(DescribeSdkError(189), u"错误码{code}");
    EXPECT_EQ(DescribeSdkError(0xFFFFFFFFu), u"错误码{code}");
    EXPECT_EQ(DescribeSdkError(0x80000000u), u"错误码{code}");
    EXPECT_EQ(std::u16string(kDefaultErrorText).size(), 9u);
    EXPECT_EQ(std::u16string(kSdkNotReadyText).size(), 10u);
}

TEST(SdkErrorText, GapsAreExactlyTheUndocumentedCodes) {
    const std::u16string fallback(kDefaultErrorText);
    std::vector<uint32_t> gaps;
    for (uint32_t code = 0; code < kSdkErrorTableSize; ++code) {
        if (DescribeSdkError(code) == fallback) gaps.push_back(code);
    }
    const std::vector<uint32_t> expected = {115, 116, 117, 118, 119, 120, 129, 130, 131,
                                            132, 133, 134, 135, 143, 144, 145, 146, 147,
                                            148, 149, 151, 159, 160, 161, 162, 163, 164};
    EXPECT_EQ(gaps, expected);
}

TEST(SdkErrorText, TextsKeepTheirTrailingSpacesAndPunctuation) {
    std::vector<uint32_t> withoutSpace;
    size_t shortest = 1000, longest = 0;
    for (uint32_t code = 0; code < kSdkErrorTableSize; ++code) {
        const std::u16string text = DescribeSdkError(code);
        if (text == kDefaultErrorText) continue;
        shortest = std::min(shortest, text.size());
        longest = std::max(longest, text.size());
        if (text.back() != u' ') withoutSpace.push_back(code);
    }
    EXPECT_EQ(withoutSpace, (std::vector<uint32_t>{0, 18, 22, 26, 40}));
    EXPECT_EQ(shortest, 4u);
    EXPECT_EQ(longest, 90u);
    EXPECT_NE(DescribeSdkError(4).find(u'\u201C'), std::u16string::npos);
    EXPECT_NE(DescribeSdkError(4).find(u'\u201D'), std::u16string::npos);
    EXPECT_EQ(DescribeSdkError(183), u"已达到端口复用最大数目。 ");
    EXPECT_EQ(DescribeSdkError(187), u"已达到端口复用最大数目 ");
    EXPECT_EQ(DescribeSdkError(62), u"图片高*宽超限，限128*256。 ");
    EXPECT_EQ(DescribeSdkError(152), u"用户名不存在（V5.1.7~V5.3.1版本的IPC、IPD的错误码）。 ");
}

}  // namespace
}  // namespace orvane
