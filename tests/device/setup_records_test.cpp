// The two record types are the same 130 bytes, the PC record with its number in front.
#include "device/setup_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace {

using Record = std::array<std::uint8_t, 130>;

Record Filled(std::uint8_t value) {
    Record bytes;
    bytes.fill(value);
    return bytes;
}

Record Counting() {
    Record bytes;
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        bytes[k] = static_cast<std::uint8_t>(k + 1);
    }
    return bytes;
}

Record BytesOf(const modul_setup& unit) {
    Record bytes;
    std::memcpy(bytes.data(), &unit, bytes.size());
    return bytes;
}

// Byte 0 of the PC record is its number; bytes 1..130 are the setup bytes.
std::array<std::uint8_t, 131> BytesOf(const TPcModulSetup& pc) {
    std::array<std::uint8_t, 131> bytes;
    std::memcpy(bytes.data(), &pc, bytes.size());
    return bytes;
}

TPcModulSetup PcRecord(std::uint8_t number, const Record& setup) {
    std::array<std::uint8_t, 131> bytes;
    bytes[0] = number;
    std::memcpy(bytes.data() + 1, setup.data(), setup.size());
    TPcModulSetup pc;
    std::memcpy(&pc, bytes.data(), sizeof pc);
    return pc;
}

modul_setup UnitRecord(const Record& setup) {
    modul_setup unit;
    std::memcpy(&unit, setup.data(), sizeof unit);
    return unit;
}

struct RecordCase {
    const char* name;
    std::uint8_t number;
    Record setup;
};

class Conversion : public ::testing::TestWithParam<RecordCase> {};

TEST_P(Conversion, PcToUnitDropsTheNumber) {
    const RecordCase& c = GetParam();
    modul_setup unit = UnitRecord(Filled(0xEE));
    PcToUnitSetup(PcRecord(c.number, c.setup), unit);
    EXPECT_EQ(BytesOf(unit), c.setup);
}

TEST_P(Conversion, UnitToPcCarriesTheGivenNumber) {
    const RecordCase& c = GetParam();
    TPcModulSetup pc = PcRecord(0xEE, Filled(0xEE));
    UnitToPcSetup(UnitRecord(c.setup), c.number, pc);
    const std::array<std::uint8_t, 131> bytes = BytesOf(pc);
    EXPECT_EQ(bytes[0], c.number);
    EXPECT_EQ(0, std::memcmp(bytes.data() + 1, c.setup.data(), c.setup.size()));
}

TEST_P(Conversion, ThereAndBackKeepsTheSetupBytes) {
    const RecordCase& c = GetParam();
    TPcModulSetup pc{};
    UnitToPcSetup(UnitRecord(c.setup), c.number, pc);
    modul_setup back{};
    PcToUnitSetup(pc, back);
    EXPECT_EQ(BytesOf(back), c.setup);
}

INSTANTIATE_TEST_SUITE_P(Records, Conversion,
                         ::testing::Values(RecordCase{"AllZeroCentral", 0, Filled(0)},
                                           RecordCase{"All255Modul200", 200, Filled(255)},
                                           RecordCase{"CountingModul1", 1, Counting()},
                                           RecordCase{"CountingNumber9", 9, Counting()},
                                           RecordCase{"NumberAbove200", 255, Counting()}),
                         [](const ::testing::TestParamInfo<RecordCase>& param_info) {
                             return param_info.param.name;
                         });

// The fields lie where the unit and the setup file expect them.
TEST(RecordLayout, FieldsFollowTheNumber) {
    const TPcModulSetup pc = PcRecord(7, Counting());
    EXPECT_EQ(pc.number, 7);
    EXPECT_EQ(pc.lead[0], 1);
    EXPECT_EQ(pc.group[0][0], 3);
    EXPECT_EQ(pc.group[39][2], 122);
    EXPECT_EQ(pc.tail[7], 130);
}

}  // namespace
