// The stored password form of a data source: "~ad65", hex digits, "fe~".
#include <gtest/gtest.h>

#include <string>

#include "stored_password.h"

namespace {

using namespace std::string_literals;

// Stored forms worked out by hand from the algorithm (swap the halves of
// each byte, XOR with "wisp" cyclically, two lowercase digits per byte).
struct KnownForm {
    std::string plain;
    std::string stored;
};

const KnownForm known_forms[] = {
    {"", "~ad65fe~"},
    {"a", "~ad6561fe~"},
    {"masterkey", "~ad65a17f4437214ec526e0fe~"},
    {"\xff\x80\xc3\xa9", "~ad6588614feafe~"},  // bytes of 128 and more
    {"~ad65fe~", "~ad65907f3513240f2597fe~"},
};

TEST(StoredPassword, KnownFormsBothWays)
{
    for (const auto& [plain, stored] : known_forms) {
        EXPECT_EQ(scramble_password(plain), stored) << plain;
        EXPECT_EQ(unscramble_password(stored), plain) << stored;
        EXPECT_EQ(stored.size(), stored_password_length(plain.size()));
    }
}

TEST(StoredPassword, EveryByteValueRoundTripsAtEveryKeyPosition)
{
    // 256 bytes in order, then again shifted by one so each byte meets each
    // of the four key characters across the runs.
    for (int shift = 0; shift < 4; ++shift) {
        std::string plain(static_cast<size_t>(shift), 'x');
        for (int b = 0; b < 256; ++b) plain.push_back(static_cast<char>(b));
        std::string stored = scramble_password(plain);
        EXPECT_EQ(stored.find_first_not_of("~ad65fe0123456789abcdef"), std::string::npos);
        EXPECT_EQ(unscramble_password(stored), plain) << "shift " << shift;
    }
}

TEST(StoredPassword, TextWithoutBothMarkersPassesUnchanged)
{
    const std::string plain_texts[] = {
        "",
        "secret",
        "~ad65",      // shorter than 8
        "~ad65fe",    // 7 characters: shorter than 8
        "~ad6561fe",  // no closing "~"
        "ad6561fe~",  // no opening "~"
        "~AD6561FE~",  // markers are case-sensitive
        "x~ad6561fe~",
    };
    for (const auto& text : plain_texts) {
        EXPECT_FALSE(is_stored_password(text)) << text;
        EXPECT_EQ(unscramble_password(text), text) << text;
    }
}

TEST(StoredPassword, MarkedTextIsAlwaysTakenForStored)
{
    // A plain password that happens to carry both markers is unscrambled.
    EXPECT_TRUE(is_stored_password("~ad65fe~"));
    EXPECT_EQ(unscramble_password("~ad65fe~"), "");
    EXPECT_EQ(unscramble_password("~ad65hello world fe~").size(), 6u);
}

TEST(StoredPassword, MalformedDigitsReadWhatTheyCan)
{
    // Uppercase digits are read like lowercase ones.
    EXPECT_EQ(unscramble_password("~ad65A17F4437214EC526E0fe~"), "masterkey");
    // An odd digit before the closing marker is ignored.
    EXPECT_EQ(unscramble_password("~ad65617fe~"), "a");
    // "6g" reads as 6, "g6" as 0: the bytes come from those values.
    EXPECT_EQ(unscramble_password("~ad656gfe~"), unscramble_password("~ad6506fe~"));
    EXPECT_EQ(unscramble_password("~ad65g6fe~"), unscramble_password("~ad6500fe~"));
    // 0x77 XOR 'w' is 0: a NUL byte is kept in the result, not dropped.
    EXPECT_EQ(unscramble_password("~ad657761fe~"), "\0\x80"s);
}

TEST(StoredPassword, BufferFormsTerminateAndReportFullLength)
{
    char out[16];
    EXPECT_EQ(scramble_password("a", out, sizeof out), 10u);
    EXPECT_STREQ(out, "~ad6561fe~");

    // Cut to the buffer, terminated, full length returned.
    EXPECT_EQ(scramble_password("masterkey", out, sizeof out), 26u);
    EXPECT_STREQ(out, "~ad65a17f443721");

    EXPECT_EQ(unscramble_password("~ad65a17f4437214ec526e0fe~", out, 4), 9u);
    EXPECT_STREQ(out, "mas");

    // A null input is the empty password; a zero-sized buffer is left alone.
    out[0] = 'z';
    EXPECT_EQ(scramble_password(nullptr, out, 0), 8u);
    EXPECT_EQ(out[0], 'z');
    EXPECT_EQ(unscramble_password(nullptr, out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
}

}  // namespace
