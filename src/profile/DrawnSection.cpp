#include "profile/DrawnSection.h"

#include "sectiondata/SectionReader.h"
#include "sectiondata/SystemErrorText.h"

namespace quarvel {

DrawnSectionLoad LoadDrawnSection(const std::filesystem::path& input, const DrawRules& rules) {
    DrawnSectionLoad load;
    const std::string name = ShownPath(input);
    SectionReadResult read = ReadSectionFile(input);
    switch (read.status) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::NotSectionFile:
        load.failure = "非本软件数据格式文件: " + name + ": " + read.error;
        return load;
    case ReadStatus::CannotOpen:
    case ReadStatus::ReadFailed:
    case ReadStatus::Cancelled:
        load.failure = "文件导入失败: " + name + ": " + read.error;
        return load;
    }
    for (const ReadWarning& warning : read.warnings) {
        load.warnings.push_back("警告: " + name + ": " + warning.detail);
    }
    if (rules.layers) {
        ApplyLayerFilter(read.points, *rules.layers);
    }
    auto section = std::make_unique<DrawnSection>();
    section->points = std::move(read.points);
    section->layers = std::move(read.layers);
    TableOptions options;
    options.kneeMode = rules.kneeMode;
    options.reverse = rules.reverse;
    section->table = SectionTable(section->points, {}, options);
    if (section->table.RowCount() == 0) {
        load.failure = "没有数据行，未写入文件: " + name;
        return load;
    }
    section->data = ProfileData(section->table, section->layers);
    load.section = std::move(section);
    return load;
}

} // namespace quarvel
