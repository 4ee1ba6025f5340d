#pragma once

#include <QObject>
#include <QString>

class Form1;

// Shows a firmware update's progress on standard error as the window shows it: the
// loader wait's counter and the blocks sent. On a terminal it is one line redrawn as a
// bar; otherwise a plain line for each step of the wait and each tenth of the blocks.
class FlashProgress : public QObject
{
    Q_OBJECT
public:
    FlashProgress(Form1 &form, bool drawBar, QObject *parent = nullptr);
    ~FlashProgress() override;

private:
    void loaderWaitChanged();
    void blocksChanged();
    void show(const QString &text, bool keep);

    Form1 &m_form;
    bool m_drawBar;
    QString m_lastWait;
    int m_lastTenth = -1;
};
