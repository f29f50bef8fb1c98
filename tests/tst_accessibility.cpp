// What a screen reader and a keyboard user meet: every control that can be
// acted on has a name that says what it is, in the interface language; the
// windows report their roles; toggles report their state; Return presses the
// focused button; Tab visits each control once, in reading order, never a
// covered one. Qt's accessibility interfaces answer on the offscreen
// platform as they do to AT-SPI.

#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "clients/ClientEditor.h"
#include "core/Clock.h"
#include "core/WindowState.h"
#include "support/TempDrive.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

using namespace zovt;

namespace {

bool actsOn(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w)
           || qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QPlainTextEdit *>(w)
           || qobject_cast<const QScrollBar *>(w) || w->property("pictureButton").toBool();
}

QString nameOf(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

bool holdsALetter(const QString &s)
{
    return std::any_of(s.cbegin(), s.cend(), [](QChar c) { return c.isLetter(); });
}

// The controls of one window that an operator can act on, and that lack a
// name holding a letter (a symbol such as ">" or "X" names nothing).
QStringList unnamed(QWidget *window)
{
    QStringList out;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // A list's or a text's own scroll bars are read as part of it.
        if (w->window() != window || !actsOn(w) || w->objectName().startsWith(QLatin1String("qt_"))
            || (w->parentWidget() && w->parentWidget()->objectName().startsWith(QLatin1String("qt_"))))
            continue;
        const QString who = w->objectName().isEmpty() ? w->parentWidget()->objectName() + QStringLiteral("/item")
                                                      : w->objectName();
        if (!holdsALetter(nameOf(w)))
            out << who + QStringLiteral(" \"") + nameOf(w) + QLatin1Char('"');
    }
    return out;
}

struct Windows {
    test::TempDrive drive;
    QtClock clock;
    MainWindowController main{clock};
    LanguageDialogWindow language{main};

    explicit Windows(int languageIndex)
    {
        drive.installPictures();
        main.app().state().Languagem = languageIndex;
        main.applyLanguageTexts();
    }
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { MainWindowController::prepareApplication(); }
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void namesFollowTheLanguage_data();
    void namesFollowTheLanguage();
    void rolesAndStates();
    void returnPressesTheFocusedButton();
    void tabVisitsEachControlOnceInReadingOrder();
};

void TestAccessibility::everyControlIsNamed_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("Czech") << 0;
    QTest::newRow("English") << 1;
    QTest::newRow("Russian") << 4;
}

void TestAccessibility::everyControlIsNamed()
{
    QFETCH(int, language);
    Windows w(language);
    QVERIFY2(unnamed(&w.main.window()).isEmpty(), qPrintable(unnamed(&w.main.window()).join(QLatin1Char('\n'))));
    w.main.app().clientEditor().hooks.show();
    QCOMPARE(unnamed(&w.main.clientEditorWindow()), QStringList());
    w.language.open();
    QCOMPARE(unnamed(&w.language.window()), QStringList());
}

void TestAccessibility::namesFollowTheLanguage_data()
{
    QTest::addColumn<QString>("control"); // "name" or "group/item"
    QTest::addColumn<QString>("czech");
    QTest::addColumn<QString>("english");
    QTest::newRow("play") << "Play" << "Přehrát program" << "Play the program";
    QTest::newRow("play all") << "PlayVse" << "Přehrát tento a všechny další programy" << "Play this and every later program";
    QTest::newRow("settings") << "Setting" << "Nastavení" << "Settings";
    QTest::newRow("globe") << "Image8" << "Jazyk" << "Language";
    QTest::newRow("client X") << "DeleteJm" << "Odebrat klienta" << "Remove the client";
    QTest::newRow("birth day") << "Datum_naroz_den" << "Narození, Den" << "Birth, Day";
    QTest::newRow("second address line") << "Bydliste2" << "Adresa 2" << "Residence 2";
    QTest::newRow("program list") << "Zakladmemo" << "Programy" << "Programs";
    QTest::newRow("brightness toggle") << "JasLED" << "Regulace jasu ve všech režimech" << "Brightness control in all modes";
    QTest::newRow("colour mode") << "Colortype/1" << "prolínání barev" << "blending of colors";
    QTest::newRow("memory slot") << "Memory3" << "Paměť 3" << "Memory 3";
    QTest::newRow("power lighting") << "R_Power/4" << "Osvětlení v módu POWER, oranžová" << "Lighting in POWER mode, orange";
}

