#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(EHttpException, IsAnExceptionWithMessageAndSixteenBitCode)
{
    static_assert(std::is_base_of_v<Exception, EHttpException>);
    const EHttpException e("Not Found", 65535);
    EXPECT_EQ(e.Message(), "Not Found");
    EXPECT_EQ(e.ErrorCode(), 65535);
}
