#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "crypto/CryptoPaths.h"
#include "crypto/Des.h"
#include "crypto/DesInternal.h"
#include "crypto/Sha1Blocks.h"
#include "support/HexOctets.h"

namespace {

DesBlock BlockOf(std::string_view hex) {
    DesBlock block{};
    const auto octets = HexOctets(hex);
    std::copy(octets.begin(), octets.end(), block.begin());
    return block;
}

// FIPS 81 appendix C, table C1: CBC with key 0123456789abcdef and IV 1234567890abcdef over
// "Now is the time for all ".
const DesBlock kFips81Key = BlockOf("0123456789abcdef");
const DesBlock kFips81Iv = BlockOf("1234567890abcdef");
const std::string kFips81Plain = "4e6f772069732074 68652074696d6520 666f7220616c6c20";
const std::string kFips81Cipher = "e5c7cdde872bf27c 43e934008c389c0f 683788499a7c05f6";

}  // namespace

TEST(DesCbc, DecryptsTheFips81Example) {
    auto buffer = HexOctets(kFips81Cipher);
    DesBlock iv = kFips81Iv;
    DesCbcDecrypt(kFips81Key, iv, buffer);
    EXPECT_EQ(buffer, HexOctets(kFips81Plain));
    EXPECT_EQ(iv, BlockOf("683788499a7c05f6"));  // the last ciphertext block

    buffer = HexOctets(kFips81Cipher);
    iv = kFips81Iv;
    ASSERT_EQ(DesCbc(kFips81Key, buffer, buffer.size(), kDesDecrypt, iv), 0);
    EXPECT_EQ(buffer, HexOctets(kFips81Plain));
    EXPECT_EQ(iv, BlockOf("683788499a7c05f6"));
}

TEST(DesCbc, EncryptsTheFips81Example) {
    auto buffer = HexOctets(kFips81Plain);
    DesBlock iv = kFips81Iv;
    ASSERT_EQ(DesCbc(kFips81Key, buffer, buffer.size(), kDesEncrypt, iv), 0);
    EXPECT_EQ(buffer, HexOctets(kFips81Cipher));
    EXPECT_EQ(iv, BlockOf("683788499a7c05f6"));
}

// Single blocks with a zero IV are plain DES: the FIPS 81 ECB example (table B1) and a
// variable-plaintext entry of NBS SP 500-20 with the parity-only key.
TEST(DesCbc, SingleBlocksMatchPublishedDesValues) {
    struct {
        std::string_view key, plain, cipher;
    } const kCases[] = {
        {"0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815"},
        {"0101010101010101", "8000000000000000", "95f8a5e5dd31d900"},
        {"0101010101010101", "0000000000000001", "166b40b44aba4bd6"},
    };
    for (const auto& c : kCases) {
        auto buffer = HexOctets(c.plain);
        DesBlock iv{};
        ASSERT_EQ(DesCbc(BlockOf(c.key), buffer, 8, kDesEncrypt, iv), 0);
        EXPECT_EQ(ToHex(buffer, 8), c.cipher) << c.key << " " << c.plain;
        iv = {};
        DesCbcDecrypt(BlockOf(c.key), iv, buffer);
        EXPECT_EQ(ToHex(buffer, 8), c.plain);
    }
}

TEST(DesCbc, ParityBitsOfTheKeyAreIgnored) {
    auto buffer = HexOctets(kFips81Cipher);
    DesBlock iv = kFips81Iv;
    DesCbcDecrypt(BlockOf("0022446688aaccee"), iv, buffer);  // each octet's low bit cleared
    EXPECT_EQ(buffer, HexOctets(kFips81Plain));
}

TEST(DesCbcDecrypt, LeavesOctetsAfterTheLastWholeBlockAlone) {
    auto buffer = HexOctets(kFips81Cipher);
    buffer.resize(20);  // two whole blocks and four octets
    const std::vector<uint8_t> tail(buffer.begin() + 16, buffer.end());
    DesBlock iv = kFips81Iv;
    DesCbcDecrypt(kFips81Key, iv, buffer);
    auto plain = HexOctets(kFips81Plain);
    plain.resize(16);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 16), plain);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 16, buffer.end()), tail);
    EXPECT_EQ(iv, BlockOf("43e934008c389c0f"));
}

TEST(DesCbc, RaisesAPartialLengthOnlyWithinTheBuffer) {
    // 20 octets are raised to 24, which the buffer holds.
    auto buffer = HexOctets(kFips81Plain);
    DesBlock iv = kFips81Iv;
    ASSERT_EQ(DesCbc(kFips81Key, buffer, 20, kDesEncrypt, iv), 0);
    EXPECT_EQ(buffer, HexOctets(kFips81Cipher));

    // 20 octets in a 20-octet buffer would need 24: refused, nothing touched.
    buffer = HexOctets(kFips81Plain);
    buffer.resize(20);
    const auto before = buffer;
    iv = kFips81Iv;
    EXPECT_EQ(DesCbc(kFips81Key, buffer, 20, kDesEncrypt, iv), 1);
    EXPECT_EQ(buffer, before);
    EXPECT_EQ(iv, kFips81Iv);
}

