#include "app/core/ServiceSettings.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(ServiceHost, WhatTheCommandLineAccepts)
{
    const std::pair<const char*, bool> cases[] = {
        {"localhost", true}, {"localhost:8080", true}, {"127.0.0.1:1", true}, {"kelto.example.org:65535", true}, {"a_b-c", true}, {"", false}, {":8080", false}, {"host:", false}, {"host:0", false}, {"host:08080", false}, {"host:65536", false}, {"host:99999999999", false}, {"host:80a", false}, {"host:80:81", false}, {"-host", false}, {"ho st", false}, {"host/path", false}, {"user@host", false}, {"host\r\nX: 1", false}, {"[::1]:8080", false}};
    for (const auto& [text, ok] : cases)
        EXPECT_EQ(IsServiceHost(text), ok) << text;
}

TEST(ServiceHost, OverrideAndBackToTheBuiltInOne)
{
    SetServiceHost("example.org:81");
    EXPECT_EQ(DatabaseUrl(), "http://example.org:81/kelto/kelto.txt");
    SetServiceHost("");
    EXPECT_EQ(ServiceHost(), BuiltInServiceHost());
}
