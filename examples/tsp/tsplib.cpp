#include "tsplib.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace tsp {

Instance::Instance(std::string name, std::string edgeWeightType, std::uint32_t n,
                   std::vector<std::int32_t> distances)
    : name_(std::move(name)),
      edgeWeightType_(std::move(edgeWeightType)),
      n_(n),
      distances_(std::move(distances)) {}

namespace {

// Coordinates are limited so that every distance fits an int32 with room to
// spare (sqrt(2) * 2e8 < 2^31).
constexpr double kMaxCoordinate = 1e8;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A word of the file as it may appear in a message: printable, at most 40 characters.
std::string Quote(std::string_view word) {
    std::string out = "'";
    for (char c : word.substr(0, 40)) out += (c >= 0x20 && c < 0x7f) ? c : '?';
    if (word.size() > 40) out += "...";
    return out + "'";
}

// Walks the text line by line for the keywords, and word by word (across
// lines) inside a section. Counts lines from 1 for the messages.
class Cursor {
public:
    Cursor(std::string_view text, std::string_view source) : text_(text), source_(source) {}

    [[noreturn]] void Fail(const std::string& reason) const {
        throw FormatError(std::string(source_) + ":" + std::to_string(std::max(line_, 1)) + ": " + reason);
    }

    // The next line, trimmed; false at the end of the text. A line ends in
    // LF, CR LF or a CR alone (old Macintosh files).
    bool NextLine(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        std::size_t end = text_.find_first_of("\r\n", at_);
        if (end == std::string_view::npos) end = text_.size();
        line = Trim(text_.substr(at_, end - at_));
        at_ = end + (text_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++line_;
        return true;
    }

    // Whether the next word (on this line or a later one) starts like a
    // number, as the first word of a section's entry does; moves nothing.
    bool NextIsNumber() const {
        Cursor look = *this;
        std::string_view word;
        if (!look.NextWord(word)) return false;
        const char c = word[0];
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    }

    // The next word without taking it; empty at the end of the text.
    std::string_view PeekWord() const {
        Cursor look = *this;
        std::string_view word;
        return look.NextWord(word) ? word : std::string_view();
    }

    // The next word, moving to later lines as needed; false at the end of the text.
    bool NextWord(std::string_view& word) {
        for (;;) {
            while (rest_.empty()) {
                std::string_view line;
                if (!NextLine(line)) return false;
                rest_ = line;
            }
            std::size_t start = 0;
            while (start < rest_.size() && IsBlank(rest_[start])) ++start;
            std::size_t end = start;
            while (end < rest_.size() && !IsBlank(rest_[end])) ++end;
            word = rest_.substr(start, end - start);
            rest_ = rest_.substr(end);
            if (!word.empty()) return true;
        }
    }

    // After a section: the rest of its last line must be empty.
    void EndSection(std::string_view section) {
        std::string_view left = Trim(rest_);
        if (!left.empty())
            Fail("unexpected " + Quote(left) + " after the last entry of " + std::string(section));
        rest_ = {};
    }

    std::int64_t Integer(std::string_view what) {
        std::string_view word;
        if (!NextWord(word)) Fail("the file ends inside " + std::string(what));
        std::int64_t value = 0;
        auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size())
            Fail(Quote(word) + " in " + std::string(what) + " is no whole number");
        return value;
    }

    double Real(std::string_view what) {
        std::string_view word;
        if (!NextWord(word)) Fail("the file ends inside " + std::string(what));
        std::string_view digits = word.size() > 1 && word[0] == '+' ? word.substr(1) : word;
        double value = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
            Fail(Quote(word) + " in " + std::string(what) + " is no finite number");
        return value;
    }

    int Line() const { return line_; }

private:
    std::string_view text_;
    std::string_view source_;
    std::size_t at_ = 0;
    int line_ = 0;
    std::string_view rest_;  // what NextWord has not taken of the current line
};

// Splits "KEY : value", "KEY: value" or a bare "KEY" (a section name).
std::pair<std::string_view, std::string_view> SplitKey(std::string_view line) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {line, {}};
    return {Trim(line.substr(0, colon)), Trim(line.substr(colon + 1))};
}

