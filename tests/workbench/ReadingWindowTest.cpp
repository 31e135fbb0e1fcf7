// The window while it reads a large file: its first rows show at once and the
// window keeps painting; the whole section replaces them; a cancelled or failed
// read leaves the section shown before; nothing acts on the file half read.

#include "WindowHarness.h"

#include "profile/SectionProfileView.h"
#include "workbench/RecentFiles.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

using namespace quarvel;
using namespace quarvel::test;

namespace {

const std::vector<std::string> kDefaultCaptions = {"编号", "坐标X", "坐标Y"};
constexpr int kPoints = 60000; // some megabytes: far more than the first lines shown at once

// Intersection and knee points on three layers, along a bending line.
QByteArray LargeSection() {
    QByteArray bytes = QByteArrayLiteral("HWT3.8\n500000,3400000,35,K1+000,\n") +
                       QByteArray::number(kPoints) + '\n';
    for (int i = 0; i < kPoints; ++i) {
        const double x = 500000 + i * 0.5;
        const double y = 3400000 + (i % 40) * 0.25;
        bytes += QByteArray::number(i + 1) + ',' + QByteArray::number(x, 'f', 3) + ',' +
                 QByteArray::number(y, 'f', 3) + ",35.2," + QByteArray::number(i * 0.5) + ",0,p" +
                 QByteArray::number(i) + ",0," + (i % 5 == 0 ? "2" : "0") + ",L" +
                 QByteArray::number(i % 3) + ",0,\n";
    }
    return bytes;
}

// What the window must show again after a read that did not end well.
struct Shown {
    QList<QStringList> rows;
    QStringList checkedLayers;
    QString status;
    QString title;
    std::vector<std::string> recent;

    explicit Shown(const WindowHarness& h)
        : rows(h.AllRows()), checkedLayers(h.Layers()->CheckedTexts()),
          status(h.window->StatusText()), title(h.window->Profile()->Title()),
          recent(h.window->Recent().Stored()) {}
    bool operator==(const Shown& other) const {
        return rows == other.rows && checkedLayers == other.checkedLayers &&
               status == other.status && title == other.title && recent == other.recent;
    }
};

// A reader on the reading thread that holds on until the window has had its
// turn, then does what then says, giving up after a while so that a window
// that never gets its turn fails the test instead of hanging it.
class HeldReader {
public:
    using Then =
        std::function<SectionReadResult(const std::filesystem::path&, const ReadProgress&)>;

    explicit HeldReader(Then then) : m_then(std::move(then)) {}

    OpenSectionCommand::FileReader Reader() {
        return [this](const std::filesystem::path& file, const ReadProgress& progress) {
            QElapsedTimer waited;
            waited.start();
            while (!m_go && waited.elapsed() < 5000) {
                if (progress && !progress(0, 1)) {
                    SectionReadResult cancelled;
                    cancelled.status = ReadStatus::Cancelled;
                    return cancelled;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return m_then(file, progress);
        };
    }
    void Go() { m_go = true; }

private:
    Then m_then;
    std::atomic<bool> m_go{false};
};

SectionReadResult PlainRead(const std::filesystem::path& file, const ReadProgress& progress) {
    return ReadSectionFile(file, progress);
}

QWidget* Preview(const WindowHarness& h) {
    return h.window->findChild<QWidget*>(QStringLiteral("sectionPreview"));
}

// The preview's rows, data cells only, as WindowHarness::Row gives the table's.
QList<QStringList> PreviewRows(const WindowHarness& h, int count) {
    const QAbstractItemModel* model =
        h.window->findChild<CListCtrlEx*>(QStringLiteral("previewList"))->model();
    QList<QStringList> rows;
    for (int row = 0; row < std::min(count, model->rowCount()); ++row) {
        QStringList cells;
        for (int column = 1; column < model->columnCount(); ++column) {
            cells.append(model->index(row, column).data().toString());
        }
        rows.append(cells);
    }
    return rows;
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class ReadingWindowTest : public QObject {
    Q_OBJECT

private slots:
    // The first rows show and the window paints while the rest is read; then
    // the table is that of a plain read, azimuths included.
    void showsTheFirstRowsAtOnceAndThenTheWholeSection() {
        WindowHarness h;
        const QString file = h.WriteFile(QStringLiteral("large.txt"), LargeSection());
        const ExpectedTable expected(file, kDefaultCaptions, TableOptions());
        QList<QStringList> firstRows;
        for (int row = 0; row < 30; ++row) {
            firstRows.append(expected.Row(row));
        }

        HeldReader held(PlainRead);
        h.window->SectionOpening().SetFileReader(held.Reader());
        PaintCounter painted(
            h.window->findChild<CListCtrlEx*>(QStringLiteral("previewList"))->viewport());
        int ticks = 0;
        QList<QStringList> shownWhileReading;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            // The window's own loop runs this: it is not frozen.
            if (++ticks == 5) {
                shownWhileReading =
                    Preview(h)->isVisible() ? PreviewRows(h, 30) : QList<QStringList>();
                held.Go();
            }
        });
        watch.start(5);
        h.OpenThroughButton(file);
        watch.stop();

        QVERIFY(ticks >= 5);
        QVERIFY(painted.count > 0);
        QCOMPARE(shownWhileReading, firstRows);
        QVERIFY(!Preview(h)->isVisible());
        QVERIFY(h.messages.isEmpty());
        QVERIFY(h.ShowsExactly(expected));
        QCOMPARE(h.window->Points().size(), expected.points.size());
        for (std::size_t i = 0; i < expected.points.size(); ++i) {
            QCOMPARE(h.window->Points()[i].azimuth, expected.points[i].azimuth);
        }
        QCOMPARE(h.window->Profile()->Title(), QStringLiteral("large.txt"));

        // A reversed table starts at the file's end, which the first lines do
        // not hold: rather no preview than rows of another table.
        const int rowCount = h.window->TableModel()->rowCount();
        h.window->findChild<QCheckBox*>(QStringLiteral("reverse"))->click();
        HeldReader reversed(PlainRead);
        h.window->SectionOpening().SetFileReader(reversed.Reader());
        bool previewedReversed = true;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            previewedReversed = Preview(h)->isVisible();
            reversed.Go();
        });
        look.start(5);
        h.OpenThroughButton(file);
        look.stop();
        QVERIFY(!previewedReversed);
        QCOMPARE(h.window->TableModel()->rowCount(), rowCount);
    }

