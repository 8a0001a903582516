#include "genome/gene_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "genome/bit_string.h"
#include "genome/integer_vector.h"
#include "genome/permutation.h"
#include "genome/real_vector.h"

namespace {

using zarnel::BitString;
using zarnel::IntegerVector;
using zarnel::Permutation;
using zarnel::RealVector;

// Writes `genes` with `kind`, reads them back into a fresh genome; returns
// the genes read, failing the test on a refusal.
template <class Kind>
std::vector<typename Kind::Gene> RoundTrip(const Kind& kind, const std::vector<typename Kind::Gene>& genes,
                                           std::string& text) {
    text.clear();
    kind.Write(std::span<const typename Kind::Gene>(genes), text);
    std::vector<typename Kind::Gene> read(genes.size());
    EXPECT_EQ(kind.Read(text, read), "") << text;
    return read;
}

TEST(GeneTextTest, EveryKindReadsBackWhatItWrote) {
    std::string text;
    const std::vector<std::uint32_t> tour{3, 0, 4294967294u, 1};
    EXPECT_EQ(RoundTrip(Permutation{4}, tour, text), tour);
    EXPECT_EQ(text, "3 0 4294967294 1");
    const std::vector<std::uint8_t> bits{0, 1, 1, 0};
    EXPECT_EQ(RoundTrip(BitString{4}, bits, text), bits);
    EXPECT_EQ(text, "0 1 1 0");
    const std::vector<std::int64_t> integers{std::numeric_limits<std::int64_t>::min(), -1, 0,
                                             std::numeric_limits<std::int64_t>::max()};
    const IntegerVector integerKind{{0, 0, 0, 0}, {1, 1, 1, 1}};
    EXPECT_EQ(RoundTrip(integerKind, integers, text), integers);
    EXPECT_EQ(text, "-9223372036854775808 -1 0 9223372036854775807");

    // Reals come back bit for bit, the sign of zero and subnormals included.
    const std::vector<double> reals{-0.0,
                                    0.1 + 0.2,
                                    5e-324,
                                    2.2250738585072009e-308,
                                    1e308,
                                    -1.7976931348623157e308,
                                    std::numbers::pi,
                                    1.0 / 3.0};
    const RealVector realKind{std::vector<double>(reals.size(), 0.0), std::vector<double>(reals.size(), 1.0)};
    const std::vector<double> read = RoundTrip(realKind, reals, text);
    ASSERT_EQ(read.size(), reals.size());
    for (std::size_t i = 0; i < reals.size(); ++i) {
        EXPECT_EQ(std::memcmp(&read[i], &reals[i], sizeof(double)), 0) << i << ": " << text;
    }
    // Blanks and tabs around and between the words are accepted.
    std::vector<std::uint32_t> genes(2);
    EXPECT_EQ(Permutation{2}.Read(" \t1  0\t", genes), "");
    EXPECT_EQ(genes, (std::vector<std::uint32_t>{1, 0}));
}

TEST(GeneTextTest, ReadRefusesWhatIsNotExactlyTheGenesAndNamesTheWord) {
    std::vector<std::uint32_t> tour(3);
    const Permutation permutation{3};
    EXPECT_EQ(permutation.Read("0 1", tour), "expected 3 genes, found 2");
    EXPECT_EQ(permutation.Read("0 1 2 3", tour), "expected 3 genes, found 4");
    EXPECT_EQ(permutation.Read("0 1x 2", tour), "word 2 '1x' is not a number");
    EXPECT_EQ(permutation.Read("0 1 2\n", tour), "word 3 '2\\x0a' is not a number");
    EXPECT_EQ(permutation.Read("0 -1 2", tour), "word 2 '-1' is out of range (0 to 4294967295)");
    EXPECT_EQ(permutation.Read("4294967296 0 1", tour),
              "word 1 '4294967296' is out of range (0 to 4294967295)");

    std::vector<std::int64_t> integers(1);
    const IntegerVector integerKind{{0}, {1}};
    EXPECT_EQ(integerKind.Read("9223372036854775808", integers),
              "word 1 '9223372036854775808' is out of range (-9223372036854775808 to 9223372036854775807)");
    EXPECT_EQ(integerKind.Read("-9223372036854775809", integers),
              "word 1 '-9223372036854775809' is out of range (-9223372036854775808 to 9223372036854775807)");
    EXPECT_EQ(integerKind.Read("1.5", integers), "word 1 '1.5' is not a number");

    std::vector<double> reals(1);
    const RealVector realKind{{0.0}, {1.0}};
    EXPECT_EQ(realKind.Read("1e309", reals), "word 1 '1e309' is out of range for a double");
    EXPECT_EQ(realKind.Read("nan", reals), "word 1 'nan' is not a finite number");
    EXPECT_EQ(realKind.Read("0x1p3", reals), "word 1 '0x1p3' is not a number");

    std::vector<std::uint8_t> bits(2);
    EXPECT_EQ(BitString{2}.Read("1 2", bits), "word 2 '2' is not a bit (0 or 1)");
    EXPECT_EQ(BitString{2}.Read("1 256", bits), "word 2 '256' is out of range (0 to 255)");
    // A long word is cut in the message.
    EXPECT_EQ(zarnel::gene_text::Quote(std::string(40, 'x')), "'" + std::string(32, 'x') + "...'");
}

TEST(GeneTextTest, PermutationCheckNamesTheFault) {
    const Permutation permutation{4};
    EXPECT_EQ(permutation.Check(std::vector<std::uint32_t>{2, 0, 3, 1}), "");
    EXPECT_EQ(permutation.Check(std::vector<std::uint32_t>{2, 0, 3}), "expected 4 genes, found 3");
    EXPECT_EQ(permutation.Check(std::vector<std::uint32_t>{2, 0, 4, 1}),
              "gene 3 is 4, not below the length 4");
    EXPECT_EQ(permutation.Check(std::vector<std::uint32_t>{2, 0, 2, 1}), "value 2 appears at genes 1 and 3");
    EXPECT_EQ(Permutation{}.Validate(), "the permutation's length is 0");
    EXPECT_EQ(BitString{3}.Check(std::vector<std::uint8_t>{0, 1, 2}), "gene 3 is 2, not 0 or 1");
}

}  // namespace
