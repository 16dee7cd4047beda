#pragma once

#include <QRadioButton>

// The radio button of one switch position. It is checked only to show where
// the unit reports the switch: a click, a key or an assistive technology's
// Toggle asks for the position instead, and the panel then checks the button
// of the position the unit reports.
class position_button_t : public QRadioButton {
    Q_OBJECT
public:
    explicit position_button_t(QWidget* parent);

    // Shows the position as the unit's, or takes the check away, asking for nothing.
    void show_checked(bool on);

signals:
    // The operator asked for this position.
    void chosen();

protected:
    void nextCheckState() override;
    // The arrow keys move along the switch's positions in order, round to the
    // first after the last; the check follows the focus as in any radio group.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool showing = false;
};
