#include "sheets/SheetsExport.h"

#include "files/AtomicFile.h"
#include "sectiondata/SystemErrorText.h"
#include "sheets/SheetDxf.h"
#include "sheets/SheetPainter.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cctype>

namespace quarvel {
namespace {

// Hands what the PDF writer writes to the atomic writer as it comes.
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file) : m_file(file) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        return m_file.Write(std::string_view(data, static_cast<std::size_t>(size))) ? size : -1;
    }

private:
    AtomicFile& m_file;
};

QPageSize PageSizeOf(Paper paper) {
    return QPageSize(paper == Paper::A4 ? QPageSize::A4 : QPageSize::A3);
}

} // namespace

std::optional<SheetFormat> SheetFormatOf(const std::filesystem::path& output) {
    std::string extension = output.extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".pdf") {
        return SheetFormat::Pdf;
    }
    if (extension == ".dxf") {
        return SheetFormat::Dxf;
    }
    return std::nullopt;
}

bool WriteSheetsPdf(const std::filesystem::path& target, const SheetRequest& request,
                    const SheetLayout& layout, std::string& reason, const SheetProgress& progress) {
    AtomicFile file(target);
    if (!file.Open()) {
        reason = file.Reason();
        return false;
    }
    bool ok = true;
    {
        AtomicFileDevice device(file);
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Quarvel"));
        writer.setTitle(QString::fromStdString(request.roadName + " 横断面图"));
        // At 96 dots per inch the page's units are the profile's logical ones.
        writer.setResolution(static_cast<int>(SheetPainter::kUnitsPerMm * 25.4 + 0.5));
        writer.setPageLayout(QPageLayout(PageSizeOf(request.options.paper), QPageLayout::Landscape,
                                         QMarginsF(), QPageLayout::Millimeter));
        QPainter painter;
        ok = DrawSheets(request, layout, reason, progress,
                        [&](std::size_t page, const Sheet& sheet,
                            const std::vector<std::unique_ptr<DrawnSection>>& sections) {
                            if (page == 0 ? !painter.begin(&writer) : !writer.newPage()) {
                                return false;
                            }
                            SheetPainter::Draw(painter, request, sheet, page + 1,
                                               layout.sheets.size(), sections);
                            return true;
                        });
        if (painter.isActive()) {
            painter.end();
        }
    }
    if (!ok) {
        if (reason.empty()) {
            reason = file.Reason().empty() ? "无法生成 PDF" : file.Reason();
        }
        return false;
    }
    if (!file.Commit()) {
        reason = file.Reason();
        return false;
    }
    return true;
}

SheetsResult ExportSheets(const std::filesystem::path& target, SheetFormat format,
                          const SheetRequest& request, const SheetReport& report,
                          const SheetProgress& progress) {
    SheetsResult result;
    const std::size_t total = request.sections.size();
    std::vector<SectionExtent> extents;
    const bool read = ReadExtents(request, extents, report, [&](std::size_t done, std::size_t) {
        return !progress || progress(done, 2 * total);
    });
    if (!read) {
        return result;
    }
    const SheetLayout layout = LayOutSheets(extents, request.options);
    if (layout.tooLarge) {
        report(RefusalText(layout, extents, request.options));
        return result;
    }
    const SheetProgress writing = [&](std::size_t done, std::size_t) {
        return !progress || progress(total + done, 2 * total);
    };
    std::string reason;
    const bool written = format == SheetFormat::Dxf
                             ? WriteSheetsDxf(target, request, layout, reason, writing)
                             : WriteSheetsPdf(target, request, layout, reason, writing);
    if (!written) {
        report("保存文件失败: " + ShownPath(target) + ": " + reason);
        return result;
    }
    result.ok = true;
    result.sheets = layout.sheets.size();
    return result;
}

} // namespace quarvel
