#pragma once

#include <QFrame>

class ui_central_widget_t : public QFrame {
    Q_OBJECT
public:
    explicit ui_central_widget_t(QWidget* parent);

signals:
    void sendShowMsg(QString msg);

public slots:
    void onReceiveMsg(QString msg);
};