std::uint32_t ParseDimension(Cursor& cursor, std::string_view value) {
    std::uint64_t n = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error == std::errc::result_out_of_range ||
        (error == std::errc() && end == value.data() + value.size() && n > Instance::kMaxCities))
        cursor.Fail("DIMENSION " + std::string(value) + " is more than the " +
                    std::to_string(Instance::kMaxCities) + " cities this reader holds as a distance matrix");
    if (error != std::errc() || end != value.data() + value.size())
        cursor.Fail("DIMENSION " + Quote(value) + " is no whole number");
    if (n < 3) cursor.Fail("DIMENSION " + std::to_string(n) + ": a tour needs at least 3 cities");
    return static_cast<std::uint32_t>(n);
}

struct Point {
    double x = 0, y = 0;
};

// TSPLIB's nint: (int)(x + 0.5) for the non-negative values it is used on.
std::int32_t Nint(double x) { return static_cast<std::int32_t>(x + 0.5); }

// Latitude or longitude in radians from TSPLIB's DDD.MM form (degrees and minutes).
double GeoRadians(double coordinate) {
    constexpr double kPi = 3.141592;  // TSPLIB's value, which its optimal tour lengths use
    double degrees = static_cast<std::int32_t>(coordinate);
    double minutes = coordinate - degrees;
    return kPi * (degrees + 5.0 * minutes / 3.0) / 180.0;
}

enum class Rule { kEuclidean, kCeiling, kPseudoEuclidean, kGeographic };

std::int32_t PlaneDistance(Rule rule, Point a, Point b) {
    double xd = a.x - b.x, yd = a.y - b.y;
    switch (rule) {
        case Rule::kEuclidean:
            return Nint(std::sqrt(xd * xd + yd * yd));
        case Rule::kCeiling:
            return static_cast<std::int32_t>(std::ceil(std::sqrt(xd * xd + yd * yd)));
        default: {  // ATT: rounded up unless the root is a whole number
            double r = std::sqrt((xd * xd + yd * yd) / 10.0);
            std::int32_t t = Nint(r);
            return t < r ? t + 1 : t;
        }
    }
}

// a and b hold (latitude, longitude) in radians.
std::int32_t GeographicDistance(Point a, Point b) {
    constexpr double kRadius = 6378.388;
    double q1 = std::cos(a.y - b.y);
    double q2 = std::cos(a.x - b.x);
    double q3 = std::cos(a.x + b.x);
    // Rounding may put the argument a hair outside [-1, 1] for (nearly)
    // equal or antipodal points, where acos has no value.
    double c = std::clamp(0.5 * ((1.0 + q1) * q2 - (1.0 - q1) * q3), -1.0, 1.0);
    return static_cast<std::int32_t>(kRadius * std::acos(c) + 1.0);
}

std::vector<std::int32_t> CoordinateDistances(std::vector<Point> points, std::string_view type) {
    Rule rule = type == "EUC_2D"    ? Rule::kEuclidean
                : type == "CEIL_2D" ? Rule::kCeiling
                : type == "ATT"     ? Rule::kPseudoEuclidean
                                    : Rule::kGeographic;
    if (rule == Rule::kGeographic)
        for (Point& p : points) p = {GeoRadians(p.x), GeoRadians(p.y)};
    const std::size_t n = points.size();
    std::vector<std::int32_t> d(n * n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            std::int32_t value = rule == Rule::kGeographic ? GeographicDistance(points[i], points[j])
                                                           : PlaneDistance(rule, points[i], points[j]);
            d[i * n + j] = d[j * n + i] = value;
        }
    }
    return d;
}

// What the header has said so far.
struct Header {
    std::string name;
    std::string edgeWeightType;    // empty until EDGE_WEIGHT_TYPE
    std::string edgeWeightFormat;  // empty until EDGE_WEIGHT_FORMAT
    std::uint32_t n = 0;           // 0 until DIMENSION
};

void RequireDimension(Cursor& cursor, const Header& header, std::string_view section) {
    if (header.n == 0) cursor.Fail(std::string(section) + " before DIMENSION");
}

// A section that ends (at the end of the file, or at a word that begins no
// entry, such as EOF or the next keyword) after `found` of its `expected`
// items; `expected` says where the count comes from.
[[noreturn]] void ShortSection(const Cursor& cursor, std::string_view section, std::uint64_t found,
                               std::string_view items, const std::string& expected) {
    Cursor look = cursor;  // the message names the line of the word that ends the section
    std::string_view word;
    if (!look.NextWord(word))
        cursor.Fail("the file ends inside " + std::string(section) + " after " + std::to_string(found) +
                    " of " + expected);
    look.Fail(std::string(section) + " has " + std::to_string(found) + " " + std::string(items) + ", not " +
              expected + " (it ends at " + Quote(word) + ")");
}