    // The preview goes before the message, so that the message stands over the
    // section shown before, which is left whole.
    void aCancelledOrFailedReadLeavesTheSectionShownBefore() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.Layers()->SetCheck(0, false);
        const Shown before(h);
        const QString file = h.WriteFile(QStringLiteral("large.txt"), LargeSection());
        h.window->SetProgressDelay(0);

        // Cancelled through the progress, while the first rows show.
        HeldReader cancelled(PlainRead);
        h.window->SectionOpening().SetFileReader(cancelled.Reader());
        bool previewed = false;
        QTimer presser;
        connect(&presser, &QTimer::timeout, this, [&] {
            auto* progress = h.window->findChild<QProgressDialog*>();
            if (progress != nullptr && progress->isVisible() && !previewed) {
                previewed = Preview(h)->isVisible();
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        });
        presser.start(1);
        h.OpenThroughButton(file);
        presser.stop();
        QVERIFY(previewed);
        QVERIFY(h.messages.isEmpty());
        QVERIFY(!Preview(h)->isVisible());
        QVERIFY(Shown(h) == before);

        // Failed part-way, after the first rows showed.
        HeldReader failing([](const std::filesystem::path&, const ReadProgress&) {
            SectionReadResult failure;
            failure.status = ReadStatus::ReadFailed;
            failure.error = "输入/输出错误";
            return failure;
        });
        h.window->SectionOpening().SetFileReader(failing.Reader());
        previewed = false;
        QTimer release;
        connect(&release, &QTimer::timeout, this, [&] {
            previewed = previewed || Preview(h)->isVisible();
            failing.Go();
        });
        release.start(1);
        bool previewAtMessage = true;
        h.window->SetMessageSink([&](const QString& message, const QString& detail) {
            previewAtMessage = Preview(h)->isVisible();
            h.messages.append(message);
            h.details.append(detail);
        });
        h.OpenThroughButton(file);
        release.stop();
        QVERIFY(previewed);
        QCOMPARE(h.messages, QStringList({"文件导入失败"}));
        QVERIFY(h.details.last().contains(QStringLiteral("large.txt")));
        QVERIFY(h.details.last().contains(QStringLiteral("输入/输出错误")));
        QVERIFY(!previewAtMessage);
        QVERIFY(Shown(h) == before);
    }

    // Whatever is asked of the window while it reads meets the section shown
    // before, whole, or nothing: never the rows read so far.
    void nothingActsOnTheFileBeingRead() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        const QList<QStringList> rows = h.AllRows();
        const std::size_t points = h.window->Points().size();
        const QString file = h.WriteFile(QStringLiteral("large.txt"), LargeSection());

        HeldReader held(PlainRead);
        h.window->SectionOpening().SetFileReader(held.Reader());
        bool secondOpened = true;
        int asked = -1;
        bool sameSection = false;
        QTimer meanwhile;
        connect(&meanwhile, &QTimer::timeout, this, [&] {
            if (!Preview(h)->isVisible() || asked >= 0) {
                return;
            }
            h.nextOpen = ExamplePath("section-3.0.txt");
            const int before = h.openAsked;
            QTest::mouseClick(h.Button("openButton"), Qt::LeftButton);
            QTest::keyClick(h.window.get(), Qt::Key_O, Qt::ControlModifier);
            asked = h.openAsked - before;
            secondOpened = h.window->OpenFile(ExamplePath("section-3.0.txt"));
            sameSection = h.window->Points().size() == points && h.AllRows() == rows;
            held.Go();
        });
        meanwhile.start(1);
        h.OpenThroughButton(file);
        meanwhile.stop();

        QCOMPARE(asked, 0);
        QVERIFY(!secondOpened);
        QVERIFY(sameSection);
        QCOMPARE(h.Rows(),
                 static_cast<int>(
                     ExpectedTable(file, kDefaultCaptions, TableOptions()).table.RowCount()));
        // Once read, the window opens again.
        QVERIFY(h.window->OpenFile(ExamplePath("section-3.0.txt")));
    }
};

QTEST_MAIN(ReadingWindowTest)
#include "ReadingWindowTest.moc"
