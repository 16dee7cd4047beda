#include "panel/switch_panel.h"

#include <QObject>
#include <QWidget>

#include "driver/link.h"
#include "driver/switch_model.h"
#include "driver/switch_move.h"
#include "driver/unit.h"
#include "driver/unit_identity.h"
#include "panel/position_button.h"
#include "widget/wait_cursor.h"

switch_panel_t::switch_panel_t(const switch_model_t& model, place_t place, say_t say,
                               identify_t identify)
    : model(model), place(std::move(place)), say(std::move(say)), identify(std::move(identify)) {}

void switch_panel_t::add_switch(const QVector<position_button_t*>& buttons, QWidget* lamp,
                                const QVector<QWidget*>& bars) {
    const char sw = model.switches[switches.size()];
    for (int i = 0; i < buttons.size(); ++i) {
        buttons[i]->setAccessibleName(QLatin1Char(sw) + QString::number(model.first_position + i));
    }
    switches.append({buttons, lamp, bars, unknown});
    // Before any unit has told, a lamp the panel shows stands at the first position.
    name_indicators(sw, lamp->isHidden() ? unknown : model.first_position);
}

switch_panel_t::switch_t& switch_panel_t::switch_of(char sw) {
    return switches[sw - model.switches[0]];
}

void switch_panel_t::click(char sw, int position) {
    if (drv_unit_instance().link_state() != link_connected) {
        show(sw, switch_of(sw).shown);
        say(QObject::tr("Device not connected!"));
        return;
    }
    const wait_cursor_t wait;
    if (!confirm_unit()) {
        show(sw, switch_of(sw).shown);
        return;
    }
    const switch_report_t report =
        move_switch(model, drv_unit_instance(), sw, position, switch_of(sw).shown,
                    {QStringLiteral("window"), {}, {}, {}});
    if (report.status != switch_report_t::reported) {
        show(sw, unknown);
        report_silence(report_text(sw, report));
        return;
    }
    show(sw, report.position);
    say(report.position == position
            ? QString()
            : QObject::tr("Switch %1 did not switch to position %2: it stands at position %3")
                  .arg(QLatin1Char(sw))
                  .arg(position)
                  .arg(report.position));
}

// After a failure the unit on the link may have changed: true when it is
// still the unit shown, identified as this panel's model.
bool switch_panel_t::confirm_unit() {
    drv_unit_t& unit = drv_unit_instance();
    if (unit.identified() && !unit.in_doubt()) {
        return true;
    }
    const unit_info_t shown = unit.identity();
    identify();
    if (identified_model(unit) != &model) {
        return false;
    }
    const unit_info_t& now = unit.identity();
    if (now.model == shown.model &&
        trimmed_serial_number(now.serial_number) == trimmed_serial_number(shown.serial_number)) {
        return true;
    }
    say(QObject::tr("%1-%2 now answers at %3; nothing was switched")
            .arg(shown_text(now.model), shown_text(now.serial_number),
                 QString::fromUtf8(current_link().name())));
    return false;
}

void switch_panel_t::read_back() {
    const wait_cursor_t wait;
    QStringList texts;
    bool silent = true;
    for (const char* sw = model.switches; *sw; ++sw) {
        const switch_report_t report = model.read_switch(drv_unit_instance(), *sw);
        const bool reported = report.status == switch_report_t::reported;
        show(*sw, reported ? report.position : unknown);
        if (!reported) {
            texts.append(report_text(*sw, report));
        }
        silent = silent && report.status == switch_report_t::no_answer;
    }
    if (!texts.isEmpty()) {
        report_silence(silent ? QObject::tr("The unit did not answer")
                              : texts.join(QStringLiteral("; ")));
    }
}

void switch_panel_t::clear() {
    for (const char* sw = model.switches; *sw; ++sw) {
        show(*sw, unknown);
    }
}

void switch_panel_t::show(char sw, int position) {
    switch_t& shown = switch_of(sw);
    shown.shown = position;
    if (position == unknown) {
        for (position_button_t* button : shown.buttons) {
            button->show_checked(false);
        }
        shown.lamp->hide();
        for (QWidget* bar : shown.bars) {
            bar->hide();
        }
    } else {
        shown.buttons.at(position - model.first_position)->show_checked(true);
        place(sw, position);
    }
    name_indicators(sw, position);
}

// The lamp is lit, and a bar drawn, for every position but the common connector.
void switch_panel_t::name_indicators(char sw, int position) {
    const switch_t& shown = switch_of(sw);
    const bool lit = position > 0;
    shown.lamp->setAccessibleName(
        lit ? QObject::tr("Lamp %1: position %2").arg(QLatin1Char(sw)).arg(position)
            : QObject::tr("Lamp %1: dark").arg(QLatin1Char(sw)));
    for (QWidget* bar : shown.bars) {
        bar->setAccessibleName(
            lit ? QObject::tr("Path %1: position %2").arg(QLatin1Char(sw)).arg(position)
                : QObject::tr("Path %1: none").arg(QLatin1Char(sw)));
    }
}

QString switch_panel_t::report_text(char sw, const switch_report_t& report) const {
    if (report.status == switch_report_t::no_position) {
        return no_position_text(sw, report.answer);
    }
    if (report.status == switch_report_t::not_identified) {
        return QObject::tr("Nothing was switched: the unit on the link is not a %1")
            .arg(QString::fromLatin1(model.name));
    }
    return QObject::tr("The unit did not report where switch %1 stands").arg(QLatin1Char(sw));
}

void switch_panel_t::report_silence(const QString& text) {
    if (drv_unit_instance().link_state() == link_connected) {
        say(text);
    }
}
