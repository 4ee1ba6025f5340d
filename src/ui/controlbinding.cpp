#include "ui/controlbinding.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QValidator>

#include <functional>
#include <memory>

namespace {

// The typing limit: what the user types, pastes, drops or commits through an input
// method is cut where it would make the text longer than the limit, while a longer text
// set by the program stays whole and can still be shortened.
class TypingLimit : public QValidator
{
public:
    TypingLimit(const TextBox &box, QObject *parent) : QValidator(parent), m_box(box) {}
    State validate(QString &input, int &cursor) const override
    {
        const int allowed = std::max(m_box.maxLength(), int(m_box.text().size()));
        const int excess = int(input.size()) - allowed;
        if (excess > 0 && cursor >= excess) {
            // The new characters end at the cursor: drop the ones that do not fit.
            input.remove(cursor - excess, excess);
            cursor -= excess;
        }
        return Acceptable;
    }

private:
    const TextBox &m_box;
};

// Keys that move focus or delete forwards carry a character code, but the user does
// not type them into the text.
bool isEditingKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Return in a list would pick the item that matches the typed text; a pick is the
// user's choice of an item, so typing and Return leave the list alone. Keyboard focus
// sits on the list, which hands its keys straight to its inner text field, so the
// filter watches both.
class NoPickOnReturn : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
};

// Hands every typed character to the control's key filter before it is inserted, from
// the keyboard and from an input method alike.
class KeyFilter : public QObject
{
public:
    KeyFilter(TextBox &box, QLineEdit *edit) : QObject(edit), m_box(box), m_edit(edit) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::InputMethod) {
            auto *input = static_cast<QInputMethodEvent *>(event);
            const QString committed = input->commitString();
            const QString accepted = filtered(committed);
            if (accepted != committed)
                input->setCommitString(accepted, input->replacementStart(),
                                       input->replacementLength());
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString typed = key->text();
        if (typed.isEmpty() || isEditingKey(key))
            return false; // arrows, function keys, focus keys: no typed character
        const QString accepted = filtered(typed);
        if (accepted == typed)
            return false; // the widget handles it, backspace and shortcuts included
        if (!accepted.isEmpty())
            m_edit->insert(accepted);
        return true;
    }

private:
    QString filtered(const QString &typed) const
    {
        QString accepted;
        for (const QChar ch : typed) {
            const int code = m_box.filterKey(ch.unicode());
            if (code != 0)
                accepted.append(QChar(code));
        }
        return accepted;
    }

    TextBox &m_box;
    QLineEdit *m_edit;
};

// Brings one widget up to date with its control at most once per event-loop pass. A
// control may change thousands of times while one event is handled (a long line
// arriving byte by byte); the widget only needs the last state before it is painted.
// A hidden widget waits until it is shown.
class WidgetRefresh : public QObject
{
public:
    WidgetRefresh(Control &control, QWidget *widget, std::function<void()> sync)
        : QObject(widget), m_control(control), m_widget(widget), m_sync(std::move(sync))
    {
        connect(&control, &Control::changed, this, &WidgetRefresh::markDirty);
        widget->installEventFilter(this);
        refresh();
    }

    // Brings the widget up to date at once, for a change it must show before the next
    // pass (a list that has just looked again is about to open its popup).
    void refreshNow()
    {
        if (m_dirty)
            refresh();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_dirty)
            refresh();
        return false;
    }

private:
    void markDirty()
    {
        m_dirty = true;
        if (m_queued || !m_widget->isVisible())
            return;
        m_queued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_queued = false;
                if (m_dirty && m_widget->isVisible())
                    refresh();
            },
            Qt::QueuedConnection);
    }

    void refresh()
    {
        m_dirty = false;
        m_widget->setEnabled(m_control.isEnabled());
        m_sync();
    }

    Control &m_control;
    QWidget *m_widget;
    std::function<void()> m_sync;
    bool m_dirty = false;
    bool m_queued = false;
};

void refreshOnChange(Control &control, QWidget *widget, std::function<void()> sync)
{
    new WidgetRefresh(control, widget, std::move(sync));
}

// A control whose caption changes is announced with the caption it shows now.
void followCaption(QWidget *widget, const QString &caption)
{
    if (widget->accessibleName() != caption)
        widget->setAccessibleName(caption);
}

