// The live page as built into orvane: every file under its path and type, and
// every file the page asks for is one that is built in.
#include "serve/page_assets.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

using orvane_cli::serve::FindPageAsset;

TEST(PageAssets, EachFileUnderItsPathWithItsType) {
    const struct {
        const char* path;
        const char* type;
        const char* begins;
    } cases[] = {
        {"/", "text/html; charset=utf-8", "<!doctype html>"},
        {"/app.js", "text/javascript; charset=utf-8", "//"},
        {"/view.js", "text/javascript; charset=utf-8", "//"},
        {"/chart.js", "text/javascript; charset=utf-8", "//"},
        {"/style.css", "text/css; charset=utf-8", "/*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto* asset = FindPageAsset(c.path);
        ASSERT_NE(asset, nullptr);
        EXPECT_EQ(asset->path, c.path);
        EXPECT_EQ(asset->contentType, c.type);
        EXPECT_EQ(asset->body.substr(0, std::string_view(c.begins).size()), c.begins);
        // Whole files: no terminator of the generated literal, nothing cut off.
        EXPECT_EQ(asset->body.find('\0'), std::string_view::npos);
        EXPECT_EQ(asset->body.back(), '\n');
    }
    for (const char* other : {"/index.html", "", "/app", "/APP.JS", "/../app.js", "/app.js?x", "/metrics"}) {
        EXPECT_EQ(FindPageAsset(other), nullptr) << other;
    }
}

TEST(PageAssets, WhatThePageLoadsIsBuiltIn) {
    const std::regex reference(R"((?:src|href)="(/[^"]*)\"|from "\./([^"]+)\")");
    for (const char* path : {"/", "/app.js", "/chart.js"}) {
        const std::string body(FindPageAsset(path)->body);
        int found = 0;
        for (std::sregex_iterator it(body.begin(), body.end(), reference), end; it != end; ++it, ++found) {
            const std::string target = (*it)[1].matched ? (*it)[1].str() : "/" + (*it)[2].str();
            const bool endpoint =
                target.rfind("/api/", 0) == 0 || target == "/metrics" || target == "/healthz";
            EXPECT_TRUE(endpoint || FindPageAsset(target) != nullptr) << path << " loads " << target;
        }
        EXPECT_GT(found, 0) << path;
    }
}

}  // namespace
