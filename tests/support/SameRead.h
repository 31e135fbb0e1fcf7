#pragma once

// Whether two reads of a section gave the same: for the tests and the
// reader's fuzzer, which compare a read in pieces with a read in one.

#include "sectiondata/SectionReader.h"

#include <cstring>
#include <string>

namespace quarvel::test {

inline bool SameNumbers(const CDataStruct& a, const CDataStruct& b) {
    const auto same = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.number == b.number && a.flag == b.flag && a.code == b.code &&
           a.pointKind == b.pointKind && a.extra == b.extra && same(a.x, b.x) && same(a.y, b.y) &&
           same(a.z, b.z) && same(a.station, b.station) && same(a.azimuth, b.azimuth) &&
           same(a.backAzimuth, b.backAzimuth);
}

// Empty when both reads are the same; else what differs first.
inline std::string ReadDifference(const SectionReadResult& a, const SectionReadResult& b) {
    if (a.status != b.status || a.error != b.error) {
        return "status: " + a.error + " / " + b.error;
    }
    if (a.version != b.version || a.encoding != b.encoding || a.headerText != b.headerText) {
        return "version, encoding or header";
    }
    if (a.layers != b.layers) {
        return "layer list";
    }
    if (a.incompleteLineCount != b.incompleteLineCount ||
        a.firstIncompleteLine != b.firstIncompleteLine || a.warnings.size() != b.warnings.size()) {
        return "incomplete lines or warnings";
    }
    for (std::size_t i = 0; i < a.warnings.size(); ++i) {
        if (a.warnings[i].kind != b.warnings[i].kind ||
            a.warnings[i].lineNumber != b.warnings[i].lineNumber ||
            a.warnings[i].detail != b.warnings[i].detail) {
            return "warning " + a.warnings[i].detail + " / " + b.warnings[i].detail;
        }
    }
    if (a.points.size() != b.points.size()) {
        return "point count " + std::to_string(a.points.size()) + " / " +
               std::to_string(b.points.size());
    }
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        if (!SameNumbers(a.points[i], b.points[i]) || a.points.Note(i) != b.points.Note(i) ||
            a.points.Layer(i) != b.points.Layer(i)) {
            return "point " + std::to_string(i);
        }
    }
    return {};
}

} // namespace quarvel::test
