#include "ui/mainwindow.h"

#include "app/form1.h"
#include "ui/controlbinding.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace ControlBinding;

namespace {

// A label and its field side by side; the field's accessible name is the label's text.
QWidget *labelled(QGridLayout *grid, int row, int column, Label &caption, QWidget *field,
                  int span = 1)
{
    QWidget *parent = grid->parentWidget();
    QLabel *text = label(caption, parent);
    text->setBuddy(field);
    field->setAccessibleName(caption.caption());
    grid->addWidget(text, row, column);
    grid->addWidget(field, row, column + 1, 1, span);
    return field;
}

// Keeps a widget over another one of a different parent, wherever layouts move it.
class FollowGeometry : public QObject
{
public:
    FollowGeometry(QWidget *place, QWidget *follower)
        : QObject(place), m_place(place), m_follower(follower)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
            event->type() == QEvent::Show) {
            const QPoint topLeft = m_place->mapTo(m_follower->parentWidget(), QPoint(0, 0));
            m_follower->setGeometry(QRect(topLeft, m_place->size()));
            m_follower->raise();
        }
        return false;
    }

private:
    QWidget *m_place;
    QWidget *m_follower;
};

QGridLayout *compactGrid(QWidget *owner)
{
    auto *grid = new QGridLayout(owner);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    return grid;
}

} // namespace

