#pragma once

#include <QFrame>

class ui_combo_box_t;

// Frame holding a single styled combo box edge to edge.
class ui_combo_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_combo_widget_t(QWidget* parent = nullptr);

    ui_combo_box_t* combo_box() const { return m_combo_box; }

private:
    ui_combo_box_t* m_combo_box;
};
