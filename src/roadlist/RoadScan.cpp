#include "roadlist/RoadScan.h"

#include "exporting/BatchExport.h"

#include <exception>
#include <utility>

namespace quarvel {

RoadScan::RoadScan(QObject* parent) : QObject(parent) {}

RoadScan::~RoadScan() {
    m_cancel = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void RoadScan::Start(std::vector<std::filesystem::path> files) {
    if (m_thread.joinable()) {
        return;
    }
    m_thread = std::thread([this, files = std::move(files)] { Scan(files); });
}

void RoadScan::Scan(const std::vector<std::filesystem::path>& files) {
    const ExportRecipe asRead; // the points as the file holds them, no layer hidden
    for (std::size_t i = 0; i < files.size() && !m_cancel; ++i) {
        const int row = static_cast<int>(i);
        QString failure;
        qulonglong points = 0;
        try {
            const SectionLoad load = LoadSectionForExport(files[i], asRead, &m_cancel);
            if (load.result.status == FileExportStatus::Cancelled) {
                return;
            }
            points = load.read.points.size();
            failure = load.loaded ? QString() : QString::fromStdString(load.result.failure);
        } catch (const std::exception&) {
            failure = QStringLiteral("内存不足，无法读入");
        }
        // Delivered on the thread the scan belongs to; dropped if the scan goes first.
        QMetaObject::invokeMethod(
            this,
            [this, row, points, failure] {
                if (failure.isEmpty()) {
                    emit sectionRead(row, points);
                } else {
                    emit sectionFailed(row, failure);
                }
            },
            Qt::QueuedConnection);
    }
    QMetaObject::invokeMethod(this, &RoadScan::finished, Qt::QueuedConnection);
}

} // namespace quarvel
