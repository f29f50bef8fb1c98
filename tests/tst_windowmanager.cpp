// The windows as a real window manager sees them: the xcb platform on a
// private Xvfb server with openbox. The offscreen platform knows no window
// manager, and Qt's xcb platform marks a window as transient for another
// only when it is a dialog with a parent; what counts is the property on the
// X server and the stacking the window manager makes of it.

#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "clients/ClientEditor.h"
#include "core/Clock.h"
#include "support/TempDrive.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace zovt;

namespace {

// The X server and the window manager, started before the application and
// ended after it.
class XSession {
public:
    XSession()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) {
            m_problem = "Xvfb, openbox or xprop is not installed (scripts/install-deps.sh installs them)";
            return;
        }
        // The server picks a free display itself and names it on its output.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QByteArray number;
        for (int waited = 0; waited < 200 && !number.contains('\n'); ++waited) {
            m_server.waitForReadyRead(50);
            number += m_server.readAllStandardOutput();
            if (m_server.state() == QProcess::NotRunning)
                break;
        }
        if (!number.contains('\n')) {
            m_problem = "Xvfb did not start";
            return;
        }
        m_display = ":" + number.trimmed();
        qputenv("DISPLAY", m_display);
        m_wm.start(openbox, {QStringLiteral("--sm-disable")});
        // openbox has taken over once it names itself on the root window.
        for (int waited = 0; waited < 200; ++waited) {
            if (xprop({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}).contains(QLatin1String("window id")))
                return;
            QThread::msleep(50);
        }
        m_problem = "openbox did not start";
    }
    ~XSession()
    {
        for (QProcess *p : {&m_wm, &m_server}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished(5000);
        }
    }
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // Empty when the session is up.
    const char *problem() const { return m_problem; }

    static QString xprop(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("xprop"), args);
        if (!p.waitForFinished(10000))
            return QString();
        return QString::fromLatin1(p.readAllStandardOutput());
    }

private:
    QProcess m_server;
    QProcess m_wm;
    QByteArray m_display;
    const char *m_problem = nullptr;
};

XSession *g_session = nullptr;

// The window a window's WM_TRANSIENT_FOR names; 0 when it has none.
quint64 transientFor(const QWidget &w)
{
    const QString out = XSession::xprop({QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("WM_TRANSIENT_FOR")});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("window id # (0x[0-9a-f]+)")).match(out);
    return m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
}

// The managed windows from the bottom of the stack to its top.
QList<quint64> stacking()
{
    const QString out = XSession::xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<quint64> ids;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("0x[0-9a-f]+")).globalMatch(out);
    while (it.hasNext())
        ids << it.next().captured(0).toULongLong(nullptr, 16);
    return ids;
}

} // namespace

class TestWindowManager : public QObject {
    Q_OBJECT
private slots:
    void init();
    void ownedWindowsStayAboveTheMainWindow_data();
    void ownedWindowsStayAboveTheMainWindow();
};

void TestWindowManager::init()
{
    if (g_session->problem())
        QSKIP(g_session->problem());
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
}

void TestWindowManager::ownedWindowsStayAboveTheMainWindow_data()
{
    QTest::addColumn<bool>("languageDialog"); // else the client editor
    QTest::newRow("client editor") << false;
    QTest::newRow("language dialog") << true;
}

// A click on the main window must not bury the editor or the language
// dialog: they would look closed, and the main window is blocked by neither.
void TestWindowManager::ownedWindowsStayAboveTheMainWindow()
{
    QFETCH(bool, languageDialog);
    test::TempDrive drive;
    drive.installPictures();
    QtClock clock;
    MainWindowController form19(clock);
    LanguageDialogWindow form9(form19);
    QWidget &main = form19.window();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget *owned = nullptr;
    if (languageDialog) {
        form9.open();
        owned = &form9.window();
    } else {
        form19.app().clientEditor().hooks.show();
        owned = &form19.clientEditorWindow();
    }
    QVERIFY(QTest::qWaitForWindowExposed(owned));
    QTRY_COMPARE_WITH_TIMEOUT(transientFor(*owned), quint64(main.winId()), 10000);

    // The operator clicks the main window.
    main.activateWindow();
    main.raise();
    QTest::mouseClick(&main, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY_WITH_TIMEOUT(stacking().contains(quint64(main.winId())) && stacking().contains(quint64(owned->winId())), 10000);
    QTest::qWait(200);
    const QList<quint64> order = stacking();
    QVERIFY2(order.indexOf(quint64(owned->winId())) > order.indexOf(quint64(main.winId())),
             "the owned window went below the main window");
    owned->hide();
}

int main(int argc, char **argv)
{
    XSession session;
    g_session = &session;
    if (!session.problem())
        qputenv("QT_QPA_PLATFORM", "xcb");
    int rc = 0;
    {
        QApplication app(argc, argv);
        MainWindowController::prepareApplication();
        TestWindowManager test;
        rc = QTest::qExec(&test, argc, argv);
    }
    return rc;
}

#include "tst_windowmanager.moc"
