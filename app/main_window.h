#pragma once

#include <QMainWindow>

class QAction;
class QMenu;
class ui_central_widget_t;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent);

    // True when a unit is connected; otherwise tells the operator why not.
    bool check_link_state();

public slots:
    void onReceiveMsg(QString msg);
    void scpi_btn_click_slot();
    void upgrade_btn_click_slot();
    void about_btn_click_slot();

private:
    ui_central_widget_t* central_widget;
    QMenu* tool_menu;
    QAction* scpi_action;
    QAction* upgrade_action;
    QAction* about_action;
};
