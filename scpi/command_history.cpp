#include "scpi/command_history.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStringList>

namespace {

// Every console of the run shares them, oldest first.
QStringList& sent_commands() {
    static QStringList sent;
    return sent;
}

}  // namespace

command_history_t::command_history_t(QLineEdit* field)
    : QObject(field), field(field), shown(int(sent_commands().size())) {
    field->installEventFilter(this);
}

void command_history_t::add(const QString& command) {
    QStringList& sent = sent_commands();
    if (sent.isEmpty() || sent.last() != command) {
        sent.append(command);
    }
    shown = int(sent.size());
}

bool command_history_t::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return false;
}

void command_history_t::step(int direction) {
    const QStringList& sent = sent_commands();
    const int next = shown + direction;
    if (next < 0 || next > sent.size()) {
        return;
    }
    if (shown == sent.size()) {
        typed = field->text();
    }
    shown = next;
    field->setText(shown == sent.size() ? typed : sent.at(shown));
}
