#include "table/TableRules.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>

namespace quarvel {
namespace {

constexpr std::string_view kStartNote = "起点";
constexpr std::string_view kEndNote = "终点";
constexpr std::string_view kKneeNote = "拐点";
const std::string kEndPointLabel = "(端点)";
const std::string kKneePointLabel = "(拐点)";
const std::string kAddedPointLabel = "(加点)";

// Every power of ten a std::uint64_t holds.
constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

// Writes |value| * 10^precision rounded to the nearest integer (ties to even,
// as printf does) into rounded. Works on the exact binary value, so the result
// equals printf's; false when the value is too large or not finite.
bool RoundScaled(double value, int precision, std::uint64_t& rounded) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (biasedExponent == 0x7FF) {
        return false;
    }
    int exponent = -1074;
    if (biasedExponent != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biasedExponent - 1075;
    }
    // value = mantissa * 2^exponent; mantissa * 1000 stays below 2^63.
    const std::uint64_t scaled = mantissa * kPowersOfTen[precision];
    if (exponent > 0) {
        return false;
    }
    const int shift = -exponent;
    if (shift == 0) {
        rounded = scaled;
        return true;
    }
    if (shift >= 64) {
        rounded = 0; // below 0.5 after scaling, and never a tie
        return true;
    }
    std::uint64_t quotient = scaled >> shift;
    const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1) != 0)) {
        ++quotient;
    }
    rounded = quotient;
    return true;
}

// The whole number nearest to x for |x| below 2^51, ties to even: adding and
// taking away 1.5 * 2^52 leaves no fraction to keep.
double NearestWhole(double x) {
    constexpr double kShifter = 6755399441055744.0; // 1.5 * 2^52
    return (x + kShifter) - kShifter;
}

// Below 2^40 a product's own rounding error is under 2^-13, so a product
// within 0.49 of a whole number has that number as its exact rounding.
constexpr double kLargestQuicklyRounded = 1099511627776.0; // 2^40
constexpr double kQuickRoundingReach = 0.49;

// RoundScaled, which works bit by bit, is needed only for ties, near ties and
// large values; most values of a table are done with one product.
bool RoundScaledQuickly(double value, int precision, std::uint64_t& rounded) {
    const double scaled = std::fabs(value) * static_cast<double>(kPowersOfTen[precision]);
    if (scaled < kLargestQuicklyRounded) {
        const double whole = NearestWhole(scaled);
        if (std::fabs(scaled - whole) <= kQuickRoundingReach) {
            rounded = static_cast<std::uint64_t>(whole);
            return true;
        }
    }
    return RoundScaled(value, precision, rounded);
}

// "00" to "99": the digits go two at a time, from the right.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

void WritePair(char* out, std::uint64_t twoDigits) {
    std::memcpy(out, &kDigitPairs[2 * twoDigits], 2);
}

int DigitCount(std::uint64_t value) {
    // 1233 / 4096 is just below log10(2): the bit length tells the count
    // but for one compare. Setting the lowest bit moves no value across a
    // power of ten, and gives 0 the one digit it has.
    const std::uint64_t odd = value | 1;
    const int bits = 64 - __builtin_clzll(odd);
    const int guess = (bits * 1233) >> 12;
    return guess + (odd >= kPowersOfTen[guess] ? 1 : 0);
}

// The decimal digits of value, ending at end; returns where they begin.
char* WriteDigitsBefore(char* end, std::uint64_t value) {
    while (value >= 100) {
        end -= 2;
        WritePair(end, value % 100);
        value /= 100;
    }
    if (value >= 10) {
        end -= 2;
        WritePair(end, value);
    } else {
        *--end = static_cast<char>('0' + value);
    }
    return end;
}

// The digits of rounded / 10^Precision with Precision decimals. A constant
// divisor is a multiplication, where a divisor read from a table is a
// division; the count of digits is known first, so they go where they belong.
template <int Precision>
char* WriteScaled(char* out, std::uint64_t rounded) {
    constexpr std::uint64_t power = kPowersOfTen[Precision];
    const std::uint64_t whole = rounded / power;
    out += DigitCount(whole);
    WriteDigitsBefore(out, whole);
    if constexpr (Precision > 0) {
        const std::uint64_t fraction = rounded % power;
        *out++ = '.';
        if constexpr (Precision == 3) {
            *out++ = static_cast<char>('0' + fraction / 100);
            WritePair(out, fraction % 100);
        } else if constexpr (Precision == 2) {
            WritePair(out, fraction);
        } else {
            *out = static_cast<char>('0' + fraction);
        }
        out += Precision == 1 ? 1 : 2;
    }
    return out;
}

