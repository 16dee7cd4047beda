#include "widget/ui_combo_box.h"

#include <QAbstractItemView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QScroller>
#include <QStyledItemDelegate>

#include "widget/ui_row_height.h"

ui_combo_box_t::ui_combo_box_t(QWidget* parent) : QComboBox(parent) {
    setFixedHeight(ui_row_height);
    // The default delegate ignores the style sheet's item rules.
    setItemDelegate(new QStyledItemDelegate(this));
    QScroller::grabGesture(view()->viewport(), QScroller::LeftMouseButtonGesture);
    view()->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    QWidget* popup = view()->window();
    popup->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    popup->setAttribute(Qt::WA_TranslucentBackground, true);
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A screen reader chooses by selecting an item of the closed list (its
    // Toggle); that is the operator's choice as much as a click in the open one.
    connect(view()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!view()->isVisible() && !selected.indexes().isEmpty()) {
                    setCurrentIndex(selected.indexes().first().row());
                }
            });
}

ui_combo_box_t::~ui_combo_box_t() {
    // Unregisters the drag recognizer; Qt's gesture manager would otherwise keep it.
    QScroller::ungrabGesture(view()->viewport());
}

void ui_combo_box_t::add_color_items() {
    addItem(QIcon(":/image/yellow.ico"), "Yellow");
    addItem(QIcon(":/image/blue.ico"), "Blue");
    addItem(QIcon(":/image/red.ico"), "Red");
    addItem(QIcon(":/image/green.ico"), "Green");
}
