// The main window's shell: the template made real, the ways of closing, the about box.

#include "Scripted.h"
#include "AboutDlg.h"
#include "PruneDlg.h"
#include "Resource.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <set>

namespace {

struct Expected {
    int id;
    const char* kind;
    const char* caption;
    bool enabled;
    bool visible;
    QRect place; // dialog units
};

// In tab order; the controls without a tab stop are skipped by Tab.
const Expected kControls[] = {
    {IDOK, "QPushButton", "E&xit", true, true, {250, 188, 50, 16}},
    {IDC_OPEN_M3U, "QPushButton", "Open m3u...", true, true, {7, 7, 51, 17}},
    {IDC_M3U_LABEL, "QLabel", "M3U File:", false, true, {7, 27, 298, 12}},
    {IDC_SELECT_DIR, "QPushButton", "Select Directory", false, true, {7, 41, 79, 18}},
    {IDC_BASEDIR_LABEL, "QLabel", "Base Directory:", false, true, {7, 61, 298, 14}},
    {IDC_BEGIN_SCAN, "QPushButton", "Begin Scan", false, true, {7, 79, 63, 18}},
    {IDC_PROGRESS, "QProgressBar", "", false, false, {7, 177, 143, 14}},
    {IDC_FILE_LIST, "QListView", "", false, true, {7, 98, 306, 76}},
    {IDC_SELECT_PROMPT, "QLabel", "Select MP3s to Delete:", false, true, {81, 87, 92, 9}},
    {IDC_DELETE_FILES, "QPushButton", "Delete Files", false, true, {159, 178, 45, 13}},
    {IDC_SELECT_ALL, "QPushButton", "Select All", false, true, {175, 85, 50, 12}},
    {IDC_DESELECT_ALL, "QPushButton", "Deselect All", false, true, {230, 85, 50, 12}},
    {IDC_STATUS, "QLabel", "0%", true, false, {7, 193, 186, 15}},
    {IDC_PLAYLIST_CHECK, "QLabel", "", true, false, {7, 193, 240, 15}},
};

QString captionOf(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    auto* label = qobject_cast<QLabel*>(widget);
    return label ? label->text() : QString();
}

// Runs `probe` on the modal window that opens next, then closes that window.
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
    void initialState();
    void closing_data();
    void closing();
    void sysCommand_data();
    void sysCommand();
    void aboutBox();
    void commandTable();

private:
    ScriptedServices m_scripted;
};

void TestMainWindow::cleanup()
{
    QVERIFY(m_scripted.messageBox.boxes.empty());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    }
}

void TestMainWindow::initialState()
{
    CPruneDlg dlg(m_scripted.services());
    // The default button while no other push button has the focus.
    QVERIFY(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_OPEN_M3U))->isDefault());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));

    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tuneprune"));
    const DialogUnits units = DialogUnits::of(dlg.font());
    QCOMPARE(dlg.size(), QSize(units.toPixelsX(320), units.toPixelsY(217)));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(!(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!dlg.windowIcon().isNull());
    const QPoint offCentre = dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center();
    QVERIFY(offCentre.manhattanLength() <= 2);

    QStringList tabOrder;
    for (const Expected& control : kControls) {
        QWidget* widget = dlg.GetDlgItem(control.id);
        QVERIFY2(widget && widget->metaObject()->className() == QByteArray(control.kind), control.caption);
        QCOMPARE(captionOf(widget), QString::fromUtf8(control.caption));
        QCOMPARE(widget->isEnabled(), control.enabled);
        QCOMPARE(widget->isVisible(), control.visible);
        // Each edge in proportion to the template's 320 by 217 units, within a pixel and a half.
        const QRect got = widget->geometry();
        const double sx = dlg.width() / 320.0, sy = dlg.height() / 217.0;
        for (auto [pixels, unitsScaled] : {std::pair {got.left(), control.place.left() * sx},
                                           {got.top(), control.place.top() * sy},
                                           {got.width(), control.place.width() * sx},
                                           {got.height(), control.place.height() * sy}}) {
            QVERIFY2(std::abs(pixels - unitsScaled) <= 1.5, qPrintable(widget->objectName()));
        }
        if (widget->focusPolicy() & Qt::TabFocus) {
            tabOrder << widget->objectName();
        }
    }
    // Tab walks the template's order, and the focus starts on Exit.
    QStringList walked;
    QWidget* widget = dlg.GetDlgItem(IDOK);
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            walked << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != dlg.GetDlgItem(IDOK));
    QCOMPARE(walked, tabOrder);
    QCOMPARE(QApplication::focusWidget(), dlg.GetDlgItem(IDOK));
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
    for (unsigned command : {0x0000u, 0x0020u, 0x0110u, 0xF060u}) {
        QTest::addRow("0x%04X", command) << command << false;
    }
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
    QTest::qWait(0); // an unused probe runs now, while nothing is modal
    QVERIFY(dlg.isVisible());
}

void TestMainWindow::aboutBox()
{
    CPruneDlg dlg(m_scripted.services());
    dlg.show();
    dlg.move(dlg.pos() + QPoint(40, 30));
    QMenu* menu = dlg.systemMenu();
    QVERIFY(menu && menu->actions().size() == 1);
    QCOMPARE(menu->actions().constFirst()->text(), QStringLiteral("&About Tuneprune..."));

    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(about != nullptr);
        QCOMPARE(about->windowTitle(), QStringLiteral("Tuneprune"));
        QCOMPARE(captionOf(about->GetDlgItem(IDC_ABOUT_VERSION)), QStringLiteral("Tuneprune Version 0.1"));
        QVERIFY(captionOf(about->GetDlgItem(IDC_ABOUT_CREDITS)).contains("report problems"));
        QVERIFY(!qobject_cast<QLabel*>(about->GetDlgItem(IDC_ABOUT_ICON))->pixmap().isNull());
        QVERIFY((about->frameGeometry().center() - dlg.frameGeometry().center()).manhattanLength() <= 2);
        QTest::mouseClick(about->GetDlgItem(IDOK), Qt::LeftButton);
        checked = true;
    });
    menu->actions().constFirst()->trigger();
    QVERIFY(checked);
    QVERIFY(dlg.isVisible());
}

void TestMainWindow::commandTable()
{
    CPruneDlg dlg(m_scripted.services());
    std::set<QWidget*> routed;
    for (const CPruneDlg::Command& command : CPruneDlg::commandTable()) {
        QWidget* button = qobject_cast<QAbstractButton*>(dlg.GetDlgItem(command.id));
        QVERIFY2(button && command.handler, qPrintable(QString::number(command.id)));
        QVERIFY2(routed.insert(button).second, qPrintable(QString::number(command.id)));
    }
    for (QAbstractButton* button : dlg.findChildren<QAbstractButton*>()) {
        QVERIFY2(routed.count(button) == 1, qPrintable(button->objectName()));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