MainWindow::MainWindow(Form1 &form, QWidget *parent) : QWidget(parent), m_form(form)
{
    setWindowTitle(Form1::caption);
    setObjectName(QStringLiteral("Form1"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    QGroupBox *frame1 = frame(form.Frame1, this);
    outer->addWidget(frame1);
    auto *top = new QGridLayout(frame1);
    top->setContentsMargins(6, 4, 6, 6);
    top->setHorizontalSpacing(8);
    top->setVerticalSpacing(4);

    // Heading.
    QLabel *heading = label(form.Label3, frame1);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);
    top->addWidget(heading, 0, 0, 1, 2);

    // Left column: identity, beacon, server rows and the network frame.
    auto *left = new QWidget(frame1);
    auto *leftGrid = new QGridLayout(left);
    leftGrid->setContentsMargins(0, 0, 0, 0);
    leftGrid->setHorizontalSpacing(4);
    leftGrid->setVerticalSpacing(4);
    {
        auto *identity = new QHBoxLayout;
        QLabel *callsignLabel = label(form.LabelCallsign, left);
        QLineEdit *callsign = lineEdit(form.Text4, left);
        callsign->setAccessibleName(form.LabelCallsign.caption());
        callsignLabel->setBuddy(callsign);
        QComboBox *ssid = comboBox(form.Combo5, left);
        ssid->setAccessibleName(QStringLiteral("SSID"));
        QLabel *passLabel = label(form.LabelPass, left);
        QLineEdit *pass = lineEdit(form.Text5, left);
        pass->setAccessibleName(form.LabelPass.caption());
        passLabel->setBuddy(pass);
        callsign->setMinimumWidth(70);
        ssid->setMinimumWidth(52);
        pass->setMinimumWidth(52);
        identity->addWidget(callsignLabel);
        identity->addWidget(callsign, 3);
        identity->addWidget(label(form.Label9, left));
        identity->addWidget(ssid, 2);
        identity->addWidget(passLabel);
        identity->addWidget(pass, 2);
        leftGrid->addLayout(identity, 0, 0, 1, 4);
    }
    labelled(leftGrid, 1, 0, form.Label6, lineEdit(form.Text8, left), 3);
    labelled(leftGrid, 2, 0, form.Label11, lineEdit(form.Text7, left), 3);
    labelled(leftGrid, 3, 0, form.LabelServer, comboBox(form.Combo3, left), 3);
    labelled(leftGrid, 4, 0, form.LabelTxTime, lineEdit(form.Text10, left));
    labelled(leftGrid, 4, 2, form.LabelFilter, lineEdit(form.Text11, left));

    QGroupBox *network = frame(form.Frame2, left);
    {
        QGridLayout *grid = compactGrid(network);
        labelled(grid, 0, 0, form.Label5, comboBox(form.Combo2, network), 4);
        Label *rowLabels[4] = {&form.LabelIp, &form.LabelMask, &form.LabelGate, &form.LabelDns};
        for (int row = 0; row < 4; ++row) {
            QLabel *rowLabel = label(*rowLabels[row], network);
            grid->addWidget(rowLabel, row + 1, 0);
            for (int octet = 0; octet < 4; ++octet) {
                QLineEdit *box = lineEdit(*form.addressBoxes[row * 4 + octet], network);
                box->setAccessibleName(
                    QStringLiteral("%1 %2").arg(rowLabels[row]->caption()).arg(octet + 1));
                box->setMinimumWidth(40);
                grid->addWidget(box, row + 1, octet + 1);
                if (octet == 0)
                    rowLabel->setBuddy(box);
            }
        }
    }
    leftGrid->addWidget(network, 5, 0, 1, 4);
    leftGrid->setRowStretch(6, 1);
    top->addWidget(left, 1, 0);

    // Right column: setup and radio frames, WiFi, the status log and the versions.
    auto *right = new QWidget(frame1);
    auto *rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(0, 0, 0, 0);
    rightBox->setSpacing(4);
    QGroupBox *setup = frame(form.Frame5, right);
    {
        QGridLayout *grid = compactGrid(setup);
        labelled(grid, 0, 0, form.LabelBacklight, comboBox(form.Combo16, setup));
        labelled(grid, 0, 2, form.LabelUnit, comboBox(form.Combo4, setup));
    }
    rightBox->addWidget(setup);
    QGroupBox *radio = frame(form.Frame4, right);
    {
        QGridLayout *grid = compactGrid(radio);
        labelled(grid, 0, 0, form.LabelFreq, lineEdit(form.Text31, radio))->setMinimumWidth(80);
        grid->addWidget(label(form.LabelMHz, radio), 0, 2);
        labelled(grid, 1, 0, form.Label21, lineEdit(form.Text32, radio));
        grid->addWidget(checkBox(form.Check1, radio), 1, 2, 1, 2);
        labelled(grid, 2, 0, form.LabelPath, comboBox(form.Combo7, radio), 3);
        labelled(grid, 3, 0, form.LabelTxVol, comboBox(form.Combo6, radio));
        labelled(grid, 3, 2, form.LabelAlias, comboBox(form.Combo8, radio));
    }
    rightBox->addWidget(radio);
    QGroupBox *wifi = frame(form.Frame6, right);
    {
        QGridLayout *grid = compactGrid(wifi);
        labelled(grid, 0, 0, form.LabelSsid, lineEdit(form.Text34, wifi));
        labelled(grid, 1, 0, form.LabelWifiPass, lineEdit(form.Text33, wifi));
        grid->addWidget(button(form.Command8, wifi), 0, 2, 2, 1);
    }
    rightBox->addWidget(wifi);
    QPlainTextEdit *statusLog = textArea(form.Text29, right);
    statusLog->setAccessibleName(QStringLiteral("status log"));
    statusLog->setMinimumHeight(60);
    rightBox->addWidget(statusLog, 1);
    QGroupBox *versions = frame(form.Frame3, right);
    {
        auto *box = new QVBoxLayout(versions);
        box->setContentsMargins(6, 2, 6, 4);
        box->setSpacing(2);
        for (TextBox *version : {&form.Text12, &form.Text6}) {
            QLineEdit *edit = lineEdit(*version, versions);
            edit->setStyleSheet(QStringLiteral("QLineEdit { background: palette(window); }"));
            box->addWidget(edit);
        }
    }
    rightBox->addWidget(versions);
    top->addWidget(right, 1, 1);
    top->setColumnStretch(0, 3);
    top->setColumnStretch(1, 2);

    // Port, buttons, progress and the restart line across the bottom.
    auto *bottom = new QGridLayout;
    bottom->setHorizontalSpacing(4);
    bottom->setVerticalSpacing(4);
    QComboBox *port = comboBox(form.Combo1, frame1);
    port->setAccessibleName(QStringLiteral("serial port"));
    bottom->addWidget(port, 0, 0);
    bottom->addWidget(button(form.Command6, frame1), 0, 1);
    bottom->addWidget(button(form.Command4, frame1), 0, 2);
    bottom->addWidget(button(form.Command1, frame1), 0, 3);
    bottom->addWidget(button(form.Command0, frame1), 1, 0);
    bottom->addWidget(button(form.Command7, frame1), 1, 1);
    bottom->addWidget(button(form.Command5, frame1), 1, 2);
    bottom->addWidget(button(form.Command2, frame1), 1, 3);
    // The transfer's progress text beside its bar. The bar stands full whenever no
    // transfer runs, so the text is what tells the user how a transfer goes: the
    // warning not to remove power while blocks are sent, then whether it completed.
    QProgressBar *bar = progressBar(form.ProgressBar1, frame1);
    bar->setAccessibleName(QStringLiteral("update progress"));
    bottom->addWidget(bar, 2, 0, 1, 2, Qt::AlignVCenter);
    QLabel *progressText = label(form.Label2, frame1);
    progressText->setWordWrap(true);
    bottom->addWidget(progressText, 2, 2, 1, 2);
    top->addLayout(bottom, 2, 0, 1, 2);

    // Text3 belongs to the window itself and is drawn over Frame1, in the place a
    // placeholder keeps free under the progress bar.
    auto *lastLine = new QHBoxLayout;
    QLineEdit *counter = lineEdit(form.Text3, this);
    counter->setAccessibleName(QStringLiteral("progress"));
    counter->setStyleSheet(QStringLiteral("QLineEdit { background: palette(window); }"));
    auto *counterPlace = new QWidget(frame1);
    counterPlace->setFixedSize(190, counter->sizeHint().height());
    counterPlace->installEventFilter(new FollowGeometry(counterPlace, counter));
    lastLine->addWidget(counterPlace);
    lastLine->addStretch(1);
    lastLine->addWidget(label(form.Label22, frame1));
    lastLine->addWidget(button(form.Command9, frame1));
    top->addLayout(lastLine, 3, 0, 1, 2);

    // Controls outside the visible area: they exist, hold their texts and are written
    // to, but the user does not see them.
    auto *offstage = new QWidget(this);
    offstage->setObjectName(QStringLiteral("offstage"));
    auto *offstageBox = new QVBoxLayout(offstage);
    offstageBox->addWidget(lineEdit(form.Text1, offstage));
    offstageBox->addWidget(textArea(form.Text30, offstage));
    offstageBox->addWidget(lineEdit(form.Text2, offstage));
    offstageBox->addWidget(lineEdit(form.Text9, offstage));
    offstageBox->addWidget(button(form.Command3, offstage));
    offstage->hide();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_form.Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_form.Form_Unload();
    event->accept();
}
