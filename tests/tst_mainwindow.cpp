// The main window's shell: the template made real, the ways of closing, the about box.

#include "Scripted.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/PruneDlg.h"
#include "resources/Resource.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

namespace {

// Runs `probe` on the modal window that the next exec() opens, then closes that window.
void onNextModal(std::function<void(QWidget*)> probe)
{
    QTimer::singleShot(0, [probe] {
        QWidget* modal = QApplication::activeModalWidget();
        probe(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    });
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void initialControls_data();
    void initialControls();
    void windowFrame();
    void tabOrderAndFocus();
    void closing_data();
    void closing();
    void sysCommand_data();
    void sysCommand();
    void aboutBox();
    void contextMenuOffersAbout();
    void commandTable();

private:
    ScriptedServices m_scripted;
};

void TestMainWindow::cleanup()
{
    QVERIFY(m_scripted.messageBox.boxes.empty());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY2(!widget->isVisible() || qobject_cast<QMenu*>(widget), qPrintable(widget->objectName()));
    }
}

void TestMainWindow::initialControls_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QRect>("place"); // dialog units

    QTest::newRow("Exit") << IDOK << "QPushButton"
                          << "E&xit" << true << true << QRect(250, 188, 50, 16);
    QTest::newRow("Open m3u") << IDC_OPEN_M3U << "QPushButton"
                              << "Open m3u..." << true << true << QRect(7, 7, 51, 17);
    QTest::newRow("M3U label") << IDC_M3U_LABEL << "QLabel"
                               << "M3U File:" << false << true << QRect(7, 27, 298, 12);
    QTest::newRow("Select Directory") << IDC_SELECT_DIR << "QPushButton"
                                      << "Select Directory" << false << true << QRect(7, 41, 79, 18);
    QTest::newRow("base label") << IDC_BASEDIR_LABEL << "QLabel"
                                << "Base Directory:" << false << true << QRect(7, 61, 298, 14);
    QTest::newRow("Begin Scan") << IDC_BEGIN_SCAN << "QPushButton"
                                << "Begin Scan" << false << true << QRect(7, 79, 63, 18);
    QTest::newRow("progress") << IDC_PROGRESS << "QProgressBar"
                              << "" << false << false << QRect(7, 177, 143, 14);
    QTest::newRow("file list") << IDC_FILE_LIST << "QListView"
                               << "" << false << true << QRect(7, 98, 306, 76);
    QTest::newRow("prompt") << IDC_SELECT_PROMPT << "QLabel"
                            << "Select MP3s to Delete:" << false << true << QRect(81, 87, 92, 9);
    QTest::newRow("Delete Files") << IDC_DELETE_FILES << "QPushButton"
                                  << "Delete Files" << false << true << QRect(159, 178, 45, 13);
    QTest::newRow("Select All") << IDC_SELECT_ALL << "QPushButton"
                                << "Select All" << false << true << QRect(175, 85, 50, 12);
    QTest::newRow("Deselect All") << IDC_DESELECT_ALL << "QPushButton"
                                  << "Deselect All" << false << true << QRect(230, 85, 50, 12);
    QTest::newRow("status") << IDC_STATUS << "QLabel"
                            << "0%" << true << false << QRect(7, 193, 186, 15);
}

void TestMainWindow::initialControls()
{
    QFETCH(int, id);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QFETCH(QRect, place);

    CPruneDlg dlg(m_scripted.services());
    dlg.show();
    QWidget* widget = dlg.GetDlgItem(id);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->metaObject()->className(), kind);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), caption);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
    }
    QCOMPARE(widget->isEnabled(), enabled);
    QCOMPARE(widget->isVisible(), visible);

    // Every edge at its place in proportion to the template's 320 by 217 units, within a pixel.
    const QRect got = widget->geometry();
    const double sx = dlg.width() / 320.0;
    const double sy = dlg.height() / 217.0;
    QVERIFY2(std::abs(got.left() - place.left() * sx) <= 1.5 && std::abs(got.top() - place.top() * sy) <= 1.5,
             qPrintable(QStringLiteral("at %1,%2").arg(got.left()).arg(got.top())));
    QVERIFY2(std::abs(got.width() - place.width() * sx) <= 1.5 && std::abs(got.height() - place.height() * sy) <= 1.5,
             qPrintable(QStringLiteral("size %1x%2").arg(got.width()).arg(got.height())));
}

void TestMainWindow::windowFrame()
{
    CPruneDlg dlg(m_scripted.services());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tuneprune"));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    const DialogUnits units = DialogUnits::of(dlg.font());
    QCOMPARE(dlg.size(), QSize(units.toPixelsX(320), units.toPixelsY(217)));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!dlg.windowIcon().isNull());
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_OPEN_M3U))->isDefault());

    dlg.show();
    const QRect screen = dlg.screen()->availableGeometry();
    QVERIFY(std::abs(dlg.frameGeometry().center().x() - screen.center().x()) <= 2);
    QVERIFY(std::abs(dlg.frameGeometry().center().y() - screen.center().y()) <= 2);
}