TEST(MakeIv, XorsPreIvWithSalt) {
    DesBlock iv{};
    const auto salt = HexOctets("00000001ffffffff");
    MakeIv(BlockOf("0123456789abcdef"), std::span<const uint8_t, 8>(salt.data(), 8), iv);
    EXPECT_EQ(iv, BlockOf("0123456676543210"));
}

// Long buffers are decrypted several blocks at a time; the result must be that of one block
// after another, and encryption must undo it.
TEST(DesCbc, LongBuffersDecryptAsBlockAfterBlockAndRoundTrip) {
    std::vector<uint8_t> plain(8 * 11);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 37 + 5);
    auto cipher = plain;
    DesBlock iv = kFips81Iv;
    ASSERT_EQ(DesCbc(kFips81Key, cipher, cipher.size(), kDesEncrypt, iv), 0);
    const DesBlock lastCipherBlock = iv;

    auto oneCall = cipher;
    iv = kFips81Iv;
    DesCbcDecrypt(kFips81Key, iv, oneCall);
    EXPECT_EQ(oneCall, plain);
    EXPECT_EQ(iv, lastCipherBlock);

    auto blockByBlock = cipher;
    iv = kFips81Iv;
    for (std::size_t at = 0; at < blockByBlock.size(); at += 8) {
        DesCbcDecrypt(kFips81Key, iv, std::span(blockByBlock).subspan(at, 8));
    }
    EXPECT_EQ(blockByBlock, plain);
}

// Each vector path the processor runs must give the portable path's plaintext and IV octet
// for octet: for lone and paired groups, full or not, and with octets past the last whole
// block.
TEST(DesCbcDecrypt, VectorPathsMatchThePortableOne) {
#if defined(__x86_64__)
    using Decryption = void (*)(const DesKey&, DesBlock&, std::span<uint8_t>);
    std::vector<std::pair<const char*, Decryption>> paths;
    if (DesAvx512Usable()) paths.emplace_back("AVX-512", DesCbcDecryptAvx512);
    if (DesAvx2Usable()) paths.emplace_back("AVX2", DesCbcDecryptAvx2);
    if (paths.empty()) GTEST_SKIP() << "this processor lacks AVX2";
    std::vector<std::size_t> lengths;
    for (std::size_t blocks = 0; blocks <= 16; ++blocks) lengths.push_back(8 * blocks);
    for (std::size_t blocks : {17, 20, 31, 32, 33, 40, 41, 48, 64, 65, 300})
        lengths.push_back(8 * blocks);
    lengths.insert(lengths.end(), {8 * 20 + 5, 8 * 33 + 7});

    std::mt19937 random(1977);
    const auto fill = [&](auto& octets) {
        for (uint8_t& octet : octets) octet = uint8_t(random());
    };
    for (const std::size_t length : lengths) {
        DesBlock keyOctets, iv;
        fill(keyOctets);
        fill(iv);
        const DesKey key(keyOctets);
        std::vector<uint8_t> cipher(length);
        fill(cipher);

        auto portable = cipher;
        DesBlock portableIv = iv;
        DesCbcDecryptPortable(key, portableIv, portable);
        for (const auto& [name, decrypt] : paths) {
            auto vector = cipher;
            DesBlock vectorIv = iv;
            decrypt(key, vectorIv, vector);
            EXPECT_EQ(vector, portable) << name << ", " << length << " octets";
            EXPECT_EQ(vectorIv, portableIv) << name << ", " << length << " octets";
        }
    }
#else
    GTEST_SKIP() << "no vector path on this architecture";
#endif
}

// The benchmarks' switch to fewer paths. SHA-1 and DES choose their code once, so each limit
// is tried in a fresh process of its own (gtest's threadsafe style runs the test body in a
// new copy of this program): both limits must take the portable SHA-1 blocks, and DES
// through them must still give the FIPS 81 example.
TEST(LimitCryptoPaths, TakesTheLimitedCodeAndKeepsTheResults) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const CryptoPaths limit : {CryptoPaths::kAvx2Only, CryptoPaths::kPortable}) {
        EXPECT_EXIT(
            {
                LimitCryptoPaths(limit);
                auto buffer = HexOctets(kFips81Cipher);
                DesBlock iv = kFips81Iv;
                DesCbcDecrypt(kFips81Key, iv, buffer);
                const bool sha1 = Sha1FastestBlocks() == Sha1PortableBlocks;
                const bool des =
                    buffer == HexOctets(kFips81Plain) && iv == BlockOf("683788499a7c05f6");
                std::exit((sha1 ? 0 : 1) | (des ? 0 : 2));
            },
            ::testing::ExitedWithCode(0), "")
            << int(limit);
    }
    GTEST_FLAG_SET(death_test_style, style);
}