// After the last of `count` items: more numbers mean the section is longer
// than DIMENSION says (they would otherwise be read as keywords). Counts
// them by words, `perItem` to an item, for the message, which names the
// line of the first one.
void RefuseLongSection(const Cursor& cursor, std::string_view section, std::uint64_t count,
                       std::uint32_t perItem, std::string_view items, const std::string& expected) {
    if (!cursor.NextIsNumber()) return;
    Cursor first = cursor;
    std::string_view word;
    first.NextWord(word);
    std::uint64_t words = 1;
    for (Cursor look = first; look.NextIsNumber(); ++words) look.NextWord(word);
    first.Fail(std::string(section) + " has " + std::to_string(count + (words + perItem - 1) / perItem) +
               " " + std::string(items) + ", not " + expected);
}

// Reads n entries "<city> <x> <y>"; each city 1..n exactly once.
std::vector<Point> ReadPoints(Cursor& cursor, std::uint32_t n, std::string_view section) {
    std::vector<Point> points(n);
    std::vector<bool> seen(n, false);
    const std::string expected = "the " + std::to_string(n) + " entries of DIMENSION " + std::to_string(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        if (!cursor.NextIsNumber()) ShortSection(cursor, section, k, "entries", expected);
        std::int64_t city = cursor.Integer(section);
        if (city < 1 || city > n)
            cursor.Fail("city " + std::to_string(city) + " in " + std::string(section) + " is not in 1.." +
                        std::to_string(n));
        if (seen[city - 1])
            cursor.Fail("city " + std::to_string(city) + " appears twice in " + std::string(section));
        seen[city - 1] = true;
        Point p{cursor.Real(section), cursor.Real(section)};
        if (std::fabs(p.x) > kMaxCoordinate || std::fabs(p.y) > kMaxCoordinate)
            cursor.Fail("a coordinate of city " + std::to_string(city) + " is beyond +-1e8");
        points[city - 1] = p;
    }
    cursor.EndSection(section);
    RefuseLongSection(cursor, section, n, 3, "entries", expected);
    return points;
}

std::vector<std::int32_t> ReadFullMatrix(Cursor& cursor, std::uint32_t n) {
    // Grown as the numbers come, so that a short file claiming a large
    // DIMENSION costs no more memory than its own size.
    std::vector<std::int32_t> d;
    const std::uint64_t size = std::uint64_t{n} * n;
    const std::string expected =
        "the " + std::to_string(size) + " weights of a FULL_MATRIX of DIMENSION " + std::to_string(n);
    for (std::uint64_t k = 0; k < size; ++k) {
        if (!cursor.NextIsNumber()) ShortSection(cursor, "EDGE_WEIGHT_SECTION", k, "weights", expected);
        std::int64_t w = cursor.Integer("EDGE_WEIGHT_SECTION");
        if (w < 0 || w > (std::int64_t{1} << 30))
            cursor.Fail("edge weight " + std::to_string(w) + " is not in 0..2^30");
        d.push_back(static_cast<std::int32_t>(w));
    }
    cursor.EndSection("EDGE_WEIGHT_SECTION");
    RefuseLongSection(cursor, "EDGE_WEIGHT_SECTION", size, 1, "weights", expected);
    for (std::uint32_t i = 0; i < n; ++i) {
        d[static_cast<std::size_t>(i) * n + i] = 0;
        for (std::uint32_t j = i + 1; j < n; ++j) {
            if (d[static_cast<std::size_t>(i) * n + j] != d[static_cast<std::size_t>(j) * n + i])
                cursor.Fail("EDGE_WEIGHT_SECTION is not symmetric: the weight from city " +
                            std::to_string(i + 1) + " to " + std::to_string(j + 1) +
                            " differs from the way back (TYPE TSP is symmetric)");
        }
    }
    return d;
}

// What a file may hold, so that a device, a file with no line ends or one
// that keeps growing while it is read is refused instead of being read until
// memory runs out. A line may be 1 MiB (a FULL_MATRIX row of 10,000 weights
// takes about 110 KB), the text before DIMENSION 1 MiB, and the whole file
// 1 MiB more than its sections of n cities can take: 512 bytes for each
// city's entries (coordinates, display data, a tour) and, unless the header
// has named a weight type other than EXPLICIT, 16 bytes for each of the n * n
// weights.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
constexpr std::uint64_t kSlackBytes = std::uint64_t{1} << 20;