// Shows a text the model holds. A field the user is working in keeps its cursor and
// selection where the new text allows; any other field shows the start of its text.
void showText(QLineEdit *edit, const QString &text)
{
    if (!edit->hasFocus()) {
        edit->setText(text);
        edit->setCursorPosition(0);
        return;
    }
    const int cursor = edit->cursorPosition();
    const int selectionStart = edit->selectionStart();
    const int selectionLength = edit->selectionLength();
    edit->setText(text);
    const int size = int(text.size());
    if (selectionStart >= 0 && selectionStart < size)
        edit->setSelection(selectionStart, std::min(selectionLength, size - selectionStart));
    else
        edit->setCursorPosition(std::min(cursor, size));
}

} // namespace

namespace ControlBinding {

void name(QWidget *widget, const Control &control, const QString &accessibleName)
{
    widget->setObjectName(control.name());
    widget->setAccessibleDescription(control.name());
    widget->setAccessibleName(accessibleName);
}

QLineEdit *lineEdit(TextBox &box, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    name(edit, box, box.name());
    if (box.maxLength() > 0)
        edit->setValidator(new TypingLimit(box, edit));
    if (box.keyPress)
        edit->installEventFilter(new KeyFilter(box, edit));
    // Every change of the shown text goes to the model, whatever made it: typing,
    // pasting, dropping, undo, an input method or an assistive technology. The model's
    // change rule may then alter it, and the refresh shows the result.
    auto showing = std::make_shared<bool>(false);
    QObject::connect(edit, &QLineEdit::textChanged, &box, [&box, showing](const QString &text) {
        if (!*showing)
            box.setText(text);
    });
    refreshOnChange(box, edit, [&box, edit, showing] {
        if (edit->text() == box.text())
            return; // the change came from this widget
        *showing = true;
        showText(edit, box.text());
        *showing = false;
    });
    return edit;
}

QPlainTextEdit *textArea(TextBox &box, QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    name(edit, box, box.name());
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setTabChangesFocus(true); // a log takes no tabs; Tab goes on to the next control
    // The model's lines end in CR LF, the widget's in LF. `shown` is the model text the
    // widget shows, so that text added at the end (a log growing line by line) is
    // added to the widget too instead of replacing all of it.
    struct Sync
    {
        bool busy = false;
        QString shown;
    };
    auto sync = std::make_shared<Sync>();
    const auto forWidget = [](QString text) {
        return text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    };
    QObject::connect(edit, &QPlainTextEdit::textChanged, &box, [&box, edit, sync] {
        if (sync->busy)
            return;
        sync->shown = edit->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        box.setText(sync->shown);
    });
    refreshOnChange(box, edit, [&box, edit, sync, forWidget] {
        const QString text = box.text();
        if (text == sync->shown)
            return;
        sync->busy = true;
        if (text.size() > sync->shown.size() && text.startsWith(sync->shown)) {
            QString tail = text.mid(sync->shown.size());
            // A CR already shown as a line end takes the LF that completes it.
            if (sync->shown.endsWith(QLatin1Char('\r')) && tail.startsWith(QLatin1Char('\n')))
                tail.remove(0, 1);
            QTextCursor end(edit->document());
            end.movePosition(QTextCursor::End);
            end.insertText(forWidget(tail));
        } else {
            edit->setPlainText(forWidget(text));
        }
        sync->shown = text;
        edit->moveCursor(QTextCursor::End);
        edit->ensureCursorVisible();
        sync->busy = false;
    });
    return edit;
}

namespace {

// A drop-down list that tells the model before its list opens, so the model can bring
// the list up to date first (the port list looks for new ports then).
class DropDownComboBox : public QComboBox
{
public:
    DropDownComboBox(ComboBox &combo, QWidget *parent) : QComboBox(parent), m_combo(combo) {}

