#include "widget/ui_combo_widget.h"

#include <QVBoxLayout>

#include "widget/ui_combo_box.h"

ui_combo_widget_t::ui_combo_widget_t(QWidget* parent)
    : QFrame(parent, Qt::WindowFlags()), m_combo_box(new ui_combo_box_t(this)) {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_combo_box, 0, Qt::Alignment());
    setLayout(layout);
}