// The bound on the file's size that its header implies, as far as `text`
// holds the header: DIMENSION and EDGE_WEIGHT_TYPE, up to the first section.
// `complete` is set once a section has begun (the bound no longer changes).
std::uint64_t SizeBound(std::string_view text, bool& complete) {
    std::uint64_t n = 0;
    bool weights = true;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) break;  // a line still being read
        auto [key, value] = SplitKey(Trim(text.substr(at, end - at)));
        at = end + 1;
        if (key == "DIMENSION") {
            auto [last, error] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (error != std::errc() || last != value.data() + value.size() || n > Instance::kMaxCities)
                n = Instance::kMaxCities;  // the parser refuses it with its reason
        } else if (key == "EDGE_WEIGHT_TYPE") {
            weights = value == "EXPLICIT";
        } else if (key.size() > 8 && key.substr(key.size() - 8) == "_SECTION") {
            complete = true;
            break;
        }
    }
    if (n == 0) return kSlackBytes;
    return kSlackBytes + n * 512 + (weights ? n * n * 16 : 0);
}

std::string ReadText(const std::string& path) {
    // Checked before the file is opened: a folder opens on some systems and
    // is refused by fopen on others, and either way it is no TSPLIB file. A
    // path that does not exist falls through to fopen's own reason.
    std::error_code ignored;
    const std::filesystem::file_status status = std::filesystem::status(path, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw FormatError(path +
                          ": not a regular file (a TSPLIB file cannot be a device, a pipe or a folder)");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw FormatError(path + ": cannot open the file (" + std::strerror(errno) + ")");
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    std::size_t lineBytes = 0;  // since the last line end
    std::uint64_t line = 1;
    bool headerComplete = false;
    std::uint64_t bound = kSlackBytes;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n' || c == '\r') {
                // CR LF is one line end.
                if (!(c == '\n' && (i > 0 ? buffer[i - 1] : text.empty() ? '\0' : text.back()) == '\r'))
                    ++line;
                lineBytes = 0;
            } else if (++lineBytes > kMaxLineBytes) {
                throw FormatError(path + ":" + std::to_string(line) + ": a line longer than " +
                                  std::to_string(kMaxLineBytes) + " bytes (this is no TSPLIB file)");
            }
        }
        text.append(buffer, got);
        if (!headerComplete) bound = SizeBound(text, headerComplete);
        if (text.size() > bound)
            throw FormatError(path + ": more than " + std::to_string(bound) + " bytes, " +
                              (bound == kSlackBytes ? std::string("and no DIMENSION before them")
                                                    : "more than its DIMENSION and EDGE_WEIGHT_TYPE imply"));
    }
    if (std::ferror(file) != 0)
        throw FormatError(path + ": cannot read the file (" + std::strerror(errno) + ")");
    return text;
}

}  // namespace

