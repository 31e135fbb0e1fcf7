// Pictures of the profile as the window's "导出断面图…" saves them, and no file
// at all when writing fails.

#include "workbench/WindowHarness.h"

#include "profile/ProfilePicture.h"
#include "profile/SectionProfileView.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QDir>
#include <QImage>

using namespace quarvel;
using namespace quarvel::test;

class ProfilePictureTest : public QObject {
    Q_OBJECT

private slots:
    // "导出断面图…" saves the panel at twice its size, and tells of a failure
    // without leaving a file.
    void windowSavesThePanelAsShown() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        ExportProfileCommand& command = h.window->ProfileExport();
        QString target = h.TempPath(QStringLiteral("断面.png"));
        QString suggested;
        command.SetFileChooser([&](const QString& path) {
            suggested = path;
            return target;
        });
        int optionsAsked = 0;
        command.SetOptionsChooser([&](const PictureRequest& proposed) {
            ++optionsAsked;
            return std::optional<PictureRequest>(proposed);
        });
        QAction* action = h.window->Menu()->ExportProfileAction();
        QCOMPARE(action->text(), QStringLiteral("导出断面图…"));
        action->trigger();
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("section-3.8.png"));
        QCOMPARE(optionsAsked, 1);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(QImage(target).size(), h.window->Profile()->size() * 2);

        target = h.TempPath(QStringLiteral("gone/断面.pdf"));
        action->trigger();
        QCOMPARE(h.messages, QStringList({"保存文件失败"}));
        QVERIFY(h.details.constFirst().contains(QDir::toNativeSeparators(target)));
        QVERIFY(!QFileInfo::exists(QFileInfo(target).absolutePath()));

        // Hidden since the start, the panel is saved at twice the size it
        // would show at.
        h.window->Menu()->ProfileAction()->trigger();
        h.window->close();
        h.Start();
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.window->ProfileExport().SetFileChooser([&](const QString&) { return target; });
        h.window->ProfileExport().SetOptionsChooser(
            [](const PictureRequest& proposed) { return std::optional<PictureRequest>(proposed); });
        target = h.TempPath(QStringLiteral("hidden.png"));
        h.window->Menu()->ExportProfileAction()->trigger();
        QCOMPARE(QImage(target).size(), h.window->Profile()->sizeHint() * 2);
    }
};

QTEST_MAIN(ProfilePictureTest)
#include "ProfilePictureTest.moc"
