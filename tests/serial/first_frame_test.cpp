// Its own executable: the counter must be untouched by any other test when the first frame
// of the process goes out.
#include <gtest/gtest.h>

#include <cstdint>

#include "serial/link_frames.h"
#include "tests/fakes/fake_port.h"

TEST(FirstFrame, CarriesCounter1) {
    fake::ResetLine();
    const std::uint8_t payload = 0x01;
    ComL1DataToMiniZv(&payload, 1);
    ASSERT_EQ(fake::Writes().size(), 2u);
    EXPECT_EQ(fake::Writes()[1].bytes[1], 1);
}
