#pragma once
// The SHA-1 block functions behind Sha1.h: the portable one, and on x86-64 CPUs with the SHA
// extensions one that uses them. Internal to SHA-1 and its tests.

#include <array>
#include <cstddef>
#include <cstdint>

#include "crypto/Sha1.h"

// Runs the compression function over count consecutive 64-octet blocks.
using Sha1BlockFunction = void (*)(std::array<uint32_t, 5>& hash, const uint8_t* blocks,
                                   std::size_t count);

void Sha1PortableBlocks(std::array<uint32_t, 5>& hash, const uint8_t* blocks, std::size_t count);
// Null when the CPU lacks the SHA extensions or SSE4.1, and on other architectures.
Sha1BlockFunction Sha1ShaNiBlocks();
// The fastest the CPU runs, chosen once; the portable one when LimitCryptoPaths() holds it back.
Sha1BlockFunction Sha1FastestBlocks();

// Sha1Input and Sha1Result with the block function given, so both can be compared.
[[nodiscard]] int Sha1InputUsing(Sha1BlockFunction blocks, Sha1Context* context,
                                 const uint8_t* message, std::size_t length);
[[nodiscard]] int Sha1ResultUsing(Sha1BlockFunction blocks, Sha1Context* context,
                                  std::array<uint8_t, kSha1DigestSize>* digest);
