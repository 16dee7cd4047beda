#include "panel/switch_panel.h"

#include <QButtonGroup>
#include <QObject>
#include <QRadioButton>

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "panel/wait_cursor.h"

switch_panel_t::switch_panel_t(const switch_model_t& model, place_t place, say_t say)
    : model(model), place(std::move(place)), say(std::move(say)) {}

void name_indicators(char sw, QWidget* lamp, const QVector<QWidget*>& bars) {
    lamp->setAccessibleName(QObject::tr("Lamp %1").arg(QLatin1Char(sw)));
    for (QWidget* bar : bars) {
        bar->setAccessibleName(QObject::tr("Path %1").arg(QLatin1Char(sw)));
    }
}

void switch_panel_t::add_switch(const QVector<QRadioButton*>& buttons) {
    const char sw = model.switches[switches.size()];
    for (int i = 0; i < buttons.size(); ++i) {
        buttons[i]->setAccessibleName(QLatin1Char(sw) + QString::number(model.first_position + i));
    }
    switches.append({buttons, nullptr});
}

switch_panel_t::switch_t& switch_panel_t::switch_of(char sw) {
    return switches[sw - model.switches[0]];
}

QRadioButton* switch_panel_t::button(char sw, int position) {
    return switch_of(sw).buttons.at(position - model.first_position);
}

void switch_panel_t::click(char sw, int position) {
    if (drv_unit_instance().link_state() != link_connected) {
        take_back(sw, position);
        say(QObject::tr("Device not connected!"));
        return;
    }
    const wait_cursor_t wait;
    const switch_report_t report = model.move_switch(drv_unit_instance(), sw, position);
    switch (report.status) {
        case switch_report_t::reported:
            show_position(sw, report.position);
            if (report.position != position) {
                say(QObject::tr("Switch %1 did not switch to position %2: it stands at "
                                "position %3")
                        .arg(QLatin1Char(sw))
                        .arg(position)
                        .arg(report.position));
            }
            return;
        case switch_report_t::not_identified:
            take_back(sw, position);
            say(QObject::tr("The unit is not identified: press Rescan to try again"));
            return;
        default:
            take_back(sw, position);
            report_silence(
                QObject::tr("The unit did not report where switch %1 stands").arg(QLatin1Char(sw)));
    }
}

void switch_panel_t::read_back() {
    const wait_cursor_t wait;
    bool answered = true;
    for (const char* sw = model.switches; *sw; ++sw) {
        const switch_report_t report = model.read_switch(drv_unit_instance(), *sw);
        if (report.status == switch_report_t::reported) {
            show_position(*sw, report.position);
        } else {
            answered = false;
        }
    }
    if (!answered) {
        report_silence(QObject::tr("The unit did not answer"));
    }
}

void switch_panel_t::show_position(char sw, int position) {
    QRadioButton* shown = button(sw, position);
    shown->setChecked(true);
    switch_of(sw).shown = shown;
    place(sw, position);
}

void switch_panel_t::take_back(char sw, int position) {
    QRadioButton* shown = switch_of(sw).shown;
    if (shown != nullptr) {
        shown->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; none needs it lifted for a moment.
    QRadioButton* clicked = button(sw, position);
    QButtonGroup* group = clicked->group();
    if (group != nullptr) {
        group->setExclusive(false);
    }
    clicked->setChecked(false);
    if (group != nullptr) {
        group->setExclusive(true);
    }
}

// A unit found gone has been reported as lost already.
void switch_panel_t::report_silence(const QString& text) {
    if (drv_unit_instance().link_state() == link_connected) {
        say(text);
    }
}
