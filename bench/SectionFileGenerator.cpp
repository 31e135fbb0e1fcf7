#include "SectionFileGenerator.h"

#include "sectiondata/TextCodec.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace quarvel {
namespace {

constexpr std::array<const char*, 6> kNotes = {"路肩", "边沟", "坡脚", "中桩", "地面点", "坡顶"};
constexpr std::array<const char*, 5> kLayers = {"道路中线", "边坡", "地面线", "道路边线", "边沟"};

std::vector<std::string> EncodeAll(const char* const* texts, std::size_t count) {
    std::vector<std::string> encoded;
    for (std::size_t i = 0; i < count; ++i) {
        encoded.push_back(EncodeGbk(texts[i]));
    }
    return encoded;
}

struct GeneratedPoint {
    unsigned flag = 0;
    unsigned kind = 0;
    const std::string* note = nullptr;
    const std::string* layer = nullptr;
};

} // namespace

std::string GenerateSectionFile(std::size_t pointCount, unsigned seed) {
    const std::vector<std::string> notes = EncodeAll(kNotes.data(), kNotes.size());
    const std::vector<std::string> layers = EncodeAll(kLayers.data(), kLayers.size());
    const std::string start = EncodeGbk("起点");
    const std::string end = EncodeGbk("终点");
    const std::string corner = EncodeGbk("拐点");

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_real_distribution<double> step(0.2, 1.5);
    std::uniform_real_distribution<double> height(-0.3, 0.3);

    std::string file = "HWT3.8\r\n500000.123,3400000.456,35.2,K0+000,\r\n";
    file += std::to_string(pointCount) + "\r\n";
    file.reserve(file.size() + pointCount * 72);

    double x = 500000.123;
    double y = 3400000.456;
    double z = 35.2;
    double station = 0;
    double heading = 0.3;
    char numbers[128];
    for (std::size_t i = 0; i < pointCount; ++i) {
        GeneratedPoint point;
        const int roll = percent(random);
        point.note = &notes[static_cast<std::size_t>(roll) % notes.size()];
        point.layer = &layers[static_cast<std::size_t>(roll / 7) % layers.size()];
        if (roll < 5) {
            point.kind = 2;
            point.note = &corner;
            heading += 0.2 * (roll - 2);
        } else if (roll < 8) {
            point.kind = 4;
        } else if (roll < 10) {
            point.flag = 1;
        } else if (roll < 11) {
            point.kind = 3;
        }
        if (i == 0) {
            point.note = &start;
        } else if (i + 1 == pointCount) {
            point.note = &end;
        }
        const int length = std::snprintf(numbers, sizeof numbers, "%zu,%.3f,%.3f,%.3f,%.3f,%u,",
                                         i + 1, x, y, z, station, point.flag);
        file.append(numbers, static_cast<std::size_t>(length));
        file += *point.note;
        file += ",0,";
        file += std::to_string(point.kind);
        file += ',';
        file += *point.layer;
        file += ",0,\r\n";

        const double distance = step(random);
        x += distance * std::sin(heading);
        y += distance * std::cos(heading);
        z += height(random);
        station += distance;
    }
    return file;
}

} // namespace quarvel
