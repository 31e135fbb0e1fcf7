#pragma once

#include "road/RoadSection.h"
#include "workbench/RoadSource.h"
#include "workbench/WorkbenchText.h"

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace quarvel {

// "打开道路…": asks for a folder or several files and lists the road's
// sections along it from the heads of their files, on a thread of its own
// behind a progress that can cancel.
class OpenRoadCommand {
public:
    // Asked for the road, given the last one; nothing: cancelled.
    using SourceChooser = std::function<std::optional<RoadSource>(const RoadSource& last)>;

    explicit OpenRoadCommand(QWidget* window);

    void SetSourceChooser(SourceChooser chooser) { m_chooseSource = std::move(chooser); }
    void SetMessageSink(MessageSink sink) { m_showMessage = std::move(sink); }
    // How long a listing may run before its progress and its Cancel button show.
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

    std::optional<RoadSource> ChooseSource(const RoadSource& last) const;
    // The sections along the road; nothing when it has none (the user has been
    // told why) or the listing was cancelled.
    std::optional<std::vector<RoadSection>> List(const RoadSource& road) const;

private:
    std::optional<RoadSource> AskWithDialog(const RoadSource& last) const;
    void ShowMessage(const QString& message, const QString& detail) const;

    QWidget* m_window;
    SourceChooser m_chooseSource;
    MessageSink m_showMessage;
    int m_progressDelay = 500;
};

} // namespace quarvel
