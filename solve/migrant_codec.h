#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace zarnel::islands {

// The number of migrants that a migration message's header announces,
// whatever individuals it holds (0 for a message too short for a header).
inline std::uint32_t AnnouncedMigrants(const std::vector<unsigned char>& bytes) {
    std::uint32_t count = 0;
    if (bytes.size() >= 2 * sizeof(std::uint32_t)) std::memcpy(&count, bytes.data(), sizeof count);
    return count;
}

// The bytes of one migration message: a header of two 32-bit numbers (how
// many migrants, how many genes each), then per migrant its fitness followed
// by its genes, all in the sending machine's representation (the islands of
// one job run one program on one kind of machine). At N = 65,536 queens one
// migrant is 4 + 131,072 bytes.
template <typename Individual>
class MigrantCodec {
public:
    using Gene = typename Individual::Gene;
    using Fitness = typename Individual::Fitness;
    static_assert(std::is_trivially_copyable_v<Gene> && std::is_trivially_copyable_v<Fitness>,
                  "migrants travel as bytes");

    static constexpr std::size_t kHeaderBytes = 2 * sizeof(std::uint32_t);

    static std::size_t MigrantBytes(std::uint32_t geneCount) {
        return sizeof(Fitness) + static_cast<std::size_t>(geneCount) * sizeof(Gene);
    }

    // The message carrying copies of `count` individuals; all must have
    // `geneCount` genes.
    static std::vector<unsigned char> Pack(Individual* const* migrants, std::uint32_t count,
                                           std::uint32_t geneCount) {
        std::vector<unsigned char> bytes(kHeaderBytes + count * MigrantBytes(geneCount));
        unsigned char* out = bytes.data();
        std::memcpy(out, &count, sizeof count);
        std::memcpy(out + sizeof count, &geneCount, sizeof geneCount);
        out += kHeaderBytes;
        for (std::uint32_t k = 0; k < count; ++k) {
            const Fitness fitness = *migrants[k]->GetFitness();
            std::memcpy(out, &fitness, sizeof fitness);
            std::memcpy(out + sizeof fitness, migrants[k]->GetGenes(), geneCount * sizeof(Gene));
            out += MigrantBytes(geneCount);
        }
        return bytes;
    }

    // How many migrants the message holds, or 0 when it is not a whole
    // message for individuals of `geneCount` genes.
    static std::uint32_t Count(const std::vector<unsigned char>& bytes, std::uint32_t geneCount) {
        if (bytes.size() < kHeaderBytes) return 0;
        std::uint32_t count = 0;
        std::uint32_t genes = 0;
        std::memcpy(&count, bytes.data(), sizeof count);
        std::memcpy(&genes, bytes.data() + sizeof count, sizeof genes);
        if (genes != geneCount || bytes.size() != kHeaderBytes + count * MigrantBytes(geneCount)) return 0;
        return count;
    }

    // The number of migrants the header announces, whether or not they fit.
    static std::uint32_t Announced(const std::vector<unsigned char>& bytes) {
        return AnnouncedMigrants(bytes);
    }

    // Copies migrant k of a message that Count accepted into `target`
    // (genes and fitness).
    static void Unpack(const std::vector<unsigned char>& bytes, std::uint32_t k, std::uint32_t geneCount,
                       Individual& target) {
        const unsigned char* in = bytes.data() + kHeaderBytes + k * MigrantBytes(geneCount);
        Fitness fitness;
        std::memcpy(&fitness, in, sizeof fitness);
        std::memcpy(target.GetGenes(), in + sizeof fitness, geneCount * sizeof(Gene));
        target.SetFitness(fitness);
    }
};

}  // namespace zarnel::islands
