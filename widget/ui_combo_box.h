#pragma once

#include <QComboBox>

// Combo box of the program's look whose popup list scrolls by dragging.
class ui_combo_box_t : public QComboBox {
    Q_OBJECT
public:
    explicit ui_combo_box_t(QWidget* parent = nullptr);
    ~ui_combo_box_t() override;

    void add_color_items();
};
