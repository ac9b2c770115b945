#pragma once

#include "PtyPrinter.h"
#include "app/Form1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The real window with a pty printer behind it, driven as an operator would: typed text, mouse
// clicks and menu shortcuts. Messages are recorded instead of shown in modal boxes.
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

    // The text field of a combo box or text box.
    QLineEdit *editOf(const char *name) const
    {
        if (auto *combo = form.findChild<QComboBox *>(QString::fromLatin1(name)))
            return combo->lineEdit();
        return get<QLineEdit>(name);
    }

    // Replaces the text of a combo box or text box by typing.
    void type(const char *name, const QString &text)
    {
        QLineEdit *edit = editOf(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        const bool typable = std::all_of(
                text.begin(), text.end(), [](QChar c) { return c >= u' ' && c <= u'~'; });
        if (typable) {
            QTest::keyClicks(edit, text);
        } else { // control characters and Chinese come in by pasting
            QGuiApplication::clipboard()->setText(text);
            QTest::keySequence(edit, QKeySequence::Paste);
        }
    }

    // Replaces the text of a combo box or text box by pasting, as an operator pastes long text.
    void paste(const char *name, const QString &text)
    {
        QLineEdit *edit = editOf(name);
        edit->selectAll();
        QGuiApplication::clipboard()->setText(text);
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keySequence(edit, QKeySequence::Paste);
    }

    // Chooses an item from a combo box's drop-down list with the mouse.
    void choose(const char *name, const QString &item)
    {
        auto *combo = get<QComboBox>(name);
        const int index = combo->findText(item, Qt::MatchExactly);
        QVERIFY(index >= 0);
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        const QRect rect = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void trigger(const char *action) { get<QAction>(action)->trigger(); }

    QString caption(const char *name) const
    {
        QWidget *widget = get(name);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->text();
        if (auto *label = qobject_cast<QLabel *>(widget))
            return label->text();
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            return combo->currentText();
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            return edit->text();
        return qobject_cast<QGroupBox *>(widget)->title();
    }

    // Types the pty's path into "Port：" and clicks "open com".
    bool open(const PtyPrinter &printer)
    {
        type("Combo1", printer.path());
        click("Command20");
        return caption("Command20") == QStringLiteral("close com");
    }

    // Clicks the status button; true once the printer has received exactly the request 10 04 14.
    bool askStatus(PtyPrinter &printer)
    {
        click("Command19");
        return printer.read(3) == QByteArray("\x10\x04\x14");
    }

    bool isClosedState() const
    {
        bool closed = caption("Command20") == QStringLiteral("open com")
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
