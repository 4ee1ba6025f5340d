#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The window model's controls. Each holds what its widget shows (text, caption,
// enabled state, list items, check value) and tells observers when that changes; the
// view mirrors it and forwards the user's typing, picks and clicks.
class Control : public QObject
{
    Q_OBJECT
public:
    explicit Control(const QString &name, QObject *parent = nullptr);

    // The designer name: the widget's objectName and accessible description.
    QString name() const { return objectName(); }

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

signals:
    void changed();

private:
    bool m_enabled = true;
};

// A text box. Setting a different text runs its change handler, whoever set it; the
// typing limit and key filter apply to the user's typing only, which the view enforces.
class TextBox : public Control
{
    Q_OBJECT
public:
    TextBox(const QString &name, const QString &text, int maxLength = 0, bool multiLine = false,
            QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // Adds to the end in place: as cheap for a long text as for a short one.
    void appendText(const QString &tail);
    // Adds a line of its own to a multi-line text: it starts a new line unless the text
    // is empty or already ends with a line end, and it ends with CR LF, so that whatever
    // is appended next starts on the line after it.
    void appendLine(const QString &line);

    int maxLength() const { return m_maxLength; } // 0: no limit
    bool isMultiLine() const { return m_multiLine; }

    // For a log, which grows at its end: past `length` characters the oldest lines go,
    // leaving about half, so that a flood of messages costs bounded memory and only an
    // occasional redraw. 0 (the default): the text is kept whole.
    void setRetainedLength(int length) { m_retainedLength = length; }

    // Key filter: the character code of a typed character in, the code to insert out
    // (0 discards it). Without a filter every character passes unchanged.
    std::function<int(int)> keyPress;
    int filterKey(int code) const { return keyPress ? keyPress(code) : code; }

    // Runs after every change of the text.
    std::function<void()> onChange;

private:
    void dropOldestLines();

    QString m_text;
    int m_maxLength;
    bool m_multiLine;
    int m_retainedLength = 0;
};

// An editable drop-down list. Only its displayed text counts; no index is kept.
class ComboBox : public Control
{
    Q_OBJECT
public:
    explicit ComboBox(const QString &name, QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    QStringList items() const { return m_items; }
    QStringList itemToolTips() const { return m_toolTips; }
    void addItem(const QString &item, const QString &toolTip = QString());
    void clearItems();
    // Replaces the whole list at once (the text stays); `toolTips` runs parallel to it.
    void setItems(const QStringList &items, const QStringList &toolTips);

    // A user's pick of a list item (never a text set by the program).
    std::function<void()> onClick;
    void pick(const QString &item);

    // The list is about to drop down (the view calls it before it shows the list).
    std::function<void()> onDropDown;
    void dropDown();

private:
    QString m_text;
    QStringList m_items;
    QStringList m_toolTips;
};

// A button or a label: a caption and an enabled state.
class CaptionControl : public Control
{
    Q_OBJECT
public:
    CaptionControl(const QString &name, const QString &caption, QObject *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

private:
    QString m_caption;
};

class CommandButton : public CaptionControl
{
    Q_OBJECT
public:
    using CaptionControl::CaptionControl;

    std::function<void()> onClick;
    void click();
};

using Label = CaptionControl;

// A frame groups controls under an optional caption.
using Frame = CaptionControl;

// A check box: value 0 (clear), 1 (ticked) or 2 (grey).
class CheckBox : public CaptionControl
{
    Q_OBJECT
public:
    using CaptionControl::CaptionControl;

    int value() const { return m_value; }
    void setValue(int value);

private:
    int m_value = 0;
};

class ProgressBar : public Control
{
    Q_OBJECT
public:
    using Control::Control;

    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int value() const { return m_value; }
    void setMinimum(int min);
    void setMaximum(int max);
    void setValue(int value);

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
};
