#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// Up and Down in a command field walk the commands sent in this run of the
// program, newest first; Down past the newest brings back what was being
// typed. A command sent again right after itself is kept once.
class command_history_t : public QObject {
public:
    // Watches the field's keys for as long as the field lives.
    explicit command_history_t(QLineEdit* field);

    void add(const QString& command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int direction);

    QLineEdit* field;
    // The entry shown, or the run's count of commands while the field holds
    // what is being typed.
    int shown;
    QString typed;
};
