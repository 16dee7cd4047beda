#include "panel/ui_usb_widget.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "driver/link.h"
#include "driver/link_events.h"
#include "driver/serial_link.h"
#include "driver/switch_model.h"
#include "driver/unit.h"
#include "driver/unit_identity.h"
#include "driver/visa_session.h"
#include "widget/ui_combo_box.h"
#include "widget/ui_label.h"
#include "widget/ui_push_button.h"
#include "widget/wait_cursor.h"

ui_usb_widget_t::ui_usb_widget_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()),
      state_label(new ui_label_t(this)),
      info_label(new ui_label_t(this)),
      module_combo(new ui_combo_box_t(this)),
      rescan_button(new ui_push_button_t("Rescan", this)) {
    // What a unit says of itself is shown as text, never as markup.
    state_label->setTextFormat(Qt::PlainText);
    show_disconnected();
    info_label->setStyleSheet("font-size:16px");
    module_combo->setAccessibleName(tr("Units found"));
    rescan_button->setFixedSize(60, 30);

    auto* labels = new QHBoxLayout;
    labels->addWidget(state_label);
    labels->addWidget(info_label);

    auto* group_layout = new QHBoxLayout;
    group_layout->addWidget(module_combo);
    group_layout->addWidget(rescan_button);
    auto* group = new QGroupBox("Select KVT Module", this);
    group->setLayout(group_layout);

    auto* layout = new QVBoxLayout;
    layout->addLayout(labels);
    layout->addWidget(group);
    setLayout(layout);

    connect(rescan_button, &QPushButton::clicked, this, &ui_usb_widget_t::device_rescan_slot);
    connect(module_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ui_usb_widget_t::device_change_slot);
    connect(&link_events(), &link_events_t::unit_lost, this, &ui_usb_widget_t::unit_lost);
}

void ui_usb_widget_t::show_disconnected() {
    state_label->set_text("KVT is disconnected!");
    state_label->setStyleSheet("font-size:18px;color:rgb(255,100,100)");
}

void ui_usb_widget_t::unit_lost(const QString& name) {
    drv_unit_instance().set_link_state(link_disconnected);
    show_disconnected();
    // A unit that is gone stands nowhere the panel could show.
    emit device_unidentified_msg();
    emit sendShowMsg(tr("Unit %1 was lost").arg(name));
}

void ui_usb_widget_t::set_search(unit_search_t where) {
    search = std::move(where);
}

void ui_usb_widget_t::add_device(const QString& name) {
    device_names.append(name);
    // The first item becomes current here, which connects that unit at once.
    module_combo->addItem(QIcon(), name);
}

void ui_usb_widget_t::device_rescan_slot() {
    // The names go first, so the combo's clearing finds nothing to connect.
    device_names.clear();
    module_combo->clear();
    // The same unit can then be listed and opened again.
    if (!visa_available()) {
        serial_close();
    }
    // Units that share one resource text cannot be told apart: neither is offered.
    const QStringList found = find_units(search);
    QStringList refused;
    for (const QString& name : found) {
        const QString shared = shared_place_refusal(found, name);
        if (shared.isEmpty()) {
            add_device(name);
        } else if (!refused.contains(shared)) {
            refused.append(shared);
        }
    }
    if (!refused.isEmpty()) {
        emit sendShowMsg(refused.join(QStringLiteral("; ")));
    }
    if (module_combo->count() == 0) {
        QMessageBox::information(this, tr("Information"), tr("Target device no find!"),
                                 QMessageBox::Ok | QMessageBox::Close, QMessageBox::Ok);
    }
}

void ui_usb_widget_t::device_change_slot(int index) {
    if (index < 0 || index >= device_names.size()) {
        return;
    }
    const QString name = device_names.at(index);
    const wait_cursor_t wait;
    if (!connect_unit(name.toUtf8())) {
        // Opening another unit closes the one before, so none is connected now.
        drv_unit_instance().set_link_state(link_disconnected);
        show_disconnected();
        emit device_unidentified_msg();
        emit sendShowMsg(tr("Unit %1: %2").arg(name, open_failure_text(current_link())));
        return;
    }
    drv_unit_instance().set_link_state(link_connected);
    show_unit(name);
}

void ui_usb_widget_t::device_identify_slot() {
    const wait_cursor_t wait;
    show_unit(QString::fromUtf8(current_link().name()));
}

// A unit that an upgrade left in its bootloader is finished by an upgrade.
QString ui_usb_widget_t::unidentified_text(const QString& name) {
    QByteArray serial;
    return bootloader_serial(drv_unit_instance(), serial)
               ? tr("Unit %1 waits in its bootloader: Tool > Upgrade finishes it")
                     .arg(shown_text(serial))
               : tr("Unit %1 could not be identified").arg(name);
}

void ui_usb_widget_t::show_unit(const QString& name) {
    drv_unit_t& unit = drv_unit_instance();
    unit_info_t info;
    const bool identified = unit.identify(info);
    // Lost while identifying: the bar shows it disconnected already.
    if (unit.link_state() != link_connected) {
        return;
    }
    state_label->set_text(shown_text(info.model + "-" + info.serial_number));
    state_label->setStyleSheet("font-size:18px;color:rgb(140,140,250);font-weight:900");
    int product = 0;
    if (!identified || !parse_product_number(info.product_id, product)) {
        emit device_unidentified_msg();
        emit sendShowMsg(identified ? tr("Unit %1 reports no usable product number").arg(name)
                                    : unidentified_text(name));
        return;
    }
    emit sendShowMsg(QString());
    emit device_connect_msg(product);
}
