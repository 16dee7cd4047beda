#pragma once

#include <QString>
#include <QVector>
#include <functional>

class QWidget;
class position_button_t;
struct switch_model_t;
struct switch_report_t;

// What both model panels do with the unit: a click moves a switch and shows
// where the unit then says it stands; a read-back shows every switch. A
// switch the unit gives no position for shows none: no button checked, its
// lamp dark and its path bar hidden. The buttons, lamps and bars are the
// panel's; this keeps which button stands for which switch position, which
// one shows the unit's state, and what a screen reader hears of them.
class switch_panel_t {
public:
    // Moves the lamp and bar of switch sw to a position and shows them as
    // that position wants.
    using place_t = std::function<void(char sw, int position)>;
    // Hands a status text to the window; an empty one clears the last.
    using say_t = std::function<void(const QString& text)>;
    // Has the window identify the unit on the link again and show what answers.
    using identify_t = std::function<void()>;

    switch_panel_t(const switch_model_t& model, place_t place, say_t say, identify_t identify);

    // The model's next switch: its buttons in position order, its lamp and its
    // path bars, as the panel has placed them. Each button is named for a
    // screen reader as the front panel prints it, e.g. "A2".
    void add_switch(const QVector<position_button_t*>& buttons, QWidget* lamp,
                    const QVector<QWidget*>& bars);

    // After a failed exchange the unit is identified again first, and a unit
    // other than the one shown is shown instead of being switched.
    void click(char sw, int position);
    void read_back();
    // No switch shows a position: the unit on the link is not the one shown.
    void clear();

private:
    // No position reported.
    static constexpr int unknown = -1;

    struct switch_t {
        QVector<position_button_t*> buttons;
        QWidget* lamp;
        QVector<QWidget*> bars;
        // The unit's last reported position.
        int shown;
    };

    switch_t& switch_of(char sw);
    void show(char sw, int position);
    void name_indicators(char sw, int position);
    bool confirm_unit();
    QString report_text(char sw, const switch_report_t& report) const;
    // A unit found gone has been reported as lost already.
    void report_silence(const QString& text);

    const switch_model_t& model;
    place_t place;
    say_t say;
    identify_t identify;
    QVector<switch_t> switches;
};