// The text of FormatValue into buffer; returns its end. The buffer must hold
// kFormatBufferSize characters.
constexpr std::size_t kFormatBufferSize = 400;

char* FormatValueTo(char* buffer, double value, int decimals) {
    const int precision = EffectiveDecimals(decimals);
    std::uint64_t rounded = 0;
    char* const end = buffer + kFormatBufferSize;
    if (!RoundScaledQuickly(value, precision, rounded)) {
        return std::to_chars(buffer, end, value, std::chars_format::fixed, precision).ptr;
    }
    char* out = buffer;
    if (std::signbit(value)) {
        *out++ = '-'; // printf keeps the sign of a value that rounds to zero
    }
    switch (precision) {
    case 0:
        return WriteScaled<0>(out, rounded);
    case 1:
        return WriteScaled<1>(out, rounded);
    case 2:
        return WriteScaled<2>(out, rounded);
    default:
        return WriteScaled<3>(out, rounded);
    }
}

// The number the text of FormatValue denotes, read back as the C runtime's
// atof reads it: the double nearest to the decimal shown. Below 2^53 the
// scaled integer is exact and one division rounds once, to that same double,
// without making the text.
double ShownValue(double value, int decimals) {
    const int precision = EffectiveDecimals(decimals);
    std::uint64_t rounded = 0;
    if (RoundScaled(value, precision, rounded) && rounded < (std::uint64_t{1} << 53)) {
        const double shown =
            static_cast<double>(rounded) / static_cast<double>(kPowersOfTen[precision]);
        return std::signbit(value) ? -shown : shown;
    }
    char buffer[kFormatBufferSize];
    const char* end = FormatValueTo(buffer, value, decimals);
    double shown = 0;
    std::from_chars(buffer, end, shown);
    return shown;
}

// Every row asks this of its note, twice with the azimuth shown: the three
// notes are six bytes each, which a compare of known length does inline.
bool IsSectionVertexNote(std::string_view note) {
    constexpr std::size_t kLength = kStartNote.size();
    static_assert(kEndNote.size() == kLength && kKneeNote.size() == kLength);
    if (note.size() != kLength) {
        return false;
    }
    const char* text = note.data();
    return std::memcmp(text, kStartNote.data(), kLength) == 0 ||
           std::memcmp(text, kEndNote.data(), kLength) == 0 ||
           std::memcmp(text, kKneeNote.data(), kLength) == 0;
}

char* WriteInteger(char* out, long long value) {
    if (value < 0) {
        *out++ = '-';
    }
    // Negated as unsigned, which holds the magnitude of the least value too.
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    out += DigitCount(magnitude);
    WriteDigitsBefore(out, magnitude);
    return out;
}

bool HasField(const std::vector<std::string>& captions, Field field) {
    for (const std::string& caption : captions) {
        if (FieldFromCaption(caption) == field) {
            return true;
        }
    }
    return false;
}

// The shown "与前点距离" values, row by row: each row's distance from start
// minus the sum of the texts shown above it, so the shown texts add up
// without drift.
//
// The sum waits on every row's rounding, which made this one long serial
// chain. A row almost always shows the whole number of display units between
// its rounded distance and the units shown above it; with that guess the sum
// runs ahead, and the guess stands only where value * 10^decimals lies close
// enough to it to be its exact rounding (as in RoundScaledQuickly), which is
// what ShownValue finds. Ties, huge and non-finite values take ShownValue
// itself. A zero guess adds +0 where ShownValue might add -0; the sum is the
// same, as it never is -0 itself.
class PreviousDistanceChain {
public:
    explicit PreviousDistanceChain(int decimals)
        : m_decimals(decimals),
          m_scale(static_cast<double>(kPowersOfTen[EffectiveDecimals(decimals)])) {}

    // The value of the next row, given its distance from start.
    double Next(double distance) {
        if (m_first) {
            m_first = false;
            return 0.0;
        }
        const double value = distance - m_shownSum;
        const double scaled = value * m_scale;
        const double rowUnits = std::fabs(distance * m_scale) < kLargestQuicklyRounded
                                    ? NearestWhole(distance * m_scale)
                                    : m_unitsShown;
        const double guess = rowUnits - m_unitsShown;
        if (std::fabs(scaled) < kLargestQuicklyRounded &&
            std::fabs(scaled - guess) <= kQuickRoundingReach) {
            m_shownSum += guess / m_scale;
            m_unitsShown = rowUnits;
        } else {
            const double shown = ShownValue(value, m_decimals);
            m_shownSum += shown;
            m_unitsShown += std::fabs(shown * m_scale) < kLargestQuicklyRounded
                                ? NearestWhole(shown * m_scale)
                                : 0.0;
        }
        return value;
    }

private:
    int m_decimals;
    double m_scale;
    bool m_first = true;
    double m_shownSum = 0;
    double m_unitsShown = 0; // the units shown above, as a whole number
};

