#include "panel/panel_builder.h"

#include <QButtonGroup>
#include <QFrame>
#include <QMetaMethod>

#include "driver/switch_model.h"
#include "panel/position_button.h"
#include "panel/switch_panel.h"
#include "panel/ui_indicator_widgets.h"

namespace {

constexpr QSize child_size(50, 50);

void connect_to_slot(position_button_t* button, QFrame* item, char sw, int position) {
    const QByteArray slot =
        "button" + QByteArray(1, sw) + QByteArray::number(position) + "_click_slot()";
    const QMetaObject* meta = item->metaObject();
    QObject::connect(button, QMetaMethod::fromSignal(&position_button_t::chosen), item,
                     meta->method(meta->indexOfSlot(slot.constData())));
}

}  // namespace

panel_builder_t::panel_builder_t(QFrame* item, const switch_model_t& model,
                                 const panel_geometry_t& geometry, switch_panel_t& panel)
    : model(model), geometry(geometry) {
    const int first = model.first_position;
    for (const QVector<position_place_t>& places : geometry.switches) {
        indicators_t indicators{nullptr, {}};
        for (const bar_kind_t& kind : geometry.bars) {
            QWidget* bar = kind.make(item);
            bar->setGeometry(QRect(places[kind.home - first].bar_at, child_size));
            if (!geometry.lit_at_start) {
                bar->hide();
            }
            indicators.bars.append(bar);
        }
        switches.append(indicators);
    }
    QVector<QVector<position_button_t*>> buttons(geometry.switches.size());
    for (int s = 0; s < geometry.switches.size(); ++s) {
        auto* group = new QButtonGroup(item);
        for (int i = 0; i < geometry.switches[s].size(); ++i) {
            auto* button = new position_button_t(item);
            button->setGeometry(QRect(geometry.switches[s][i].button, child_size));
            group->addButton(button, first + i);
            connect_to_slot(button, item, model.switches[s], first + i);
            buttons[s].append(button);
        }
    }
    for (int s = 0; s < geometry.switches.size(); ++s) {
        QWidget* lamp = new ui_led_widget_t(item);
        lamp->setGeometry(QRect(geometry.switches[s][geometry.lamp_home - first].lamp, child_size));
        if (!geometry.lit_at_start) {
            lamp->hide();
        }
        switches[s].lamp = lamp;
    }
    for (int s = 0; s < geometry.switches.size(); ++s) {
        panel.add_switch(buttons[s], switches[s].lamp, switches[s].bars);
    }
}

// Hidden indicators move before they show, so none is seen on its way.
void panel_builder_t::place(char sw, int position) {
    const int s = sw - model.switches[0];
    const indicators_t& shown = switches[s];
    const position_place_t& at = geometry.switches[s][position - model.first_position];
    if (at.bar != position_place_t::no_bar) {
        shown.lamp->setGeometry(QRect(at.lamp, child_size));
        shown.bars[at.bar]->setGeometry(QRect(at.bar_at, child_size));
    }
    shown.lamp->setVisible(at.bar != position_place_t::no_bar);
    for (int kind = 0; kind < shown.bars.size(); ++kind) {
        shown.bars[kind]->setVisible(kind == at.bar);
    }
}

void panel_builder_t::show_path(int code) {
    const int positions = model.position_count();
    if (code < 1 || code > switches.size() * positions) {
        return;
    }
    place(model.switches[(code - 1) / positions], model.first_position + (code - 1) % positions);
}
