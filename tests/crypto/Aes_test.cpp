#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "crypto/Aes.h"
#include "support/HexOctets.h"

namespace {

// NIST SP 800-38A F.3.13 (CFB128-AES128.Encrypt) and F.3.14 (.Decrypt).
constexpr std::string_view kKey = "2b7e151628aed2a6abf7158809cf4f3c";
constexpr std::string_view kIv = "000102030405060708090a0b0c0d0e0f";
constexpr std::string_view kPlaintext =
    "6bc1bee22e409f96e93d7e117393172a"
    "ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef"
    "f69f2445df4f9b17ad2b417be66c3710";
constexpr std::string_view kCiphertext =
    "3b3fd92eb72dad20333449f8e83cfb4a"
    "c8a64537a0b3a93fcde3cdad9f1ce58b"
    "26751f67a3cbb140b1808cf187a4f4df"
    "c04b05357c5d1c0eeac4c66f9ff7f2e6";

std::string Crypt(Aes128Cfb& aes, std::string_view input, std::size_t length) {
    const auto iv = HexOctets(kIv);
    AesBlock ivBlock;
    std::copy(iv.begin(), iv.end(), ivBlock.begin());
    auto buffer = HexOctets(input);
    buffer.resize(length);
    EXPECT_TRUE(aes.Crypt(ivBlock, buffer));
    return ToHex(buffer, length);
}

}  // namespace

// Whole blocks, and lengths that end inside a block: CFB needs no padding. Each call
// starts again from its IV with the schedule made once.
TEST(Aes128Cfb, GivesTheSp800_38aCfb128VectorsAtAnyLength) {
    const auto key = HexOctets(kKey);
    const std::span<const uint8_t, 16> keyOctets(key.data(), 16);
    Aes128Cfb encrypt(keyOctets, kAesEncrypt);
    Aes128Cfb decrypt(keyOctets, kAesDecrypt);
    for (std::size_t length : {64, 64, 1, 21, 47}) {
        EXPECT_EQ(Crypt(encrypt, kPlaintext, length), kCiphertext.substr(0, 2 * length)) << length;
        EXPECT_EQ(Crypt(decrypt, kCiphertext, length), kPlaintext.substr(0, 2 * length)) << length;
    }
}

// Decryption takes groups of 32 blocks at a time: across and inside group boundaries it must
// undo what encryption, one block after another, did.
TEST(Aes128Cfb, LongBuffersRoundTripAcrossDecryptionGroups) {
    const auto key = HexOctets(kKey);
    const std::span<const uint8_t, 16> keyOctets(key.data(), 16);
    Aes128Cfb encrypt(keyOctets, kAesEncrypt);
    Aes128Cfb decrypt(keyOctets, kAesDecrypt);
    AesBlock iv;
    for (std::size_t i = 0; i < iv.size(); ++i) iv[i] = uint8_t(0xA0 + i);
    for (std::size_t length : {511, 512, 513, 528, 1024, 1500}) {
        std::vector<uint8_t> plain(length);
        for (std::size_t i = 0; i < length; ++i) plain[i] = uint8_t(i * 29 + 3);
        auto buffer = plain;
        ASSERT_TRUE(encrypt.Crypt(iv, buffer));
        ASSERT_TRUE(decrypt.Crypt(iv, buffer));
        EXPECT_EQ(buffer, plain) << length;
    }
}
