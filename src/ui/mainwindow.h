#pragma once

#include <QWidget>

class Form1;

// The one window: draws the window model and forwards the user's input to it.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(Form1 &form, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Form1 &m_form;
};