Instance ParseTsplib(std::string_view text, std::string_view source) {
    Cursor cursor(text, source);
    Header header;
    std::vector<Point> points;
    std::vector<std::int32_t> weights;
    std::string_view line;
    while (cursor.NextLine(line)) {
        if (line.empty()) continue;
        if (line == "EOF") break;
        auto [key, value] = SplitKey(line);
        if (key == "NAME") {
            header.name = value;
        } else if (key == "TYPE") {
            if (value != "TSP") cursor.Fail("TYPE " + Quote(value) + " is not supported (only TSP)");
        } else if (key == "DIMENSION") {
            if (header.n != 0) cursor.Fail("a second DIMENSION");
            header.n = ParseDimension(cursor, value);
        } else if (key == "EDGE_WEIGHT_TYPE") {
            if (value != "EUC_2D" && value != "CEIL_2D" && value != "ATT" && value != "GEO" &&
                value != "EXPLICIT")
                cursor.Fail("EDGE_WEIGHT_TYPE " + Quote(value) +
                            " is not supported (EUC_2D, CEIL_2D, ATT, GEO or EXPLICIT)");
            header.edgeWeightType = value;
        } else if (key == "EDGE_WEIGHT_FORMAT") {
            if (value != "FULL_MATRIX" && value != "FUNCTION")
                cursor.Fail("EDGE_WEIGHT_FORMAT " + Quote(value) + " is not supported (only FULL_MATRIX)");
            header.edgeWeightFormat = value;
        } else if (key == "NODE_COORD_TYPE") {
            if (value != "TWOD_COORDS" && value != "NO_COORDS")
                cursor.Fail("NODE_COORD_TYPE " + Quote(value) + " is not supported (only TWOD_COORDS)");
        } else if (key == "NODE_COORD_SECTION") {
            RequireDimension(cursor, header, key);
            if (!points.empty()) cursor.Fail("a second NODE_COORD_SECTION");
            points = ReadPoints(cursor, header.n, key);
        } else if (key == "DISPLAY_DATA_SECTION") {  // drawing positions only
            RequireDimension(cursor, header, key);
            ReadPoints(cursor, header.n, key);
        } else if (key == "EDGE_WEIGHT_SECTION") {
            RequireDimension(cursor, header, key);
            if (header.edgeWeightFormat != "FULL_MATRIX")
                cursor.Fail("EDGE_WEIGHT_SECTION needs EDGE_WEIGHT_FORMAT FULL_MATRIX before it");
            if (!weights.empty()) cursor.Fail("a second EDGE_WEIGHT_SECTION");
            weights = ReadFullMatrix(cursor, header.n);
        } else if (value.empty() && line.find(':') == std::string_view::npos) {
            // A bare word is a section, and a section this reader does not
            // know cannot be skipped safely.
            cursor.Fail(Quote(key) +
                        " is not supported (sections: NODE_COORD_SECTION, EDGE_WEIGHT_SECTION, "
                        "DISPLAY_DATA_SECTION)");
        }
        // Any other "KEY : value" (COMMENT, OPTIMAL, ...) is not needed.
    }

    if (header.n == 0) cursor.Fail("no DIMENSION in the file");
    if (header.edgeWeightType.empty()) cursor.Fail("no EDGE_WEIGHT_TYPE in the file");
    std::vector<std::int32_t> distances;
    if (header.edgeWeightType == "EXPLICIT") {
        if (weights.empty()) cursor.Fail("EDGE_WEIGHT_TYPE EXPLICIT but no EDGE_WEIGHT_SECTION");
        distances = std::move(weights);
    } else {
        if (!weights.empty())
            cursor.Fail("an EDGE_WEIGHT_SECTION with EDGE_WEIGHT_TYPE " + header.edgeWeightType +
                        " (weights need EXPLICIT)");
        if (points.empty())
            cursor.Fail("EDGE_WEIGHT_TYPE " + header.edgeWeightType + " but no NODE_COORD_SECTION");
        distances = CoordinateDistances(points, header.edgeWeightType);
    }
    return Instance(header.name, header.edgeWeightType, header.n, std::move(distances));
}

Instance ReadTsplib(const std::string& path) { return ParseTsplib(ReadText(path), path); }

std::vector<std::uint32_t> ParseTour(std::string_view text, std::string_view source, std::uint32_t cities) {
    Cursor cursor(text, source);
    std::string_view line;
    while (cursor.NextLine(line)) {
        if (line.empty()) continue;
        if (line == "EOF") break;
        auto [key, value] = SplitKey(line);
        if (key == "TYPE" && value != "TOUR") cursor.Fail("TYPE " + Quote(value) + " is not a tour (TOUR)");
        if (key == "DIMENSION" && value != std::to_string(cities))
            cursor.Fail("DIMENSION " + Quote(value) + " but the instance has " + std::to_string(cities) +
                        " cities");
        if (key != "TOUR_SECTION") continue;
        std::vector<std::uint32_t> tour;
        std::vector<bool> seen(cities, false);
        for (;;) {
            std::int64_t city = cursor.Integer("TOUR_SECTION");
            if (city == -1) break;
            if (city < 1 || city > cities)
                cursor.Fail("city " + std::to_string(city) + " is not in 1.." + std::to_string(cities));
            if (seen[city - 1]) cursor.Fail("city " + std::to_string(city) + " appears twice in the tour");
            seen[city - 1] = true;
            tour.push_back(static_cast<std::uint32_t>(city - 1));
        }
        if (tour.size() != cities)
            cursor.Fail("the tour visits " + std::to_string(tour.size()) + " of " + std::to_string(cities) +
                        " cities");
        return tour;
    }
    cursor.Fail("no TOUR_SECTION in the file");
}

std::vector<std::uint32_t> ReadTour(const std::string& path, std::uint32_t cities) {
    return ParseTour(ReadText(path), path, cities);
}

}  // namespace tsp