void TestAccessibility::namesFollowTheLanguage()
{
    QFETCH(QString, control);
    QFETCH(QString, czech);
    QFETCH(QString, english);
    for (const auto &[language, expected] : {std::pair{0, czech}, std::pair{1, english}}) {
        Windows w(language);
        const QStringList parts = control.split(QLatin1Char('/'));
        QWidget *widget = w.main.window().widget(parts.first());
        QVERIFY(widget);
        if (parts.size() == 2)
            widget = widget->findChildren<QRadioButton *>().at(parts.at(1).toInt());
        QCOMPARE(nameOf(widget), expected);
    }
}

void TestAccessibility::rolesAndStates()
{
    Windows w(1);
    const auto role = [](QWidget *x) { return QAccessible::queryAccessibleInterface(x)->role(); };
    QCOMPARE(role(&w.main.window()), QAccessible::Window);
    QCOMPARE(role(&w.main.clientEditorWindow()), QAccessible::Dialog);
    QCOMPARE(role(&w.language.window()), QAccessible::Dialog);
    QCOMPARE(role(w.main.window().widget(QStringLiteral("Image8"))), QAccessible::Button);
    QVERIFY(QAccessible::queryAccessibleInterface(&w.main.window())->text(QAccessible::Name).startsWith(QLatin1String("ZovT Generator")));

    // A lighting toggle says whether it is on, as its lamp shows.
    WindowState &st = w.main.app().state();
    for (bool on : {true, false}) {
        st.JasLED_Pc_Swich = on;
        w.main.applyLanguageTexts();
        const QAccessible::State s = QAccessible::queryAccessibleInterface(w.main.window().widget(QStringLiteral("JasLED")))->state();
        QVERIFY(s.checkable);
        QCOMPARE(bool(s.checked), on);
    }
    const auto *mode = w.main.window().widget(QStringLiteral("Colortype"))->findChildren<QRadioButton *>().at(0);
    QVERIFY(QAccessible::queryAccessibleInterface(const_cast<QRadioButton *>(mode))->state().checked);
}

// Return and keypad Enter press the focused button, as Space does; on the
// globe they open the language dialog.
void TestAccessibility::returnPressesTheFocusedButton()
{
    Windows w(1);
    TForm19 &main = w.main.window();
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *setting = main.control<QPushButton>("InfoPopis");
        int clicks = 0;
        const auto c = QObject::connect(setting, &QPushButton::clicked, [&clicks] { ++clicks; });
        setting->setFocus();
        QVERIFY2(setting->hasFocus(), qPrintable(QStringLiteral("policy %1 active %2 visible %3 focus %4").arg(int(setting->focusPolicy())).arg(main.isActiveWindow()).arg(setting->isVisible()).arg(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString())));
        QTest::keyClick(setting, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QObject::disconnect(c);
        QCOMPARE(clicks, 1);
    }
    QWidget *globe = main.widget(QStringLiteral("Image8"));
    main.widget(QStringLiteral("PanelSettigCOM"))->show();
    globe->setFocus();
    QVERIFY(globe->hasFocus());
    QTest::keyClick(globe, Qt::Key_Return);
    QVERIFY(w.language.window().isVisible());
    w.language.window().hide();
}

void TestAccessibility::tabVisitsEachControlOnceInReadingOrder()
{
    Windows w(1);
    TForm19 &main = w.main.window();
    // Everything the operator may reach at once, the two Stop buttons in
    // one place among them.
    for (const char *n : {"Play", "PlayVse", "Pause", "Stop", "StopVse", "Open", "OpenZov"})
        main.widget(QString::fromLatin1(n))->setEnabled(true);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.widget(QStringLiteral("BtnInfo"))->setFocus();
    QStringList visited;
    for (int i = 0; i < 200; ++i) {
        QWidget *f = QApplication::focusWidget();
        QVERIFY(f);
        const QString name = f->objectName().isEmpty() ? f->parentWidget()->objectName() : f->objectName();
        if (!visited.isEmpty() && name == visited.first())
            break;
        visited << name;
        QTest::keyClick(f, Qt::Key_Tab);
    }
    QCOMPARE(visited.count(QStringLiteral("Stop")), 1);
    QVERIFY2(!visited.contains(QStringLiteral("StopVse")), qPrintable(visited.join(QLatin1Char(' '))));
    QCOMPARE(visited.removeDuplicates(), 0);
    // Reading order: the left column from the top, the list, the playback side.
    const QStringList order{"BtnInfo", "Open", "OpenZov", "KlientOpen", "Novy", "DeleteJm", "Poznamka3", "Setting",
                            "Konec", "Zakladmemo", "ZovToolEdit", "Play", "PlayVse", "Pause", "Stop", "MemoPlayShow"};
    qsizetype last = -1;
    for (const QString &n : order) {
        const qsizetype at = visited.indexOf(n);
        QVERIFY2(at > last, qPrintable(n + QStringLiteral(" in ") + visited.join(QLatin1Char(' '))));
        last = at;
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
