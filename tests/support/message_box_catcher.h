#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Closes every message box that becomes modal while it lives and keeps their
// titles and texts, so tests can drive slots that ask the operator.
class message_box_catcher_t : public QObject {
public:
    message_box_catcher_t() {
        connect(&poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            titles.append(box->windowTitle());
            texts.append(box->text());
            box->done(QMessageBox::Ok);
        });
        poll.start(10);
    }

    QStringList titles;
    QStringList texts;

private:
    QTimer poll;
};
