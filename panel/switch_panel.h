#pragma once

#include <QString>
#include <QVector>
#include <functional>

class QRadioButton;
class QWidget;
struct switch_model_t;

// What a screen reader calls a switch's lamp and each of its path bars.
void name_indicators(char sw, QWidget* lamp, const QVector<QWidget*>& bars);

// What both model panels do with the unit: a click moves a switch and shows
// where the unit then says it stands; a read-back shows every switch. The
// buttons, lamps and bars are the panel's; this keeps which button stands
// for which switch position and which one shows the unit's state.
class switch_panel_t {
public:
    // Moves the lamp and bar of switch sw to a position.
    using place_t = std::function<void(char sw, int position)>;
    // Hands a status text to the window.
    using say_t = std::function<void(const QString& text)>;

    switch_panel_t(const switch_model_t& model, place_t place, say_t say);

    // The buttons of the model's next switch, in position order; each is named
    // for a screen reader as the front panel prints it, e.g. "A2".
    void add_switch(const QVector<QRadioButton*>& buttons);

    void click(char sw, int position);
    // A switch the unit gives no position for keeps what it showed.
    void read_back();

private:
    struct switch_t {
        QVector<QRadioButton*> buttons;
        // The button of the unit's last reported position; none before the unit told.
        QRadioButton* shown = nullptr;
    };

    switch_t& switch_of(char sw);
    QRadioButton* button(char sw, int position);
    void show_position(char sw, int position);
    // The click has checked its button; this puts the check back on the shown one.
    void take_back(char sw, int position);
    void report_silence(const QString& text);

    const switch_model_t& model;
    place_t place;
    say_t say;
    QVector<switch_t> switches;
};
