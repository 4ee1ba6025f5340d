#include "app/controls.h"

Control::Control(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
}

void Control::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit changed();
}

TextBox::TextBox(const QString &name, const QString &text, int maxLength, bool multiLine,
                 QObject *parent)
    : Control(name, parent), m_text(text), m_maxLength(maxLength), m_multiLine(multiLine)
{
}

void TextBox::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    emit changed();
    if (onChange)
        onChange();
}

void TextBox::appendText(const QString &tail)
{
    if (tail.isEmpty())
        return;
    m_text.append(tail);
    dropOldestLines();
    emit changed();
    if (onChange)
        onChange();
}

void TextBox::appendLine(const QString &line)
{
    const bool atLineStart = m_text.isEmpty() || m_text.endsWith(QLatin1Char('\n'));
    appendText((atLineStart ? QString() : QStringLiteral("\r\n")) + line + QStringLiteral("\r\n"));
}

void TextBox::dropOldestLines()
{
    if (m_retainedLength <= 0 || m_text.size() <= m_retainedLength)
        return;
    qsizetype cut = m_text.size() - m_retainedLength / 2;
    const qsizetype lineEnd = m_text.indexOf(QLatin1Char('\n'), cut);
    if (lineEnd >= 0 && lineEnd + 1 < m_text.size())
        cut = lineEnd + 1; // the kept text starts with a whole line
    m_text.remove(0, cut);
}

ComboBox::ComboBox(const QString &name, QObject *parent) : Control(name, parent) {}

void ComboBox::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    emit changed();
}

void ComboBox::addItem(const QString &item, const QString &toolTip)
{
    m_items.append(item);
    m_toolTips.append(toolTip);
    emit changed();
}

void ComboBox::clearItems()
{
    m_items.clear();
    m_toolTips.clear();
    emit changed();
}

void ComboBox::setItems(const QStringList &items, const QStringList &toolTips)
{
    if (items == m_items && toolTips == m_toolTips)
        return;
    m_items = items;
    m_toolTips = toolTips;
    emit changed();
}

void ComboBox::dropDown()
{
    if (onDropDown)
        onDropDown();
}

void ComboBox::pick(const QString &item)
{
    setText(item);
    if (onClick)
        onClick();
}

CaptionControl::CaptionControl(const QString &name, const QString &caption, QObject *parent)
    : Control(name, parent), m_caption(caption)
{
}

void CaptionControl::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    emit changed();
}

void CommandButton::click()
{
    if (isEnabled() && onClick)
        onClick();
}

void CheckBox::setValue(int value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit changed();
}

void ProgressBar::setMinimum(int min)
{
    if (m_min == min)
        return;
    m_min = min;
    emit changed();
}

void ProgressBar::setMaximum(int max)
{
    if (m_max == max)
        return;
    m_max = max;
    emit changed();
}

void ProgressBar::setValue(int value)
{
    if (m_value == value)
        return;
    m_value = value;
    emit changed();
}
