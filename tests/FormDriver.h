#pragma once

#include "PtyPrinter.h"
#include "app/Form1.h"
#include "app/Language.h"
#include "app/WindowLook.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <sys/resource.h>

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The window's look and language as the tool starts them by default: Chinese.
inline void startLikeTheTool()
{
    app::applyWindowLook();
    app::useLanguage(app::Language::Chinese);
}

// The advice the status label shows when the printer does not answer.
inline const QString timeoutAdvice = QStringLiteral(
        "打印机连接超时！ 或 打印机无此功能！\n\n请检查打印机是否连好,电源是否打开；\n"
        "打印机端口号和波特率选择是否有误。\n请确定无误后再次尝试！");

// CPU time this process has used so far: a lost device must not keep it busy.
inline qint64 cpuMicroseconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000 + usage.ru_utime.tv_usec
           + usage.ru_stime.tv_usec;
}

// The real window with a pty printer behind it, driven as an operator would: typed text, mouse
// clicks, keys to the focused widget. Messages are recorded instead of shown in modal boxes.
class FormDriver
{
public:
    FormDriver()
    {
        form.setMessagePresenter([this](const app::Message &message) {
            messages.append(message);
            return QMessageBox::Ok;
        });
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }

    template<typename Widget = QWidget>
    Widget *get(const char *name) const
    {
        auto *widget = form.findChild<Widget *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    void click(const char *button)
    {
        QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
    }
    void trigger(const char *action) { get<QAction>(action)->trigger(); }

    // Replaces the text of a combo box or text box by typing into it.
    void type(const char *name, const QString &text)
    {
        auto *combo = form.findChild<QComboBox *>(QString::fromLatin1(name));
        QLineEdit *edit = combo ? combo->lineEdit() : get<QLineEdit>(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    // Replaces the text of a combo box or text box as an operator does: a click into the box,
    // the old text selected with Home and Shift+End, the new text typed, or committed by an
    // input method where it is not ASCII; everything goes to the widget that has the focus.
    void typeByKeys(const char *name, const QString &text)
    {
        QTest::mouseClick(get(name), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY2(get(name)->hasFocus(), name);
        key(Qt::Key_Home);
        key(Qt::Key_End, Qt::ShiftModifier);
        key(Qt::Key_Delete);
        const bool ascii = std::all_of(
                text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) {
            QTest::keyClicks(QApplication::focusWidget(), text);
            return;
        }
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
    }

    // Chooses an item from a combo box's drop-down list with the mouse.
    void choose(const char *name, const QString &item)
    {
        auto *combo = get<QComboBox>(name);
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        const QModelIndex index = view->model()->index(combo->findText(item), 0);
        view->scrollTo(index); // as the operator scrolls a long list
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    // A key as the platform delivers it: to the widget that has the focus.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    QString text(const char *name) const
    {
        QWidget *widget = get(name);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        if (auto *label = qobject_cast<QLabel *>(widget))
            return label->text();
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            return combo->currentText();
        return qobject_cast<QLineEdit *>(widget)->text();
    }

    // Types the port into "Port：" and clicks "open com"; true once the link is open.
    bool open(const QString &port, int timeoutMs = 0)
    {
        type("Combo1", port);
        click("Command20");
        return QTest::qWaitFor([this] { return text("Command20") == QStringLiteral("close com"); },
                               timeoutMs);
    }
    bool open(const PtyPrinter &printer) { return open(printer.path()); }

    // Clicks the status button; true once the printer has received exactly the request 10 04 14.
    bool askStatus(PtyPrinter &printer)
    {
        click("Command19");
        return printer.read(3) == QByteArray::fromHex("100414");
    }

    // Answers the next file dialog once it is shown, as an operator does: the path pasted into
    // its file name box, then Enter. The dialog's own event loop runs meanwhile.
    static void answerFileDialog(const QString &path)
    {
        auto *watch = new QTimer;
        watch->setInterval(10);
        QObject::connect(watch, &QTimer::timeout, watch, [watch, path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            watch->deleteLater();
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            name->setFocus();
            name->setText(path); // pasted, so no completion list opens over the box
            QTest::keyClick(name, Qt::Key_Return);
        });
        watch->start();
        QTimer::singleShot(10000, watch, &QObject::deleteLater); // no dialog came
    }

    // Types the line settings into their boxes, clicks "open com"; true once the link is open.
    bool open(const QString &port, const QString &baud, const QString &bits, const QString &stop)
    {
        type("Combo2", baud);
        type("Combo3", bits);
        type("Combo4", stop);
        return open(port);
    }

    // The window's link, to set what an operator cannot.
    serial::PrinterLink &link() const { return *form.findChild<serial::PrinterLink *>(); }

    // A lost device gives one message, saying why, and the closed state; then nothing is
    // watched any more: no further message, no busy loop.
    void verifyLost(const QString &reason = QStringLiteral("连接已断开"), int timeoutMs = 5000)
    {
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, timeoutMs);
        QVERIFY2(messages.first().text.contains(reason), qPrintable(messages.first().text));
        QVERIFY(isClosedState());
        const qint64 before = cpuMicroseconds();
        QTest::qWait(4 * app::Form1::timerPeriodMs);
        QVERIFY2(cpuMicroseconds() - before < 500000, "the lost device keeps the CPU busy");
        QCOMPARE(messages.size(), 1);
    }

    bool isClosedState() const
    {
        bool closed = text("Command20") == QStringLiteral("open com")
                      && !get("Command19")->isEnabled();
        for (const char *name : {"Combo1", "Combo2", "Combo3", "Combo4"})
            closed = closed && get(name)->isEnabled();
        for (const char *name : {"Frame2", "Frame3", "Frame4", "Frame5"})
            closed = closed && !get(name)->isEnabled();
        return closed;
    }

    app::Form1 form;
    QList<app::Message> messages;
};