// The values of the first rowCount rows.
std::vector<double> PreviousDistances(const PointList& points,
                                      const std::vector<std::uint32_t>& pointIndices,
                                      std::size_t rowCount, const TableOptions& options) {
    std::vector<double> values;
    values.reserve(rowCount);
    PreviousDistanceChain chain(options.decimals);
    for (std::size_t row = 0; row < rowCount; ++row) {
        values.push_back(chain.Next(DistanceFromStart(points, pointIndices[row], options.reverse)));
    }
    return values;
}

} // namespace

const std::array<std::string, kFieldCount>& FieldCaptions() {
    static const std::array<std::string, kFieldCount> captions = {
        "编号", "坐标X", "坐标Y", "高程Z", "与起点距离", "与前点距离", "注释", "方位", "图层"};
    return captions;
}

const std::string& FieldCaptionList() {
    static const std::string list = [] {
        std::string joined;
        for (const std::string& caption : FieldCaptions()) {
            if (!joined.empty()) {
                joined += '\n';
            }
            joined += caption;
        }
        return joined;
    }();
    return list;
}

const std::string& SequenceCaption() {
    static const std::string caption = "序号";
    return caption;
}

const std::array<std::string, 3>& KneeModeTexts() {
    static const std::array<std::string, 3> texts = {"仅显示交点", "显示交点与拐点", "仅显示拐点"};
    return texts;
}

Field FieldFromCaption(std::string_view caption) {
    const auto& captions = FieldCaptions();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (caption == captions[i]) {
            return static_cast<Field>(i);
        }
    }
    return Field::Unknown;
}

std::string FormatValue(double value, int decimals) {
    char buffer[kFormatBufferSize];
    return std::string(buffer, FormatValueTo(buffer, value, decimals));
}

bool IsRowShown(const CDataStruct& point, int kneeMode) {
    const std::uint32_t kind = point.pointKind;
    if (kind == kHiddenPoint || point.flag == 1) {
        return false;
    }
    const int mode = EffectiveKneeMode(kneeMode);
    if (mode == IntersectionsOnly && kind == kKneePoint) {
        return false;
    }
    return !(mode == KneesOnly && (kind == kIntersectionPoint || kind == kAddedPoint));
}

double DistanceFromStart(const PointList& points, std::size_t index, bool reverse) {
    return reverse ? points.back().station - points[index].station : points[index].station;
}

// One pass over the points: the shown ones and, when a column shows them,
// their previous distances, made as each row is found.
TableRows BuildTableRows(const PointList& points, const TableOptions& options,
                         const std::vector<std::string>& captions) {
    TableRows rows;
    const std::size_t count = points.size();
    rows.pointIndices.reserve(count);
    const bool withPrevious = HasField(captions, Field::DistanceFromPrevious);
    if (withPrevious) {
        rows.previousDistances.reserve(count);
    }
    PreviousDistanceChain chain(options.decimals);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t index = options.reverse ? count - 1 - i : i;
        if (!IsRowShown(points[index], options.kneeMode)) {
            continue;
        }
        rows.pointIndices.push_back(static_cast<std::uint32_t>(index));
        if (withPrevious) {
            rows.previousDistances.push_back(
                chain.Next(DistanceFromStart(points, index, options.reverse)));
        }
    }
    return rows;
}

// One value and one formatting a cell: every field picks its value, and the
// one call formats it.
char* WriteNumberCell(char* out, const PointList& points, const TableRows& rows, std::size_t row,
                      Field field, const TableOptions& options) {
    const std::size_t index = rows.pointIndices[row];
    const CDataStruct& point = points[index];
    double value = 0;
    int decimals = options.decimals;
    switch (field) {
    case Field::Number:
        return WriteInteger(out, options.renumber ? static_cast<long long>(row) + 1
                                                  : static_cast<long long>(point.number) + 1);
    case Field::X:
        value = point.x;
        break;
    case Field::Y:
        value = point.y;
        break;
    case Field::Z:
        value = point.z;
        break;
    case Field::DistanceFromStart:
        value = DistanceFromStart(points, index, options.reverse);
        break;
    case Field::DistanceFromPrevious:
        // A table built without such a column works it out from the rows above.
        value = row < rows.previousDistances.size()
                    ? rows.previousDistances[row]
                    : PreviousDistances(points, rows.pointIndices, row + 1, options)[row];
        break;
    case Field::Azimuth:
        if (point.flag != 0 || !IsSectionVertexNote(points.Note(index))) {
            return out;
        }
        value = options.reverse ? point.backAzimuth : point.azimuth;
        decimals = 1;
        break;
    case Field::Note:
    case Field::Layer:
        return nullptr;
    case Field::Unknown:
        return WriteInteger(out, static_cast<long long>(point.number) + 1);
    }
    return FormatValueTo(out, value, decimals);
}

