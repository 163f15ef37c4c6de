#include "format/image_reader.h"
#include "format/image_writer.h"
#include "format/record.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {
std::string countBytes(std::uint32_t count) {
    std::string out;
    appendCount(out, count);
    return out;
}
std::uint32_t readCount(const std::string& bytes) {
    ImageReader in(bytes);
    return in.count();
}
} // namespace

TEST(CountPrefix, WritersPickTheSmallestFormAndReadersAcceptEveryForm) {
    EXPECT_EQ(countBytes(0), std::string(1, '\0'));
    EXPECT_EQ(countBytes(254), "\xFE");
    EXPECT_EQ(countBytes(255), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(countBytes(65533), "\xFF\xFD\xFF");
    EXPECT_EQ(countBytes(65534), std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7));
    EXPECT_EQ(countBytes(70000), std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7));

    for (std::uint32_t n : {0u, 254u, 255u, 65533u, 65534u, 70000u, 0x7fffffffu})
        EXPECT_EQ(readCount(countBytes(n)), n);
    EXPECT_EQ(readCount("\xFF\xFE\xFF"), 65534u); // the 3-byte form of 65534 still reads
}

TEST(CountedString, EmptyAndLongStringsAreFramedByTheirCount) {
    std::string out;
    appendCountedString(out, "");
    EXPECT_EQ(out, std::string(1, '\0'));
    out.clear();
    appendCountedString(out, std::string(255, 'x'));
    EXPECT_EQ(out.substr(0, 3), std::string("\xFF\xFF\x00", 3));
    ImageReader in(out);
    EXPECT_EQ(in.string().size(), 255u);
    EXPECT_EQ(in.position(), 259u);
    EXPECT_TRUE(in.atEnd());
}

TEST(ImageReader, AReadPastTheEndIsReportedWhereItBegan) {
    const std::string bytes = "\x05"
                              "abc";
    ImageReader in(bytes);
    try {
        in.string();
        FAIL() << "read past the end";
    } catch (const FileDamage& overrun) {
        EXPECT_EQ(overrun.kind(), FileDamage::Kind::Overrun);
        EXPECT_EQ(overrun.position(), 1u);
        EXPECT_STREQ(overrun.what(), "damaged at position 1");
    }
    // A name holding a byte below 32 is damage at the name's first character.
    ImageReader named(std::string_view("\x00\x03"
                                       "a\x1f"
                                       "b",
                                       5),
                      2);
    try {
        readRecordName(named);
        FAIL() << "a control byte in a name";
    } catch (const FileDamage& damaged) {
        EXPECT_EQ(damaged.kind(), FileDamage::Kind::DamagedName);
        EXPECT_EQ(damaged.name(), "a\x1f"
                                  "b");
        EXPECT_EQ(damaged.position(), 3u);
    }
    ImageReader words(std::string_view("\x01\x02\x03", 3));
    EXPECT_THROW(words.u32(), FileDamage);
    EXPECT_EQ(words.u16At(1), 0x0201);
    EXPECT_EQ(ImageReader(std::string_view("\x01\x02\x03\x04", 4)).u32Low16(), 0x0201);
    EXPECT_THROW(words.u16At(3), FileDamage);
    EXPECT_THROW(words.skip(4), FileDamage);
    // A 7-byte count beyond the signed 32-bit range is damage, not a huge string.
    EXPECT_THROW(readCount(std::string("\xFF\xFF\xFF\x00\x00\x00\x80", 7)), FileDamage);
}

} // namespace qmk