void TestMainWindow::tabOrderAndFocus()
{
    CPruneDlg dlg(m_scripted.services());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QWidget* exitButton = dlg.GetDlgItem(IDOK);
    QCOMPARE(QApplication::focusWidget(), exitButton);

    std::vector<QString> order;
    QWidget* widget = exitButton;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != exitButton);
    const std::vector<QString> expected = {"IDOK",          "IDC_OPEN_M3U",     "IDC_SELECT_DIR", "IDC_BEGIN_SCAN",
                                           "IDC_FILE_LIST", "IDC_DELETE_FILES", "IDC_SELECT_ALL", "IDC_DESELECT_ALL"};
    QCOMPARE(order, expected);
}

void TestMainWindow::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("Exit button") << "click" << int(QDialog::Accepted);
    QTest::newRow("Enter on the focused Exit") << "enter" << int(QDialog::Accepted);
    QTest::newRow("Esc") << "escape" << int(QDialog::Rejected);
    QTest::newRow("close box") << "close" << int(QDialog::Rejected);
}

void TestMainWindow::closing()
{
    QFETCH(QString, how);
    QFETCH(int, result);

    CPruneDlg dlg(m_scripted.services());
    dlg.setResult(-1);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    if (how == "click") {
        QTest::mouseClick(dlg.GetDlgItem(IDOK), Qt::LeftButton);
    } else if (how == "enter") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else if (how == "escape") {
        QTest::keyClick(&dlg, Qt::Key_Escape);
    } else {
        QVERIFY(dlg.close());
    }
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), result);
}

void TestMainWindow::sysCommand_data()
{
    QTest::addColumn<unsigned>("command");
    QTest::addColumn<bool>("opensAbout");
    for (unsigned command = 0x0010; command <= 0x001F; ++command) {
        QTest::addRow("0x%04X", command) << command << true;
    }
    QTest::newRow("0x0000") << 0x0000u << false;
    QTest::newRow("0x0020") << 0x0020u << false;
    QTest::newRow("0x0110") << 0x0110u << false;
    QTest::newRow("close 0xF060") << 0xF060u << false;
}

void TestMainWindow::sysCommand()
{
    QFETCH(unsigned, command);
    QFETCH(bool, opensAbout);

    CPruneDlg dlg(m_scripted.services());
    dlg.show();
    bool sawAbout = false;
    onNextModal([&](QWidget* modal) { sawAbout = qobject_cast<CAboutDlg*>(modal) != nullptr; });
    dlg.OnSysCommand(command);
    QCOMPARE(sawAbout, opensAbout);
    QTest::qWait(0); // let an unused probe run while nothing is modal
    QVERIFY(dlg.isVisible());
}

void TestMainWindow::aboutBox()
{
    CPruneDlg dlg(m_scripted.services());
    dlg.show();
    dlg.move(dlg.pos() + QPoint(40, 30));
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(about != nullptr);
        QCOMPARE(about->windowTitle(), QStringLiteral("Tuneprune"));
        QCOMPARE(qobject_cast<QLabel*>(about->GetDlgItem(IDC_ABOUT_VERSION))->text(),
                 QStringLiteral("Tuneprune Version 0.1"));
        QVERIFY(qobject_cast<QLabel*>(about->GetDlgItem(IDC_ABOUT_CREDITS))->text().contains("report problems"));
        QVERIFY(!qobject_cast<QLabel*>(about->GetDlgItem(IDC_ABOUT_ICON))->pixmap().isNull());
        QVERIFY(std::abs(about->frameGeometry().center().x() - dlg.frameGeometry().center().x()) <= 2);
        auto* ok = qobject_cast<QPushButton*>(about->GetDlgItem(IDOK));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        checked = true;
    });
    dlg.OnSysCommand(IDM_ABOUTBOX);
    QVERIFY(checked);
    QVERIFY(dlg.isVisible());
}

void TestMainWindow::contextMenuOffersAbout()
{
    CPruneDlg dlg(m_scripted.services());
    QMenu* menu = dlg.systemMenu();
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("&About Tuneprune..."));
    bool sawAbout = false;
    onNextModal([&](QWidget* modal) { sawAbout = qobject_cast<CAboutDlg*>(modal) != nullptr; });
    menu->actions().constFirst()->trigger();
    QVERIFY(sawAbout);
}

void TestMainWindow::commandTable()
{
    CPruneDlg dlg(m_scripted.services());
    std::set<int> ids;
    for (const CPruneDlg::Command& command : CPruneDlg::commandTable()) {
        QVERIFY2(ids.insert(command.id).second, qPrintable(QString::number(command.id)));
        QVERIFY(command.handler != nullptr);
        QVERIFY2(qobject_cast<QAbstractButton*>(dlg.GetDlgItem(command.id)) != nullptr,
                 qPrintable(QString::number(command.id)));
    }
    // Every push button of the window is in the table.
    for (QAbstractButton* button : dlg.findChildren<QAbstractButton*>()) {
        bool listed = false;
        for (int id : ids) {
            listed = listed || dlg.GetDlgItem(id) == button;
        }
        QVERIFY2(listed, qPrintable(button->objectName()));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
