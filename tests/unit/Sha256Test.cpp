// SHA-256 against the published test vectors, whole and fed in uneven pieces
// (which cross the 64-byte blocks in every way), on whichever block function
// this processor gets.
#include <gtest/gtest.h>

#include <string>

#include "core/Sha256.h"

namespace vantor {
namespace {

std::string Hash(const std::string& text, size_t piece) {
  Sha256 hash;
  for (size_t at = 0; at < text.size(); at += piece)
    hash.Add(reinterpret_cast<const uint8_t*>(text.data()) + at, std::min(piece, text.size() - at));
  return hash.Finish();
}

TEST(Sha256Test, PublishedVectorsInAnyPieces) {
  const struct {
    std::string text;
    const char* digest;
  } vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& v : vectors)
    for (size_t piece : {size_t{1}, size_t{7}, size_t{64}, size_t{100}, size_t{1} << 20})
      EXPECT_EQ(Hash(v.text, piece), v.digest) << v.text.size() << " bytes in pieces of " << piece;
}

}  // namespace
}  // namespace vantor
