// The About box: its texts, icon and layout, and how the main window opens it.

#include "app/CAboutDlg.h"
#include "app/AppIcon.h"
#include "app/MainWindowDress.h"
#include "app/Translations.h"
#include "workbench/CQuarvelDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace quarvel;

namespace {

// Runs check on the modal dialog that opens next, then closes it with "确定".
void OnNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(50, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (auto* about = qobject_cast<CAboutDlg*>(modal)) {
            QTest::mouseClick(about->OkButton(), Qt::LeftButton);
        } else if (modal != nullptr) {
            modal->close();
        }
    });
}

} // namespace

class CAboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showsNameVersionIconAndOk() {
        CAboutDlg about;
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("关于 Quarvel"));
        const auto* text = about.findChild<QLabel*>(QStringLiteral("aboutText"));
        QVERIFY(text != nullptr);
        QCOMPARE(text->text(), QStringLiteral("Quarvel，1.0 版"));
        // The text is not cut by the box.
        QVERIFY(text->geometry().width() >= text->sizeHint().width());
        QVERIFY(about.rect().contains(text->geometry()));
        const auto* icon = about.findChild<QLabel*>(QStringLiteral("aboutIcon"));
        QVERIFY(icon != nullptr);
        QVERIFY(!icon->pixmap().isNull());
        QPushButton* ok = about.OkButton();
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QVERIFY(ok->isDefault());
        QVERIFY(about.rect().contains(ok->geometry()));
        QVERIFY(!ok->geometry().intersects(text->geometry()));
        QVERIFY(!ok->geometry().intersects(icon->geometry()));
        QCOMPARE(about.minimumSize(), about.maximumSize());

        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }

    void enterAndEscCloseTheBox() {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            CAboutDlg about;
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, key);
            QVERIFY(!about.isVisible());
        }
    }

    void iconComesInEveryDesktopSize() {
        const QIcon icon = ApplicationIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (const int side : {16, 32, 48, 256}) {
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        }
    }

    void theMainWindowOpensItWithF1AndAgain() {
        QTemporaryDir dir;
        CQuarvelDlg window(ToFsPath(dir.filePath(QStringLiteral("Quarvel.ini"))));
        DressMainWindow(window);
        QVERIFY(!window.windowIcon().isNull());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (int run = 0; run < 2; ++run) {
            QString title;
            OnNextModal([&title](QWidget* modal) {
                if (qobject_cast<CAboutDlg*>(modal) != nullptr) {
                    title = modal->windowTitle();
                }
            });
            // The offscreen platform does not give the focus back by itself.
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(&window, Qt::Key_F1);
            QCOMPARE(title, QStringLiteral("关于 Quarvel"));
            QVERIFY(window.findChild<CAboutDlg*>() == nullptr); // gone once closed
        }
        QVERIFY(window.isVisible());
    }

    void theWindowsContextMenuOffersIt() {
        QTemporaryDir dir;
        CQuarvelDlg window(ToFsPath(dir.filePath(QStringLiteral("Quarvel.ini"))));
        DressMainWindow(window);
        window.show();
        QStringList entries;
        QString title;
        QTimer::singleShot(50, [&entries, &title] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            for (const QAction* action : menu->actions()) {
                entries.append(action->text());
            }
            OnNextModal([&title](QWidget* modal) {
                title = modal != nullptr ? modal->windowTitle() : QString();
            });
            menu->setActiveAction(menu->actions().constFirst());
            QTest::keyClick(menu, Qt::Key_Return);
        });
        // Never left hanging should the menu not have opened as expected.
        QTimer::singleShot(3000, [] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
            }
        });
        const QPoint at(window.width() / 2, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, window.mapToGlobal(at));
        QApplication::sendEvent(&window, &event);
        QCOMPARE(entries, QStringList({"关于 Quarvel(&A)..."}));
        QCOMPARE(title, QStringLiteral("关于 Quarvel"));
    }

    // Last: the translations stay installed for the rest of the run.
    void qtsOwnButtonsSpeakChinese() {
        QVERIFY(InstallChineseTranslations());
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')),
                 QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
                 QStringLiteral("取消"));
    }
};

QTEST_MAIN(CAboutDlgTest)
#include "CAboutDlgTest.moc"
