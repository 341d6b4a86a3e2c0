#include <gtest/gtest.h>

#include <array>

#include "core/failure_description.hpp"
#include "core/failure_record.hpp"
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

// Both languages come from one table: a code has an English text exactly when
// it has its own library text, and every English text is short printable ASCII
// without a trailing space.
TEST(SdkErrorText, EveryDescribedCodeHasAnEnglishText) {
    for (uint32_t code = 0; code < kSdkErrorTableSize + 2; ++code) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        const bool described = SdkErrorText(code) != kDefaultErrorText;
        const std::string_view english = SdkErrorEnglishText(code);
        ASSERT_EQ(!english.empty(), described);
        const std::string text = EnglishFailureText(static_cast<int32_t>(code));
        EXPECT_LE(text.size(), 90u);
        EXPECT_NE(text.back(), ' ');
        for (char c : text) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << "unit " << int(c);
        if (!described) {
            EXPECT_EQ(text, "No description for error code " + std::to_string(code));
        }
    }
}

std::u16string Describe(int32_t code, int32_t language) {
    const int32_t length = DescribeFailure(code, language, nullptr, 0);
    if (length < 0) return u"(none)";
    std::u16string text(static_cast<size_t>(length) + 1, u'?');
    EXPECT_EQ(DescribeFailure(code, language, reinterpret_cast<uint16_t*>(text.data()), length + 1), length);
    EXPECT_EQ(text.back(), u'\0');
    text.pop_back();
    return text;
}

TEST(FailureDescription, LibraryTextIsWhatTheRecordHoldsAndEnglishNamesUnknownNumbers) {
    const struct {
        int32_t code;
        std::u16string library;
        std::u16string english;
    } cases[] = {
        {kSdkNotReadyCode, std::u16string(kSdkNotReadyText), u"The SDK failed to initialize!"},
        {0, u"没有错误。", u"No error."},
        {1, u"用户名密码错误。注册时输入的用户名或者密码错误。 ", u"Wrong user name or password."},
        {115, u"错误码{code}", u"No description for error code 115"},
        {188, u"连接尚未建立或连接无效 ", u"Connection not established or invalid"},
        {189, u"错误码{code}", u"No description for error code 189"},
        // Read as unsigned for the library text, named as passed in English.
        {-2, u"错误码{code}", u"No description for error code -2"},
        {INT32_MIN, u"错误码{code}", u"No description for error code -2147483648"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code);
        EXPECT_EQ(Describe(c.code, kLanguageLibrary), c.library);
        EXPECT_EQ(Describe(c.code, kLanguageEnglish), c.english);
        if (c.code >= 0) {
            EXPECT_EQ(Describe(c.code, kLanguageLibrary), DescribeSdkError(static_cast<uint32_t>(c.code)));
        }
    }
}

// The buffer rules are CamLastFailureText's; an unknown language writes nothing.
TEST(FailureDescription, BufferRulesAndUnknownLanguages) {
    const struct {
        int32_t language;
        bool nullBuffer;
        int32_t capacity;
        int32_t result;
        std::array<uint16_t, 4> after;
    } cases[] = {
        {kLanguageEnglish, false, 4, 9, {'N', 'o', ' ', 0}},
        {kLanguageEnglish, false, 1, 9, {0, 0xAAAA, 0xAAAA, 0xAAAA}},
        {kLanguageEnglish, false, 0, 9, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {kLanguageEnglish, false, -7, 9, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {kLanguageEnglish, true, 4, 9, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {kLanguageLibrary, false, 4, 5, {0x6CA1, 0x6709, 0x9519, 0}},
        {2, false, 4, -1, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {-1, false, 4, -1, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
        {INT32_MAX, true, 0, -1, {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "language " << c.language << " capacity " << c.capacity);
        std::array<uint16_t, 4> buffer;
        buffer.fill(0xAAAA);
        EXPECT_EQ(DescribeFailure(0, c.language, c.nullBuffer ? nullptr : buffer.data(), c.capacity),
                  c.result);
        EXPECT_EQ(buffer, c.after);
    }
}

}  // namespace
}  // namespace orvane
