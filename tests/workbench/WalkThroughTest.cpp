// A new user's first session, step by step through the real window: open an
// example, choose four columns in the header, two decimals, knee points too,
// reversed, one layer unticked, export, close, start again.
// With QUARVEL_WALKTHROUGH_SHOTS set to a folder, every step is saved there as
// a picture for a person to look at.

#include "WindowHarness.h"

#include "sectiondata/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace quarvel;
using namespace quarvel::test;

class WalkThroughTest : public QObject {
    Q_OBJECT

    void Shoot(const WindowHarness& h, const char* step) {
        const QString folder = qEnvironmentVariable("QUARVEL_WALKTHROUGH_SHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            h.window->grab().save(QDir(folder).filePath(QString::fromLatin1(step) + ".png"));
        }
    }

private slots:
    void firstSessionAndRestart() {
        WindowHarness h;
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        Shoot(h, "1-start");

        const QString file = ExamplePath("section-3.8.txt");
        h.OpenThroughButton(file);
        QCOMPARE(h.Rows(), 11);
        QCOMPARE(h.Layers()->CheckedTexts().size(), h.Layers()->count());
        Shoot(h, "2-opened");

        QTest::keyClick(h.Spin("columnCount"), Qt::Key_Up);
        QVERIFY(h.ChooseField(3, QStringLiteral("高程Z")));
        QVERIFY(h.ChooseField(4, QStringLiteral("与前点距离")));
        QCOMPARE(h.Captions(), QStringList({"序号", "编号", "坐标X", "高程Z", "与前点距离"}));
        QTest::keyClick(h.Spin("decimals"), Qt::Key_Down);
        h.KneeCombo()->setFocus();
        QTest::keyClick(h.KneeCombo(), Qt::Key_Down);
        QCOMPARE(h.KneeCombo()->currentText(), QStringLiteral("显示交点与拐点"));
        QCOMPARE(h.Rows(), 13);
        QCOMPARE(h.Row(0), QStringList({"2", "500000.12", "35.20", "0.00"}));
        Shoot(h, "3-columns");

        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QCOMPARE(h.Row(0), QStringList({"15", "500038.62", "35.70", "0.00"}));
        QVERIFY(h.ClickLayer(QStringLiteral("边沟")));
        QTest::mouseClick(h.Button("layerFilterButton"), Qt::LeftButton);
        QCOMPARE(h.Rows(), 11);
        QCOMPARE(h.Row(0), QStringList({"15", "500038.62", "35.70", "0.00"}));
        QCOMPARE(h.Row(1), QStringList({"14", "500033.62", "34.60", "5.41"}));
        QVERIFY(!h.Column(1).contains(QStringLiteral("6")));
        QVERIFY(!h.Column(1).contains(QStringLiteral("7")));
        Shoot(h, "4-filtered");

        h.nextSave = h.TempPath(QStringLiteral("数据文件.csv"));
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QVERIFY(h.messages.isEmpty());
        QFile exported(h.nextSave);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = exported.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArrayLiteral("11\r"));
        QCOMPARE(lines.at(1), QByteArrayLiteral("15,500038.62,35.70,0.00\r"));
        QCOMPARE(lines.size(), 13); // 11 rows, the count, and nothing after the last CR LF
        QVERIFY(lines.last().isEmpty());
        // Windows refuses to replace a file that is still open.
        exported.close();

        // A layer column carries Chinese text: code page 936, which the
        // spreadsheets of the users' systems open as it is.
        QVERIFY(h.ChooseField(4, QStringLiteral("图层")));
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QTest::mouseClick(h.Check("reverse"), Qt::LeftButton);
        QTest::mouseClick(h.Button("exportButton"), Qt::LeftButton);
        QVERIFY(h.messages.isEmpty());
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QByteArray bytes = exported.readAll();
        QVERIFY(bytes.contains(QByteArrayLiteral("\x28\xB6\xCB\xB5\xE3\x29"))); // "(端点)"
        QVERIFY(QString::fromStdString(DecodeGbk(bytes.toStdString()))
                    .contains(QStringLiteral("道路中线")));
        QVERIFY(h.ChooseField(4, QStringLiteral("与前点距离")));

        const QStringList captions = h.Captions();
        QTest::keyClick(h.List(), Qt::Key_Escape);
        QVERIFY(!h.window->isVisible());

        h.Start();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QCOMPARE(h.Captions(), captions);
        QCOMPARE(h.Spin("decimals")->value(), 2);
        QCOMPARE(h.KneeCombo()->currentText(), QStringLiteral("显示交点与拐点"));
        QVERIFY(!h.Check("reverse")->isChecked());
        h.OpenThroughButton(file);
        QCOMPARE(h.Row(0), QStringList({"2", "500000.12", "35.20", "0.00"}));
        QCOMPARE(h.Rows(), 13);
        Shoot(h, "5-restarted");
    }
};

QTEST_MAIN(WalkThroughTest)
#include "WalkThroughTest.moc"
