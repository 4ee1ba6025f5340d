#pragma once

#include "app/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

// Widgets that mirror one model control each. A widget carries the control's designer
// name as objectName and accessible description, keeps no state of its own, and hands
// the user's typing, picks and clicks to the model.
namespace ControlBinding {

QLineEdit *lineEdit(TextBox &box, QWidget *parent);
QPlainTextEdit *textArea(TextBox &box, QWidget *parent);
QComboBox *comboBox(ComboBox &combo, QWidget *parent);
QPushButton *button(CommandButton &button, QWidget *parent);
QLabel *label(Label &label, QWidget *parent);
QCheckBox *checkBox(CheckBox &check, QWidget *parent);
QGroupBox *frame(Frame &frame, QWidget *parent);
QProgressBar *progressBar(ProgressBar &bar, QWidget *parent);

// Names a widget after its control; the accessible name is what the user reads.
void name(QWidget *widget, const Control &control, const QString &accessibleName);

} // namespace ControlBinding
