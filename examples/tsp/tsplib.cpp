#include "tsplib.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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

    // The next line, trimmed; false at the end of the text.
    bool NextLine(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) end = text_.size();
        line = Trim(text_.substr(at_, end - at_));
        at_ = end + 1;
        ++line_;
        return true;
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

// Reads n entries "<city> <x> <y>"; each city 1..n exactly once.
std::vector<Point> ReadPoints(Cursor& cursor, std::uint32_t n, std::string_view section) {
    std::vector<Point> points(n);
    std::vector<bool> seen(n, false);
    for (std::uint32_t k = 0; k < n; ++k) {
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
    return points;
}

std::vector<std::int32_t> ReadFullMatrix(Cursor& cursor, std::uint32_t n) {
    // Grown as the numbers come, so that a short file claiming a large
    // DIMENSION costs no more memory than its own size.
    std::vector<std::int32_t> d;
    for (std::size_t k = 0, size = static_cast<std::size_t>(n) * n; k < size; ++k) {
        std::int64_t w = cursor.Integer("EDGE_WEIGHT_SECTION");
        if (w < 0 || w > (std::int64_t{1} << 30))
            cursor.Fail("edge weight " + std::to_string(w) + " is not in 0..2^30");
        d.push_back(static_cast<std::int32_t>(w));
    }
    cursor.EndSection("EDGE_WEIGHT_SECTION");
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

std::string ReadText(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw FormatError(path + ": cannot open the file (" + std::strerror(errno) + ")");
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    bool failed = std::ferror(file) != 0;
    int error = errno;
    std::fclose(file);
    if (failed) throw FormatError(path + ": cannot read the file (" + std::strerror(error) + ")");
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
