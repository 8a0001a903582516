#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tsp {

// A symmetric travelling-salesman instance read from a TSPLIB file: its name
// and the integer distance between every two cities, computed once by
// TSPLIB's rule for the file's EDGE_WEIGHT_TYPE. Cities are numbered from 0
// here (TSPLIB's city 1 is city 0). The whole matrix is stored (4 bytes a
// pair), which is why the reader takes at most kMaxCities cities. A plain
// value: it never changes after reading, so any number of threads may read it
// at once.
class Instance {
public:
    static constexpr std::uint32_t kMaxCities = 10000;

    Instance() = default;
    // `distances` holds n * n values, row after row, symmetric.
    Instance(std::string name, std::string edgeWeightType, std::uint32_t n,
             std::vector<std::int32_t> distances);

    const std::string& Name() const { return name_; }
    // The rule the distances follow ("EUC_2D", "CEIL_2D", "ATT", "GEO", "EXPLICIT").
    const std::string& EdgeWeightType() const { return edgeWeightType_; }
    std::uint32_t Size() const { return n_; }
    std::int32_t Distance(std::uint32_t a, std::uint32_t b) const {
        return distances_[static_cast<std::size_t>(a) * n_ + b];
    }
    // The row of distances from city a to every city.
    const std::int32_t* Row(std::uint32_t a) const {
        return distances_.data() + static_cast<std::size_t>(a) * n_;
    }

private:
    std::string name_;
    std::string edgeWeightType_;
    std::uint32_t n_ = 0;
    std::vector<std::int32_t> distances_;
};

// What a malformed or unsupported file raises: one line, "<file>:<line>: <reason>".
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a TSPLIB instance of TYPE TSP with EDGE_WEIGHT_TYPE EUC_2D, CEIL_2D,
// ATT or GEO (from NODE_COORD_SECTION), or EXPLICIT with EDGE_WEIGHT_FORMAT
// FULL_MATRIX (from EDGE_WEIGHT_SECTION; it must be symmetric). Keys are
// written "KEY : value" or "KEY: value"; keys it does not need (COMMENT,
// OPTIMAL, ...) are skipped, and so is a DISPLAY_DATA_SECTION. Any other type,
// weight type, format or section is refused with the keyword and value named.
// Lines may end in LF, CR LF or CR. A section with fewer or more entries than
// DIMENSION gives is refused with both counts. Throws FormatError; `source`
// names the text in the messages.
Instance ParseTsplib(std::string_view text, std::string_view source);
// The same for a file; a file that cannot be read is a FormatError too, and
// so is one that is no regular file (a device, a pipe), has a line longer
// than 1 MiB, or is larger than its header's DIMENSION allows (see ReadText),
// which bounds the memory that reading any file can take.
Instance ReadTsplib(const std::string& path);

// Reads a TSPLIB tour (TYPE TOUR, TOUR_SECTION of 1-based city numbers ended
// by -1) of an instance of `cities` cities and returns it 0-based. Refuses a
// DIMENSION other than `cities`, a number out of range, a repeated city and a
// tour that misses a city.
std::vector<std::uint32_t> ParseTour(std::string_view text, std::string_view source, std::uint32_t cities);
std::vector<std::uint32_t> ReadTour(const std::string& path, std::uint32_t cities);

}  // namespace tsp
