#pragma once

#include "exporting/ExportWriter.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <thread>
#include <vector>

namespace quarvel {

// Reads the sections of a road one after another on a thread of its own, as
// the road's export reads them, and tells on the thread that made it what each
// holds: its point count, or why it cannot be read. Stops its thread when it
// goes; what it has not told by then is dropped with it.
class RoadScan : public QObject {
    Q_OBJECT
public:
    explicit RoadScan(QObject* parent = nullptr);
    ~RoadScan() override;
    RoadScan(const RoadScan&) = delete;
    RoadScan& operator=(const RoadScan&) = delete;

    // Once only: the files in the order of the rows they are told for.
    void Start(std::vector<std::filesystem::path> files);

signals:
    void sectionRead(int row, qulonglong points);
    void sectionFailed(int row, const QString& reason);
    void finished();

private:
    void Scan(const std::vector<std::filesystem::path>& files);

    CancelFlag m_cancel{false};
    std::thread m_thread;
};

} // namespace quarvel
