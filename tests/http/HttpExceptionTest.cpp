#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(EHttpException, CarriesMessageAndSixteenBitCode)
{
    try {
        throw EHttpException("Not Found", 404);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Not Found");
        const auto* h = dynamic_cast<const EHttpException*>(&e);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->ErrorCode(), 404);
    }
    EXPECT_EQ(EHttpException("x", 65535).ErrorCode(), 65535);
}