    void showPopup() override
    {
        m_combo.dropDown();
        for (QObject *child : children()) {
            if (auto *refresh = dynamic_cast<WidgetRefresh *>(child))
                refresh->refreshNow();
        }
        QComboBox::showPopup();
    }

private:
    ComboBox &m_combo;
};

// Whether the widget lists exactly the model's items, with their tooltips.
bool listsItemsOf(const QComboBox *widget, const ComboBox &combo)
{
    const QStringList items = combo.items();
    const QStringList tips = combo.itemToolTips();
    if (widget->count() != items.size())
        return false;
    for (int i = 0; i < items.size(); ++i) {
        if (widget->itemText(i) != items[i] ||
            widget->itemData(i, Qt::ToolTipRole).toString() != tips[i])
            return false;
    }
    return true;
}

} // namespace

QComboBox *comboBox(ComboBox &combo, QWidget *parent)
{
    auto *widget = new DropDownComboBox(combo, parent);
    name(widget, combo, combo.name());
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setCompleter(nullptr); // what the user types stays as typed
    auto *noPick = new NoPickOnReturn(widget);
    widget->installEventFilter(noPick);
    widget->lineEdit()->installEventFilter(noPick);
    auto showing = std::make_shared<bool>(false);
    QObject::connect(widget, &QComboBox::editTextChanged, &combo,
                     [&combo, showing](const QString &text) {
                         if (!*showing)
                             combo.setText(text);
                     });
    QObject::connect(widget, &QComboBox::activated, &combo,
                     [&combo, widget](int index) { combo.pick(widget->itemText(index)); });
    refreshOnChange(combo, widget, [&combo, widget, showing] {
        *showing = true;
        if (!listsItemsOf(widget, combo)) {
            const QStringList items = combo.items();
            widget->clear();
            const QStringList tips = combo.itemToolTips();
            for (int i = 0; i < items.size(); ++i) {
                widget->addItem(items[i]);
                if (!tips[i].isEmpty())
                    widget->setItemData(i, tips[i], Qt::ToolTipRole);
            }
            widget->setCurrentIndex(-1); // the program never selects an item
        }
        if (widget->currentText() != combo.text())
            showText(widget->lineEdit(), combo.text());
        *showing = false;
    });
    return widget;
}

QPushButton *button(CommandButton &button, QWidget *parent)
{
    auto *widget = new QPushButton(parent);
    name(widget, button, button.caption());
    widget->setAutoDefault(false);
    QObject::connect(widget, &QPushButton::clicked, &button, [&button] { button.click(); });
    refreshOnChange(button, widget, [&button, widget] {
        widget->setText(button.caption());
        followCaption(widget, button.caption());
    });
    return widget;
}

QLabel *label(Label &label, QWidget *parent)
{
    auto *widget = new QLabel(parent);
    name(widget, label, label.caption());
    refreshOnChange(label, widget, [&label, widget] {
        widget->setText(label.caption());
        followCaption(widget, label.caption());
    });
    return widget;
}

QCheckBox *checkBox(CheckBox &check, QWidget *parent)
{
    auto *widget = new QCheckBox(parent);
    name(widget, check, check.caption());
    widget->setTristate(true);
    // A click ticks a clear or grey box and clears a ticked one.
    QObject::connect(widget, &QCheckBox::clicked, &check,
                     [&check] { check.setValue(check.value() == 1 ? 0 : 1); });
    refreshOnChange(check, widget, [&check, widget] {
        widget->setText(check.caption());
        followCaption(widget, check.caption());
        const Qt::CheckState state = check.value() == 1   ? Qt::Checked
                                     : check.value() == 2 ? Qt::PartiallyChecked
                                                          : Qt::Unchecked;
        if (widget->checkState() != state)
            widget->setCheckState(state);
    });
    return widget;
}

QGroupBox *frame(Frame &frame, QWidget *parent)
{
    auto *widget = new QGroupBox(parent);
    name(widget, frame, frame.caption());
    refreshOnChange(frame, widget, [&frame, widget] {
        widget->setTitle(frame.caption());
        followCaption(widget, frame.caption());
    });
    return widget;
}

QProgressBar *progressBar(ProgressBar &bar, QWidget *parent)
{
    auto *widget = new QProgressBar(parent);
    name(widget, bar, bar.name());
    widget->setTextVisible(false);
    refreshOnChange(bar, widget, [&bar, widget] {
        widget->setRange(bar.minimum(), std::max(bar.minimum(), bar.maximum()));
        widget->setValue(
            std::clamp(bar.value(), bar.minimum(), std::max(bar.minimum(), bar.maximum())));
    });
    return widget;
}

} // namespace ControlBinding
