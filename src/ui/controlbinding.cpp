#include "ui/controlbinding.h"

#include <QKeyEvent>
#include <QValidator>

namespace {

// The typing limit: what the user types or pastes is cut where it would make the text
// longer than the limit, while a longer text set by the program stays whole and can
// still be shortened.
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

// In a list's text field, Return would pick the item that matches the typed text; a
// pick is the user's choice of an item, so typing and Return leave the list alone.
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

// Hands every typed character to the control's key filter before it is inserted.
class KeyFilter : public QObject
{
public:
    KeyFilter(TextBox &box, QLineEdit *edit) : QObject(edit), m_box(box), m_edit(edit) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString typed = key->text();
        if (typed.isEmpty() || isEditingKey(key))
            return false; // arrows, function keys, focus keys: no typed character
        QString accepted;
        bool unchanged = true;
        for (const QChar ch : typed) {
            const int code = m_box.filterKey(ch.unicode());
            unchanged = unchanged && code == ch.unicode();
            if (code != 0)
                accepted.append(QChar(code));
        }
        if (unchanged)
            return false; // the widget handles it, backspace and shortcuts included
        if (!accepted.isEmpty())
            m_edit->insert(accepted);
        return true;
    }

private:
    TextBox &m_box;
    QLineEdit *m_edit;
};

// Mirrors a control's enabled state; the text or caption is mirrored by each binder.
template <typename Sync> void mirror(Control &control, QWidget *widget, Sync sync)
{
    auto update = [&control, widget, sync] {
        widget->setEnabled(control.isEnabled());
        sync();
    };
    QObject::connect(&control, &Control::changed, widget, update);
    update();
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
    QObject::connect(edit, &QLineEdit::textEdited, &box,
                     [&box](const QString &text) { box.setText(text); });
    mirror(box, edit, [&box, edit] {
        // A hidden box (the receive record) is brought up to date only when shown.
        if (edit->isVisibleTo(edit->window()) && edit->text() != box.text()) {
            edit->setText(box.text());
            if (!edit->hasFocus())
                edit->setCursorPosition(0); // a text set by the program shows its start
        }
    });
    return edit;
}

QPlainTextEdit *textArea(TextBox &box, QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    name(edit, box, box.name());
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    mirror(box, edit, [&box, edit, sync, forWidget] {
        const QString text = box.text();
        if (text == sync->shown)
            return;
        sync->busy = true;
        const bool appended = text.size() > sync->shown.size() && text.startsWith(sync->shown) &&
                              !sync->shown.endsWith(QLatin1Char('\r'));
        if (appended) {
            QTextCursor end(edit->document());
            end.movePosition(QTextCursor::End);
            end.insertText(forWidget(text.mid(sync->shown.size())));
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
    widget->lineEdit()->installEventFilter(new NoPickOnReturn(widget));
    auto syncing = std::make_shared<bool>(false);
    QObject::connect(widget, &QComboBox::editTextChanged, &combo,
                     [&combo, syncing](const QString &text) {
                         if (!*syncing)
                             combo.setText(text);
                     });
    QObject::connect(widget, &QComboBox::activated, &combo,
                     [&combo, widget](int index) { combo.pick(widget->itemText(index)); });
    mirror(combo, widget, [&combo, widget, syncing] {
        *syncing = true;
        if (!listsItemsOf(widget, combo)) {
            widget->clear();
            const QStringList items = combo.items();
            const QStringList tips = combo.itemToolTips();
            for (int i = 0; i < items.size(); ++i) {
                widget->addItem(items[i]);
                if (!tips[i].isEmpty())
                    widget->setItemData(i, tips[i], Qt::ToolTipRole);
            }
            widget->setCurrentIndex(-1); // the program never selects an item
        }
        if (widget->currentText() != combo.text())
            widget->setEditText(combo.text());
        *syncing = false;
    });
    return widget;
}

QPushButton *button(CommandButton &button, QWidget *parent)
{
    auto *widget = new QPushButton(parent);
    name(widget, button, button.caption());
    widget->setAutoDefault(false);
    QObject::connect(widget, &QPushButton::clicked, &button, [&button] { button.click(); });
    mirror(button, widget, [&button, widget] {
        widget->setText(button.caption());
        widget->setAccessibleName(button.caption());
    });
    return widget;
}

QLabel *label(Label &label, QWidget *parent)
{
    auto *widget = new QLabel(parent);
    name(widget, label, label.caption());
    mirror(label, widget, [&label, widget] { widget->setText(label.caption()); });
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
    mirror(check, widget, [&check, widget] {
        widget->setText(check.caption());
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
    mirror(frame, widget, [&frame, widget] { widget->setTitle(frame.caption()); });
    return widget;
}

QProgressBar *progressBar(ProgressBar &bar, QWidget *parent)
{
    auto *widget = new QProgressBar(parent);
    name(widget, bar, bar.name());
    widget->setTextVisible(false);
    mirror(bar, widget, [&bar, widget] {
        widget->setRange(bar.minimum(), std::max(bar.minimum(), bar.maximum()));
        widget->setValue(
            std::clamp(bar.value(), bar.minimum(), std::max(bar.minimum(), bar.maximum())));
    });
    return widget;
}

} // namespace ControlBinding
