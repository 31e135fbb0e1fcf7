#pragma once

// Drives the real main window in the widget tests: its settings file lies in a
// temporary folder, the file dialogs are replaced by answers the test sets, and
// the messages it would show are collected instead.

#include "controls/CCheckComboBox.h"
#include "controls/CHeaderCtrlEx.h"
#include "controls/CListCellCombo.h"
#include "controls/CListCtrlEx.h"
#include "profile/SectionProfileView.h"
#include "sectiondata/Azimuths.h"
#include "sectiondata/SectionReader.h"
#include "support/TestSupport.h"
#include "table/TableRules.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/OpenSectionCommand.h"
#include "workbench/SectionTableModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quarvel::test {

inline QString ExamplePath(const char* name) {
    return QStringLiteral(QUARVEL_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A file's bytes; empty when it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The table the rules build for a file, for comparison with what the window shows.
struct ExpectedTable {
    PointList points;
    SectionTable table;

    ExpectedTable(const QString& file, const std::vector<std::string>& captions,
                  const TableOptions& options) {
        SectionReadResult result = ReadSectionFile(ToFsPath(file));
        points = std::move(result.points);
        ComputeAzimuths(points);
        table = SectionTable(points, captions, options);
    }
    ExpectedTable(const ExpectedTable&) = delete;
    ExpectedTable& operator=(const ExpectedTable&) = delete;

    QStringList Row(int row) const {
        QStringList cells;
        for (std::size_t column = 0; column < table.DataColumnCount(); ++column) {
            cells.append(Q(table.CellText(static_cast<std::size_t>(row), column)));
        }
        return cells;
    }
};

class WindowHarness {
public:
    WindowHarness() { Start(); }

    // A new window on the same settings file, as a restart of the program.
    void Start() {
        window.reset();
        window = std::make_unique<CQuarvelDlg>(SettingsFile());
        window->SetOpenFileChooser([this](const QString& folder) {
            ++openAsked;
            openFolder = folder;
            return nextOpen;
        });
        window->SetSaveFileChooser([this](const QString& suggested) {
            ++saveAsked;
            saveSuggested = suggested;
            return nextSave;
        });
        window->SetMessageSink([this](const QString& message, const QString& detail) {
            messages.append(message);
            details.append(detail);
        });
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    std::filesystem::path SettingsFile() const {
        return ToFsPath(dir.filePath(QStringLiteral("Quarvel.ini")));
    }
    QString TempPath(const QString& name) const { return dir.filePath(name); }

    QString WriteFile(const QString& name, const QByteArray& bytes) const {
        const QString path = TempPath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(bytes);
        }
        return path;
    }

    // Opens through the button, the file dialog answering path.
    void OpenThroughButton(const QString& path) {
        nextOpen = path;
        QTest::mouseClick(Button("openButton"), Qt::LeftButton);
    }

    QPushButton* Button(const char* name) const {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QSpinBox* Spin(const char* name) const {
        return window->findChild<QSpinBox*>(QString::fromLatin1(name));
    }
    QCheckBox* Check(const char* name) const {
        return window->findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    QComboBox* KneeCombo() const {
        return window->findChild<QComboBox*>(QStringLiteral("kneeMode"));
    }
    CCheckComboBox* Layers() const {
        return window->findChild<CCheckComboBox*>(QStringLiteral("layers"));
    }
    CListCtrlEx* List() const { return window->List(); }
    const QAbstractItemModel* Model() const { return List()->model(); }

    QStringList Captions() const {
        QStringList captions;
        for (int column = 0; column < Model()->columnCount(); ++column) {
            captions.append(Model()->headerData(column, Qt::Horizontal).toString());
        }
        return captions;
    }
    int Rows() const { return Model()->rowCount(); }
    QString Cell(int row, int column) const {
        return Model()->index(row, column).data().toString();
    }
    // Data cells only, without "序号".
    QStringList Row(int row) const {
        QStringList cells;
        for (int column = 1; column < Model()->columnCount(); ++column) {
            cells.append(Cell(row, column));
        }
        return cells;
    }
    QStringList Column(int column) const {
        QStringList cells;
        for (int row = 0; row < Rows(); ++row) {
            cells.append(Cell(row, column));
        }
        return cells;
    }
    QList<QStringList> AllRows() const {
        QList<QStringList> rows;
        for (int row = 0; row < Rows(); ++row) {
            rows.append(Row(row));
        }
        return rows;
    }
    bool ShowsExactly(const ExpectedTable& expected) const {
        if (Rows() != static_cast<int>(expected.table.RowCount())) {
            return false;
        }
        for (int row = 0; row < Rows(); ++row) {
            if (Row(row) != expected.Row(row) || Cell(row, 0) != QString::number(row + 1)) {
                return false;
            }
        }
        return true;
    }

    // Chooses a field for a column the way a user does: a click on the header
    // cell opens its combo, and the field is picked in the dropped list.
    bool ChooseField(int column, const QString& caption) {
        CHeaderCtrlEx* header = List()->HeaderCtrl();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        CListCellCombo* combo = header->CellCombo();
        if (combo == nullptr) {
            return false;
        }
        const int index = combo->findText(caption);
        if (index < 0) {
            return false;
        }
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QApplication::processEvents();
        return true;
    }

    // Clicks a layer in the open list of the layer filter.
    bool ClickLayer(const QString& layer) {
        CCheckComboBox* combo = Layers();
        const int index = combo->findText(layer);
        if (index < 0) {
            return false;
        }
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        // The list ignores a release that comes too soon after it opened.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect rect = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        combo->hidePopup();
        return true;
    }

    // Types text into a spin box, replacing what it shows.
    static void TypeInto(QSpinBox* spin, const QString& text) {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, text);
    }

    QTemporaryDir dir;
    std::unique_ptr<CQuarvelDlg> window;
    QString nextOpen;
    QString nextSave;
    int openAsked = 0;
    int saveAsked = 0;
    QString openFolder;
    QString saveSuggested;
    QStringList messages;
    QStringList details;
};

// Reads as ReadSectionFile does, lingering over each report of its progress,
// so that a file read on a thread of its own is still being read when the
// progress shows.
inline OpenSectionCommand::FileReader SlowedReader() {
    return [](const std::filesystem::path& path, const ReadProgress& progress) {
        return ReadSectionFile(path, [&progress](std::size_t done, std::size_t total) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return progress(done, total);
        });
    };
}

inline QByteArray WorkedExampleBytes() {
    return QByteArray::fromStdString(quarvel::test::WorkedExampleFile());
}

} // namespace quarvel::test