std::string_view TextCell(const PointList& points, const TableRows& rows, std::size_t row,
                          Field field) {
    const std::size_t index = rows.pointIndices[row];
    if (field == Field::Note) {
        const std::string_view note = points.Note(index);
        return IsSectionVertexNote(note) ? std::string_view() : note;
    }
    switch (points[index].pointKind) {
    case kEndPoint:
        return kEndPointLabel;
    case kKneePoint:
        return kKneePointLabel;
    case kAddedPoint:
        return kAddedPointLabel;
    default:
        return points.Layer(index);
    }
}

void AppendCellText(std::string& out, const PointList& points, const TableRows& rows,
                    std::size_t row, Field field, const TableOptions& options) {
    if (IsTextField(field)) {
        out += TextCell(points, rows, row, field);
        return;
    }
    char buffer[kFormatBufferSize];
    const char* end = WriteNumberCell(buffer, points, rows, row, field, options);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

std::string GetCellText(const PointList& points, const TableRows& rows, std::size_t row,
                        std::string_view caption, const TableOptions& options) {
    std::string text;
    AppendCellText(text, points, rows, row, FieldFromCaption(caption), options);
    return text;
}

void ApplyLayerFilter(PointList& points, const std::vector<std::string>& checkedLayers) {
    const std::unordered_set<std::string_view> checked(checkedLayers.begin(), checkedLayers.end());
    // Each layer is looked up once, not once a point.
    const std::vector<std::string>& names = points.LayerNames();
    std::vector<bool> layerChecked(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        layerChecked[i] = checked.count(names[i]) != 0;
    }
    for (CDataStruct& point : points) {
        // Points without a layer and the section's own points (knee, end,
        // added) are not the layer filter's to hide or to reclassify.
        const bool exempt = names[point.LayerIndex()].empty() || point.pointKind == kKneePoint ||
                            point.pointKind == kEndPoint || point.pointKind == kAddedPoint;
        if (!exempt) {
            point.pointKind = layerChecked[point.LayerIndex()] ? kIntersectionPoint : kHiddenPoint;
        }
    }
}

void TableSource::AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const {
    out += CellText(row, dataColumn);
}

static_assert(TableSource::kMaxNumberText == kFormatBufferSize);

SectionTable::SectionTable(const PointList& points, std::vector<std::string> captions,
                           TableOptions options)
    : m_points(&points), m_captions(std::move(captions)), m_options(options),
      m_rows(BuildTableRows(points, m_options, m_captions)) {
    m_fields.reserve(m_captions.size());
    for (const std::string& caption : m_captions) {
        m_fields.push_back(FieldFromCaption(caption));
    }
}

std::string SectionTable::CellText(std::size_t row, std::size_t dataColumn) const {
    std::string text;
    AppendCellText(text, row, dataColumn);
    return text;
}

void SectionTable::AppendCellText(std::string& out, std::size_t row, std::size_t dataColumn) const {
    quarvel::AppendCellText(out, *m_points, m_rows, row, m_fields[dataColumn], m_options);
}

char* SectionTable::WriteNumberText(char* out, std::size_t row, std::size_t dataColumn) const {
    return WriteNumberCell(out, *m_points, m_rows, row, m_fields[dataColumn], m_options);
}

std::optional<std::string_view> SectionTable::KeptCellText(std::size_t row,
                                                           std::size_t dataColumn) const {
    const Field field = m_fields[dataColumn];
    if (!IsTextField(field)) {
        return std::nullopt;
    }
    return TextCell(*m_points, m_rows, row, field);
}

bool SectionTable::IsNumberColumn(std::size_t dataColumn) const {
    return !IsTextField(m_fields[dataColumn]);
}

std::string SectionTable::FieldText(std::size_t row, Field field) const {
    std::string text;
    quarvel::AppendCellText(text, *m_points, m_rows, row, field, m_options);
    return text;
}

} // namespace quarvel
